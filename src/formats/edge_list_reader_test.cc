#include "formats/edge_list_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/graph6.h"
#include "formats/graph_reader.h"

namespace grafen {
namespace {

TEST(EdgeListReader, ReadsBlocksWithCrLfOrLfLineEnds) {
  for (const std::string end : {"\r\n", "\n"}) {
    std::string text;
    for (const char* line : {"1", "    1    2", "    1    3", "", "2", "", "3", "   7   18", ""}) {
      text.append(line).append(end);
    }
    const std::vector<ListedGraph> graphs = ReadEdgeList(text, 18);
    ASSERT_EQ(graphs.size(), 3U);
    EXPECT_EQ(graphs[0].number, 1);
    ASSERT_EQ(graphs[0].edges.size(), 2U);
    EXPECT_EQ(graphs[0].edges[1].i, 1);
    EXPECT_EQ(graphs[0].edges[1].j, 3);
    EXPECT_TRUE(graphs[1].edges.empty());
    EXPECT_EQ(graphs[2].edges[0].j, 18);
  }
  EXPECT_TRUE(ReadEdgeList("", 8).empty());
}

// Pieces cut anywhere, even inside a CR LF, read as the whole text does; an
// overlong line is refused before its end arrives.
TEST(EdgeListReader, ReadsPiecesCutAnywhere) {
  const std::string text = "1\r\n    1    2\r\n\r\n2\r\n    3    4\r\n\r\n";
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    EdgeListReader reader(4);
    reader.Feed(std::string_view(text).substr(0, cut));
    reader.Feed(std::string_view(text).substr(cut));
    const std::vector<ListedGraph> graphs = reader.Finish();
    ASSERT_EQ(graphs.size(), 2U) << cut;
    EXPECT_EQ(graphs[1].edges[0].j, 4) << cut;
  }
  EdgeListReader reader(4);
  reader.Feed("1\r\n    1");
  EXPECT_THROW(reader.Feed(std::string(300, ' ')), EdgeListError);
}

// A text a reader must refuse, and the line and message of the refusal.
struct Refused {
  std::string text;
  int maxNode;
  long line;
  std::string message;
};

// Expects read(text, maxNode) to refuse each case with its line and message.
template <typename Read>
void ExpectRefusals(const std::vector<Refused>& cases, Read read) {
  for (const Refused& c : cases) {
    try {
      read(c.text, c.maxNode);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const EdgeListError& e) {
      EXPECT_EQ(e.line(), c.line) << c.text;
      EXPECT_EQ(std::string(e.what()), c.message) << c.text;
    }
  }
}

TEST(EdgeListReader, NamesTheFirstBadLine) {
  const std::vector<Refused> cases = {
      {"graph 1\r\n", 4, 1, "not an edge list: expected the number of graph 1"},
      {"1\r\n\r\n3\r\n\r\n", 4, 3, "graph number 3 out of sequence, expected 2"},
      {"0\r\n\r\n", 4, 1, "graph number 0 out of sequence, expected 1"},
      {"1\r\n    1    5\r\n\r\n", 4, 2, "node 5 outside 1..4"},
      {"1\r\n    0    2\r\n\r\n", 4, 2, "node 0 outside 1..4"},
      {"1\r\n    1    99999999999999999999\r\n\r\n", 4, 2,
       "node 99999999999999999999 outside 1..4"},
      {"1\r\n    1    2\r\n    1    2\r\n\r\n", 4, 3, "edge 1 2 given twice"},
      {"1\r\n    2    1\r\n\r\n", 4, 2, "edge 2 1: the first node must be the smaller"},
      {"1\r\n    2    2\r\n\r\n", 4, 2, "edge 2 2: the first node must be the smaller"},
      {"1\r\n    1    2\r\n2\r\n", 4, 3, "missing empty line before the next graph number"},
      {"1\r\n    1    2\r\n", 4, 3, "missing empty line at the end of the file"},
      {"1\r\n    1    2", 4, 3, "missing empty line at the end of the file"},
      {"1\r\n    1\t2\r\n\r\n", 4, 2, "not an edge line (two node numbers i j)"},
      {"1\r\n    1    2    3\r\n\r\n", 4, 2, "not an edge line (two node numbers i j)"},
      {"1\r\n    12\r\n\r\n", 4, 2, "not an edge line (two node numbers i j)"},
      {"1\r\n\r\n\r\n", 4, 3, "not an edge list: expected the number of graph 2"},
      {"1\r\r\n\r\n", 4, 1, "lines end in CR alone: give LF or CR LF line ends"},
      {"1\r    1    2\r\r", 4, 1, "lines end in CR alone: give LF or CR LF line ends"},
      {"1\r\n" + std::string(300, ' ') + "\r\n\r\n", 4, 2, "line longer than 255 bytes"},
      {"1\r" + std::string(300, ' ') + "\r\n\r\n", 4, 1,
       "lines end in CR alone: give LF or CR LF line ends"},
      {"1\r\n    1    " + std::string(1000, '9') + "\r\n\r\n", 4, 2, "line longer than 255 bytes"},
      {"1\r\n    1    " + std::string(100, '9') + "\r\n\r\n", 4, 2,
       "node 999999999999999999999999... outside 1..4"},
      {"1\r\n" + std::string(250, ' ') + "1    2\r\n\r\n", 4, 2, "line longer than 255 bytes"},
  };
  ExpectRefusals(cases, [](const std::string& text, int maxNode) { ReadEdgeList(text, maxNode); });
}

// Every graph of the text through the reader that tells the format, fed in
// two pieces cut at `cut`.
std::vector<ListedGraph> ReadGraphs(const std::string& text, int maxNode, std::size_t cut,
                                    GraphFormat& format) {
  std::vector<ListedGraph> graphs;
  GraphReader reader(maxNode, [&graphs](ListedGraph& g) { graphs.push_back(g); });
  reader.Feed(std::string_view(text).substr(0, cut));
  reader.Feed(std::string_view(text).substr(cut));
  reader.Finish();
  format = reader.format();
  return graphs;
}

// graph6 as nauty-geng -h writes it, with CR LF and an empty line mixed in:
// K3, the star on 4 nodes with centre 4 (CF: bits 000111 for the pairs 12 13
// 23 14 24 34), and the path 3-1-5-2-4 (DQo: bits 0100 1011 00).
TEST(GraphReader, ReadsGraph6AndEdgeListsCutAnywhere) {
  const std::string text = "\n>>graph6<<Bw\r\nCF\n\nDQo\n";
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    GraphFormat format{};
    const std::vector<ListedGraph> graphs = ReadGraphs(text, 62, cut, format);
    EXPECT_EQ(format, GraphFormat::kGraph6);
    ASSERT_EQ(graphs.size(), 3U) << cut;
    std::vector<std::string> seen;
    for (const ListedGraph& g : graphs) {
      std::string edges = std::to_string(g.number);
      edges.append(":").append(std::to_string(g.order));
      for (const Edge& e : g.edges) {
        edges.append(" ").append(std::to_string(e.i)).append(std::to_string(e.j));
      }
      seen.push_back(edges);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1:3 12 13 23", "2:4 14 24 34", "3:5 13 15 24 25"}))
        << cut;
  }
  GraphFormat format{};
  for (const char* list : {"1\n    1    2\n\n", "\n\r\n1\n    1    2\n\n"}) {
    EXPECT_EQ(ReadGraphs(list, 2, 1, format).size(), 1U);
    EXPECT_EQ(format, GraphFormat::kEdgeList);
  }
  // Empty lines alone are skipped, as in graph6: no graphs, no format.
  EXPECT_TRUE(ReadGraphs("\n\r\n\n", 2, 1, format).empty());
  EXPECT_EQ(format, GraphFormat::kUndecided);
}

// What the writer writes, the reader reads back, for graphs of every order.
TEST(GraphReader, ReadsBackWhatGraph6Writes) {
  std::uint64_t state = 7;
  for (int order = 1; order <= kMaxOrder; ++order) {
    ListedGraph written;
    for (int j = 2; j <= order; ++j) {
      for (int i = 1; i < j; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        if ((state >> 62) == 0) written.edges.push_back(Edge{i, j});
      }
    }
    ListedGraph read;
    ASSERT_EQ(DecodeGraph6(Graph6(order, written.edges), order, read), "") << order;
    std::vector<std::pair<int, int>> a;
    std::vector<std::pair<int, int>> b;
    for (const Edge& e : written.edges) a.emplace_back(e.i, e.j);
    for (const Edge& e : read.edges) b.emplace_back(e.i, e.j);
    std::sort(a.begin(), a.end());
    EXPECT_EQ(a, b) << order;
    EXPECT_EQ(read.order, order);
  }
}

TEST(GraphReader, NamesTheFirstBadGraph6Line) {
  const std::vector<Refused> cases = {
      {"Bx\n", 62, 1,
       "neither an edge list nor graph6 (as graph6: not graph6: padding bits set at the end)"},
      {"Bw\nBx\n", 62, 2, "not graph6: padding bits set at the end"},
      {"Bw\nC\n", 62, 2, "graph6 of order 4 has 2 bytes, not 1"},
      {"Bw\nBww\n", 62, 2, "graph6 of order 3 has 2 bytes, not 3"},
      {"Bw\nB\x7f\n", 62, 2, "not graph6: byte 2 is out of range"},
      {"Bw\n:Bw\n", 62, 2, "sparse6 is not read: give graph6 (nauty-geng's default)"},
      {"Bw\n&Bw\n", 62, 2, "digraph6 is not read: give graph6 of an undirected graph"},
      {"Bw\n~??~\n", 62, 2, "graph6 of order 63, above 62, the largest read"},
      {"Bw\n~??" + std::string(327, '~') + "\n", 62, 2,
       "graph6 of order 63, above 62, the largest read"},
      {">>graph6<<~?@E" + std::string(403, '?') + "\n", 62, 1,
       "graph6 of order 70, above 62, the largest read"},
      {"Bw\n~~???~??\n", 62, 2, "graph6 of order 258048, above 62, the largest read"},
      {"Bw\n~~?\n", 62, 2, "graph6 of an order above 62, the largest read"},
      {"Bw\rDhc\r", 62, 1, "lines end in CR alone: give LF or CR LF line ends"},
      {"Bw\n" + std::string(400, 'x') + "\r\n", 62, 2, "line longer than 327 bytes"},
      {"Bw\r" + std::string(400, 'x') + "\r\n", 62, 1,
       "lines end in CR alone: give LF or CR LF line ends"},
      {"Bw\n@?\n", 62, 2, "graph6 of order 1 has 1 byte, not 2"},
      {"Bw\n?\n", 62, 2, "a graph with no nodes"},
      {"Bw\r\nDQo\r\n", 4, 2, "a graph of order 5, outside 1..4"},
  };
  ExpectRefusals(cases, [](const std::string& text, int maxNode) {
    GraphFormat format{};
    ReadGraphs(text, maxNode, text.size(), format);
  });
}

TEST(GraphReader, TakesTheOrderFromGrafenFileNames) {
  EXPECT_EQ(OrderFromFileName("dir/grafen8.txt"), 8);
  EXPECT_EQ(OrderFromFileName("grafen62.txt"), 62);
  EXPECT_EQ(OrderFromFileName("grafen.txt"), std::nullopt);
  EXPECT_EQ(OrderFromFileName("grafen8.txt/x"), std::nullopt);
  EXPECT_EQ(OrderFromFileName("mygrafen8.txt"), std::nullopt);
  EXPECT_EQ(OrderFromFileName("grafen8a.txt"), std::nullopt);
}

}  // namespace
}  // namespace grafen
