// The run's scan against the literal sieve and against an oracle of its own:
// brute-force canonical forms and a breadth-first connectivity test.
#include "enumeration/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <vector>

#include "cli/command_line.h"
#include "enumeration/codes.h"
#include "enumeration/sieve.h"
#include "test_support.h"

namespace grafen {
namespace {

// The codes of the graphs the run writes, in order.
std::vector<EdgeCode> WrittenCodes(std::int32_t order, bool connectedOnly, bool literal) {
  testing::CapturedConsole console;
  Order = order;
  AllocateSeenSet(Power2(MaxEdgesOf(order)));
  SetLength(Perm, order);
  SetLength(Position, order + 1);
  std::vector<EdgeCode> codes;
  ForEachWrittenGraph(connectedOnly, literal, [&codes](const AdjMatrix& m) {
    EdgeCode code = 0;
    int bit = 0;
    for (int i = 1; i <= Order; ++i) {
      for (int j = i + 1; j <= Order; ++j, ++bit) code |= (m(i, j) != 0 ? 1 : 0) << bit;
    }
    codes.push_back(code);
  });
  ReleaseSeenSet();
  return codes;
}

// Pair index of (i, j), 0-based nodes, i != j, for an order.
int PairBit(int order, int i, int j) {
  if (i > j) std::swap(i, j);
  return i * order - i * (i + 1) / 2 + (j - i - 1);
}

// The smallest code over all relabellings: the oracle's canonical form.
EdgeCode Canonical(int order, EdgeCode code) {
  std::vector<int> perm(static_cast<std::size_t>(order));
  std::iota(perm.begin(), perm.end(), 0);
  EdgeCode best = code;
  do {
    EdgeCode image = 0;
    for (int i = 0; i < order; ++i) {
      for (int j = i + 1; j < order; ++j) {
        if (((code >> PairBit(order, i, j)) & 1) != 0) {
          image |= 1 << PairBit(order, perm[static_cast<std::size_t>(i)],
                                perm[static_cast<std::size_t>(j)]);
        }
      }
    }
    best = std::min(best, image);
  } while (std::next_permutation(perm.begin(), perm.end()));
  return best;
}

bool ConnectedBySearch(int order, EdgeCode code) {
  unsigned reached = 1;
  for (bool grew = true; grew;) {
    grew = false;
    for (int i = 0; i < order; ++i) {
      for (int j = 0; j < order; ++j) {
        if (i != j && (reached >> i & 1U) != 0 && (reached >> j & 1U) == 0 &&
            ((code >> PairBit(order, i, j)) & 1) != 0) {
          reached |= 1U << j;
          grew = true;
        }
      }
    }
  }
  return reached == (1U << order) - 1U;
}

const int kConnected[] = {1, 1, 2, 6, 21, 112, 853, 11117};
const int kAll[] = {1, 2, 4, 11, 34, 156, 1044, 12346};

TEST(Run, FastSieveWritesWhatTheLiteralSieveWrites) {
  for (int order = 1; order <= 7; ++order) {
    for (const bool connectedOnly : {true, false}) {
      const std::vector<EdgeCode> fast = WrittenCodes(order, connectedOnly, false);
      EXPECT_EQ(fast, WrittenCodes(order, connectedOnly, true))
          << "order " << order << (connectedOnly ? " connected" : " all");
      EXPECT_EQ(fast.size(),
                static_cast<std::size_t>(connectedOnly ? kConnected[order - 1] : kAll[order - 1]));
    }
  }
}

TEST(Run, OrderFourCodes) {
  EXPECT_EQ(WrittenCodes(4, true, false), (std::vector<EdgeCode>{7, 13, 15, 30, 31, 63}));
  EXPECT_EQ(WrittenCodes(4, false, false),
            (std::vector<EdgeCode>{0, 1, 3, 7, 11, 12, 13, 15, 30, 31, 63}));
  EXPECT_EQ(WrittenCodes(3, false, false), (std::vector<EdgeCode>{0, 1, 3, 7}));
  EXPECT_EQ(WrittenCodes(3, true, true), (std::vector<EdgeCode>{3, 7}));
}

TEST(Run, OracleAgreesUpToOrderSix) {
  // Every class minimum, found by brute force over all codes.
  for (int order = 1; order <= 6; ++order) {
    std::set<EdgeCode> minima;
    for (EdgeCode code = 0; code < (1 << MaxEdgesOf(order)); ++code) {
      minima.insert(Canonical(order, code));
    }
    const std::vector<EdgeCode> expected(minima.begin(), minima.end());
    EXPECT_EQ(WrittenCodes(order, false, false), expected) << "order " << order;
    std::vector<EdgeCode> connected;
    std::copy_if(expected.begin(), expected.end(), std::back_inserter(connected),
                 [order](EdgeCode code) { return ConnectedBySearch(order, code); });
    EXPECT_EQ(WrittenCodes(order, true, false), connected) << "order " << order;
  }
}

TEST(Run, OrdersSevenAndEightWriteDistinctConnectedMinimalGraphsInOrder) {
  for (const int order : {7, 8}) {
    const std::vector<EdgeCode> codes = WrittenCodes(order, true, false);
    EXPECT_EQ(codes.size(), static_cast<std::size_t>(kConnected[order - 1]));
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end());
    for (std::size_t k = 0; k < codes.size(); ++k) {
      EXPECT_TRUE(ConnectedBySearch(order, codes[k])) << codes[k];
      // Minimality by brute force: all of order 7, a spread sample of order 8.
      if (order == 7 || k % 97 == 0) {
        EXPECT_EQ(Canonical(order, codes[k]), codes[k]);
      }
    }
  }
  EXPECT_EQ(WrittenCodes(8, false, false).size(), 12346U);
}

TEST(Run, FirstIsTheStarOnNodeOne) {
  Order = 8;
  EXPECT_EQ(First(true), 127);
  EXPECT_EQ(First(false), 0);
  Order = 1;
  EXPECT_EQ(First(true), 0);
}

}  // namespace
}  // namespace grafen
