// Edge codes, adjacency matrices and the small arithmetic around them.
#pragma once

#include <cstdint>
#include <cstring>

#include "UTypes/UTypes.h"

namespace grafen {

// 1 doubled n times; 1 when n <= 0.
std::int32_t Power2(std::int32_t n);

// 2 * 3 * ... * n; 1 when n < 2.
std::int32_t Factorial(std::int32_t n);

// Whether bit k-1 of value is set (k counts from 1; the shift is taken modulo 32).
bool BitOf(std::int32_t value, std::int32_t k);

// The number of node pairs of an order: order * (order - 1) / 2.
std::int32_t MaxEdgesOf(std::int32_t order);

// Every entry of the Order by Order block false.
AdjMatrix ZeroMatrix();

// Every entry of the Order by Order block true.
AdjMatrix OnesMatrix();

// The symmetric matrix of a code for the current Order, diagonal true.
AdjMatrix MatrixFromCode(EdgeCode code);

// Row i (1..8) of m as a node set: bit j-1 set when m(i, j) is true, for
// every column j = 1..8. An index outside 1..8 is a range fault.
inline std::uint32_t RowBits(const AdjMatrix& m, int i) {
  if (i < 1 || i > MaxOrder) RaiseRangeError();
  std::uint64_t bytes = 0;  // byte j - 1: m(i, j)
  std::memcpy(&bytes, m.cell[static_cast<unsigned>(i - 1)].data(), sizeof bytes);
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  const std::uint64_t nonzero = (((bytes & kLow7) + kLow7) | bytes) >> 7U & 0x0101010101010101ULL;
  return static_cast<std::uint32_t>((nonzero * 0x0102040810204080ULL) >> 56U);
}

}  // namespace grafen
