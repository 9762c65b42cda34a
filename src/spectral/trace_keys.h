// Keys that cospectral graphs share, one per matrix, cheap to work out for
// every graph of a stream: they split a census into parts and sift the
// candidates for a graph's mates before any polynomial is taken.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/edge_list_reader.h"
#include "spectral/matrix.h"

namespace grafen::spectral {

// Each matrix's key: the traces of its square, cube and fourth power (sums
// of powers of its eigenvalues, so equal for cospectral graphs), mixed into
// 64 bits and spread over many values.
struct TraceKeys {
  std::uint64_t adjacency = 0;
  std::uint64_t laplacian = 0;
  std::uint64_t signless = 0;
  std::uint64_t seidel = 0;       // only traces of the cube and fourth power: S^2's is n(n - 1)
  std::uint64_t generalized = 0;  // A's key and the complement's, mixed
  std::uint64_t of(SpectralMatrix matrix) const {
    switch (matrix) {
      case SpectralMatrix::kAdjacency:
        return adjacency;
      case SpectralMatrix::kLaplacian:
        return laplacian;
      case SpectralMatrix::kSignless:
        return signless;
      case SpectralMatrix::kGeneralized:
        return generalized;
      case SpectralMatrix::kSeidel:
        return seidel;
      default:
        break;
    }
    return 0;
  }
};

// Whether the matrix has a trace key here (A, G, L, Q, S); the others are
// keyed by their polynomials.
inline bool HasTraceKey(SpectralMatrix matrix) {
  return matrix == SpectralMatrix::kAdjacency || matrix == SpectralMatrix::kGeneralized ||
         matrix == SpectralMatrix::kLaplacian || matrix == SpectralMatrix::kSignless ||
         matrix == SpectralMatrix::kSeidel;
}

// The trace keys of A, L and Q of the graph on nodes 1..order (at most 64);
// S's and G's left 0.
TraceKeys TraceKeysOf(const ListedGraph& graph, int order);

// Sets the keys of S and G, from the traces of S^3 and S^4 and from A's key
// and the complement's: another pass, taken only when S or G is asked.
void AddComplementKeys(const ListedGraph& graph, int order, TraceKeys& keys);

// Whether S or G is among the matrices: AddComplementKeys is wanted.
bool WantsComplementKeys(const std::vector<SpectralMatrix>& matrices);

}  // namespace grafen::spectral
