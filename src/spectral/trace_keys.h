// Keys that cospectral graphs share, one per matrix, cheap to work out for
// every graph of a stream: they split a census into parts and sift the
// candidates for a graph's mates before any polynomial is taken.
#pragma once

#include <cstdint>

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
  std::uint64_t of(SpectralMatrix matrix) const {
    return matrix == SpectralMatrix::kAdjacency   ? adjacency
           : matrix == SpectralMatrix::kLaplacian ? laplacian
                                                  : signless;
  }
};

// The trace keys of the graph on nodes 1..order (at most 64).
TraceKeys TraceKeysOf(const ListedGraph& graph, int order);

}  // namespace grafen::spectral
