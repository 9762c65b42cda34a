// Work shared out over threads, for the per-graph computations.
#pragma once

#include <cstddef>
#include <functional>

namespace grafen::io {

// Runs work(k) for every k in [0, count) on up to `threads` threads (the
// calling one among them), each taking the next few items as it gets free;
// returns when all are done. A failure on any thread is
// raised again here. Each helper thread frees FLINT's caches as it ends.
void ParallelFor(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& work);

// The cores this process may run on (its affinity mask, as a batch
// scheduler sets it), at least 1.
unsigned UsableCores();

}  // namespace grafen::io
