// Positive numbers rounded to a number of significant decimal digits, exactly:
// the rounding of a rational, the interval of reals that round to a given
// decimal, and the text of a decimal.
#pragma once

#include <string>

#include "algebra/flint_values.h"

namespace grafen::algebra {

// The decimal mantissa * 10^exponent, mantissa holding exactly the chosen
// number of significant digits (no leading zero).
struct Decimal {
  std::string mantissa;
  long exponent = 0;
  bool negative = false;  // the value is -mantissa * 10^exponent (text only)
  bool operator==(const Decimal&) const = default;
};

// The positive rational q rounded to `digits` significant digits (half up).
Decimal RoundRational(const fmpq* q, int digits);

// A positive double rounded to `digits` (at most 17) significant digits: a
// guess at the rounding of a nearby real, to be checked exactly.
Decimal RoundDouble(double x, int digits);

// Sets [low, high] to the reals that round to d (ends aside, which only
// rationals can reach).
void RoundingCell(const Decimal& d, fmpq* low, fmpq* high);

// d in plain positional notation ("0.58579", "3.4142"), or in exponent
// notation ("1.3e1") when no digit falls after the point, so that a rounded
// value never reads as an integer.
std::string DecimalText(const Decimal& d);

// Compares two non-negative values given as decimals: <0, 0 or >0.
int CompareDecimals(const Decimal& a, const Decimal& b);

// An integer as a decimal with its exact digits ("0" for zero).
Decimal IntegerDecimal(long value);

}  // namespace grafen::algebra
