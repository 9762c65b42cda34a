#include "spectra/options.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "formats/graph_reader.h"
#include "program/command_line.h"

namespace grafen::spectra {

using spectral::SpectralMatrix;
namespace {

// The value of a decimal number in [low, high]; UsageError naming the option
// otherwise.
int Bounded(std::string_view option, std::string_view text, int low, int high) {
  long value = 0;
  bool valid = !text.empty() && text.size() <= 9;
  for (const char c : text) {
    if (!valid || c < '0' || c > '9') {
      valid = false;
      break;
    }
    value = value * 10 + (c - '0');
  }
  if (!valid || value < low || value > high) {
    throw UsageError(std::string(option) + " takes a whole number from " + std::to_string(low) +
                     " to " + std::to_string(high) + ", not '" + std::string(text) + "'");
  }
  return static_cast<int>(value);
}

// The matrix a --matrix value names.
SpectralMatrix MatrixNamed(std::string_view text) {
  if (const std::optional<SpectralMatrix> named = spectral::MatrixNamed(text)) return *named;
  throw UsageError("--matrix takes laplacian, signless or adjacency (L, Q, A), not '" +
                   std::string(text) + "'");
}

}  // namespace

std::string UsageText() {
  return "usage: grafen-spectra [--matrix M] [--order N] [--digits D] [-o FILE] [FILE]\n"
         "Writes the spectrum of every graph of an edge list (grafenN.txt) or of a\n"
         "graph6 stream (nauty-geng's output) as CSV to standard output or to FILE\n"
         "(FILE - or none: standard input).\n"
         "  --matrix M   laplacian (L, the default), signless (Q) or adjacency (A)\n"
         "  --order N    the number of nodes, 1 to 62 (default: N of grafenN.txt,\n"
         "               else the largest node listed; in graph6 the largest accepted)\n"
         "  --digits D   significant digits of non-integer eigenvalues, 1 to 40 (default 5)\n"
         "  -o FILE      write the CSV to FILE (replaced whole, only on success)\n"
         "  --help       show this text;  --version  show the version\n";
}

Options ParseOptions(const std::vector<std::string_view>& arguments) {
  Options options;
  bool inputGiven = false;
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
      if (inputGiven) throw UsageError("more than one input file");
      options.input = argument;
      inputGiven = true;
    } else if (argument == "--") {
      optionsEnd = true;
    } else if (name == "--help" && !hasValue) {
      options.help = true;
    } else if (name == "--version" && !hasValue) {
      options.version = true;
    } else if (name == "--matrix") {
      options.matrix = MatrixNamed(takeValue());
    } else if (name == "--order") {
      options.order = Bounded(name, takeValue(), 1, kMaxOrder);
    } else if (name == "--digits") {
      options.digits = Bounded(name, takeValue(), 1, kMaxDigits);
    } else if (name == "-o" || name == "--output") {
      options.output = takeValue();
      if (options.output.empty()) throw UsageError(std::string(name) + " needs a file name");
      if (options.output == "-") options.output.clear();
    } else {
      throw UsageError("unknown option '" + std::string(argument) + "'");
    }
  }
  return options;
}

}  // namespace grafen::spectra
