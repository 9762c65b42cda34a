// Cheap facts of the normalized Laplacian's and the non-backtracking
// matrix's spectra, whose exact polynomials cost tens of microseconds a
// graph where A's cost one: a hash that graphs with one spectrum share, from
// the polynomial's values modulo a prime, and integrality from the graph's
// structure. A census hashes every graph this way and works out exact
// polynomials only where hashes meet, which decide.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/edge_list_reader.h"
#include "spectral/matrix.h"

namespace grafen::spectral {

// Whether the matrix has a hash here: N and B.
inline bool HasSpectrumHash(SpectralMatrix matrix) {
  return matrix == SpectralMatrix::kNormalized || matrix == SpectralMatrix::kNonBacktracking;
}

// A 64-bit hash of the N- or B-spectrum of the graph on nodes 1..order
// (at most 64) with these edges: equal for two graphs of one order with
// the same spectrum. N: the monic det(xI - N)'s value at a fixed point
// modulo 2^61 - 1; B: the order, the edge count and the value of
// det(x^2 I - xA + D - I) (Ihara-Bass) there.
std::uint64_t SpectrumHash(SpectralMatrix matrix, int order, const std::vector<Edge>& edges);

// Whether every N- or B-eigenvalue of the graph is an integer, by theorems:
// B's eigenvalues have squares summing to trace B^2 = 0 (no closed
// non-backtracking walk of length 2), so integers are all 0 and B is
// nilpotent, which it is exactly for a forest. N's lie in {0, 1, 2}; in a
// component with edges 0 is simple and D^(-1/2) A D^(-1/2) = I - N has
// eigenvalues 1, -1 (2 is N's only for a bipartite one) and 0, so A has
// rank 2 (rank 1 is impossible): the component is complete bipartite,
// whose N-spectrum is 0, 1, ..., 1, 2.
bool IntegralByStructure(SpectralMatrix matrix, int order, const std::vector<Edge>& edges);

}  // namespace grafen::spectral
