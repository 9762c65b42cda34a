#include "enumeration/codes.h"

#include <gtest/gtest.h>

#include "cli/command_line.h"
#include "cli/fault.h"

namespace grafen {
namespace {

TEST(Arithmetic, PowersFactorialsBitsAndPairCounts) {
  EXPECT_EQ(Power2(0), 1);
  EXPECT_EQ(Power2(-3), 1);
  EXPECT_EQ(Power2(6), 64);
  EXPECT_EQ(Power2(28), 268435456);
  EXPECT_EQ(Factorial(0), 1);
  EXPECT_EQ(Factorial(1), 1);
  EXPECT_EQ(Factorial(4), 24);
  EXPECT_EQ(Factorial(8), 40320);
  EXPECT_TRUE(BitOf(1, 1));
  EXPECT_FALSE(BitOf(1, 2));
  EXPECT_TRUE(BitOf(8, 4));
  EXPECT_TRUE(BitOf(1, 33));  // the shift is taken modulo 32
  EXPECT_TRUE(BitOf(-2147483647 - 1, 32));
  const int pairs[] = {0, 1, 3, 6, 10, 15, 21, 28};
  for (int order = 1; order <= 8; ++order) EXPECT_EQ(MaxEdgesOf(order), pairs[order - 1]);
}

// Edges {i, j}, i < j, of the Order by Order block.
std::vector<std::pair<int, int>> Edges(const AdjMatrix& m) {
  std::vector<std::pair<int, int>> edges;
  for (int i = 1; i <= Order; ++i) {
    for (int j = i + 1; j <= Order; ++j) {
      EXPECT_EQ(m(i, j), m(j, i));
      if (m(i, j) != 0) edges.emplace_back(i, j);
    }
    EXPECT_EQ(m(i, i), 1);
  }
  return edges;
}

using EdgeList = std::vector<std::pair<int, int>>;

TEST(MatrixFromCode, NumbersPairsRowByRowWithTrueDiagonal) {
  Order = 1;
  EXPECT_EQ(MatrixFromCode(0)(1, 1), 1);
  Order = 4;
  EXPECT_EQ(Edges(MatrixFromCode(0)), EdgeList{});
  EXPECT_EQ(Edges(MatrixFromCode(7)), (EdgeList{{1, 2}, {1, 3}, {1, 4}}));
  EXPECT_EQ(Edges(MatrixFromCode(8)), (EdgeList{{2, 3}}));
  EXPECT_EQ(Edges(MatrixFromCode(33)), (EdgeList{{1, 2}, {3, 4}}));
  EXPECT_EQ(Edges(MatrixFromCode(63)).size(), 6U);
  Order = 8;
  EXPECT_EQ(Edges(MatrixFromCode(1 << 27)), (EdgeList{{7, 8}}));
  EXPECT_EQ(Edges(MatrixFromCode(268435455)).size(), 28U);
}

TEST(MatrixFromCode, LeavesEntriesOutsideTheBlockFalseAndFaultsPastEight) {
  Order = 3;
  const AdjMatrix m = MatrixFromCode(7);
  EXPECT_EQ(m(4, 4), 0);
  EXPECT_EQ(m(1, 4), 0);
  EXPECT_EQ(m(8, 1), 0);
  Order = 9;
  EXPECT_THROW(MatrixFromCode(0), Fault);
}

TEST(RowBits, ARowAsANodeSet) {
  Order = 4;
  const AdjMatrix star = MatrixFromCode(7);  // node 1 joined to 2, 3 and 4
  EXPECT_EQ(RowBits(star, 1), 0b1111U);
  EXPECT_EQ(RowBits(star, 2), 0b0011U);
  EXPECT_EQ(RowBits(star, 8), 0U);
  AdjMatrix m;
  m(3, 8) = 1;
  m(3, 1) = 255;  // any non-zero entry is true
  m(3, 5) = 128;
  EXPECT_EQ(RowBits(m, 3), 0b10010001U);
  EXPECT_THROW(RowBits(m, 0), Fault);
  EXPECT_THROW(RowBits(m, 9), Fault);
}

TEST(AdjMatrix, IndexOutsideOneToEightIsARangeFault) {
  AdjMatrix m;
  EXPECT_NO_THROW(m(8, 8) = 1);
  EXPECT_THROW(m(0, 1), Fault);
  EXPECT_THROW(m(1, 9), Fault);
  const AdjMatrix& view = m;
  EXPECT_THROW(static_cast<void>(view(9, 1)), Fault);
}

}  // namespace
}  // namespace grafen
