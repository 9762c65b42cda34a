#include "io/parallel.h"

#include <flint/flint.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace grafen::io {
namespace {

// Items per thread below which another thread is not worth starting.
constexpr std::size_t kItemsPerThread = 64;

}  // namespace

void ParallelFor(std::size_t count, unsigned threads,
                 const std::function<void(std::size_t)>& work) {
  const std::size_t workers =
      std::clamp<std::size_t>(count / kItemsPerThread, 1, std::max(threads, 1U));
  // Items taken a few at a time from a shared counter, so that no thread
  // waits at the end while another still has a run of hard ones.
  constexpr std::size_t kTake = 8;
  std::atomic<std::size_t> next{0};
  const auto share = [&](std::size_t) {
    for (;;) {
      const std::size_t first = next.fetch_add(kTake, std::memory_order_relaxed);
      if (first >= count) return;
      for (std::size_t k = first; k < std::min(first + kTake, count); ++k) work(k);
    }
  };
  std::vector<std::exception_ptr> failures(workers);
  {
    std::vector<std::jthread> helpers;
    for (std::size_t w = 1; w < workers; ++w) {
      helpers.emplace_back([&, w] {
        try {
          share(w);
        } catch (...) {
          failures[w] = std::current_exception();
        }
        flint_cleanup();
      });
    }
    share(0);
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

unsigned UsableCores() {
  cpu_set_t cores;
  CPU_ZERO(&cores);
  if (sched_getaffinity(0, sizeof cores, &cores) == 0) {
    return static_cast<unsigned>(std::max(CPU_COUNT(&cores), 1));
  }
  return std::max(std::thread::hardware_concurrency(), 1U);
}

}  // namespace grafen::io
