#include "results/edge_list.h"

#include "cli/command_line.h"

namespace grafen {

TextOut EdgeFile;
std::int32_t GraphCount = 0;

std::string EdgeListFileName(std::int32_t order) { return "grafen" + IntText(order) + ".txt"; }

void WriteEdgeList(const AdjMatrix& m) {
  ++GraphCount;
  WriteLine(EdgeFile, IntText(GraphCount));
  Write(Console, ".");
  std::string edges;
  for (int i = 1; i <= Order; ++i) {
    for (int j = i + 1; j <= Order; ++j) {
      if (m(i, j) != 0) edges += PaddedInt(i, 5) + PaddedInt(j, 5) + std::string(LineEnd);
    }
  }
  Write(EdgeFile, edges);
  WriteLine(EdgeFile, "");
  Flush(EdgeFile);
}

}  // namespace grafen
