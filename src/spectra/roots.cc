#include "spectra/roots.h"

#include <flint/fmpq_poly.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace grafen::spectra {
namespace {

// An open interval holding exactly one root of f, and the sign of f at its
// lower end (the sign at the upper end is the opposite).
struct Bracket {
  Rational low;
  Rational high;
  int lowSign = 0;
};

// The sign of f(x): -1, 0 or 1. With x = p/q, q > 0, the sign of
// q^d f(p/q) = sum a_k p^k q^(d-k), summed by Horner's rule in integers: no
// fractions to reduce on this hot path.
int SignAt(const Polynomial& f, const fmpq* x) {
  const fmpz* p = fmpq_numref(x);
  const fmpz* q = fmpq_denref(x);
  Integer sum;
  Integer qPower;
  fmpz_one(qPower.get());
  for (long k = f.degree(); k >= 0; --k) {
    fmpz_mul(sum.get(), sum.get(), p);
    fmpz_addmul(sum.get(), f.coefficient(k), qPower.get());
    fmpz_mul(qPower.get(), qPower.get(), q);
  }
  return fmpz_sgn(sum.get());
}

// A dyadic rational within 2^-44 of x (x >= 0 and below 2^8).
void SetNear(fmpq* q, double x) {
  constexpr double kScale = 17592186044416.0;  // 2^44
  fmpq_set_si(q, static_cast<long>(std::llround(x * kScale)), static_cast<ulong>(kScale));
}

// Brackets the roots with points between consecutive guesses: when the sign
// of f alternates over 0, those points and bound, each of the d gaps holds a
// root, and as f has only d roots, exactly one. False when it does not.
bool BracketByGuesses(const Polynomial& f, long bound, const std::vector<double>& guesses,
                      std::vector<Bracket>& brackets) {
  const std::size_t d = static_cast<std::size_t>(f.degree());
  if (guesses.size() != d) return false;
  std::vector<Rational> points(d + 1);
  fmpq_set_si(points[d].get(), bound, 1);
  for (std::size_t k = 1; k < d; ++k) {
    SetNear(points[k].get(), (guesses[k - 1] + guesses[k]) / 2);
    if (fmpq_cmp(points[k - 1].get(), points[k].get()) >= 0) return false;
  }
  if (fmpq_cmp(points[d - 1].get(), points[d].get()) >= 0) return false;
  std::vector<int> signs(d + 1);
  for (std::size_t k = 0; k <= d; ++k) {
    signs[k] = SignAt(f, points[k].get());
    if (signs[k] == 0 || (k > 0 && signs[k] == signs[k - 1])) return false;
  }
  brackets.resize(d);
  for (std::size_t k = 0; k < d; ++k) {
    brackets[k].low = points[k];
    brackets[k].high = points[k + 1];
    brackets[k].lowSign = signs[k];
  }
  return true;
}

// The Sturm sequence of f: f, f', then the negated remainders.
class SturmSequence {
 public:
  explicit SturmSequence(const Polynomial& f) {
    chain_.emplace_back();
    fmpq_poly_set_fmpz_poly(chain_.back().get(), f.get());
    chain_.emplace_back();
    fmpq_poly_derivative(chain_.back().get(), chain_.front().get());
    for (;;) {
      RationalPolynomial next;
      const std::size_t last = chain_.size() - 1;
      fmpq_poly_rem(next.get(), chain_[last - 1].get(), chain_[last].get());
      if (fmpq_poly_is_zero(next.get()) != 0) break;
      fmpq_poly_neg(next.get(), next.get());
      chain_.push_back(next);
    }
  }

  // The number of distinct roots in (low, high], neither end a root.
  long RootsBetween(const fmpq* low, const fmpq* high) const {
    return SignChanges(low) - SignChanges(high);
  }

 private:
  class RationalPolynomial {
   public:
    RationalPolynomial() { fmpq_poly_init(value_); }
    ~RationalPolynomial() { fmpq_poly_clear(value_); }
    RationalPolynomial(const RationalPolynomial& other) {
      fmpq_poly_init(value_);
      fmpq_poly_set(value_, other.value_);
    }
    RationalPolynomial& operator=(const RationalPolynomial&) = delete;
    fmpq_poly_struct* get() { return value_; }
    const fmpq_poly_struct* get() const { return value_; }

   private:
    fmpq_poly_t value_{};
  };

