#include "census/options.h"

#include <cstddef>

#include "program/command_line.h"

namespace grafen::census {

using spectral::SpectralMatrix;

namespace {

// The digits at most of the counts --part and --order take.
constexpr std::size_t kCountDigits = 7;

// A whole number from 1 to `high`, or 0.
long Whole(std::string_view text, long high) {
  const std::optional<long> value = program::Decimal(text, kCountDigits);
  return value && *value <= high ? *value : 0;
}

// The part K/M that --part names. Throws UsageError.
Part PartNamed(std::string_view text) {
  const std::size_t slash = text.find('/');
  const long m = slash == std::string_view::npos ? 0 : Whole(text.substr(slash + 1), kMaxParts);
  const long part = slash == std::string_view::npos ? 0 : Whole(text.substr(0, slash), m);
  if (part == 0 || m == 0) {
    throw UsageError("--part takes K/M with 1 <= K <= M <= " + std::to_string(kMaxParts) +
                     ", not '" + std::string(text) + "'");
  }
  return Part{static_cast<int>(part), static_cast<int>(m)};
}

// Checks that the options given fit together, and fills in the defaults:
// standard input, all three matrices in the table's order. Throws
// UsageError.
void CheckTogether(Options& options) {
  if (!options.tables.empty() && !options.merge) throw UsageError("--tables needs --merge");
  if (options.merge) {
    if (options.inputs.empty() && options.tables.empty()) {
      throw UsageError("--merge needs the part tables to add");
    }
    if (!options.matrices.empty() || !options.joint.empty() || !options.part.whole() ||
        !options.families.empty() || options.order != 0) {
      throw UsageError("--merge takes only -o, --tables and the part tables");
    }
    return;
  }
  if (options.inputs.size() > 1) throw UsageError("more than one input file");
  if (options.inputs.empty()) options.inputs.emplace_back("-");
  if (options.matrices.empty()) {
    options.matrices = {SpectralMatrix::kAdjacency, SpectralMatrix::kLaplacian,
                        SpectralMatrix::kSignless};
  }
  if (!options.families.empty() && options.families == options.output) {
    throw UsageError("--families and -o name the same file");
  }
}

}  // namespace

std::string UsageText() {
  return "usage: grafen-census [--matrix M[,M...]] [--joint M,M[,M...]] [--part K/M]\n"
         "                     [--families FILE] [--order N] [-o FILE] [FILE]\n"
         "       grafen-census --merge [--tables LIST] [-o FILE] [FILE...]\n"
         "Counts, for every order and edge count of a graph6 stream (nauty-geng's\n"
         "output) or an edge list (FILE - or none: standard input), the graphs, their\n"
         "distinct spectra, cospectral families and integral graphs, exactly, as CSV.\n"
         "  --matrix M      A adjacency, B non-backtracking, D distance, DL distance\n"
         "                  Laplacian, DQ distance signless Laplacian, G generalized\n"
         "                  (A and the complement's A), L Laplacian, N normalized\n"
         "                  Laplacian, Q signless Laplacian, S Seidel; several,\n"
         "                  comma-separated, or all (default: A, L, Q)\n"
         "  --joint M,M     also count the graphs cospectral for all these matrices at\n"
         "                  once, as the rows of the set M+M\n"
         "  --part K/M      only part K of M of each edge count (split by a key the\n"
         "                  spectrum determines); --merge adds the parts up\n"
         "  --families FILE also write every cospectral family of each matrix as CSV,\n"
         "                  a row per graph: its family's identifier and size, its\n"
         "                  number in the input and graph6\n"
         "  --order N       the number of nodes of an edge list, 1 to " +
         std::to_string(kMaxOrder) +
         " (default: N of\n"
         "                  grafenN.txt)\n"
         "  --merge         add the part tables FILE... into the census\n"
         "  --tables LIST   --merge also the tables LIST names, one path a line (LIST -:\n"
         "                  standard input), however many there are\n"
         "  -o FILE         write the table to FILE (it appears only when complete)\n"
         "  --help          show this text;  --version  show the version\n";
}

Options ParseOptions(const std::vector<std::string_view>& arguments) {
  Options options;
  program::Arguments given(arguments);
  while (given.Next()) {
    if (given.Operand()) {
      options.inputs.emplace_back(given.argument());
    } else if (given.Flag("--help")) {
      options.help = true;
    } else if (given.Flag("--version")) {
      options.version = true;
    } else if (given.Flag("--merge")) {
      options.merge = true;
    } else if (given.Is("--matrix")) {
      program::AddMatricesNamed(options.matrices, given.Value(), program::kMatrixChoices);
    } else if (given.Is("--joint")) {
      options.joint = program::JointNamed(given.Value());
    } else if (given.Is("--part")) {
      options.part = PartNamed(given.Value());
    } else if (given.Is("--order")) {
      options.order = program::Bounded("--order", given.Value(), 1, kMaxOrder, kCountDigits);
    } else if (given.Is("--families")) {
      options.families = given.FileName();
    } else if (given.Is("--tables")) {
      options.tables = given.FileName();
    } else if (given.Is("-o") || given.Is("--output")) {
      options.output = given.Output();
    } else {
      given.Unknown();
    }
  }
  if (options.help || options.version) return options;
  CheckTogether(options);
  return options;
}

}  // namespace grafen::census
