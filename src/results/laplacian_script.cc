#include "results/laplacian_script.h"

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

// Degree of node i: true entries of its row, minus the true diagonal.
int Degree(const AdjMatrix& m, int i) {
  int count = 0;
  for (int j = 1; j <= Order; ++j) count += m(i, j) != 0 ? 1 : 0;
  return count - 1;
}

}  // namespace

void WriteLaplacianScript(const AdjMatrix& m) {
  std::string block;
  for (int i = 1; i <= Order; ++i) {
    block += i == 1 ? "A := array([[" : "            [";
    for (int j = 1; j <= Order; ++j) {
      if (j == i) {
        block += PaddedInt(Degree(m, i), 2);
      } else {
        block += m(i, j) != 0 ? "-1" : " 0";
      }
      block += j < Order ? "," : "]";
    }
    block += i < Order ? "," : "]);";
    block += LineEnd;
  }
  block += "det(A); S := eigenvals(A);";
  block += LineEnd;
  block += "for i from 1 to " + IntText(Order) + " do evalf(S[i],5) od;";
  block += LineEnd;
  block += LineEnd;
  Write(ScriptFile, block);
  Flush(ScriptFile);
}

}  // namespace grafen
