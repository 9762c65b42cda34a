// graph6, the one-line graph format of nauty, networkx and SageMath, both
// ways: the text of a graph, and a graph from its text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "formats/edge_list_reader.h"

namespace grafen {

// The header nauty's tools may put before the first graph.
inline constexpr std::string_view kGraph6Header = ">>graph6<<";

// The longest graph6 line read, its line end aside: the header and a graph of
// order 62 (its size byte and 316 bytes of adjacency bits).
inline constexpr std::size_t kMaxGraph6Line = kGraph6Header.size() + 1 + 316;

// The graph on nodes 1..order (1 <= order <= 62) with these edges in graph6:
// node i is vertex i-1.
std::string Graph6(int order, const std::vector<Edge>& edges);

// What is wrong with graph6 text whose size byte says an order above 62:
// that order, as far as the text gives it, is more than is read.
std::string OrderAboveMaxText(std::string_view text);

// Decodes the graph6 text of one graph (no line end) into graph.order and
// graph.edges (i < j, ascending by i, then j); nodes up to maxNode. Returns
// "" on success, else what is wrong with the text.
std::string DecodeGraph6(std::string_view text, int maxNode, ListedGraph& graph);

// The order and edge count of graph6 text that DecodeGraph6 takes, without
// listing the edges: what is wrong with it as DecodeGraph6 says, else "".
std::string Graph6Size(std::string_view text, int maxNode, int& order, int& edges);

}  // namespace grafen
