#include "algebra/decimal.h"

#include <flint/flint.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace grafen::algebra {
namespace {

// value := 10^power, power >= 0.
void SetPowerOfTen(fmpz* value, long power) {
  fmpz_set_ui(value, 10);
  fmpz_pow_ui(value, value, static_cast<ulong>(power));
}

// result := q * 10^power, for any sign of power.
void ScaleByPowerOfTen(fmpq* result, const fmpq* q, long power) {
  Integer scale;
  SetPowerOfTen(scale.get(), std::labs(power));
  if (power >= 0) {
    fmpq_mul_fmpz(result, q, scale.get());
  } else {
    fmpq_div_fmpz(result, q, scale.get());
  }
}

// The exponent e with 10^e <= q < 10^(e+1), for a positive rational q.
long DecimalMagnitude(const fmpq* q) {
  const double estimate = fmpq_get_d(q);
  long e = std::isfinite(estimate) && estimate > 0
               ? static_cast<long>(std::floor(std::log10(estimate)))
               : 0;
  Rational one;
  fmpq_one(one.get());
  Rational power;
  for (;;) {
    ScaleByPowerOfTen(power.get(), one.get(), e);
    if (fmpq_cmp(q, power.get()) < 0) {
      --e;
      continue;
    }
    ScaleByPowerOfTen(power.get(), one.get(), e + 1);
    if (fmpq_cmp(q, power.get()) >= 0) {
      ++e;
      continue;
    }
    return e;
  }
}

}  // namespace

std::string IntegerText(const fmpz* value) {
  if (fmpz_fits_si(value) != 0) return std::to_string(fmpz_get_si(value));
  const std::unique_ptr<char, decltype(&flint_free)> text(fmpz_get_str(nullptr, 10, value),
                                                          &flint_free);
  return text.get();
}

Decimal RoundRational(const fmpq* q, int digits) {
  const long exponent = DecimalMagnitude(q) - digits + 1;
  Rational scaled;
  ScaleByPowerOfTen(scaled.get(), q, -exponent);
  Rational half;
  fmpq_set_si(half.get(), 1, 2);
  fmpq_add(scaled.get(), scaled.get(), half.get());
  Integer mantissa;
  fmpz_fdiv_q(mantissa.get(), fmpq_numref(scaled.get()), fmpq_denref(scaled.get()));
  Decimal d{IntegerText(mantissa.get()), exponent};
  if (d.mantissa.size() > static_cast<std::size_t>(digits)) {  // 99.996 -> 100.00
    d.mantissa.pop_back();
    ++d.exponent;
  }
  return d;
}

Decimal RoundDouble(double x, int digits) {
  std::array<char, 64> text{};
  const int length = std::snprintf(text.data(), text.size(), "%.*e", digits - 1, x);
  const std::string s(text.data(), static_cast<std::size_t>(std::max(length, 0)));
  const std::size_t e = s.find('e');
  std::string mantissa;
  for (std::size_t k = 0; k < e; ++k) {
    if (s[k] != '.') mantissa.push_back(s[k]);
  }
  return Decimal{mantissa, std::stol(s.substr(e + 1)) - digits + 1};
}

void RoundingCell(const Decimal& d, fmpq* low, fmpq* high) {
  // In units of 10^exponent / 20: the mantissa is 20 m, half a unit is 10;
  // below a power of ten the next smaller decimals are ten times finer.
  Integer m;
  fmpz_set_str(m.get(), d.mantissa.c_str(), 10);
  fmpz_mul_ui(m.get(), m.get(), 20);
  const bool powerOfTen = d.mantissa.find_first_not_of('0', 1) == std::string::npos;
  Rational bound;
  Integer end;
  fmpz_sub_ui(end.get(), m.get(), powerOfTen ? 1 : 10);
  fmpq_set_fmpz_frac(bound.get(), end.get(), Integer(20).get());
  ScaleByPowerOfTen(low, bound.get(), d.exponent);
  fmpz_add_ui(end.get(), m.get(), 10);
  fmpq_set_fmpz_frac(bound.get(), end.get(), Integer(20).get());
  ScaleByPowerOfTen(high, bound.get(), d.exponent);
}

std::string DecimalText(const Decimal& d) {
  if (d.negative) {
    Decimal magnitude = d;
    magnitude.negative = false;
    std::string text(1, '-');
    text.append(DecimalText(magnitude));
    return text;
  }
  const long digits = static_cast<long>(d.mantissa.size());
  if (d.exponent >= 0) {
    std::string text = d.mantissa.substr(0, 1);
    if (digits > 1) {
      text.push_back('.');
      text.append(d.mantissa, 1);
    }
    text.push_back('e');
    text.append(std::to_string(d.exponent + digits - 1));
    return text;
  }
  const long point = digits + d.exponent;  // digits before the decimal point
  if (point > 0) {
    const auto split = static_cast<std::size_t>(point);
    return d.mantissa.substr(0, split) + "." + d.mantissa.substr(split);
  }
  return "0." + std::string(static_cast<std::size_t>(-point), '0') + d.mantissa;
}

int CompareDecimals(const Decimal& a, const Decimal& b) {
  const bool aZero = a.mantissa.find_first_not_of('0') == std::string::npos;
  const bool bZero = b.mantissa.find_first_not_of('0') == std::string::npos;
  if (aZero || bZero) return static_cast<int>(bZero) - static_cast<int>(aZero);
  const long aMagnitude = static_cast<long>(a.mantissa.size()) + a.exponent;
  const long bMagnitude = static_cast<long>(b.mantissa.size()) + b.exponent;
  if (aMagnitude != bMagnitude) return aMagnitude < bMagnitude ? -1 : 1;
  const std::size_t length = std::max(a.mantissa.size(), b.mantissa.size());
  std::string aDigits = a.mantissa;
  std::string bDigits = b.mantissa;
  aDigits.resize(length, '0');
  bDigits.resize(length, '0');
  return aDigits.compare(bDigits) < 0 ? -1 : (aDigits == bDigits ? 0 : 1);
}

Decimal IntegerDecimal(long value) { return Decimal{std::to_string(value), 0}; }

}  // namespace grafen::algebra
