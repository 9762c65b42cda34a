#include "formats/graph_reader.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "formats/graph6.h"
#include "formats/lines.h"
#include "io/input.h"

namespace grafen {
namespace {

// Why a graph6 line that has grown too long, `held` then `more`, is refused:
// its order above 62, or CR line ends, else its length.
std::string LongLineText(std::string_view held, std::string_view more) {
  if (HasInnerCr(held, more)) return kCrOnly;
  std::string_view start = held.empty() ? more : held;
  if (start.starts_with(kGraph6Header)) start.remove_prefix(kGraph6Header.size());
  if (start.starts_with('~')) return OrderAboveMaxText(start);
  return "line longer than " + std::to_string(kMaxGraph6Line) + " bytes";
}

}  // namespace

GraphReader::GraphReader(int maxNode, GraphSink sink) : GraphReader(maxNode, std::move(sink), {}) {}

GraphReader::GraphReader(int maxNode, GraphSink sink, std::function<bool(std::int64_t)> wanted)
    : maxNode_(maxNode),
      sink_(std::move(sink)),
      wanted_(std::move(wanted)),
      edgeList_(maxNode, [this](ListedGraph& graph) {
        if (!wanted_ || wanted_(graph.number)) sink_(graph);
      }) {}

void GraphReader::Feed(std::string_view piece) {
  if (piece.empty()) return;
  if (format_ == GraphFormat::kUndecided) {
    // Empty lines first are held back until a line with content tells.
    const std::size_t content = piece.find_first_not_of("\r\n");
    if (content == std::string_view::npos) {
      leading_.append(piece);
      return;
    }
    format_ = FormatOf(piece[content]);
    std::string held;
    std::swap(held, leading_);
    Feed(held);
  }
  if (format_ == GraphFormat::kEdgeList) {
    edgeList_.Feed(piece);
    return;
  }
  FeedLines(
      partial_, piece, kMaxGraph6Line + 1,
      [this](std::string_view held, std::string_view more) {
        throw EdgeListError(line_ + 1, LongLineText(held, more));
      },
      [this](std::string_view line) { TakeGraph6Line(line); });
}

void GraphReader::Finish() {
  // Only empty lines, or nothing: no graphs, in no format.
  if (format_ == GraphFormat::kEdgeList) {
    static_cast<void>(edgeList_.Finish());
  } else if (!partial_.empty()) {
    TakeGraph6Line(partial_);
    partial_.clear();
  }
}

std::string GraphReader::UndecodedGraph6(std::string_view line) {
  graph_.edges.clear();
  return Graph6Size(line, maxNode_, graph_.order, graph_.undecodedEdges);
}

void GraphReader::TakeGraph6Line(std::string_view line) {
  ++line_;
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (line.find('\r') != std::string_view::npos) throw EdgeListError(line_, kCrOnly);
  if (graph_.number == 0 && line.starts_with(kGraph6Header)) {
    line.remove_prefix(kGraph6Header.size());
  }
  if (line.empty()) return;
  if (wanted_ && !wanted_(graph_.number + 1)) {
    ++graph_.number;
    return;
  }
  std::string_view tail;
  if (const std::size_t space = keepTails_ ? line.find(' ') : std::string_view::npos;
      space != std::string_view::npos) {
    tail = line.substr(space + 1);
    line = line.substr(0, space);
  }
  const std::string wrong =
      undecoded_ ? UndecodedGraph6(line) : DecodeGraph6(line, maxNode_, graph_);
  if (!wrong.empty()) {
    // Before the first graph, the text may not have been meant as graph6.
    throw EdgeListError(line_, graph_.number == 0
                                   ? "neither an edge list nor graph6 (as graph6: " + wrong + ")"
                                   : wrong);
  }
  ++graph_.number;
  graph_.graph6 = line;
  graph_.tail = tail;
  sink_(graph_);
  graph_.graph6 = {};
  graph_.tail = {};
}

std::optional<long> OrderFromFileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (!name.starts_with("grafen") || !name.ends_with(".txt")) return std::nullopt;
  const std::string_view digits = name.substr(6, name.size() - 10);
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  long value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

int OrderOfFileName(const std::string& path, io::ReplayableInput& input) {
  const std::optional<long> named = OrderFromFileName(path);
  if (!named) return 0;
  const int first = input.FirstByteNotIn("\r\n");
  if (first >= 0 && FormatOf(static_cast<char>(first)) == GraphFormat::kGraph6) return 0;
  if (*named < 1 || *named > kMaxOrder) {
    throw std::runtime_error("the order " + std::to_string(*named) +
                             " of the file name is outside 1.." + std::to_string(kMaxOrder) +
                             " (give --order)");
  }
  return static_cast<int>(*named);
}

}  // namespace grafen
