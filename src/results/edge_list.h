// The edge-list file "grafenN.txt": per graph its number, one line per edge
// ("    i    j", fields of 5), and an empty line.
#pragma once

#include <cstdint>
#include <string>

#include "UTypes/UTypes.h"
#include "cli/text_out.h"

namespace grafen {

// The edge-list file, open from the start of the run to its end.
extern TextOut EdgeFile;

// The number of graphs written so far; numbers the blocks of EdgeFile.
extern std::int32_t GraphCount;

// "grafen" + order + ".txt".
std::string EdgeListFileName(std::int32_t order);

// Appends the next numbered graph to EdgeFile, prints a dot on the console
// and flushes EdgeFile.
void WriteEdgeList(const AdjMatrix& m);

}  // namespace grafen
