#include "census/options.h"

#include <algorithm>
#include <cstddef>

#include "program/command_line.h"

namespace grafen::census {

using spectral::SpectralMatrix;
namespace {

// The matrices of a --matrix value: letters or names, comma-separated.
std::vector<SpectralMatrix> MatricesNamed(std::string_view text) {
  std::vector<SpectralMatrix> matrices;
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view name = text.substr(0, comma);
    if (const std::optional<SpectralMatrix> named = spectral::MatrixNamed(name)) {
      matrices.push_back(*named);
    } else {
      throw UsageError(
          "--matrix takes A, L, Q (adjacency, laplacian, signless), "
          "comma-separated, not '" +
          std::string(name) + "'");
    }
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return matrices;
}

// A whole number from 1 to `high`, or nothing.
long Whole(std::string_view text, long high) {
  long value = 0;
  if (text.empty() || text.size() > 7) return 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value <= high ? value : 0;
}

// Whether a comes before b in the table's order of matrices (A, L, Q).
bool TableOrder(SpectralMatrix a, SpectralMatrix b) {
  const auto rank = [](SpectralMatrix m) {
    return m == SpectralMatrix::kAdjacency ? 0 : (m == SpectralMatrix::kLaplacian ? 1 : 2);
  };
  return rank(a) < rank(b);
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

// The order that --order names. Throws UsageError.
int OrderNamed(std::string_view text) {
  const auto order = static_cast<int>(Whole(text, kMaxOrder));
  if (order == 0) {
    throw UsageError("--order takes a whole number from 1 to 62, not '" + std::string(text) + "'");
  }
  return order;
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
    if (!options.matrices.empty() || !options.part.whole() || !options.families.empty() ||
        options.order != 0) {
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
  std::sort(options.matrices.begin(), options.matrices.end(), TableOrder);
  if (!options.families.empty() && options.matrices.size() != 1) {
    throw UsageError("--families needs exactly one --matrix");
  }
  if (!options.families.empty() && options.families == options.output) {
    throw UsageError("--families and -o name the same file");
  }
}

}  // namespace

std::string UsageText() {
  return "usage: grafen-census [--matrix A,L,Q] [--part K/M] [--families FILE] [--order N]\n"
         "                     [-o FILE] [FILE]\n"
         "       grafen-census --merge [--tables LIST] [-o FILE] [FILE...]\n"
         "Counts, for every order and edge count of a graph6 stream (nauty-geng's\n"
         "output) or an edge list (FILE - or none: standard input), the graphs, their\n"
         "distinct spectra, cospectral families and integral graphs, exactly, as CSV.\n"
         "  --matrix M      adjacency A, Laplacian L, signless Laplacian Q, or several,\n"
         "                  comma-separated (default: all three)\n"
         "  --part K/M      only part K of M of each edge count (split by a key the\n"
         "                  spectrum determines); --merge adds the parts up\n"
         "  --families FILE also write every cospectral family as graph6 lines, an\n"
         "                  empty line after each (one --matrix only)\n"
         "  --order N       the number of nodes of an edge list, 1 to 62 (default: N of\n"
         "                  grafenN.txt)\n"
         "  --merge         add the part tables FILE... into the census\n"
         "  --tables LIST   --merge also the tables LIST names, one path a line (LIST -:\n"
         "                  standard input), however many there are\n"
         "  -o FILE         write the table to FILE (it appears only when complete)\n"
         "  --help          show this text;  --version  show the version\n";
}

Options ParseOptions(const std::vector<std::string_view>& arguments) {
  Options options;
  bool optionsEnd = false;
  std::vector<std::string_view> given;  // the options with a value met so far
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const std::string_view argument = arguments[k];
    std::string_view name = argument;
    std::string_view value;
    bool hasValue = false;
    const std::size_t equals = argument.find('=');
    if (!optionsEnd && argument.starts_with("--") && equals != std::string_view::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
      hasValue = true;
    }
    const auto takeValue = [&]() -> std::string_view {
      const std::string_view option = name == "--output" ? "-o" : name;
      if (program::GivenBefore(given, option)) {
        throw UsageError(std::string(option) + " given more than once");
      }
      if (hasValue) return value;
      if (k + 1 >= arguments.size()) throw UsageError(std::string(name) + " needs a value");
      return arguments[++k];
    };
    if (optionsEnd || argument == "-" || !argument.starts_with("-")) {
      options.inputs.emplace_back(argument);
    } else if (argument == "--") {
      optionsEnd = true;
    } else if (name == "--help" && !hasValue) {
      options.help = true;
    } else if (name == "--version" && !hasValue) {
      options.version = true;
    } else if (name == "--merge" && !hasValue) {
      options.merge = true;
    } else if (name == "--matrix") {
      for (const SpectralMatrix m : MatricesNamed(takeValue())) {
        if (std::find(options.matrices.begin(), options.matrices.end(), m) ==
            options.matrices.end()) {
          options.matrices.push_back(m);
        }
      }
    } else if (name == "--part") {
      options.part = PartNamed(takeValue());
    } else if (name == "--order") {
      options.order = OrderNamed(takeValue());
    } else if (name == "--families") {
      options.families = takeValue();
      if (options.families.empty()) throw UsageError("--families needs a file name");
    } else if (name == "--tables") {
      options.tables = takeValue();
      if (options.tables.empty()) throw UsageError("--tables needs a file name");
    } else if (name == "-o" || name == "--output") {
      options.output = takeValue();
      if (options.output.empty()) throw UsageError(std::string(name) + " needs a file name");
      if (options.output == "-") options.output.clear();
    } else {
      throw UsageError("unknown option '" + std::string(argument) + "'");
    }
  }
  if (options.help || options.version) return options;
  CheckTogether(options);
  return options;
}

}  // namespace grafen::census
