#include "formats/edge_list_reader.h"

#include <cstddef>
#include <optional>
#include <utility>

#include "formats/lines.h"

namespace grafen {
namespace {

// Numbers longer than this are out of any range the reader accepts.
constexpr std::size_t kMaxDigits = 18;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of a non-empty run of at most kMaxDigits digits; nothing otherwise.
std::optional<std::int64_t> Number(std::string_view digits) {
  if (digits.empty() || digits.size() > kMaxDigits) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Splits an edge line, "    i    j" (any run of spaces before and between the
// two numbers, spaces after), into its two digit runs; false when it is not one.
bool SplitEdge(std::string_view line, std::string_view& first, std::string_view& second) {
  std::size_t k = 0;
  const auto skipSpaces = [&] {
    while (k < line.size() && line[k] == ' ') ++k;
  };
  const auto digits = [&] {
    const std::size_t start = k;
    while (k < line.size() && IsDigit(line[k])) ++k;
    return line.substr(start, k - start);
  };
  skipSpaces();
  first = digits();
  const std::size_t gap = k;
  skipSpaces();
  if (k == gap) return false;
  second = digits();
  skipSpaces();
  return k == line.size() && !first.empty() && !second.empty();
}

// At most this much of an offending text is quoted in a message.
constexpr std::size_t kMaxQuoted = 24;

std::string Quoted(std::string_view text) {
  return text.size() <= kMaxQuoted ? std::string(text)
                                   : std::string(text.substr(0, kMaxQuoted)) + "...";
}

}  // namespace

// Reads blocks line by line and remembers which pairs the current block has.
class BlockReader {
 public:
  BlockReader(int maxNode, GraphSink sink)
      : maxNode_(maxNode),
        sink_(std::move(sink)),
        seen_(static_cast<std::size_t>(maxNode + 1) * static_cast<std::size_t>(maxNode + 1)) {}

  // Takes the next line (its line end removed).
  void Take(std::string_view line) {
    ++lineNumber_;
    if (!inBlock_ && count_ == 0 && line.empty()) return;  // before the first graph, as in graph6
    if (!inBlock_) {
      StartBlock(line);
    } else if (line.empty()) {
      for (const Edge& e : graphs_.back().edges) seen_[Slot(e.i, e.j)] = false;
      inBlock_ = false;
      if (sink_) {
        sink_(graphs_.back());
        graphs_.pop_back();
      }
    } else {
      AddEdge(line);
    }
  }

  // The number the next line will have.
  std::int64_t NextLine() const { return lineNumber_ + 1; }

  // The graphs read, once the text has ended.
  std::vector<ListedGraph> Finish() {
    if (inBlock_) Fail(lineNumber_ + 1, "missing empty line at the end of the file");
    return std::move(graphs_);
  }

  [[noreturn]] static void Fail(std::int64_t line, const std::string& what) {
    throw EdgeListError(line, what);
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const { Fail(lineNumber_, what); }

  std::size_t Slot(int i, int j) const {
    return static_cast<std::size_t>(i) * static_cast<std::size_t>(maxNode_ + 1) +
           static_cast<std::size_t>(j);
  }

  void StartBlock(std::string_view line) {
    const std::int64_t expected = ++count_;
    const std::optional<std::int64_t> number = Number(line);
    if (!number) {
      Fail("not an edge list: expected the number of graph " + std::to_string(expected));
    }
    if (*number != expected) {
      Fail("graph number " + std::string(line) + " out of sequence, expected " +
           std::to_string(expected));
    }
    graphs_.push_back(ListedGraph{*number, {}});
    inBlock_ = true;
  }

  void AddEdge(std::string_view line) {
    if (Number(line)) Fail("missing empty line before the next graph number");
    std::string_view first;
    std::string_view second;
    if (!SplitEdge(line, first, second)) Fail("not an edge line (two node numbers i j)");
    const int i = Node(first);
    const int j = Node(second);
    if (i >= j) Fail(EdgeText(i, j) + ": the first node must be the smaller");
    if (seen_[Slot(i, j)]) Fail(EdgeText(i, j) + " given twice");
    seen_[Slot(i, j)] = true;
    graphs_.back().edges.push_back(Edge{i, j});
  }

  static std::string EdgeText(int i, int j) {
    return "edge " + std::to_string(i) + " " + std::to_string(j);
  }

  int Node(std::string_view digits) const {
    const std::optional<std::int64_t> node = Number(digits);
    if (!node || *node < 1 || *node > maxNode_) {
      Fail("node " + Quoted(digits) + " outside 1.." + std::to_string(maxNode_));
    }
    return static_cast<int>(*node);
  }

  int maxNode_;
  GraphSink sink_;
  std::int64_t count_ = 0;  // graph numbers met
  std::vector<bool> seen_;
  std::vector<ListedGraph> graphs_;
  std::int64_t lineNumber_ = 0;
  bool inBlock_ = false;
};

EdgeListReader::EdgeListReader(int maxNode, GraphSink sink)
    : blocks_(std::make_unique<BlockReader>(maxNode, std::move(sink))) {}

EdgeListReader::~EdgeListReader() = default;

void EdgeListReader::TakeLine(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (line.find('\r') != std::string_view::npos) {
    BlockReader::Fail(blocks_->NextLine(), kCrOnly);
  }
  if (line.size() > kMaxEdgeListLine) {
    BlockReader::Fail(blocks_->NextLine(),
                      "line longer than " + std::to_string(kMaxEdgeListLine) + " bytes");
  }
  blocks_->Take(line);
}

void EdgeListReader::Feed(std::string_view piece) {
  // Room for the line and its CR: anything longer is refused unread.
  FeedLines(
      partial_, piece, kMaxEdgeListLine + 1,
      [this](std::string_view held, std::string_view more) {
        BlockReader::Fail(blocks_->NextLine(),
                          HasInnerCr(held, more)
                              ? std::string(kCrOnly)
                              : "line longer than " + std::to_string(kMaxEdgeListLine) + " bytes");
      },
      [this](std::string_view line) { TakeLine(line); });
}

std::vector<ListedGraph> EdgeListReader::Finish() {
  if (!partial_.empty()) {
    TakeLine(partial_);
    partial_.clear();
  }
  return blocks_->Finish();
}

std::vector<ListedGraph> ReadEdgeList(std::string_view text, int maxNode) {
  EdgeListReader reader(maxNode);
  reader.Feed(text);
  return reader.Finish();
}

}  // namespace grafen
