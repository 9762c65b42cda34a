#include "results/edge_list_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(EdgeListReader, NamesTheFirstBadLine) {
  struct Case {
    std::string text;
    int maxNode;
    long line;
    std::string message;
  };
  const std::vector<Case> cases = {
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
      {"1\r\r\n\r\n", 4, 1, "not an edge list: expected the number of graph 1"},
      {"1\r\n    1    " + std::string(1000, '9') + "\r\n\r\n", 4, 2, "line longer than 255 bytes"},
      {"1\r\n    1    " + std::string(100, '9') + "\r\n\r\n", 4, 2,
       "node 999999999999999999999999... outside 1..4"},
      {"1\r\n" + std::string(250, ' ') + "1    2\r\n\r\n", 4, 2, "line longer than 255 bytes"},
  };
  for (const Case& c : cases) {
    try {
      ReadEdgeList(c.text, c.maxNode);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const EdgeListError& e) {
      EXPECT_EQ(e.line(), c.line) << c.text;
      EXPECT_EQ(std::string(e.what()), c.message) << c.text;
    }
  }
}

}  // namespace
}  // namespace grafen
