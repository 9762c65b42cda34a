// Reads the edge-list format that edge_list.h writes: per graph its number
// (1, 2, ... in sequence), one line "i j" per edge with i < j, then an empty
// line. Lines may end in CR LF, as grafen writes them, or in LF alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace grafen {

// The largest order the readers take, and so the companions: graph6's
// short form, which nauty-geng writes, holds up to 62 nodes.
inline constexpr int kMaxOrder = 62;

// One edge {i, j} of a listed graph, nodes numbered from 1, i < j.
struct Edge {
  int i = 0;
  int j = 0;
};

// One graph read: its number (in an edge list as listed, in graph6 its line's
// place among the graphs), its order when the input states it (graph6; 0 in
// an edge list, where the reader's caller decides) and its edges.
struct ListedGraph {
  std::int64_t number = 0;
  std::vector<Edge> edges;
  int order = 0;
  // Read from graph6: its text, which is Graph6(order, edges) as the reader
  // takes no other; valid only while the sink runs. Empty otherwise.
  std::string_view graph6{};
  // A record's tail after its graph6 text and a space (GraphReader::KeepTails),
  // valid only while the sink runs. Empty otherwise.
  std::string_view tail{};
  // Left undecoded (GraphReader::LeaveUndecoded): edges is empty and this
  // is the edge count; -1 when the edges are listed.
  int undecodedEdges = -1;
};

// Takes each graph as soon as it has been read.
using GraphSink = std::function<void(ListedGraph&)>;

// Why a text is not a graph list the readers take (an edge list, graph6),
// and on which line (from 1).
class EdgeListError : public std::runtime_error {
 public:
  EdgeListError(std::int64_t line, const std::string& what)
      : std::runtime_error(what), line_(line) {}
  std::int64_t line() const { return line_; }

 private:
  std::int64_t line_;
};

// The longest line an edge list may have, its line end aside (an edge line
// of two 5-wide numbers has 10 bytes); a longer line is refused as soon as
// this much of it has been read, so no input makes the reader hold more.
inline constexpr std::size_t kMaxEdgeListLine = 255;

// What the readers say of lines that end in CR alone, read as one line.
inline constexpr const char* kCrOnly = "lines end in CR alone: give LF or CR LF line ends";

// Whether a line read so far, `held` then `more`, has a CR before its last
// byte: a line end of CR alone.
inline bool HasInnerCr(std::string_view held, std::string_view more) {
  const std::size_t inHeld = held.find('\r');
  const std::size_t inMore = more.find('\r');
  if (inHeld != std::string_view::npos && (inHeld + 1 < held.size() || !more.empty())) return true;
  return inMore != std::string_view::npos && inMore + 1 < more.size();
}

class BlockReader;

// Reads an edge list as it arrives, in pieces cut anywhere: Feed each piece
// in order, then Finish. Nodes must lie in 1..maxNode. Both throw
// EdgeListError at the first line that breaks the format. Given a sink, each
// graph goes to it once its block has ended, and nothing is kept.
class EdgeListReader {
 public:
  explicit EdgeListReader(int maxNode, GraphSink sink = {});
  ~EdgeListReader();
  EdgeListReader(const EdgeListReader&) = delete;
  EdgeListReader& operator=(const EdgeListReader&) = delete;

  void Feed(std::string_view piece);
  // The graphs read, in order, once the text has ended (none with a sink).
  std::vector<ListedGraph> Finish();

 private:
  void TakeLine(std::string_view line);

  std::unique_ptr<BlockReader> blocks_;
  std::string partial_;  // the start of a line whose end has not arrived
};

// Every graph of the text, in order; nodes must lie in 1..maxNode. Throws
// EdgeListError at the first line that breaks the format.
std::vector<ListedGraph> ReadEdgeList(std::string_view text, int maxNode);

}  // namespace grafen
