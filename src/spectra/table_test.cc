#include "spectra/table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace grafen::spectra {
namespace {

TEST(SpectraTable, TablesAreAlikeForAnyNumberOfThreads) {
  std::vector<ListedGraph> graphs;
  std::uint64_t state = 7;
  for (std::int64_t number = 1; number <= 300; ++number) {
    ListedGraph graph{number, {}};
    for (int i = 1; i <= 6; ++i) {
      for (int j = i + 1; j <= 6; ++j) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        if (((state >> 61) & 1U) != 0) graph.edges.push_back(Edge{i, j});
      }
    }
    graphs.push_back(graph);
  }
  std::string one;
  WriteSpectraTable(graphs, 6, 5, 1, [&one](std::string_view piece) { one.append(piece); });
  for (const unsigned threads : {2U, 3U, 16U, 64U}) {
    std::string many;
    WriteSpectraTable(graphs, 6, 5, threads,
                      [&many](std::string_view piece) { many.append(piece); });
    EXPECT_EQ(many, one) << threads;
  }
}

}  // namespace
}  // namespace grafen::spectra
