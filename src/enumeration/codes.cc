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
  AdjMatrix m = ZeroMatrix();
  std::int32_t k = 0;
  for (int i = 1; i <= Order; ++i) {
    m(i, i) = 1;
    for (int j = i + 1; j <= Order; ++j) {
      ++k;
      m(i, j) = BitOf(code, k) ? 1 : 0;
      m(j, i) = m(i, j);
    }
  }
  return m;
}

}  // namespace grafen
