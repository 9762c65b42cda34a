#include "enumeration/sieve.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "cli/command_line.h"
#include "cli/fault.h"
#include "enumeration/codes.h"
#include "test_support.h"

namespace grafen {
namespace {

integers Of(const std::vector<std::int32_t>& values) {
  integers array;
  SetLength(array, static_cast<std::int32_t>(values.size()));
  for (std::size_t k = 0; k < values.size(); ++k) array[static_cast<std::int32_t>(k)] = values[k];
  return array;
}

std::vector<std::int32_t> Values(const integers& array) { return *array.items; }

TEST(NextPermutation, StepsInLexicographicOrderInPlace) {
  integers arr = Of({1, 2, 3, 4});
  const integers same = NextPermutation(arr);
  EXPECT_EQ(same.items, arr.items);  // the same array, not a copy
  EXPECT_EQ(Values(arr), (std::vector<std::int32_t>{1, 2, 4, 3}));
  EXPECT_EQ(Values(NextPermutation(Of({1, 4, 3, 2}))), (std::vector<std::int32_t>{2, 1, 3, 4}));
  EXPECT_EQ(Values(NextPermutation(Of({2, 4, 3, 1}))), (std::vector<std::int32_t>{3, 1, 2, 4}));
  EXPECT_EQ(Values(NextPermutation(Of({3, 4, 2, 1}))), (std::vector<std::int32_t>{4, 1, 2, 3}));
  integers walk = Of({1, 2, 3, 4, 5});
  for (int step = 1; step < 120; ++step) walk = NextPermutation(walk);
  EXPECT_EQ(Values(walk), (std::vector<std::int32_t>{5, 4, 3, 2, 1}));
  EXPECT_THROW(NextPermutation(walk), Fault);  // past the last permutation
}

TEST(ReverseBits, ReversesTheLowBits) {
  EXPECT_EQ(ReverseBits(3, 1), 4);
  EXPECT_EQ(ReverseBits(6, 7), 56);
  EXPECT_EQ(ReverseBits(0, 12345), 0);
  EXPECT_EQ(ReverseBits(28, 1), 1 << 27);
  EXPECT_EQ(ReverseBits(28, ReverseBits(28, 0x0ABCDEF1)), 0x0ABCDEF1);
}

TEST(RelabelledCode, MovesEdgesToTheirNewNodesInReversedBitOrder) {
  Order = 4;
  Position = Of({0, 2, 1, 3, 4});
  EXPECT_EQ(RelabelledCode(2), 4);  // edge {1,3} becomes {2,3}
  EXPECT_EQ(ReverseBits(6, 4), 8);
}

class SieveTest : public ::testing::Test {
 protected:
  void SetUpOrder(std::int32_t order) {
    Order = order;
    AllocateSeenSet(Power2(MaxEdgesOf(order)));
    SetLength(Perm, order);
    SetLength(Position, order + 1);
  }
  void TearDown() override { ReleaseSeenSet(); }
  std::set<EdgeCode> Marked() const {
    std::set<EdgeCode> codes;
    for (EdgeCode code = 0; code < Power2(MaxEdgesOf(Order)); ++code) {
      if (IsSeen(code)) codes.insert(code);
    }
    return codes;
  }
  testing::CapturedConsole console_;
};

TEST_F(SieveTest, AllocationReportsWordsOfFourBytes) {
  const long long bytes[] = {4, 4, 4, 12, 132, 4100, 262148, 33554436};
  for (int order = 1; order <= 8; ++order) {
    Order = order;
    AllocateSeenSet(Power2(MaxEdgesOf(order)));
    EXPECT_EQ(Seen.length * 4, static_cast<std::size_t>(bytes[order - 1]));
    EXPECT_FALSE(IsSeen(Power2(MaxEdgesOf(order)) - 1));
  }
  EXPECT_EQ(console_.Text(),
            "Additional memory = 4 bytes\r\nAdditional memory = 4 bytes\r\n"
            "Additional memory = 4 bytes\r\nAdditional memory = 12 bytes\r\n"
            "Additional memory = 132 bytes\r\nAdditional memory = 4100 bytes\r\n"
            "Additional memory = 262148 bytes\r\nAdditional memory = 33554436 bytes\r\n");
  ReleaseSeenSet();
  EXPECT_EQ(Seen.length, 0U);
  EXPECT_THROW(MarkSeen(0), Fault);
}

TEST_F(SieveTest, MarkClassMarksEveryOtherRelabelling) {
  SetUpOrder(1);
  MarkClass(0, 0);
  EXPECT_EQ(Marked(), std::set<EdgeCode>{});
  SetUpOrder(2);
  MarkClass(1, 1);
  EXPECT_EQ(Marked(), std::set<EdgeCode>{1});
  SetUpOrder(3);
  MarkClass(3, 3);
  EXPECT_EQ(Marked(), (std::set<EdgeCode>{3, 5, 6}));
  EXPECT_EQ(Values(Perm), (std::vector<std::int32_t>{3, 2, 1}));
  SetUpOrder(3);
  MarkClass(4, 3);
  EXPECT_EQ(Marked(), (std::set<EdgeCode>{1, 2, 4}));
  SetUpOrder(4);
  MarkClass(7, 6);  // the star: its four centres
  EXPECT_EQ(Marked(), (std::set<EdgeCode>{7, 25, 42, 52}));
}

TEST_F(SieveTest, OutOfRangeCodeIsARangeFault) {
  SetUpOrder(4);
  EXPECT_NO_THROW(MarkSeen(95));  // the spare word
  EXPECT_THROW(MarkSeen(96), Fault);
  EXPECT_THROW(IsSeen(-1), Fault);
}

}  // namespace
}  // namespace grafen
