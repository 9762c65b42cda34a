// Signs of an integer polynomial at doubles, proved in floating point.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "algebra/flint_values.h"

namespace grafen::algebra {

// f with double coefficients, for signs proved by the rounding-error bound
// of Horner's rule: |fl(f(x)) - f(x)| <= gamma(2d) * sum |a_k| |x|^k with
// gamma(m) = m u / (1 - m u), u = 2^-53, when every coefficient and x are
// exact doubles. Hot: this is what makes the common case cheap; every sign it
// cannot prove goes to exact integer arithmetic instead.
class FloatSigns {
 public:
  explicit FloatSigns(const Polynomial& f) {
    if (f.degree() >= static_cast<long>(kMaxCoefficients)) {
      exact_ = false;
      return;
    }
    for (long k = f.degree(); k >= 0; --k) {
      if (fmpz_bits(f.coefficient(k)) > 53) exact_ = false;
      coefficients_[size_++] = fmpz_get_d(f.coefficient(k));
    }
    // 4 (d + 1) u covers gamma(2d) and the rounding of the bound itself.
    factor_ = 4.0 * static_cast<double>(size_) * 0x1p-53;
  }
  // f from machine-word coefficients, lowest power first.
  FloatSigns(const std::int64_t* coefficients, std::size_t degree) {
    if (degree >= kMaxCoefficients) {
      exact_ = false;
      return;
    }
    for (std::size_t k = degree + 1; k > 0; --k) {
      const std::int64_t a = coefficients[k - 1];
      if (a >= kExactLimit || a <= -kExactLimit) exact_ = false;
      coefficients_[size_++] = static_cast<double>(a);
    }
    factor_ = 4.0 * static_cast<double>(size_) * 0x1p-53;
  }
  bool usable() const { return exact_; }

  // The sign of f(x), x taken exactly, when the bound proves it; else 0.
  int Sign(double x) const {
    double value = 0;
    double magnitude = 0;
    for (std::size_t k = 0; k < size_; ++k) {
      value = value * x + coefficients_[k];
      magnitude = magnitude * std::fabs(x) + std::fabs(coefficients_[k]);
    }
    const double bound = factor_ * magnitude;
    return value > bound ? 1 : (value < -bound ? -1 : 0);
  }

 private:
  static constexpr std::int64_t kExactLimit = std::int64_t{1} << 53;
  // Held in place, as signs are taken on a hot path; larger polynomials are
  // left to exact arithmetic.
  static constexpr std::size_t kMaxCoefficients = 64;
  std::array<double, kMaxCoefficients> coefficients_{};  // highest power first
  std::size_t size_ = 0;
  double factor_ = 0;
  bool exact_ = true;
};

}  // namespace grafen::algebra
