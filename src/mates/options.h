// The command line of grafen-mates:
//   grafen-mates [--matrix M[,M...]] [--order N] [-o FILE] [FILE]
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "program/command_line.h"
#include "spectral/matrix.h"

namespace grafen::mates {

// What the command line asks for.
struct Options {
  bool help = false;
  bool version = false;
  std::vector<spectral::SpectralMatrix> matrices;  // A, G, L, Q, S order; A, L, Q by default
  int order = 0;                                   // 0: from the file name grafenN.txt
  std::string output;                              // "": standard output
  std::string input = "-";                         // "-": standard input
};

using program::UsageError;

// Reads the arguments (the program name excluded). Throws UsageError.
Options ParseOptions(const std::vector<std::string_view>& arguments);

// The usage text, ending in a line end.
std::string UsageText();

}  // namespace grafen::mates
