// The command line of grafen-spectra:
//   grafen-spectra [--matrix M[,M...]] [--joint M,M[,M...]] [--order N] [--digits D]
//                  [-o FILE] [FILE]
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "program/command_line.h"
#include "spectral/charpoly.h"

namespace grafen::spectra {

inline constexpr int kDefaultDigits = 5;
inline constexpr int kMaxDigits = 40;

// What the command line asks for.
struct Options {
  bool help = false;
  bool version = false;
  // The matrices whose spectra the table holds, in the tables' order.
  std::vector<spectral::SpectralMatrix> matrices = {spectral::SpectralMatrix::kLaplacian};
  // --joint: graphs cospectral for all of these at once get columns of their
  // own; without --matrix, the table holds these matrices. None: empty.
  std::vector<spectral::SpectralMatrix> joint;
  int order = 0;  // 0: from the file name or the edges
  int digits = kDefaultDigits;
  std::string output;       // "": standard output
  std::string input = "-";  // "-": standard input
};

using program::UsageError;

// Reads the arguments (the program name excluded). Throws UsageError.
Options ParseOptions(const std::vector<std::string_view>& arguments);

// The usage text, ending in a line end.
std::string UsageText();

}  // namespace grafen::spectra
