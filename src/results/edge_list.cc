#include "results/edge_list.h"

#include <array>
#include <charconv>
#include <cstring>
#include <string_view>

#include "cli/command_line.h"
#include "enumeration/codes.h"

namespace grafen {

TextOut EdgeFile;
std::int32_t GraphCount = 0;

std::string EdgeListFileName(std::int32_t order) { return "grafen" + IntText(order) + ".txt"; }

void WriteEdgeList(const AdjMatrix& m) {
  ++GraphCount;
  std::array<char, 16> number{};
  char* end = std::to_chars(number.data(), number.data() + number.size() - 2, GraphCount).ptr;
  *end++ = '\r';
  *end++ = '\n';
  Write(EdgeFile, std::string_view(number.data(), static_cast<std::size_t>(end - number.data())));
  Write(Console, ".");
  // Every line "    i    j" CR LF (nodes of one digit), then the empty line.
  static std::array<char, 12 * MaxOrder*(MaxOrder - 1) / 2 + 2> block;
  std::size_t size = 0;
  for (int i = 1; i <= Order; ++i) {
    const std::uint32_t later = RowBits(m, i) >> static_cast<unsigned>(i);  // bit 0: node i + 1
    for (std::uint32_t rest = later; rest != 0; rest &= rest - 1) {
      const int j = i + 1 + __builtin_ctz(rest);
      if (j > Order) break;
      std::memcpy(&block[size], "    1    2\r\n", 12);
      block[size + 4] = static_cast<char>('0' + i);
      block[size + 9] = static_cast<char>('0' + j);
      size += 12;
    }
  }
  block[size++] = '\r';
  block[size++] = '\n';
  Write(EdgeFile, std::string_view(block.data(), size));
  Flush(EdgeFile);
}

}  // namespace grafen
