// libFuzzer target over the edge-list reader: the first byte picks the
// largest node (1 to 62), the rest is the text. Checks, for any bytes at all,
// that a text read is a valid list of graphs which reads back the same when
// written out again, and that a rejection names a line of the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "formats/edge_list_reader.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The graphs in grafen's own layout: CR LF, fields of 5.
std::string Written(const std::vector<grafen::ListedGraph>& graphs) {
  std::string text;
  for (const grafen::ListedGraph& graph : graphs) {
    text += std::to_string(graph.number) + "\r\n";
    for (const grafen::Edge& e : graph.edges) {
      const std::string i = std::to_string(e.i);
      const std::string j = std::to_string(e.j);
      text += std::string(5 - i.size(), ' ') + i + std::string(5 - j.size(), ' ') + j + "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int maxNode = 1 + data[0] % 62;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    const std::vector<grafen::ListedGraph> graphs = grafen::ReadEdgeList(text, maxNode);
    for (std::size_t k = 0; k < graphs.size(); ++k) {
      Require(graphs[k].number == static_cast<std::int64_t>(k) + 1);
      std::vector<std::pair<int, int>> pairs;
      for (const grafen::Edge& e : graphs[k].edges) {
        Require(1 <= e.i && e.i < e.j && e.j <= maxNode);
        pairs.emplace_back(e.i, e.j);
      }
      std::sort(pairs.begin(), pairs.end());
      Require(std::adjacent_find(pairs.begin(), pairs.end()) == pairs.end());
    }
    const std::vector<grafen::ListedGraph> again = grafen::ReadEdgeList(Written(graphs), maxNode);
    Require(again.size() == graphs.size());
    for (std::size_t k = 0; k < graphs.size(); ++k) {
      Require(again[k].edges.size() == graphs[k].edges.size());
      for (std::size_t e = 0; e < graphs[k].edges.size(); ++e) {
        Require(again[k].edges[e].i == graphs[k].edges[e].i &&
                again[k].edges[e].j == graphs[k].edges[e].j);
      }
    }
  } catch (const grafen::EdgeListError& e) {
    const auto lines = static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n'));
    Require(e.line() >= 1 && e.line() <= lines + 2);
  }
  return 0;
}
