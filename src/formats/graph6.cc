#include "formats/graph6.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace grafen {

namespace {

// The nodes (from 0) of pair k of graph6's upper triangle, column by column:
// (0, 1), (0, 2), (1, 2), (0, 3), ...
constexpr std::size_t kPairCount = kMaxOrder * (kMaxOrder - 1) / 2;
constexpr std::array<std::array<std::uint8_t, 2>, kPairCount> kPairNodes = [] {
  std::array<std::array<std::uint8_t, 2>, kPairCount> nodes{};
  std::size_t k = 0;
  for (std::size_t j = 1; j < kMaxOrder; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      nodes[k++] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(j)};
    }
  }
  return nodes;
}();

}  // namespace

std::string Graph6(int order, const std::vector<Edge>& edges) {
  const auto n = static_cast<std::size_t>(order);
  std::array<std::uint64_t, kMaxOrder> column{};  // column[j]: the i < j adjacent to j
  for (const Edge& e : edges) {
    column[static_cast<std::size_t>(e.j - 1)] |= std::uint64_t{1} << (e.i - 1);
  }
  // The size byte, then the upper triangle column by column, six bits a byte
  // (most significant first), each byte offset by 63.
  std::string text(1, static_cast<char>(63 + order));
  text.reserve(1 + (n * (n - 1) / 2 + 5) / 6);
  int bits = 0;
  int count = 0;
  for (std::size_t j = 1; j < n; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      bits = (bits << 1) | static_cast<int>(column[j] >> i & 1U);
      if (++count == 6) {
        text.push_back(static_cast<char>(63 + bits));
        bits = 0;
        count = 0;
      }
    }
  }
  if (count > 0) text.push_back(static_cast<char>(63 + (bits << (6 - count))));
  return text;
}

std::string OrderAboveMaxText(std::string_view text) {
  // The order in the 3 bytes after '~', or in the 6 after "~~".
  const std::size_t digits = text.size() > 1 && text[1] == '~' ? 6 : 3;
  const std::size_t first = digits == 6 ? 2 : 1;
  std::uint64_t order = 0;
  for (std::size_t k = first; k < first + digits; ++k) {
    const int value = k < text.size() ? static_cast<unsigned char>(text[k]) - 63 : -1;
    if (value < 0 || value > 63)
      return "graph6 of an order above " + std::to_string(kMaxOrder) + ", the largest read";
    order = order << 6 | static_cast<std::uint64_t>(value);
  }
  return "graph6 of order " + std::to_string(order) + ", above " + std::to_string(kMaxOrder) +
         ", the largest read";
}

std::string Graph6Size(std::string_view text, int maxNode, int& order, int& edges) {
  if (text.empty()) return "empty graph6 text";
  const int size = static_cast<unsigned char>(text[0]) - 63;
  if (text[0] == ':' || text[0] == ';')
    return "sparse6 is not read: give graph6 (nauty-geng's default)";
  if (text[0] == '&') return "digraph6 is not read: give graph6 of an undirected graph";
  if (size == 63) return OrderAboveMaxText(text);
  if (size < 0 || size > 63) return "not graph6: its first byte is no order";
  if (size == 0) return "a graph with no nodes";
  if (size > maxNode) {
    return "a graph of order " + std::to_string(size) + ", outside 1.." + std::to_string(maxNode);
  }
  const auto n = static_cast<std::size_t>(size);
  const std::size_t pairs = n * (n - 1) / 2;
  const std::size_t bytes = (pairs + 5) / 6;
  if (text.size() - 1 != bytes) {
    return "graph6 of order " + std::to_string(size) + " has " + std::to_string(bytes + 1) +
           (bytes == 0 ? " byte, not " : " bytes, not ") + std::to_string(text.size());
  }
  // Pair k of the upper triangle, column by column, is bit 5 - k % 6 of byte
  // 1 + k / 6.
  std::size_t k = 0;
  edges = 0;
  for (std::size_t b = 0; b < bytes; ++b) {
    const int value = static_cast<unsigned char>(text[b + 1]) - 63;
    if (value < 0 || value > 63)
      return "not graph6: byte " + std::to_string(b + 2) + " is out of range";
    const std::size_t used = pairs - k < 6 ? pairs - k : 6;
    if ((value & ((1 << (6 - used)) - 1)) != 0) return "not graph6: padding bits set at the end";
    k += used;
    edges += __builtin_popcount(static_cast<unsigned>(value));
  }
  order = size;
  return "";
}

std::string DecodeGraph6(std::string_view text, int maxNode, ListedGraph& graph) {
  graph.edges.clear();
  int size = 0;
  int count = 0;
  if (std::string wrong = Graph6Size(text, maxNode, size, count); !wrong.empty()) return wrong;
  const auto n = static_cast<std::size_t>(size);
  const std::size_t bytes = (n * (n - 1) / 2 + 5) / 6;
  // Pair (i, j), i < j, is bit number j (j - 1) / 2 + i. Hot in every
  // census: only the set bits are visited, each marked in its row of bits,
  // and the edges listed row by row, ordered as in the edge lists.
  // Only the graph's n rows are read, and they are cleared here.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init)
  std::array<std::uint64_t, kMaxOrder> rows;
  std::fill_n(rows.begin(), n, std::uint64_t{0});
  for (std::size_t b = 0; b < bytes; ++b) {
    auto value = static_cast<unsigned>(static_cast<unsigned char>(text[b + 1]) - 63);
    for (; value != 0; value &= value - 1) {
      const std::size_t pair = 6 * b + 5 - static_cast<std::size_t>(__builtin_ctz(value));
      rows[kPairNodes[pair][0]] |= std::uint64_t{1} << kPairNodes[pair][1];
    }
  }
  std::vector<Edge>& edges = graph.edges;
  edges.resize(static_cast<std::size_t>(count));  // room kept: written in place, not pushed
  Edge* edge = edges.data();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    for (std::uint64_t bits = rows[i]; bits != 0; bits &= bits - 1) {
      *edge++ = Edge{static_cast<int>(i + 1), __builtin_ctzll(bits) + 1};
    }
  }
  graph.order = size;
  return "";
}

}  // namespace grafen
