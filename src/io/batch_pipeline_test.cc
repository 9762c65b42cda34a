#include "io/batch_pipeline.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <vector>

namespace grafen::io {
namespace {

struct Square {
  long given = 0;
  long square = 0;
};

// Every item taken once, in the order given, computed, across batches whose
// slots are reused; and each batch handed to `taken` after its items.
TEST(BatchPipeline, TakesEveryItemInOrder) {
  for (const std::size_t items : {0UL, 1UL, 7UL, 8UL, 9UL, 1000UL}) {
    for (const Taking taking : {Taking::kWhileComputing, Taking::kBeforeComputing}) {
      std::vector<long> squares;
      std::size_t batches = 0;
      BatchPipeline<Square> pipeline(8, 3, taking,
                                     {[](Square& s) { s.square = s.given * s.given; },
                                      [&](const Square& s) { squares.push_back(s.square); },
                                      [&](std::span<Square> batch) {
                                        if (!batch.empty()) ++batches;
                                      }});
      for (std::size_t k = 0; k < items; ++k) pipeline.Add().given = static_cast<long>(k);
      pipeline.Finish();
      ASSERT_EQ(squares.size(), items);
      for (std::size_t k = 0; k < items; ++k) EXPECT_EQ(squares[k], static_cast<long>(k * k));
      EXPECT_EQ(batches, (items + 7) / 8);
    }
  }
}

// A helper's failure is raised on the caller's thread, and nothing after it
// is taken.
TEST(BatchPipeline, RaisesAHelpersFailure) {
  long taken = 0;
  BatchPipeline<Square> pipeline(4, 2, Taking::kWhileComputing,
                                 {[](const Square& s) {
                                    if (s.given == 5) throw std::runtime_error("helper");
                                  },
                                  [&](const Square&) { ++taken; },
                                  {}});
  EXPECT_THROW(
      {
        for (long k = 0; k < 100; ++k) pipeline.Add().given = k;
        pipeline.Finish();
      },
      std::runtime_error);
  EXPECT_EQ(taken, 4);
}

}  // namespace
}  // namespace grafen::io
