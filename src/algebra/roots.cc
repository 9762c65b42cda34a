#include "algebra/roots.h"

#include <flint/fmpq_poly.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "algebra/float_signs.h"

namespace grafen::algebra {
namespace {

// An open interval holding exactly one root of f, and the sign of f at its
// lower end (the sign at the upper end is the opposite).
using Bracket = Enclosure;

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
// root (d the number of guesses; when f has only d roots in (0, bound),
// exactly one). False when it does not.
bool BracketByGuesses(const Polynomial& f, long bound, const std::vector<double>& guesses,
                      std::vector<Bracket>& brackets) {
  const std::size_t d = guesses.size();
  if (d == 0) return false;
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

  // The sign changes along the sequence at x, zeros skipped.
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
// root lies in the part of the bracket inside the decimal's rounding cell,
// which then becomes its enclosure.
bool Confirms(const Polynomial& f, const Bracket& bracket, const Decimal& guess,
              Enclosure& narrowed) {
  Rational low;
  Rational high;
  RoundingCell(guess, low.get(), high.get());
  if (fmpq_cmp(low.get(), bracket.low.get()) < 0) low = bracket.low;
  if (fmpq_cmp(high.get(), bracket.high.get()) > 0) high = bracket.high;
  if (fmpq_cmp(low.get(), high.get()) >= 0) return false;
  const int lowSign = SignAt(f, low.get());
  const int highSign = SignAt(f, high.get());
  if (lowSign == 0 || highSign == 0 || lowSign == highSign) return false;
  narrowed = Enclosure{low, high, lowSign};
  return true;
}

// Halves the enclosure of a root of f.
void Halve(const Polynomial& f, Enclosure& e) {
  Rational middle;
  fmpq_add(middle.get(), e.low.get(), e.high.get());
  fmpq_div_2exp(middle.get(), middle.get(), 1);
  // f is irreducible of degree >= 2: no rational point is a root.
  if (SignAt(f, middle.get()) == e.lowSign) {
    e.low = middle;
  } else {
    e.high = middle;
  }
}

// Halves the bracket until both its ends round to the same decimal, which is
// then the rounding of the root inside (rounding is monotone).
CertifiedRoot BisectToDigits(const Polynomial& f, Bracket bracket, int digits) {
  for (;;) {
    if (fmpq_sgn(bracket.low.get()) > 0) {
      Decimal low = RoundRational(bracket.low.get(), digits);
      if (low == RoundRational(bracket.high.get(), digits)) return CertifiedRoot{low, bracket};
    }
    Halve(f, bracket);
  }
}

// The doubles carry about 16 significant digits; beyond that the guesses are
// refined by Newton's method first.
constexpr int kGuessDigits = 15;

// A root of f near x0 to about `bits` bits after the point, by Newton's
// method in fixed point (integers scaled by 2^precision), where exact
// rationals would grow at every step; a guess only, proved or dropped
// afterwards. The precision covers the roots' size: a rounding error of one
// unit in Horner's rule grows by at most bound^degree. Nothing when it does
// not settle.
std::optional<Rational> NewtonRefined(const Polynomial& f, double x0, long bound, long bits) {
  const long degree = f.degree();
  const long precision =
      bits + 64 + degree * static_cast<long>(std::ceil(std::log2(static_cast<double>(bound) + 2)));
  const auto shift = static_cast<ulong>(precision);
  Integer x;
  Integer value;
  Integer slope;
  Integer term;
  Integer step;
  fmpz_set_d_2exp(x.get(), x0, precision);
  for (int iteration = 0; iteration < 12; ++iteration) {
    fmpz_mul_2exp(value.get(), f.coefficient(degree), shift);
    fmpz_zero(slope.get());
    for (long k = degree - 1; k >= 0; --k) {
      fmpz_mul(term.get(), slope.get(), x.get());
      fmpz_fdiv_q_2exp(slope.get(), term.get(), shift);
      fmpz_add(slope.get(), slope.get(), value.get());
      fmpz_mul(term.get(), value.get(), x.get());
      fmpz_fdiv_q_2exp(value.get(), term.get(), shift);
      fmpz_mul_2exp(term.get(), f.coefficient(k), shift);
      fmpz_add(value.get(), value.get(), term.get());
    }
    if (fmpz_is_zero(slope.get()) != 0) return std::nullopt;
    fmpz_mul_2exp(value.get(), value.get(), shift);
    fmpz_tdiv_q(step.get(), value.get(), slope.get());
    fmpz_sub(x.get(), x.get(), step.get());
    if (fmpz_sgn(x.get()) <= 0) return std::nullopt;
    if (static_cast<long>(fmpz_bits(step.get())) < precision - bits) {
      Integer scale;
      fmpz_one(scale.get());
      fmpz_mul_2exp(scale.get(), scale.get(), shift);
      Rational root;
      fmpq_set_fmpz_frac(root.get(), x.get(), scale.get());
      return root;
    }
  }
  return std::nullopt;
}

// The guessed rounding of the root near the double `near`, to be confirmed.
std::optional<Decimal> GuessedRounding(const Polynomial& f, double near, long bound, int digits) {
  if (!(near > 0)) return std::nullopt;
  if (digits <= kGuessDigits) return RoundDouble(near, digits);
  // Bits for the digits asked, and a few to spare.
  const long bits = static_cast<long>(std::ceil(digits * 3.3219280948873623)) + 8;
  const std::optional<Rational> refined = NewtonRefined(f, near, bound, bits);
  if (!refined) return std::nullopt;
  return RoundRational(refined->get(), digits);
}

// The bracketed roots rounded to `digits`: each by its guess when that is
// confirmed, else by bisection.
std::vector<CertifiedRoot> RoundBrackets(const Polynomial& f, long bound,
                                         const std::vector<Bracket>& brackets,
                                         const std::vector<double>& guesses, int digits) {
  std::vector<CertifiedRoot> roots;
  roots.reserve(brackets.size());
  Enclosure narrowed;
  for (std::size_t k = 0; k < brackets.size(); ++k) {
    if (k < guesses.size()) {
      std::optional<Decimal> guess = GuessedRounding(f, guesses[k], bound, digits);
      if (guess && Confirms(f, brackets[k], *guess, narrowed)) {
        roots.push_back(CertifiedRoot{std::move(*guess), narrowed});
        continue;
      }
    }
    roots.push_back(BisectToDigits(f, brackets[k], digits));
  }
  return roots;
}

// 10^k as a double, exact for |k| <= 22 (the range used); nothing beyond.
std::optional<double> PowerOfTen(long k) {
  static constexpr std::array<double, 23> kPowers = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (k < -22 || k > 22) return std::nullopt;
  const double power = kPowers[static_cast<std::size_t>(std::labs(k))];
  return k >= 0 ? power : 1 / power;
}

// q := x exactly, for a finite double x.
void SetExactly(fmpq* q, double x) {
  int exponent = 0;
  const double fraction = std::frexp(x, &exponent);  // x = fraction * 2^exponent
  Integer mantissa;
  fmpz_set_d(mantissa.get(), std::ldexp(fraction, 53));  // an integer, exactly
  fmpq_set_fmpz_frac(q, mantissa.get(), Integer(1).get());
  const long shift = static_cast<long>(exponent) - 53;
  if (shift >= 0) {
    fmpq_mul_2exp(q, q, static_cast<ulong>(shift));
  } else {
    fmpq_div_2exp(q, q, static_cast<ulong>(-shift));
  }
}

// The decimal of `digits` significant digits nearest x (x > 0), cheaply: a
// guess, proved or dropped afterwards.
std::optional<Decimal> GuessDecimal(double x, int digits) {
  long exponent = static_cast<long>(std::floor(std::log10(x))) - digits + 1;
  const std::optional<double> scale = PowerOfTen(-exponent);
  if (!scale) return std::nullopt;
  auto mantissa = static_cast<long long>(std::llround(x * *scale));
  std::string text = std::to_string(mantissa);
  if (text.size() == static_cast<std::size_t>(digits) + 1) {  // 9.99996 -> 10.000
    text.pop_back();
    ++exponent;
  }
  if (text.size() != static_cast<std::size_t>(digits)) return std::nullopt;
  return Decimal{text, exponent};
}

// The same roots with exact rational enclosures; nothing when any step is
// not proved.
std::optional<std::vector<CertifiedRoot>> FloatCertifiedRoots(const FloatSigns& f, long bound,
                                                              const std::vector<double>& guesses,
                                                              int digits) {
  std::vector<FloatRoot> found;
  if (!FloatRoots(f, bound, guesses.data(), guesses.size(), digits, found)) return std::nullopt;
  std::vector<CertifiedRoot> roots(found.size());
  for (std::size_t k = 0; k < found.size(); ++k) {
    roots[k].rounded = std::move(found[k].rounded);
    SetExactly(roots[k].where.low.get(), found[k].low);
    SetExactly(roots[k].where.high.get(), found[k].high);
    roots[k].where.lowSign = found[k].lowSign;
  }
  return roots;
}

// The width of an enclosure, for choosing which of two to halve.
bool Wider(const Enclosure& a, const Enclosure& b) {
  Rational wa;
  Rational wb;
  fmpq_sub(wa.get(), a.high.get(), a.low.get());
  fmpq_sub(wb.get(), b.high.get(), b.low.get());
  return fmpq_cmp(wa.get(), wb.get()) > 0;
}

// The roots of f in (0, bound), from guesses at `count` of them: with the
// guesses, a root in each gap between 0, their midpoints and bound; without
// (or when they fail), every root there, by Sturm counts.
std::vector<CertifiedRoot> PositiveRoots(const Polynomial& f, long bound,
                                         const std::vector<double>& guesses, std::size_t count,
                                         int digits) {
  if (guesses.size() == count && count > 0) {
    if (digits <= kGuessDigits) {
      const FloatSigns signs(f);
      if (signs.usable()) {
        if (auto roots = FloatCertifiedRoots(signs, bound, guesses, digits)) return *roots;
      }
    }
    std::vector<Bracket> brackets;
    if (BracketByGuesses(f, bound, guesses, brackets)) {
      return RoundBrackets(f, bound, brackets, guesses, digits);
    }
  }
  return RoundBrackets(f, bound, BracketBySturm(f, bound), {}, digits);
}

// The root r of the reflection g(x) = (-1)^d f(-x) as the root -r of f, of
// degree d: its rounding negated, its enclosure mirrored. The sign of f at
// -high is (-1)^d times g's at high, the opposite of g's at low.
CertifiedRoot Mirrored(CertifiedRoot root, long degree) {
  CertifiedRoot mirrored;
  mirrored.rounded = std::move(root.rounded);
  mirrored.rounded.negative = !mirrored.rounded.negative;
  fmpq_neg(mirrored.where.low.get(), root.where.high.get());
  fmpq_neg(mirrored.where.high.get(), root.where.low.get());
  mirrored.where.lowSign = degree % 2 == 1 ? root.where.lowSign : -root.where.lowSign;
  return mirrored;
}

// The roots of f and of f(-x) in (0, bound), the latter mirrored, ascending;
// `guesses` split between them by sign. The gaps found on both sides hold a
// root each, so when they number deg f, each holds exactly one.
std::vector<CertifiedRoot> SignedRoots(const Polynomial& f, long bound,
                                       const std::vector<double>& guesses, int digits) {
  const auto degree = static_cast<std::size_t>(f.degree());
  std::vector<double> positive;
  std::vector<double> negative;  // negated, ascending
  for (auto g = guesses.rbegin(); g != guesses.rend(); ++g) {
    if (*g < 0) negative.push_back(-*g);
  }
  for (const double g : guesses) {
    if (g > 0) positive.push_back(g);
  }
  Polynomial reflected;  // (-1)^d f(-x), positive leading coefficient
  Integer c;
  for (long k = 0; k <= f.degree(); ++k) {
    fmpz_set(c.get(), f.coefficient(k));
    if ((f.degree() - k) % 2 == 1) fmpz_neg(c.get(), c.get());
    fmpz_poly_set_coeff_fmpz(reflected.get(), k, c.get());
  }
  const bool guessed = positive.size() + negative.size() == degree && guesses.size() == degree;
  std::vector<CertifiedRoot> below =
      PositiveRoots(reflected, bound, guessed ? negative : std::vector<double>{},
                    guessed ? negative.size() : degree, digits);
  std::vector<CertifiedRoot> above =
      PositiveRoots(f, bound, guessed ? positive : std::vector<double>{},
                    guessed ? positive.size() : degree, digits);
  if (below.size() + above.size() != degree) {
    below = PositiveRoots(reflected, bound, {}, 0, digits);
    above = PositiveRoots(f, bound, {}, 0, digits);
  }
  std::vector<CertifiedRoot> roots;
  roots.reserve(degree);
  for (auto r = below.rbegin(); r != below.rend(); ++r)
    roots.push_back(Mirrored(std::move(*r), f.degree()));
  for (CertifiedRoot& r : above) roots.push_back(std::move(r));
  return roots;
}

}  // namespace

namespace {

// The gaps between 0, the midpoints of consecutive guesses and bound, into
// points[0..d], when f's sign alternates over them: then each of the d gaps
// holds a root, and when f has d roots there, exactly one.
bool FloatGaps(const FloatSigns& f, long bound, const double* guesses, std::size_t d,
               std::vector<double>& points) {
  thread_local std::vector<int> signs;  // kept from call to call, one per thread
  points.assign(d + 1, 0);
  signs.assign(d + 1, 0);
  points[d] = static_cast<double>(bound);
  for (std::size_t k = 1; k < d; ++k) points[k] = (guesses[k - 1] + guesses[k]) / 2;
  for (std::size_t k = 0; k <= d; ++k) {
    signs[k] = f.Sign(points[k]);
    if (signs[k] == 0 || (k > 0 && (signs[k] == signs[k - 1] || points[k] <= points[k - 1]))) {
      return false;
    }
  }
  return true;
}

// The rounding of the root in the gap (gapLow, gapHigh) near `guess`, when f
// changes sign between two points inside both the gap and the guessed
// decimal's rounding cell.
bool FloatRounding(const FloatSigns& f, double guess, double gapLow, double gapHigh, int digits,
                   FloatRoot& root) {
  constexpr double kMargin = 16 * 0x1p-53;  // beyond the error of the cell's ends in doubles
  std::optional<Decimal> rounded = GuessDecimal(guess, digits);
  if (!rounded) return false;
  const std::optional<double> scale = PowerOfTen(rounded->exponent);
  if (!scale) return false;
  double m = 0;  // exact: at most 15 digits
  for (const char c : rounded->mantissa) m = m * 10 + (c - '0');
  const bool powerOfTen = rounded->mantissa.find_first_not_of('0', 1) == std::string::npos;
  const double low = std::max((m - (powerOfTen ? 0.05 : 0.5)) * *scale * (1 + kMargin), gapLow);
  const double high = std::min((m + 0.5) * *scale * (1 - kMargin), gapHigh);
  if (!(low < high)) return false;
  const int lowSign = f.Sign(low);
  const int highSign = f.Sign(high);
  if (lowSign == 0 || highSign == 0 || lowSign == highSign) return false;
  root = FloatRoot{std::move(*rounded), low, high, lowSign};
  return true;
}

}  // namespace

bool FloatRoots(const FloatSigns& f, long bound, const double* guesses, std::size_t count,
                int digits, std::vector<FloatRoot>& roots) {
  roots.clear();
  thread_local std::vector<double> points;  // kept from call to call, one per thread
  if (digits > kGuessDigits || !FloatGaps(f, bound, guesses, count, points)) return false;
  roots.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    if (!FloatRounding(f, guesses[k], points[k], points[k + 1], digits, roots[k])) return false;
  }
  return true;
}

bool SmallestFloatRoot(const FloatSigns& f, long bound, const double* guesses, std::size_t count,
                       int digits, FloatRoot& root) {
  thread_local std::vector<double> points;  // kept from call to call, one per thread
  return digits <= kGuessDigits && count > 0 && FloatGaps(f, bound, guesses, count, points) &&
         FloatRounding(f, guesses[0], points[0], points[1], digits, root);
}

int CompareRootWithInteger(const Polynomial& f, const Enclosure& root, long c) {
  Rational point;
  fmpq_set_si(point.get(), c, 1);
  if (fmpq_cmp(point.get(), root.low.get()) <= 0) return 1;
  if (fmpq_cmp(point.get(), root.high.get()) >= 0) return -1;
  // f keeps its sign at low from low up to the root.
  return SignAt(f, point.get()) == root.lowSign ? 1 : -1;
}

int CompareRoots(const Polynomial& f, Enclosure& a, const Polynomial& g, Enclosure& b) {
  for (;;) {
    if (fmpq_cmp(a.high.get(), b.low.get()) <= 0) return -1;
    if (fmpq_cmp(b.high.get(), a.low.get()) <= 0) return 1;
    if (Wider(a, b)) {
      Halve(f, a);
    } else {
      Halve(g, b);
    }
  }
}

std::vector<CertifiedRoot> CertifiedRoots(const Polynomial& f, long bound,
                                          const std::vector<double>& guesses, int digits,
                                          bool signedRoots) {
  if (signedRoots) return SignedRoots(f, bound, guesses, digits);
  return PositiveRoots(f, bound, guesses, static_cast<std::size_t>(f.degree()), digits);
}

std::vector<CertifiedRoot> IsolatedRoots(const Polynomial& f, long bound, int digits) {
  return RoundBrackets(f, bound, BracketBySturm(f, bound), {}, digits);
}

}  // namespace grafen::algebra
