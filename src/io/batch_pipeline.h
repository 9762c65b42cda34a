// Items gathered in batches, each batch worked out on every thread in the
// background while the next is gathered, and handed back in order.
#pragma once

#include <flint/flint.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <future>
#include <span>
#include <utility>
#include <vector>

#include "io/parallel.h"

namespace grafen::io {

// When a computed batch is taken: while the next one is computed (the
// helpers never wait for the taking, a third batch of slots kept for it), or
// before it is started (two batches, for a taking too quick to overlap).
enum class Taking { kWhileComputing, kBeforeComputing };

// A pipeline of batches of slots: one gathered on the caller's thread, one
// computed in the background (compute on each of its slots, on up to
// `threads` threads), and each computed one handed to `take` on the caller's
// thread, slot after slot in the order gathered, as `taking` says.
// Slots are reused from batch to batch, room and all (their strings and
// vectors keep their capacity). A helper's failure is raised again on the
// caller's thread, in the Add or Finish that takes its batch; the destructor
// waits for the helpers, so that a pipeline abandoned on a failure never
// leaves one working on freed slots. Each batch's background thread frees
// FLINT's caches as it ends.
template <class Slot>
class BatchPipeline {
 public:
  struct Steps {
    std::function<void(Slot&)> compute;  // on a helper thread, in any order
    std::function<void(Slot&)> take;     // on the caller's thread, in order
    // On the caller's thread after each batch's take, with its slots; may be
    // empty.
    std::function<void(std::span<Slot>)> taken;
  };

  BatchPipeline(std::size_t batchSize, unsigned threads, Taking taking, Steps steps)
      : batchSize_(batchSize),
        threads_(std::max(threads, 1U)),
        overlap_(taking == Taking::kWhileComputing),
        steps_(std::move(steps)) {}
  ~BatchPipeline() {
    if (computed_.valid()) computed_.wait();
  }
  BatchPipeline(const BatchPipeline&) = delete;
  BatchPipeline& operator=(const BatchPipeline&) = delete;

  // The next slot to fill, as the last batch left it. When the gathered batch
  // is full it is started first, and the one computed before it taken.
  Slot& Add() {
    if (gathering_->count == batchSize_) Start();
    Batch& batch = *gathering_;
    if (batch.count == batch.slots.size()) batch.slots.emplace_back();
    return batch.slots[batch.count++];
  }

  // Computes and takes every slot still gathered or being computed.
  void Finish() {
    Start();
    computed_.get();
    Take(*computing_);
  }

 private:
  struct Batch {
    std::vector<Slot> slots;
    std::size_t count = 0;  // slots gathered
  };

  // Starts computing the gathered batch, once the batch before it is
  // computed, and takes that one first or meanwhile.
  void Start() {
    const bool computedBefore = computed_.valid();
    if (computedBefore) {
      computed_.get();  // raises a helper's failure (out of memory) here
      if (overlap_) {
        std::swap(computing_, finished_);
      } else {
        Take(*computing_);
      }
    }
    std::swap(gathering_, computing_);
    computed_ = std::async(std::launch::async, [this, &batch = *computing_] {
      ParallelFor(batch.count, threads_,
                  [this, &batch](std::size_t k) { steps_.compute(batch.slots[k]); });
      flint_cleanup();
    });
    if (computedBefore && overlap_) Take(*finished_);
  }

  // Hands the computed slots of a batch on in order and empties it.
  void Take(Batch& batch) {
    for (std::size_t k = 0; k < batch.count; ++k) steps_.take(batch.slots[k]);
    if (steps_.taken) steps_.taken(std::span<Slot>(batch.slots.data(), batch.count));
    batch.count = 0;
  }

  std::size_t batchSize_;
  unsigned threads_;
  bool overlap_;
  Steps steps_;
  std::array<Batch, 3> batches_;
  Batch* gathering_ = &batches_[0];
  Batch* computing_ = &batches_[1];
  Batch* finished_ = &batches_[2];  // computed, to be taken
  std::future<void> computed_;      // valid while computing_ is being computed
};

}  // namespace grafen::io
