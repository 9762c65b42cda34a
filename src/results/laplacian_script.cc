#include "results/laplacian_script.h"

#include <array>
#include <charconv>
#include <cstring>
#include <string_view>

#include "cli/command_line.h"

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

}  // namespace

void WriteLaplacianScript(const AdjMatrix& m) {
  if (Order > MaxOrder) RaiseRangeError();  // where the first row's index would fail
  // Lines of at most 13 + 8 * 3 + 2 + 2 characters, then the two commands.
  std::array<char, 48 * MaxOrder + 96> block{};
  char* at = block.data();
  const auto order = static_cast<std::size_t>(Order < 0 ? 0 : Order);
  for (std::size_t i = 0; i < order; ++i) {
    at = Put(at, i == 0 ? "A := array([[" : "            [");
    // Degree of node i: true entries of its row, minus the true diagonal
    // (-1 to 7, two characters).
    int degree = -1;
    for (std::size_t j = 0; j < order; ++j) degree += m.cell[i][j] != 0 ? 1 : 0;
    for (std::size_t j = 0; j < order; ++j) {
      if (j == i) {
        at[0] = degree < 0 ? '-' : ' ';
        at[1] = static_cast<char>('0' + (degree < 0 ? -degree : degree));
      } else {
        at[0] = m.cell[i][j] != 0 ? '-' : ' ';
        at[1] = m.cell[i][j] != 0 ? '1' : '0';
      }
      at[2] = j + 1 < order ? ',' : ']';
      at += 3;
    }
    at = Put(at, i + 1 < order ? ",\r\n" : "]);\r\n");
  }
  at = Put(at, "det(A); S := eigenvals(A);\r\nfor i from 1 to ");
  at = std::to_chars(at, block.data() + block.size(), Order).ptr;
  at = Put(at, " do evalf(S[i],5) od;\r\n\r\n");
  Write(ScriptFile, std::string_view(block.data(), static_cast<std::size_t>(at - block.data())));
  Flush(ScriptFile);
}

}  // namespace grafen
