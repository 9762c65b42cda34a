// Owning wrappers for the FLINT values the spectral algebra keeps: an
// integer, a rational and an integer polynomial, each initialised on
// construction and cleared on destruction.
#pragma once

#include <flint/fmpq.h>
#include <flint/fmpz.h>
#include <flint/fmpz_poly.h>

#include <string>

namespace grafen::algebra {

// An arbitrary-size integer (fmpz).
class Integer {
 public:
  Integer() { fmpz_init(value_); }
  explicit Integer(long v) { fmpz_init_set_si(value_, v); }
  ~Integer() { fmpz_clear(value_); }
  Integer(const Integer& other) { fmpz_init_set(value_, other.value_); }
  Integer& operator=(const Integer& other) {
    fmpz_set(value_, other.value_);
    return *this;
  }
  fmpz* get() { return value_; }
  const fmpz* get() const { return value_; }

 private:
  fmpz_t value_{};
};

// An exact rational number (fmpq), always in lowest terms.
class Rational {
 public:
  Rational() { fmpq_init(value_); }
  ~Rational() { fmpq_clear(value_); }
  Rational(const Rational& other) {
    fmpq_init(value_);
    fmpq_set(value_, other.value_);
  }
  Rational& operator=(const Rational& other) {
    fmpq_set(value_, other.value_);
    return *this;
  }
  fmpq* get() { return value_; }
  const fmpq* get() const { return value_; }

 private:
  fmpq_t value_{};
};

// A polynomial with integer coefficients (fmpz_poly).
class Polynomial {
 public:
  Polynomial() { fmpz_poly_init(value_); }
  ~Polynomial() { fmpz_poly_clear(value_); }
  Polynomial(const Polynomial& other) {
    fmpz_poly_init(value_);
    fmpz_poly_set(value_, other.value_);
  }
  Polynomial& operator=(const Polynomial& other) {
    fmpz_poly_set(value_, other.value_);
    return *this;
  }
  fmpz_poly_struct* get() { return value_; }
  const fmpz_poly_struct* get() const { return value_; }
  long degree() const { return fmpz_poly_degree(value_); }
  // The coefficient of x^k (k from 0 to degree()).
  const fmpz* coefficient(long k) const { return value_->coeffs + k; }

 private:
  fmpz_poly_t value_{};
};

// Decimal text of an integer, "-" first when negative.
std::string IntegerText(const fmpz* value);

}  // namespace grafen::algebra
