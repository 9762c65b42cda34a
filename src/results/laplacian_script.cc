#include "results/laplacian_script.h"

#include <array>
#include <charconv>
#include <cstring>
#include <string_view>

#include "cli/command_line.h"
#include "enumeration/codes.h"

namespace grafen {

TextOut ScriptFile;

std::string ScriptFileName(std::int32_t order) { return "grafen" + IntText(order) + ".mws"; }

void WriteScriptHeader() {
  WriteLine(ScriptFile, "with(linalg);");
  WriteLine(ScriptFile, "assume(A,symmetric);");
  WriteLine(ScriptFile, "");
}

namespace {

// Appends text at `at` in the block; returns the new end.
char* Put(char* at, std::string_view text) {
  std::memcpy(at, text.data(), text.size());
  return at + text.size();
}

// kEntries[s]: the four entries "-1," (bit set) or " 0," (bit clear) of the
// nodes of a 4-bit set, lowest bit first.
constexpr std::array<std::array<char, 12>, 16> MakeEntries() {
  std::array<std::array<char, 12>, 16> entries{};
  for (std::size_t set = 0; set < 16; ++set) {
    for (std::size_t k = 0; k < 4; ++k) {
      const bool adjacent = ((set >> k) & 1U) != 0;
      entries[set][3 * k] = adjacent ? '-' : ' ';
      entries[set][3 * k + 1] = adjacent ? '1' : '0';
      entries[set][3 * k + 2] = ',';
    }
  }
  return entries;
}
constexpr std::array<std::array<char, 12>, 16> kEntries = MakeEntries();

// kCounts[s]: the number of nodes in the 8-bit set s.
constexpr std::array<std::uint8_t, 256> MakeCounts() {
  std::array<std::uint8_t, 256> counts{};
  for (std::size_t set = 1; set < 256; ++set) {
    counts[set] = static_cast<std::uint8_t>(counts[set & (set - 1)] + 1);
  }
  return counts;
}
constexpr std::array<std::uint8_t, 256> kCounts = MakeCounts();

// Room for one block, reused from graph to graph.
std::array<char, 48 * MaxOrder + 96> block;

}  // namespace

void WriteLaplacianScript(const AdjMatrix& m) {
  // Lines of at most 13 + 8 * 3 + 5 characters, then the two commands;
  // entries are laid down 24 characters at a time.
  char* at = block.data();
  for (int i = 1; i <= Order; ++i) {
    const std::uint32_t row = RowBits(m, i);
    const std::size_t width = 3U * static_cast<std::size_t>(Order);
    at = Put(at, i == 1 ? "A := array([[" : "            [");
    std::memcpy(at, kEntries[row & 15U].data(), 12);
    std::memcpy(at + 12, kEntries[(row >> 4U) & 15U].data(), 12);
    // Degree of node i: true entries of its row, minus the true diagonal
    // (-1 to 7, two characters, in place of the diagonal entry).
    const std::uint32_t inBlock = row & ((1U << static_cast<unsigned>(Order)) - 1U);
    const int degree = kCounts[inBlock] - 1;
    char* diagonal = at + 3U * static_cast<std::size_t>(i - 1);
    diagonal[0] = degree < 0 ? '-' : ' ';
    diagonal[1] = static_cast<char>('0' + (degree < 0 ? -degree : degree));
    at += width;
    at[-1] = ']';
    at = Put(at, i < Order ? ",\r\n" : "]);\r\n");
  }
  at = Put(at, "det(A); S := eigenvals(A);\r\nfor i from 1 to ");
  at = std::to_chars(at, block.data() + block.size(), Order).ptr;
  at = Put(at, " do evalf(S[i],5) od;\r\n\r\n");
  Write(ScriptFile, std::string_view(block.data(), static_cast<std::size_t>(at - block.data())));
  Flush(ScriptFile);
}

}  // namespace grafen
