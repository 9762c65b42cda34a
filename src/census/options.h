// The command line of grafen-census:
//   grafen-census [--matrix M[,M...]] [--joint M,M[,M...]] [--part K/M] [--families FILE]
//                 [--order N] [-o FILE] [FILE]
//   grafen-census --scatter M --spool DIR [--slice R/S] [--matrix ...] [--order N] [FILE]
//   grafen-census --merge [--tables LIST] [-o FILE] [FILE...]
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "census/census_table.h"
#include "program/command_line.h"
#include "spectral/charpoly.h"

namespace grafen::census {

// What the command line asks for.
struct Options {
  bool help = false;
  bool version = false;
  bool merge = false;
  std::vector<spectral::SpectralMatrix> matrices;  // the tables' order; A, L, Q by default
  std::vector<spectral::SpectralMatrix> joint;     // --joint: a set counted at once; none: empty
  Part part;                                       // --part K/M, or --scattered K/M
  int scatter = 0;                                 // --scatter M: route to M parts (0: count)
  std::string spool;                               // --scatter: the directory to make
  int slice = 0;                                   // --scatter: which slice of the stream this is,
  int slices = 1;                                  // as nauty-geng's res/mod
  int order = 0;                    // 0: from the file name grafenN.txt (edge lists only)
  std::string families;             // "": none
  std::string output;               // "": standard output
  std::string tables;               // --merge: a file listing tables, a line each; "": none
  std::vector<std::string> inputs;  // "-": standard input; several only with --merge
};

using program::UsageError;

// Reads the arguments (the program name excluded). Throws UsageError.
Options ParseOptions(const std::vector<std::string_view>& arguments);

// The usage text, ending in a line end.
std::string UsageText();

}  // namespace grafen::census
