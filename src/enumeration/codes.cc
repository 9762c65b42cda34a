#include "enumeration/codes.h"

#include "cli/command_line.h"

namespace grafen {

// Both wrap around modulo 2^32 beyond the orders' range, never overflow.
std::int32_t Power2(std::int32_t n) {
  std::uint32_t result = 1;
  for (std::int32_t k = 0; k < n; ++k) result *= 2U;
  return static_cast<std::int32_t>(result);
}

std::int32_t Factorial(std::int32_t n) {
  std::uint32_t result = 1;
  for (std::int32_t k = 2; k <= n; ++k) result *= static_cast<std::uint32_t>(k);
  return static_cast<std::int32_t>(result);
}

bool BitOf(std::int32_t value, std::int32_t k) {
  const unsigned shift = static_cast<unsigned>(k - 1) % 32U;
  return ((static_cast<std::uint32_t>(value) >> shift) & 1U) != 0;
}

std::int32_t MaxEdgesOf(std::int32_t order) { return order * (order - 1) / 2; }

AdjMatrix ZeroMatrix() {
  AdjMatrix m;
  for (int i = 1; i <= Order; ++i) {
    for (int j = 1; j <= Order; ++j) m(i, j) = 0;
  }
  return m;
}

AdjMatrix OnesMatrix() {
  AdjMatrix m;
  for (int i = 1; i <= Order; ++i) {
    for (int j = 1; j <= Order; ++j) m(i, j) = 1;
  }
  return m;
}

AdjMatrix MatrixFromCode(EdgeCode code) {
  AdjMatrix m;                                             // every entry false
  if (Order > MaxOrder) m(Order, Order) = 0;               // the range fault of an index past 8
  std::uint32_t pairs = static_cast<std::uint32_t>(code);  // pair k in bit 0 when reached
  for (std::size_t i = 0; i < static_cast<std::size_t>(Order); ++i) {
    m.cell[i][i] = 1;
    for (std::size_t j = i + 1; j < static_cast<std::size_t>(Order); ++j, pairs >>= 1U) {
      m.cell[i][j] = static_cast<std::uint8_t>(pairs & 1U);
      m.cell[j][i] = m.cell[i][j];
    }
  }
  return m;
}

}  // namespace grafen
