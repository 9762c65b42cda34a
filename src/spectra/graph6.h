// The graph6 text of a graph, as nauty, networkx and SageMath read it.
#pragma once

#include <string>
#include <vector>

#include "results/edge_list_reader.h"

namespace grafen::spectra {

// The largest order graph6's one-byte size field holds.
inline constexpr int kMaxGraph6Order = 62;

// The graph on nodes 1..order (1 <= order <= 62) with these edges in graph6:
// node i is vertex i-1.
std::string Graph6(int order, const std::vector<Edge>& edges);

}  // namespace grafen::spectra
