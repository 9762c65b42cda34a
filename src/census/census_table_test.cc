#include "census/census_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace grafen::census {
namespace {

// A table of two edge counts of order 3 for L, part `part`, as text: the
// input holds P3 three times (two copies set aside) and K3 once.
std::string Table(const std::string& part) {
  std::vector<CensusRow> rows(2);
  rows[0] = CensusRow{"L", 3, 2, 1, 1, 0, 0, 0, 1, {}, {3, 7}, 2, {}, true};
  rows[1] = CensusRow{"L", 3, 3, 1, 1, 0, 0, 0, 1, {}, {1, 9}, 0, {}, true};
  if (part != "all") {
    for (CensusRow& row : rows) {
      row.part = Part{part[0] - '0', part[2] - '0'};
      if (row.part.index != 1) row.graphs = row.distinctSpectra = row.integral = row.copies = 0;
    }
  }
  return CensusText(rows);
}

TEST(CensusTable, ReadsBackWhatItWrites) {
  const std::string whole = Table("all");
  EXPECT_EQ(whole, std::string(kCensusHeader) +
                       "L,3,2,1,1,0,0,0,1,all,3:0000000000000007,2,\r\n"
                       "L,3,3,1,1,0,0,0,1,all,1:0000000000000009,0,\r\n"
                       "L,3,2-3,2,2,0,0,0,2,all,4:0000000000000010,2,\r\n");
  EXPECT_EQ(CensusText(ReadCensusTable(whole)), whole);
}

// A table that is refused, the line named and the message.
struct RefusedTable {
  std::string text;
  long line;
  std::string message;
};

// Tables refused for one cell: the matrix named, or family sizes that do not
// fit the other counts.
std::vector<RefusedTable> RefusedCells() {
  const std::string pairs =
      std::string(kCensusHeader) + "L,6,7,6,2,6,2,4,0,all,6:0000000000000005,0,";
  const std::string fit = "the counts do not fit together: family_sizes ";
  std::vector<RefusedTable> refused = {
      {pairs + "3:2\r\n", 2, fit + "hold a largest size other than largest_family"},
      {pairs + "2:1 4:2\r\n", 2, fit + "hold more families than families"},
      {pairs + "4:1\r\n", 2, fit + "hold fewer families than families"},
      {pairs + "2:1 5:1\r\n", 2, fit + "hold more graphs than with_mate"},
      {pairs + "2:1 3:1\r\n", 2, fit + "hold fewer graphs than with_mate"},
      {pairs + "1:1 4:1\r\n", 2, fit + "hold a size below 2"},
      {pairs + "4:1 2:1\r\n", 2, "the family sizes are not SIZE:FAMILIES pairs ascending by size"},
      {pairs + "2:0 4:2\r\n", 2, "the family sizes are not SIZE:FAMILIES pairs ascending by size"},
  };
  const std::string header = kCensusHeader;
  for (const char* name : {"X", "L+A", "A+A", "dl"}) {  // no matrix, a set out of order
    refused.push_back(
        {header + name + ",3,2,1,1,0,0,0,1,all,1:0000000000000007,0,\r\n", 2,
         "the matrix is none of A, B, D, DL, DQ, G, L, N, Q, S nor a joint set of them"});
  }
  return refused;
}

// Tables that are not census tables, or whose counts do not fit together.
std::vector<RefusedTable> RefusedTables() {
  const std::string whole = Table("all");
  // A table written before copies and family sizes: its totals' edges are "all".
  const std::string old =
      "matrix,order,edges,graphs,distinct_spectra,with_mate,families,largest_family,integral,"
      "part,input\r\nL,3,2,3,2,2,1,2,1,all,3:0000000000000007\r\n";
  const std::string header = kCensusHeader;
  std::vector<RefusedTable> refused = RefusedCells();
  refused.insert(
      refused.end(),
      {
          {"", 1, "empty: not a grafen-census table"},
          {"graph,nodes\r\n", 1, "not a grafen-census table (its header differs)"},
          {header + "L,3,2,1,1,0,0,0,1,all\r\n", 2, "expected 13 fields, not 10"},
          {old + "L,3,2-2,3,2,2,1,2,1,all,3:0000000000000007\r\n", 3,
           "the totals' edges are not the rows' (all)"},
          {header + "L,3,2,1,1,0,0,0,1,all,3:0000000000000007,1,\r\n", 2,
           "a whole row that counts fewer graphs than its input holds"},
          {header + "L,3,2,1,1,0,0,0,1,1/2,1:0000000000000007,1,\r\n", 2,
           "more graphs counted than read"},
          {header + "L,3,4,1,1,0,0,0,1,all,1:0000000000000007,0,\r\n", 2,
           "no graph has this order and edge count"},
          {header + "L,3,2,1,2,0,0,0,1,all,1:0000000000000007,0,\r\n", 2,
           "the counts do not fit together: distinct_spectra is not graphs - with_mate + families"},
          {header + "L,3,2,2,2,2,0,0,0,all,2:0000000000000007,0,\r\n", 2,
           "the counts do not fit together: families and with_mate not both 0 or both above 0"},
          {header + "S,3,all,2,0,2,0,0,0,all,2:0000000000000007,0,\r\n", 2,
           "the counts do not fit together: families and with_mate not both 0 or both above 0"},
          {header + "L,3,2,3,1,3,1,2,0,all,3:0000000000000007,0,\r\n", 2,
           "the counts do not fit together: with_mate above families x largest_family"},
          {header + "L,3,2,5,2,5,2,4,0,all,5:0000000000000007,0,\r\n", 2,
           "the counts do not fit together: with_mate below largest_family + 2 x (families - 1)"},
          {header + "L,3,2,2,1,2,1,1,0,all,2:0000000000000007,0,\r\n", 2,
           "the counts do not fit together: largest_family below 2"},
          {header + "L,3,2,1,1,0,0,2,0,all,1:0000000000000007,0,\r\n", 2,
           "the counts do not fit together: largest_family above 0 with no families"},
          {header + "L,3,2,1,1,0,0,0,2,all,1:0000000000000007,0,\r\n", 2,
           "the counts do not fit together: with_mate or integral above graphs"},
          {header + "L,3,2,1,1,0,0,0,1,all,2:0000000000000007,0,\r\n", 2,
           "a whole row that counts fewer graphs than its input holds"},
          {header + "L,3,2,1,1,0,0,0,1,0/2,1:0000000000000007,0,\r\n", 2,
           "the part is neither 'all' nor K/M nor 'scattered K/M'"},
          {header + "L,3,2,1,1,0,0,0,1,scattered 1/1,2:0000000000000007,0,\r\n", 2,
           "a scattered row that counts fewer graphs than its records"},
          {header + "L,3,2,1,1,0,0,0,1,all,1:00000000000000x7,0,\r\n", 2,
           "the input is not COUNT:HASH"},
          {header + "L,3,2,2,2,0,0,0,1,all,1:0000000000000007,0,\r\n", 2,
           "more graphs counted than read"},
          {header + "L,3,2,1,1,0,0,0,1,all,1:0000000000000007,0,\r\nL,3,all,1,1,0,0,0,0,all,"
                    "1:0000000000000007,0,\r\n",
           3, "the totals do not add up"},
          {header + "L,3,3,1,1,0,0,0,1,all,1:0000000000000007,0,\r\nL,3,2,1,1,0,0,0,1,all,"
                    "1:0000000000000007,0,\r\n",
           3, "rows out of order or repeated"},
          {whole.substr(0, whole.size() - 2), 4, "the last line has no end"},
      });
  return refused;
}

TEST(CensusTable, RefusesWhatDoesNotAddUp) {
  for (const RefusedTable& c : RefusedTables()) {
    try {
      ReadCensusTable(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const TableError& e) {
      EXPECT_EQ(e.line(), c.line) << c.text;
      EXPECT_EQ(std::string(e.what()), c.message) << c.text;
    }
  }
}

TEST(CensusTable, MergesPartsOnlyWhenTheyFitTogether) {
  const auto table = [](const std::string& part) { return ReadCensusTable(Table(part)); };
  EXPECT_EQ(CensusText(MergeParts({table("1/2"), table("2/2")}, {"a", "b"})), Table("all"));
  const auto refusal = [](const std::vector<std::vector<CensusRow>>& tables) {
    try {
      MergeParts(tables, {"a", "b"});
    } catch (const std::runtime_error& e) {
      return std::string(e.what());
    }
    return std::string("merged");
  };
  EXPECT_EQ(refusal({table("1/2")}), "missing parts: 2/2 (2 rows, from L, order 3, 2 edges)");
  EXPECT_EQ(refusal({table("1/2"), table("1/2")}),
            "b: part 1/2 of L, order 3, 2 edges is in a too");
  EXPECT_EQ(refusal({table("1/2"), table("2/3")}),
            "b: L, order 3, 2 edges is split into 3 parts there, into 2 elsewhere");
  EXPECT_EQ(refusal({table("1/2"), table("all")}),
            "b: L, order 3, 2 edges is whole there, into 2 parts elsewhere");
  std::vector<CensusRow> short_ = table("1/2");
  short_[1].graphs = short_[1].distinctSpectra = short_[1].integral = 0;
  EXPECT_EQ(refusal({short_, table("2/2")}),
            "a, b: L, order 3, 3 edges counts 0 graphs in all its parts, not the 1 of its input");
  short_[1] = table("1/2")[1];
  short_[0].copies = 1;  // one of the three graphs of 2 edges unaccounted for
  EXPECT_NE(refusal({short_, table("2/2")}).find("2 edges counts 1 graph and 1 copy in"),
            std::string::npos);
  std::vector<CensusRow> other = table("2/2");
  other[0].input.hashSum = 8;
  EXPECT_EQ(refusal({table("1/2"), other}),
            "b: L, order 3, 2 edges comes from another input than in the tables before");
}

// Order 3's L rows scattered into two parts (P3 three times, two copies set
// aside, in part 1; K3 in part 2) and the prints of the two slices that
// routed them, merged with the prints, and refused without what they need.
TEST(CensusTable, MergesScatteredPartsByTheirPrints) {
  std::vector<CensusRow> first = ReadCensusTable(Table("all"));
  std::vector<CensusRow> second{first[1]};
  first.pop_back();
  first[0].part = Part{1, 2, true};
  second[0].part = Part{2, 2, true};
  ASSERT_EQ(CensusText(ReadCensusTable(CensusText(first))), CensusText(first));
  const std::vector<SlicePrint> slice0{{0, 2, 2, {"L"}, 3, 2, {2, 3}},
                                       {0, 2, 2, {"L"}, 3, 3, {1, 9}}};
  const std::vector<SlicePrint> slice1{{1, 2, 2, {"L"}, 3, 2, {1, 4}}};
  EXPECT_EQ(SlicePrintText(ReadSlicePrint(SlicePrintText(slice0))), SlicePrintText(slice0));
  const auto merged = [&](const std::vector<std::vector<CensusRow>>& tables,
                          const std::vector<std::vector<SlicePrint>>& prints) {
    try {
      return CensusText(MergeParts(tables, {"a", "b"}, prints, {"p", "q"}));
    } catch (const std::runtime_error& e) {
      return std::string(e.what());
    }
  };
  EXPECT_EQ(merged({first, second}, {slice0, slice1}), Table("all"));
  EXPECT_EQ(merged({first, second}, {slice0}),
            "L, order 3, 2 edges: its parts read 3 records, not the 2 graphs the map tasks "
            "routed (or other graphs)");
  EXPECT_EQ(merged({first}, {slice0, slice1}),
            "L, order 3, 3 edges: its parts read 0 records, not the 1 graphs the map tasks "
            "routed (or other graphs)");
  EXPECT_EQ(merged({first, second}, {slice1, slice1}),
            "q: order 3, 2 edges: slice 1/2 is in p too");
  EXPECT_EQ(merged({first, second}, {}),
            "L, order 3, 2 edges is scattered, and no map print routed it");
  EXPECT_EQ(merged({first, ReadCensusTable(Table("2/2"))}, {slice0, slice1}),
            "b: L, order 3, 2 edges is scattered elsewhere, not there");
}

// What a merge warns of: the edge counts missing between others, and what the
// totals cover instead.
TEST(CensusTable, NamesTheEdgeCountsMissing) {
  // Edge counts 2, 3, 5 and 8 to 10 of order 5; 0 and 2 of order 3; all of order 2.
  std::vector<CensusRow> rows;
  for (const int at : {510, 502, 503, 505, 508, 509, 300, 302, 200, 201}) {  // order, edges
    rows.push_back(CensusRow{"A", at / 100, at % 100, 0, 0, 0, 0, 0, 0, {}, {}, 0, {}, true});
  }
  EXPECT_EQ(EdgeGaps(rows),
            (std::vector<std::string>{"A, order 3: no rows for 1 edge; the totals cover 0-0;2-2",
                                      "A, order 5: no rows for 4, 6-7 edges; the totals cover "
                                      "2-3;5-5;8-10"}));
}

}  // namespace
}  // namespace grafen::census
