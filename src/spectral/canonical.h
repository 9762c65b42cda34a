// Isomorphism decided exactly: a graph's canonical form by nauty's canonical
// labelling, so that two graphs are isomorphic exactly when their forms are
// equal.
#pragma once

#include <string>
#include <vector>

#include "formats/edge_list_reader.h"

namespace grafen::spectral {

// The graph6 text of the canonically labelled copy of the graph on nodes
// 1..order (1 to kMaxOrder) with these edges: equal for two graphs exactly
// when they are isomorphic. Safe on any number of threads at once.
std::string CanonicalForm(int order, const std::vector<Edge>& edges);

}  // namespace grafen::spectral
