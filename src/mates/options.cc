#include "mates/options.h"

#include "mates/mates.h"

namespace grafen::mates {

using spectral::SpectralMatrix;

std::string UsageText() {
  return "usage: grafen-mates [--matrix M[,M...]] [--order N] [-o FILE] [FILE]\n"
         "Tells, for every graph of a graph6 stream or an edge list (FILE - or none:\n"
         "standard input), of order 1 to " +
         std::to_string(kMaxSearchOrder) +
         ", whether its spectrum determines it among all\n"
         "graphs of its order, and lists its cospectral mates as canonical graph6,\n"
         "exactly, as CSV. The candidates come from nauty-geng (Debian package nauty).\n"
         "  --matrix M   A adjacency, B non-backtracking, D distance, DL distance\n"
         "               Laplacian, DQ distance signless Laplacian, G generalized (A\n"
         "               and the complement's A), L Laplacian, N normalized Laplacian,\n"
         "               Q signless Laplacian, S Seidel; several, comma-separated, or\n"
         "               all (default: A, L, Q)\n"
         "  --order N    the number of nodes of an edge list, 1 to " +
         std::to_string(kMaxSearchOrder) +
         " (default: N of\n"
         "               grafenN.txt)\n"
         "  -o FILE      write the table to FILE (it appears only when complete)\n"
         "  --help       show this text;  --version  show the version\n";
}

Options ParseOptions(const std::vector<std::string_view>& arguments) {
  Options options;
  bool inputGiven = false;
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
      program::AddMatricesNamed(options.matrices, given.Value(), program::kMatrixChoices);
    } else if (given.Is("--order")) {
      options.order = program::Bounded("--order", given.Value(), 1, kMaxSearchOrder);
    } else if (given.Is("-o") || given.Is("--output")) {
      options.output = given.Output();
    } else {
      given.Unknown();
    }
  }
  if (options.matrices.empty()) {
    options.matrices = {SpectralMatrix::kAdjacency, SpectralMatrix::kLaplacian,
                        SpectralMatrix::kSignless};
  }
  return options;
}

}  // namespace grafen::mates
