// What the companions' command lines share: the reading of their arguments,
// options with values given once, bounded numbers and matrix names.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "spectral/matrix.h"

namespace grafen::program {

// A command line that cannot be obeyed; the message says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Whether an option with a value (named as its messages name it) was
// given before, as `given` lists them; it is listed now. One value an
// option: a second would silently replace the first.
bool GivenBefore(std::vector<std::string_view>& given, std::string_view option);

// The arguments of a command line (the program name excluded), read one at
// a time. An operand is "-", whatever does not start with '-', and every
// argument after "--"; an option is given as `--name`, `--name V`,
// `--name=V`, `-o V`. Each option with a value may be given once (-o and
// --output are one option, named -o).
class Arguments {
 public:
  explicit Arguments(const std::vector<std::string_view>& arguments) : arguments_(arguments) {}

  // Steps to the next argument, past a first "--"; false when none is left.
  bool Next();
  // Whether the argument is an operand.
  bool Operand() const;
  std::string_view argument() const { return arguments_[at_]; }
  // Whether the argument is option `name` given without a value.
  bool Flag(std::string_view name) const { return name_ == name && !hasValue_; }
  // Whether the argument is option `name`, its value to be taken.
  bool Is(std::string_view name) const { return name_ == name; }
  // The option's value, from the argument itself or the next one. Throws
  // UsageError when the option was given before or its value is missing.
  std::string_view Value();
  // The value, a file name that may not be empty. Throws UsageError.
  std::string FileName();
  // The value of -o or --output: "" for standard output (-). Throws
  // UsageError.
  std::string Output();
  // Throws UsageError naming the argument as an unknown option.
  [[noreturn]] void Unknown() const;

 private:
  const std::vector<std::string_view>& arguments_;
  std::size_t at_ = 0;
  bool started_ = false;
  bool optionsEnd_ = false;
  std::string_view name_;  // the option, without its =value
  std::string_view value_;
  bool hasValue_ = false;
  std::vector<std::string_view> given_;  // the options with a value met so far
};

// The value of a text of 1 to `digits` decimal digits, nothing else;
// nothing otherwise.
std::optional<long> Decimal(std::string_view text, std::size_t digits);

// The value of a decimal number of at most `digits` digits in [low, high];
// UsageError "OPTION takes a whole number from LOW to HIGH, not 'TEXT'"
// otherwise.
int Bounded(std::string_view option, std::string_view text, int low, int high,
            std::size_t digits = 9);

// The matrix that a --matrix value names (spectral::MatrixNamed); UsageError
// "--matrix takes CHOICES, not 'TEXT'" otherwise.
spectral::SpectralMatrix MatrixNamed(std::string_view text, std::string_view choices);

// The matrices of a --joint value (as AddMatricesNamed reads them), two or
// more; UsageError otherwise.
std::vector<spectral::SpectralMatrix> JointNamed(std::string_view text);

// What --matrix takes, as its usage error names it.
inline constexpr std::string_view kMatrixChoices =
    "A, B, D, DL, DQ, G, L, N, Q, S, their long names or all, comma-separated";

// Adds to `matrices` those of a --matrix value (short or long names, or
// "all" for every one, comma-separated) not there yet, then puts them in the
// tables' order: A, B, D, DL, DQ, G, L, N, Q, S. UsageError as MatrixNamed
// gives, naming `choices`, otherwise.
void AddMatricesNamed(std::vector<spectral::SpectralMatrix>& matrices, std::string_view text,
                      std::string_view choices);

}  // namespace grafen::program
