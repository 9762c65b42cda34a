#include <gtest/gtest.h>

#include "cli/command_line.h"
#include "enumeration/codes.h"
#include "results/edge_list.h"
#include "results/laplacian_script.h"
#include "test_support.h"

namespace grafen {
namespace {

class WritersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GraphCount = 0;
    EdgeFile = CreateTextFile(dir_ / "edges");
    ScriptFile = CreateTextFile(dir_ / "script");
  }
  void TearDown() override {
    Close(EdgeFile);
    Close(ScriptFile);
  }
  testing::ScratchDir dir_;
  testing::CapturedConsole console_;
};

TEST_F(WritersTest, EdgeListNumbersGraphsAndFlushesEachBlock) {
  Order = 3;
  WriteEdgeList(MatrixFromCode(3));
  EXPECT_EQ(testing::ReadFile(dir_ / "edges"), "1\r\n    1    2\r\n    1    3\r\n\r\n");
  WriteEdgeList(MatrixFromCode(7));
  EXPECT_EQ(testing::ReadFile(dir_ / "edges"),
            "1\r\n    1    2\r\n    1    3\r\n\r\n"
            "2\r\n    1    2\r\n    1    3\r\n    2    3\r\n\r\n");
  EXPECT_EQ(GraphCount, 2);
  EXPECT_EQ(console_.Text(), "..");
  Order = 8;
  GraphCount = 852;
  WriteEdgeList(MatrixFromCode(1 << 27));
  EXPECT_TRUE(testing::ReadFile(dir_ / "edges").ends_with("853\r\n    7    8\r\n\r\n"));
}

TEST_F(WritersTest, LaplacianScriptBlocksAfterTheHeader) {
  Order = 3;
  WriteScriptHeader();
  WriteLaplacianScript(MatrixFromCode(3));
  EXPECT_EQ(testing::ReadFile(dir_ / "script"),
            "with(linalg);\r\nassume(A,symmetric);\r\n\r\n"
            "A := array([[ 2,-1,-1],\r\n"
            "            [-1, 1, 0],\r\n"
            "            [-1, 0, 1]]);\r\n"
            "det(A); S := eigenvals(A);\r\n"
            "for i from 1 to 3 do evalf(S[i],5) od;\r\n\r\n");
  EXPECT_EQ(GraphCount, 0);
  EXPECT_EQ(console_.Text(), "");
}

TEST_F(WritersTest, LaplacianOfTheSmallestOrders) {
  Order = 1;
  WriteLaplacianScript(MatrixFromCode(0));
  Order = 2;
  WriteLaplacianScript(MatrixFromCode(1));
  EXPECT_EQ(testing::ReadFile(dir_ / "script"),
            "A := array([[ 0]]);\r\ndet(A); S := eigenvals(A);\r\n"
            "for i from 1 to 1 do evalf(S[i],5) od;\r\n\r\n"
            "A := array([[ 1,-1],\r\n            [-1, 1]]);\r\ndet(A); S := eigenvals(A);\r\n"
            "for i from 1 to 2 do evalf(S[i],5) od;\r\n\r\n");
}

TEST(ResultFileNames, CarryTheOrder) {
  EXPECT_EQ(EdgeListFileName(5), "grafen5.txt");
  EXPECT_EQ(ScriptFileName(8), "grafen8.mws");
}

}  // namespace
}  // namespace grafen