  long SignChanges(const fmpq* x) const {
    long changes = 0;
    int previous = 0;
    Rational value;
    for (const RationalPolynomial& p : chain_) {
      fmpq_poly_evaluate_fmpq(value.get(), p.get(), x);
      const int sign = fmpq_sgn(value.get());
      if (sign != 0 && previous != 0 && sign != previous) ++changes;
      if (sign != 0) previous = sign;
    }
    return changes;
  }

  std::vector<RationalPolynomial> chain_;
};

// Brackets every root in (0, bound) by Sturm counts and exact bisection.
std::vector<Bracket> BracketBySturm(const Polynomial& f, long bound) {
  const SturmSequence sturm(f);
  std::vector<std::pair<Rational, Rational>> pending(1);
  fmpq_set_si(pending[0].second.get(), bound, 1);
  std::vector<Bracket> brackets;
  while (!pending.empty()) {
    const std::pair<Rational, Rational> range = pending.back();
    pending.pop_back();
    const long count = sturm.RootsBetween(range.first.get(), range.second.get());
    if (count == 0) continue;
    if (count == 1) {
      brackets.push_back(Bracket{range.first, range.second, SignAt(f, range.first.get())});
      continue;
    }
    // f has no rational root, so the midpoint is never one.
    Rational middle;
    fmpq_add(middle.get(), range.first.get(), range.second.get());
    fmpq_div_2exp(middle.get(), middle.get(), 1);
    pending.emplace_back(range.first, middle);
    pending.emplace_back(middle, range.second);
  }
  std::sort(brackets.begin(), brackets.end(), [](const Bracket& a, const Bracket& b) {
    return fmpq_cmp(a.low.get(), b.low.get()) < 0;
  });
  return brackets;
}

// The rounding of the bracketed root when the decimal guessed is right: the
// root lies in the part of the bracket inside the decimal's rounding cell.
bool Confirms(const Polynomial& f, const Bracket& bracket, const Decimal& guess) {
  Rational low;
  Rational high;
  RoundingCell(guess, low.get(), high.get());
  if (fmpq_cmp(low.get(), bracket.low.get()) < 0) low = bracket.low;
  if (fmpq_cmp(high.get(), bracket.high.get()) > 0) high = bracket.high;
  if (fmpq_cmp(low.get(), high.get()) >= 0) return false;
  const int lowSign = SignAt(f, low.get());
  const int highSign = SignAt(f, high.get());
  return lowSign != 0 && highSign != 0 && lowSign != highSign;
}

// Halves the bracket until both its ends round to the same decimal, which is
// then the rounding of the root inside (rounding is monotone).
Decimal BisectToDigits(const Polynomial& f, Bracket bracket, int digits) {
  Rational middle;
  for (;;) {
    if (fmpq_sgn(bracket.low.get()) > 0) {
      Decimal low = RoundRational(bracket.low.get(), digits);
      if (low == RoundRational(bracket.high.get(), digits)) return low;
    }
    fmpq_add(middle.get(), bracket.low.get(), bracket.high.get());
    fmpq_div_2exp(middle.get(), middle.get(), 1);
    if (SignAt(f, middle.get()) == bracket.lowSign) {
      bracket.low = middle;
    } else {
      bracket.high = middle;
    }
  }
}

// The doubles carry about 16 significant digits; beyond that only bisection.
constexpr int kGuessDigits = 15;

std::vector<Decimal> RoundBrackets(const Polynomial& f, const std::vector<Bracket>& brackets,
                                   const std::vector<double>& guesses, int digits) {
  std::vector<Decimal> roots;
  roots.reserve(brackets.size());
  for (std::size_t k = 0; k < brackets.size(); ++k) {
    if (k < guesses.size() && digits <= kGuessDigits && guesses[k] > 0) {
      Decimal guess = RoundDouble(guesses[k], digits);
      if (Confirms(f, brackets[k], guess)) {
        roots.push_back(std::move(guess));
        continue;
      }
    }
    roots.push_back(BisectToDigits(f, brackets[k], digits));
  }
  return roots;
}

}  // namespace

std::vector<Decimal> CertifiedRoots(const Polynomial& f, long bound,
                                    const std::vector<double>& guesses, int digits) {
  std::vector<Bracket> brackets;
  if (BracketByGuesses(f, bound, guesses, brackets)) {
    return RoundBrackets(f, brackets, guesses, digits);
  }
  return RoundBrackets(f, BracketBySturm(f, bound), {}, digits);
}

std::vector<Decimal> IsolatedRoots(const Polynomial& f, long bound, int digits) {
  return RoundBrackets(f, BracketBySturm(f, bound), {}, digits);
}

}  // namespace grafen::spectra
