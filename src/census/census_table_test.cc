#include "census/census_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace grafen::census {
namespace {

// A table of two edge counts of order 3 for L, part `part`, as text.
std::string Table(const std::string& part) {
  std::vector<CensusRow> rows(2);
  rows[0] = CensusRow{'L', 3, 2, 1, 1, 0, 0, 0, 1, {}, {1, 7}, 0, {}, true};
  rows[1] = CensusRow{'L', 3, 3, 1, 1, 0, 0, 0, 1, {}, {1, 9}, 0, {}, true};
  if (part != "all") {
    for (CensusRow& row : rows) {
      row.part = Part{part[0] - '0', part[2] - '0'};
      if (row.part.index != 1) row.graphs = row.distinctSpectra = row.integral = 0;
    }
  }
  return CensusText(rows);
}

TEST(CensusTable, ReadsBackWhatItWritesAndRefusesWhatDoesNotAddUp) {
  const std::string whole = Table("all");
  EXPECT_EQ(whole, std::string(kCensusHeader) +
                       "L,3,2,1,1,0,0,0,1,all,1:0000000000000007\r\n"
                       "L,3,3,1,1,0,0,0,1,all,1:0000000000000009\r\n"
                       "L,3,all,2,2,0,0,0,2,all,2:0000000000000010\r\n");
  EXPECT_EQ(CensusText(ReadCensusTable(whole)), whole);
  const std::string header = kCensusHeader;
  struct Case {
    std::string text;
    long line;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"", 1, "empty: not a grafen-census table"},
      {"graph,nodes\r\n", 1, "not a grafen-census table (its header differs)"},
      {header + "L,3,2,1,1,0,0,0,1,all\r\n", 2, "expected 11 fields, not 10"},
      {header + "X,3,2,1,1,0,0,0,1,all,1:0000000000000007\r\n", 2, "the matrix is none of A, L, Q"},
      {header + "L,3,4,1,1,0,0,0,1,all,1:0000000000000007\r\n", 2,
       "no graph has this order and edge count"},
      {header + "L,3,2,1,2,0,0,0,1,all,1:0000000000000007\r\n", 2,
       "the counts do not fit together: distinct_spectra is not graphs - with_mate + families"},
      {header + "L,3,2,2,2,2,0,0,0,all,2:0000000000000007\r\n", 2,
       "the counts do not fit together: families and with_mate not both 0 or both above 0"},
      {header + "L,3,2,3,1,3,1,2,0,all,3:0000000000000007\r\n", 2,
       "the counts do not fit together: with_mate above families x largest_family"},
      {header + "L,3,2,5,2,5,2,4,0,all,5:0000000000000007\r\n", 2,
       "the counts do not fit together: with_mate below largest_family + 2 x (families - 1)"},
      {header + "L,3,2,2,1,2,1,1,0,all,2:0000000000000007\r\n", 2,
       "the counts do not fit together: largest_family below 2"},
      {header + "L,3,2,1,1,0,0,2,0,all,1:0000000000000007\r\n", 2,
       "the counts do not fit together: largest_family above 0 with no families"},
      {header + "L,3,2,1,1,0,0,0,2,all,1:0000000000000007\r\n", 2,
       "the counts do not fit together: with_mate or integral above graphs"},
      {header + "L,3,2,1,1,0,0,0,1,all,2:0000000000000007\r\n", 2,
       "a whole row that counts fewer graphs than its input holds"},
      {header + "L,3,2,1,1,0,0,0,1,0/2,1:0000000000000007\r\n", 2,
       "the part is neither 'all' nor K/M"},
      {header + "L,3,2,1,1,0,0,0,1,all,1:00000000000000x7\r\n", 2, "the input is not COUNT:HASH"},
      {header + "L,3,2,2,2,0,0,0,1,all,1:0000000000000007\r\n", 2, "more graphs counted than read"},
      {header + "L,3,2,1,1,0,0,0,1,all,1:0000000000000007\r\nL,3,all,1,1,0,0,0,0,all,"
                "1:0000000000000007\r\n",
       3, "the totals do not add up"},
      {header + "L,3,3,1,1,0,0,0,1,all,1:0000000000000007\r\nL,3,2,1,1,0,0,0,1,all,"
                "1:0000000000000007\r\n",
       3, "rows out of order or repeated"},
      {whole.substr(0, whole.size() - 2), 4, "the last line has no end"},
  };
  for (const Case& c : cases) {
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
  std::vector<CensusRow> other = table("2/2");
  other[0].input.hashSum = 8;
  EXPECT_EQ(refusal({table("1/2"), other}),
            "b: L, order 3, 2 edges comes from another input than in the tables before");
}

}  // namespace
}  // namespace grafen::census
