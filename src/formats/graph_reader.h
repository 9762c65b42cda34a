// Reads a stream of graphs in either format the tools write and take: an
// edge list (grafenN.txt) or graph6, one graph a line (nauty-geng's output,
// with or without its ">>graph6<<" header). The format is told by the first
// byte after any empty lines: a digit or a space starts an edge list,
// anything else is read as graph6.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "formats/edge_list_reader.h"

namespace grafen {
namespace io {
class ReplayableInput;
}

enum class GraphFormat { kUndecided, kEdgeList, kGraph6 };

// The format a stream whose first byte after any empty lines is `first` has.
inline GraphFormat FormatOf(char first) {
  return (first >= '0' && first <= '9') || first == ' ' || first == '\t' ? GraphFormat::kEdgeList
                                                                         : GraphFormat::kGraph6;
}

// Feeds pieces cut anywhere to the reader of the stream's format; each graph
// goes to the sink as soon as it is complete. Throws EdgeListError at the
// first line that breaks the format. Nodes must lie in 1..maxNode. In graph6
// the graphs are numbered by their place among the graphs, empty lines
// skipped, and each states its order.
class GraphReader {
 public:
  GraphReader(int maxNode, GraphSink sink);
  // Only the graphs whose number `wanted` accepts are decoded and taken, in
  // graph6 (an edge list is read whole to be checked).
  GraphReader(int maxNode, GraphSink sink, std::function<bool(std::int64_t)> wanted);

  // Reads records: each graph6 line may end in a space and a tail, which
  // the sink gets as graph.tail (empty when there is none).
  void KeepTails() { keepTails_ = true; }
  // Checks graph6 lines but lists no edges: the sink gets the order and
  // graph.undecodedEdges (edges empty), for a reading that needs no more.
  void LeaveUndecoded() { undecoded_ = true; }

  void Feed(std::string_view piece);
  void Finish();
  GraphFormat format() const { return format_; }

 private:
  void TakeGraph6Line(std::string_view line);
  // Checks a graph6 line and takes its order and edge count into graph_;
  // what is wrong with it, else "".
  std::string UndecodedGraph6(std::string_view line);

  int maxNode_;
  GraphSink sink_;
  std::function<bool(std::int64_t)> wanted_;
  bool keepTails_ = false;
  bool undecoded_ = false;
  GraphFormat format_ = GraphFormat::kUndecided;
  EdgeListReader edgeList_;
  std::string leading_;  // empty lines before the format is told
  std::string partial_;  // the start of a graph6 line whose end has not arrived
  std::int64_t line_ = 0;
  ListedGraph graph_;
};

// The N of a path whose last component is "grafenN.txt" (N decimal digits),
// nothing for any other path. N may be outside the orders accepted.
std::optional<long> OrderFromFileName(std::string_view path);

// The order of an edge list read from a path named grafenN.txt, 0 for any
// other name or for graph6, whose graphs state their own (the input's first
// byte after any empty lines tells). Throws std::runtime_error naming an
// order outside 1..kMaxOrder, std::system_error and SpoolError.
int OrderOfFileName(const std::string& path, io::ReplayableInput& input);

}  // namespace grafen
