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
  if (Order > MaxOrder) RaiseRangeError();  // where IsConnected's first index would fail
  if (Order <= 0) return true;
  const auto order = static_cast<unsigned>(Order);
  std::array<std::uint32_t, MaxOrder> neighbours{};
  for (unsigned i = 0; i < order; ++i) {
    for (unsigned j = 0; j < order; ++j) {
      if (m.cell[i][j] != 0) neighbours[i] |= 1U << j;
    }
  }
  std::uint32_t reached = 1;
  std::uint32_t frontier = 1;
  while (frontier != 0) {
    std::uint32_t next = 0;
    for (std::uint32_t rest = frontier; rest != 0; rest &= rest - 1) {
      next |= neighbours[static_cast<unsigned>(__builtin_ctz(rest))];
    }
    frontier = next & ~reached;
    reached |= next;
  }
  return reached == (1U << order) - 1U;
}

}  // namespace grafen
