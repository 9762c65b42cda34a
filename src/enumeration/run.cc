#include "enumeration/run.h"

#include "cli/command_line.h"
#include "cli/text_out.h"
#include "enumeration/codes.h"
#include "enumeration/connectivity.h"
#include "enumeration/fast_sieve.h"
#include "enumeration/sieve.h"
#include "results/edge_list.h"
#include "results/laplacian_script.h"

namespace grafen {

std::int32_t First(bool connectedOnly) { return connectedOnly ? Power2(Order - 1) - 1 : 0; }

void ForEachWrittenGraph(bool connectedOnly, bool literalSieve,
                         const std::function<void(const AdjMatrix&)>& write) {
  if (!literalSieve) {
    for (const EdgeCode code : ClassMinima(Order)) {
      const AdjMatrix m = MatrixFromCode(code);
      if (!connectedOnly || ReachesEveryNode(m)) write(m);
    }
    return;
  }
  const std::int32_t maxEdges = MaxEdgesOf(Order);
  const std::int32_t codeCount = Power2(maxEdges);
  for (EdgeCode code = First(connectedOnly); code < codeCount; ++code) {
    if (IsSeen(code)) continue;
    MarkClass(code, maxEdges);
    const AdjMatrix m = MatrixFromCode(code);
    if (!connectedOnly || IsConnected(m)) write(m);
  }
}

void RunEnumerationWith(bool connectedOnly, bool literalSieve) {
  WriteLine(Console, "");
  const std::string edgeName = EdgeListFileName(Order);
  WriteLine(Console, "Saved to file: " + edgeName);
  EdgeFile = CreateTextFile(edgeName);
  const std::string scriptName = ScriptFileName(Order);
  WriteLine(Console, "Saved to file: " + scriptName);
  ScriptFile = CreateTextFile(scriptName);
  WriteScriptHeader();

  const std::int32_t maxEdges = MaxEdgesOf(Order);
  WriteLine(Console, "Maximum # edges = " + IntText(maxEdges));
  Write(Console, "Results ");
  AllocateSeenSet(Power2(maxEdges));
  SetLength(Perm, Order);
  SetLength(Position, Order + 1);

  ForEachWrittenGraph(connectedOnly, literalSieve, [](const AdjMatrix& m) {
    WriteEdgeList(m);
    WriteLaplacianScript(m);
  });

  WriteLine(Console, "");
  Close(EdgeFile);
  Close(ScriptFile);
}

}  // namespace grafen
