#include "census/census.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "spectral/cospectral_index.h"

namespace grafen::census {

namespace {

// P5, K_{1,4} and C_4 + K_1 in graph6: the last two share their adjacency
// spectrum, the smallest such pair.
constexpr const char* kPath = "DhC\n";
constexpr const char* kStar = "Ds_\n";
constexpr const char* kSquareAndNode = "Dl?\n";

// Each rewrite, in place, comes after the first reading and before the
// later ones: a census must then fail, never count graphs by their old places.
TEST(TakeCensus, RefusesAnInputRewrittenBetweenReadings) {
  char directory[] = "/tmp/census-test-XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  const std::string path = std::string(directory) + "/input.g6";
  const auto write = [&path](const std::string& text) { std::ofstream(path) << text; };
  const CensusRequest adjacency{{spectral::SpectralMatrix::kAdjacency}, {}, 0, 1, {}, {}};
  const std::string lines = std::string(kPath) + kStar + kSquareAndNode;
  for (const bool families : {false, true}) {
    for (const std::string& rewrite : {std::string(kStar) + kPath + kSquareAndNode,  // reordered
                                       std::string(kPath) + kStar + kPath}) {  // one line other
      write(lines);
      io::ReplayableInput input(path);
      CensusRequest request = adjacency;
      request.progress = [&](std::int64_t) { write(rewrite); };
      std::string familyLines;
      EXPECT_THROW(TakeCensus(input, request, families ? &familyLines : nullptr),
                   std::runtime_error)
          << rewrite;
    }
  }
  write(lines);
  io::ReplayableInput input(path);
  const std::vector<CensusRow> rows = TakeCensus(input, adjacency, nullptr);
  unlink(path.c_str());
  rmdir(directory);
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_EQ(rows[0].graphs, 3);
  EXPECT_EQ(rows[0].withMate, 2);
  EXPECT_EQ(rows[0].largestFamily, 2);
}

// Relabelled copies are counted once and set aside, in the rows and in the
// families file: K_{1,4} and C_4 + K_1 stay one family of two, whatever copies
// of them and of P5 follow.
TEST(TakeCensus, CountsRelabelledCopiesOnce) {
  char directory[] = "/tmp/census-test-XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  const std::string path = std::string(directory) + "/input.g6";
  // P5, K_{1,4}, C_4 + K_1, then K_{1,4} centred at node 5, C_4 + K_1 with
  // node 2 alone, P5 from node 3, and K_{1,4} again.
  std::ofstream(path) << kPath << kStar << kSquareAndNode << "D?{\nDPc\nDQo\n" << kStar;
  io::ReplayableInput input(path);
  std::string families;
  const std::vector<CensusRow> rows =
      TakeCensus(input,
                 {{spectral::SpectralMatrix::kAdjacency, spectral::SpectralMatrix::kLaplacian},
                  {},
                  0,
                  2,
                  {},
                  {spectral::SpectralMatrix::kAdjacency, spectral::SpectralMatrix::kLaplacian}},
                 &families);
  unlink(path.c_str());
  rmdir(directory);
  ASSERT_EQ(rows.size(), 3U);  // A, then A+L (no mates: L tells the A-mates apart), then L
  for (const CensusRow& row : rows) {
    EXPECT_EQ(row.graphs, 3) << row.matrix;
    EXPECT_EQ(row.copies, 4) << row.matrix;
    EXPECT_EQ(row.distinctSpectra, row.matrix == "A" ? 2 : 3) << row.matrix;
    EXPECT_EQ(row.withMate, row.matrix == "A" ? 2 : 0) << row.matrix;
  }
  EXPECT_EQ(rows[0].familySizes, (std::map<std::int64_t, std::int64_t>{{2, 1}}));
  EXPECT_EQ(families,
            "matrix,order,edges,family,size,graph,graph6\r\n"
            "A,5,4,1,2,2,Ds_\r\nA,5,4,1,2,3,Dl?\r\n");
}

// Graphs whose 64-bit hashes collide are told apart by their exact keys.
TEST(CospectralIndex, GroupsByExactKeysWhereHashesCollide) {
  spectral::CospectralIndex index;
  const std::vector<std::string> keys = {"x^2-1", "x^2-2", "x^2-1", "x^2-3", "x^2-2"};
  for (std::size_t k = 0; k < keys.size(); ++k) index.AddHashed(42);
  ASSERT_TRUE(index.Group());
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const auto number = static_cast<std::int64_t>(k + 1);
    ASSERT_TRUE(index.WantsKey(number));
    index.AddKey(number, keys[k]);
  }
  index.Seal();
  EXPECT_EQ(std::vector<std::uint32_t>(index.Family(1).begin(), index.Family(1).end()),
            (std::vector<std::uint32_t>{1, 3}));
  EXPECT_EQ(std::vector<std::uint32_t>(index.Family(5).begin(), index.Family(5).end()),
            (std::vector<std::uint32_t>{2, 5}));
  EXPECT_TRUE(index.Family(4).empty());
  EXPECT_EQ(index.withMate(), 4);
  EXPECT_EQ(index.distinct(), 3);
}

}  // namespace
}  // namespace grafen::census
