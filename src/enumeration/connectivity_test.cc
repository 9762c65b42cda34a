#include "enumeration/connectivity.h"

#include <gtest/gtest.h>

#include "cli/command_line.h"
#include "enumeration/codes.h"

namespace grafen {
namespace {

TEST(IsConnected, SmallCases) {
  Order = 1;
  EXPECT_TRUE(IsConnected(MatrixFromCode(0)));
  Order = 4;
  EXPECT_FALSE(IsConnected(MatrixFromCode(0)));
  EXPECT_TRUE(IsConnected(MatrixFromCode(7)));    // star on node 1
  EXPECT_FALSE(IsConnected(MatrixFromCode(33)));  // {1,2} and {3,4}
  EXPECT_TRUE(IsConnected(MatrixFromCode(63)));
  EXPECT_FALSE(IsConnected(MatrixFromCode(1 + 2 + 8)));  // triangle 1-2-3, node 4 alone
}

TEST(IsConnected, LongPathNeedsSeveralSquarings) {
  Order = 8;
  // Path 1-2-...-8: pairs (i, i+1) are bits 0, 7, 13, 18, 22, 25, 27.
  const EdgeCode path =
      (1 << 0) | (1 << 7) | (1 << 13) | (1 << 18) | (1 << 22) | (1 << 25) | (1 << 27);
  EXPECT_TRUE(IsConnected(MatrixFromCode(path)));
  EXPECT_FALSE(IsConnected(MatrixFromCode(path & ~(1 << 18))));
}

TEST(ReachesEveryNode, AgreesWithIsConnectedOnEveryCodeUpToOrderSix) {
  for (int order = 1; order <= 6; ++order) {
    Order = order;
    int disagreements = 0;
    int connected = 0;
    for (EdgeCode code = 0; code < Power2(MaxEdgesOf(order)); ++code) {
      const AdjMatrix m = MatrixFromCode(code);
      disagreements += ReachesEveryNode(m) != IsConnected(m) ? 1 : 0;
      connected += ReachesEveryNode(m) ? 1 : 0;
    }
    EXPECT_EQ(disagreements, 0) << "order " << order;
    // Connected labelled graphs on 1..6 nodes (OEIS A001187).
    const int expected[] = {1, 1, 4, 38, 728, 26704};
    EXPECT_EQ(connected, expected[order - 1]) << "order " << order;
  }
  Order = 8;
  const EdgeCode path =
      (1 << 0) | (1 << 7) | (1 << 13) | (1 << 18) | (1 << 22) | (1 << 25) | (1 << 27);
  EXPECT_TRUE(ReachesEveryNode(MatrixFromCode(path)));
  EXPECT_FALSE(ReachesEveryNode(MatrixFromCode(path & ~(1 << 18))));
}

TEST(BoolProduct, SquaringAddsPathsOfLengthTwo) {
  Order = 3;
  const AdjMatrix path = MatrixFromCode(1 + 4);  // 1-2, 2-3
  const AdjMatrix square = BoolProduct(path, path);
  EXPECT_TRUE(SameMatrix(square, OnesMatrix()));
  EXPECT_FALSE(SameMatrix(path, square));
  EXPECT_TRUE(SameMatrix(BoolProduct(MatrixFromCode(0), path), path));
}

}  // namespace
}  // namespace grafen
