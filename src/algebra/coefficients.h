// An integer polynomial held in whichever form is cheapest: machine words
// when its degree and coefficients fit them, FLINT's exact form otherwise.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "algebra/flint_values.h"

namespace grafen::algebra {

// The coefficients of an integer polynomial, lowest power first. Small
// polynomials (degree up to kWordDegree, every coefficient an int64: every
// graph matrix's det(xI - M) up to order 13, the common case) stay in a
// fixed array, so that filling one makes no FLINT value and allocates
// nothing; larger ones are held exactly by FLINT. Which form holds it is a
// matter of cost only: both stand for the same polynomial.
class Coefficients {
 public:
  static constexpr std::size_t kWordDegree = 13;

  // The polynomial of this degree (at most kWordDegree) from machine words,
  // lowest power first.
  void SetWords(const std::int64_t* lowestFirst, std::size_t degree) {
    inWords_ = true;
    degree_ = degree;
    for (std::size_t k = 0; k <= degree; ++k) words_[k] = lowestFirst[k];
  }

  // The polynomial p (degree >= 0), in words when they hold it.
  void Set(const Polynomial& p) {
    degree_ = static_cast<std::size_t>(p.degree());
    inWords_ = degree_ <= kWordDegree;
    for (std::size_t k = 0; inWords_ && k <= degree_; ++k) {
      const fmpz* c = p.coefficient(static_cast<long>(k));
      inWords_ = fmpz_fits_si(c) != 0;
      if (inWords_) words_[k] = fmpz_get_si(c);
    }
    if (!inWords_) exact_ = p;
  }

  std::size_t degree() const { return degree_; }
  // Whether the coefficients are held in words (word(k)) or exactly (exact(k)).
  bool inWords() const { return inWords_; }
  // The coefficient of x^k, when inWords().
  std::int64_t word(std::size_t k) const { return words_[k]; }
  // The coefficient of x^k, when !inWords().
  const fmpz* exact(std::size_t k) const { return exact_.coefficient(static_cast<long>(k)); }

  // The same polynomial in FLINT's form.
  Polynomial ToPolynomial() const {
    if (!inWords_) return exact_;
    Polynomial p;
    for (std::size_t k = 0; k <= degree_; ++k) {
      fmpz_poly_set_coeff_si(p.get(), static_cast<long>(k), words_[k]);
    }
    return p;
  }

 private:
  std::array<std::int64_t, kWordDegree + 1> words_{};
  Polynomial exact_;  // FLINT's empty polynomial allocates nothing while unused
  std::size_t degree_ = 0;
  bool inWords_ = true;
};

}  // namespace grafen::algebra
