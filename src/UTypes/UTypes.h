// Shared declarations: the order limits, edge codes and adjacency matrices.
#pragma once

#include <array>
#include <cstdint>

namespace grafen {

// The orders the tool accepts: graphs of 1 to 8 nodes.
inline constexpr int MinOrder = 1;
inline constexpr int MaxOrder = 8;

// A labelled graph, one bit per node pair: pair (i, j), i < j, numbered 1, 2, ...
// in row-major order of the upper triangle, is bit (number - 1). At most 28 bits.
using EdgeCode = std::int32_t;

// Raises the range fault; defined with the fault machinery of the command line.
[[noreturn]] void RaiseRangeError(unsigned line = __builtin_LINE(),
                                  const char* file = __builtin_FILE());

// An 8 by 8 boolean matrix, rows and columns numbered 1 to 8; only the
// top-left Order by Order block has meaning. A value: copied, never shared.
// Every index is checked; an index outside 1..8 is a range fault.
struct AdjMatrix {
  std::array<std::array<std::uint8_t, MaxOrder>, MaxOrder> cell{};

  std::uint8_t& operator()(int i, int j) {
    Check(i, j);
    return cell[static_cast<unsigned>(i - 1)][static_cast<unsigned>(j - 1)];
  }
  std::uint8_t operator()(int i, int j) const {
    Check(i, j);
    return cell[static_cast<unsigned>(i - 1)][static_cast<unsigned>(j - 1)];
  }

 private:
  static void Check(int i, int j) {
    if (i < 1 || i > MaxOrder || j < 1 || j > MaxOrder) RaiseRangeError();
  }
};

}  // namespace grafen
