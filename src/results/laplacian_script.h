// The Laplacian script file "grafenN.mws": a header, then per graph a Maple
// command setting A to its Laplacian matrix and asking for the determinant
// and the eigenvalues.
#pragma once

#include <cstdint>
#include <string>

#include "UTypes/UTypes.h"
#include "cli/text_out.h"

namespace grafen {

// The script file, open from the start of the run to its end.
extern TextOut ScriptFile;

// "grafen" + order + ".mws".
std::string ScriptFileName(std::int32_t order);

// Writes the three header lines to ScriptFile (not flushed).
void WriteScriptHeader();

// Appends the graph's Laplacian block to ScriptFile and flushes it.
void WriteLaplacianScript(const AdjMatrix& m);

}  // namespace grafen
