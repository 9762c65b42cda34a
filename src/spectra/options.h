// The command line of grafen-spectra:
//   grafen-spectra [--matrix M] [--order N] [--digits D] [-o FILE] [FILE]
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "spectra/charpoly.h"

namespace grafen::spectra {

inline constexpr int kMinOrder = 1;
inline constexpr int kMaxOrder = 62;
inline constexpr int kDefaultDigits = 5;
inline constexpr int kMaxDigits = 40;

// What the command line asks for.
struct Options {
  bool help = false;
  bool version = false;
  SpectralMatrix matrix = SpectralMatrix::kLaplacian;
  int order = 0;  // 0: from the file name or the edges
  int digits = kDefaultDigits;
  std::string output;       // "": standard output
  std::string input = "-";  // "-": standard input
};

// A command line that cannot be obeyed; the message says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments (the program name excluded). Throws UsageError.
Options ParseOptions(const std::vector<std::string_view>& arguments);

// Whether an option with a value (named as its messages name it) was
// given before, as `given` lists them; it is listed now. One value an
// option: a second would silently replace the first.
bool GivenBefore(std::vector<std::string_view>& given, std::string_view option);

// The N of a path whose last component is "grafenN.txt" (N decimal digits),
// nothing for any other path. N may be outside the orders accepted.
std::optional<long> OrderFromFileName(std::string_view path);

class ReplayableInput;

// The order of an edge list read from a path named grafenN.txt, 0 for any
// other name or for graph6, whose graphs state their own (the input's first
// byte after any empty lines tells). Throws std::runtime_error naming an
// order outside 1..kMaxOrder, std::system_error and SpoolError.
int OrderOfFileName(const std::string& path, ReplayableInput& input);

// The usage text, ending in a line end.
std::string UsageText();

}  // namespace grafen::spectra
