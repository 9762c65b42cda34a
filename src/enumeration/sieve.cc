#include "enumeration/sieve.h"

#include <cstdlib>

#include "cli/command_line.h"
#include "cli/fault.h"
#include "cli/text_out.h"
#include "enumeration/codes.h"

namespace grafen {

WordSet Seen;
integers Perm;
integers Position;

void AllocateSeenSet(std::int32_t count) {
  const std::int32_t words = count / 32 + 1;
  ReleaseSeenSet();
  // calloc hands out fresh zeroed pages for a large set: nothing is touched
  // until it is marked.
  void* memory = std::calloc(static_cast<std::size_t>(words), sizeof(std::uint32_t));
  if (memory == nullptr) RaiseOutOfMemory();
  Seen.words = static_cast<std::uint32_t*>(memory);
  Seen.length = static_cast<std::size_t>(words);
  WriteLine(Console, "Additional memory = " + IntText(4LL * words) + " bytes");
}

void ReleaseSeenSet() {
  std::free(Seen.words);
  Seen.words = nullptr;
  Seen.length = 0;
}

namespace {

std::uint32_t& WordOf(const WordSet& set, EdgeCode code) {
  const auto word = static_cast<std::size_t>(static_cast<std::uint32_t>(code) / 32U);
  if (code < 0 || word >= set.length) RaiseRangeError();
  return set.words[word];
}

}  // namespace

void MarkIn(WordSet& set, EdgeCode code) {
  WordOf(set, code) |= 1U << (static_cast<unsigned>(code) % 32U);
}

bool IsIn(const WordSet& set, EdgeCode code) {
  return ((WordOf(set, code) >> (static_cast<unsigned>(code) % 32U)) & 1U) != 0;
}

void MarkSeen(EdgeCode code) { MarkIn(Seen, code); }

bool IsSeen(EdgeCode code) { return IsIn(Seen, code); }

integers NextPermutation(integers arr) {
  const std::int32_t n = Length(arr);
  std::int32_t k = n - 1;
  while (arr[k - 1] >= arr[k]) --k;
  std::int32_t l = n - 1;
  while (arr[l] <= arr[k - 1]) --l;
  std::swap(arr[k - 1], arr[l]);
  for (std::int32_t low = k, high = n - 1; high > low; ++low, --high) {
    std::swap(arr[low], arr[high]);
  }
  return arr;
}

std::int32_t ReverseBits(std::int32_t n, std::int32_t value) {
  std::uint32_t result = 0;
  for (std::int32_t k = 1; k <= n; ++k) result = result * 2U + (BitOf(value, k) ? 1U : 0U);
  return static_cast<std::int32_t>(result);
}

std::int32_t RelabelledCode(EdgeCode code) {
  AdjMatrix m = ZeroMatrix();
  std::int32_t k = 0;
  for (int i = 1; i <= Order; ++i) {
    for (int j = i + 1; j <= Order; ++j) {
      ++k;
      const std::uint8_t b = BitOf(code, k) ? 1 : 0;
      const int a = Position[i];
      const int c = Position[j];
      if (a < c) m(a, c) = b;
      if (c < a) m(c, a) = b;
    }
  }
  std::uint32_t result = 0;
  for (int i = 1; i <= Order; ++i) {
    for (int j = i + 1; j <= Order; ++j) result = result * 2U + (m(i, j) != 0 ? 1U : 0U);
  }
  return static_cast<std::int32_t>(result);
}

void MarkClass(EdgeCode code, std::int32_t maxEdges) {
  for (std::int32_t k = 0; k < Order; ++k) Perm[k] = k + 1;
  for (std::int32_t step = 1; step < Factorial(Order); ++step) {
    Perm = NextPermutation(Perm);
    for (std::int32_t k = 0; k < Order; ++k) Position[Perm[k]] = k + 1;
    MarkSeen(ReverseBits(maxEdges, RelabelledCode(code)));
  }
}

}  // namespace grafen
