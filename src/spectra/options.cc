#include "spectra/options.h"

#include <string>

#include "formats/graph_reader.h"
#include "program/command_line.h"

namespace grafen::spectra {

std::string UsageText() {
  return "usage: grafen-spectra [--matrix M[,M...]] [--joint M,M[,M...]] [--order N]\n"
         "                      [--digits D] [-o FILE] [FILE]\n"
         "Writes the spectrum of every graph of an edge list (grafenN.txt) or of a\n"
         "graph6 stream (nauty-geng's output) as CSV to standard output or to FILE\n"
         "(FILE - or none: standard input).\n"
         "  --matrix M   laplacian (L, the default), signless (Q), adjacency (A),\n"
         "               seidel (S), generalized (G: A and the complement's A),\n"
         "               distance (D), distance-laplacian (DL), distance-signless\n"
         "               (DQ), normalized (N: the normalized Laplacian) or\n"
         "               non-backtracking (B); several, comma-separated (A,L,Q), or\n"
         "               all: one table, each its own columns\n"
         "  --joint M,M  also tell the graphs cospectral for all these matrices at once\n"
         "               (M+M_integral, M+M_cospectral_with; the matrices, unless --matrix)\n"
         "  --order N    the number of nodes, 1 to " +
         std::to_string(kMaxOrder) +
         " (default: N of grafenN.txt,\n"
         "               else the largest node listed; in graph6 the largest accepted)\n"
         "  --digits D   significant digits of non-integer eigenvalues, 1 to 40 (default 5)\n"
         "  -o FILE      write the CSV to FILE (replaced whole, only on success)\n"
         "  --help       show this text;  --version  show the version\n";
}

Options ParseOptions(const std::vector<std::string_view>& arguments) {
  Options options;
  bool inputGiven = false;
  bool matrixGiven = false;
  program::Arguments given(arguments);
  while (given.Next()) {
    if (given.Operand()) {
      if (inputGiven) throw UsageError("more than one input file");
      options.input = given.argument();
      inputGiven = true;
    } else if (given.Flag("--help")) {
      options.help = true;
    } else if (given.Flag("--version")) {
      options.version = true;
    } else if (given.Is("--matrix")) {
      options.matrices.clear();
      program::AddMatricesNamed(options.matrices, given.Value(), program::kMatrixChoices);
      matrixGiven = true;
    } else if (given.Is("--joint")) {
      options.joint = program::JointNamed(given.Value());
    } else if (given.Is("--order")) {
      options.order = program::Bounded("--order", given.Value(), 1, kMaxOrder);
    } else if (given.Is("--digits")) {
      options.digits = program::Bounded("--digits", given.Value(), 1, kMaxDigits);
    } else if (given.Is("-o") || given.Is("--output")) {
      options.output = given.Output();
    } else {
      given.Unknown();
    }
  }
  if (!options.joint.empty() && !matrixGiven) options.matrices = options.joint;
  return options;
}

}  // namespace grafen::spectra
