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
