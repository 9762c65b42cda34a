#include "census/census.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "spectra/cospectral_index.h"

namespace grafen::census {
namespace {

// P5, K_{1,4} and C_4 + K_1 in graph6: the last two share their adjacency
// spectrum, the smallest such pair.
constexpr const char* kPath = "DhC\n";
constexpr const char* kStar = "Ds_\n";
constexpr const char* kSquareAndNode = "Dl?\n";

// A file in a fresh temporary directory, removed with it.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& text) {
    char pattern[] = "/tmp/census-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    directory_ = made;
    path_ = directory_ + "/input.g6";
    Write(text);
  }
  ~ScratchFile() {
    unlink(path_.c_str());
    rmdir(directory_.c_str());
  }
  // Rewrites the file in place, as an editor that keeps the inode does.
  void Write(const std::string& text) const { std::ofstream(path_, std::ios::trunc) << text; }
  const std::string& path() const { return path_; }

 private:
  std::string directory_;
  std::string path_;
};

// Each rewrite happens after the first reading, before the later ones: a
// census must then fail, never count graphs by their old places.
TEST(TakeCensus, RefusesAnInputRewrittenBetweenReadings) {
  const std::string lines = std::string(kPath) + kStar + kSquareAndNode;
  const std::vector<std::string> rewrites = {
      std::string(kStar) + kPath + kSquareAndNode,  // the same lines, two swapped
      std::string(kPath) + kStar + kPath,           // as many lines, one other
  };
  for (const bool families : {false, true}) {
    for (const std::string& rewrite : rewrites) {
      ScratchFile file(lines);
      spectra::ReplayableInput input(file.path());
      CensusRequest request{{spectra::SpectralMatrix::kAdjacency}, {}, 0, 1, {}};
      bool rewritten = false;
      request.progress = [&](std::int64_t) {
        if (!rewritten) file.Write(rewrite);
        rewritten = true;
      };
      std::string familyLines;
      EXPECT_THROW(TakeCensus(input, request, families ? &familyLines : nullptr),
                   std::runtime_error)
          << rewrite;
    }
  }
  ScratchFile file(lines);
  spectra::ReplayableInput input(file.path());
  const std::vector<CensusRow> rows = TakeCensus(
      input, CensusRequest{{spectra::SpectralMatrix::kAdjacency}, {}, 0, 1, {}}, nullptr);
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_EQ(rows[0].graphs, 3);
  EXPECT_EQ(rows[0].withMate, 2);
  EXPECT_EQ(rows[0].largestFamily, 2);
}

// Graphs whose 64-bit hashes collide are told apart by their exact keys.
TEST(CospectralIndex, GroupsByExactKeysWhereHashesCollide) {
  spectra::CospectralIndex index;
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
