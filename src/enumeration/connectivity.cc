#include "enumeration/connectivity.h"

#include <array>
#include <cstdint>

#include "cli/command_line.h"
#include "enumeration/codes.h"

namespace grafen {

bool SameMatrix(const AdjMatrix& a, const AdjMatrix& b) {
  for (int i = 1; i <= Order; ++i) {
    for (int j = 1; j <= Order; ++j) {
      if (a(i, j) != b(i, j)) return false;
    }
  }
  return true;
}

AdjMatrix BoolProduct(AdjMatrix a, AdjMatrix b) {
  AdjMatrix c;
  for (int i = 1; i <= Order; ++i) {
    for (int j = 1; j <= Order; ++j) {
      c(i, j) = 0;
      for (int k = 1; k <= Order; ++k) {
        if (a(i, k) != 0 && b(k, j) != 0) {
          c(i, j) = 1;
          break;
        }
      }
    }
  }
  return c;
}

bool IsConnected(const AdjMatrix& m) {
  AdjMatrix r = m;
  AdjMatrix s = OnesMatrix();
  while (!SameMatrix(s, r)) {
    s = r;
    r = BoolProduct(s, s);
  }
  return SameMatrix(r, OnesMatrix());
}

bool ReachesEveryNode(const AdjMatrix& m) {
  std::array<std::uint32_t, MaxOrder> neighbours{};
  for (int i = 1; i <= Order; ++i) neighbours[static_cast<unsigned>(i - 1)] = RowBits(m, i);
  if (Order <= 0) return true;
  const std::uint32_t all = (1U << static_cast<unsigned>(Order)) - 1U;
  std::uint32_t reached = 1;
  std::uint32_t frontier = 1;
  while (frontier != 0) {
    std::uint32_t next = 0;
    for (std::uint32_t rest = frontier; rest != 0; rest &= rest - 1) {
      next |= neighbours[static_cast<unsigned>(__builtin_ctz(rest))];
    }
    next &= all;
    frontier = next & ~reached;
    reached |= next;
  }
  return reached == all;
}

}  // namespace grafen
