// A 64-bit mixing function for the hashes and keys that spread graphs over
// parts and hash tables.
#pragma once

#include <cstdint>

namespace grafen::io {

// splitmix64's finaliser: every bit of x moves about half the bits of the
// result.
inline std::uint64_t Mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

}  // namespace grafen::io
