#include "algebra/factoring.h"

#include <flint/fmpz_poly_factor.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>

#include "algebra/float_signs.h"
#include "algebra/modular.h"

namespace grafen::algebra {
namespace {

// Divides p by (x - c) when c is a root of p; returns whether it was one.
// The remainder comes first, by Horner's rule without allocating: most
// candidates are no root.
bool DivideOutRoot(Polynomial& p, long c) {
  const long degree = p.degree();
  if (degree < 1) return false;
  if (c == 0) {
    if (fmpz_is_zero(p.coefficient(0)) == 0) return false;
    fmpz_poly_shift_right(p.get(), p.get(), 1);
    return true;
  }
  Integer carry;
  for (long k = degree; k >= 0; --k) {
    fmpz_mul_si(carry.get(), carry.get(), c);
    fmpz_add(carry.get(), carry.get(), p.coefficient(k));
  }
  if (fmpz_is_zero(carry.get()) == 0) return false;
  Polynomial quotient;
  fmpz_poly_fit_length(quotient.get(), degree);
  fmpz_zero(carry.get());
  for (long k = degree; k >= 1; --k) {
    fmpz_mul_si(carry.get(), carry.get(), c);
    fmpz_add(carry.get(), carry.get(), p.coefficient(k));
    fmpz_poly_set_coeff_fmpz(quotient.get(), k - 1, carry.get());
  }
  p = quotient;
  return true;
}

// Adds m to the multiplicity of the integer root c, keeping roots ascending.
void AddRoot(std::vector<IntegerRoot>& roots, long c, long m) {
  auto at = std::lower_bound(roots.begin(), roots.end(), c,
                             [](const IntegerRoot& r, long value) { return r.value < value; });
  if (at != roots.end() && at->value == c) {
    at->multiplicity += m;
  } else {
    roots.insert(at, IntegerRoot{c, m});
  }
}

// f(y) / f'(y) in floating point: roughly how far y is from a root of f.
double NewtonStep(const Polynomial& f, double y) {
  double value = 0;
  double slope = 0;
  for (long k = f.degree(); k >= 0; --k) {
    slope = slope * y + value;
    value = value * y + fmpz_get_d(f.coefficient(k));
  }
  return slope == 0 ? std::numeric_limits<double>::infinity() : std::fabs(value / slope);
}

// A factor of the polynomial, not yet known irreducible, and approximations
// to its roots (all copies, ascending; empty when unknown).
struct Piece {
  Polynomial polynomial;
  std::vector<double> roots;
};

// Adds an irreducible factor, or raises the power of an equal one found
// before. `roots` approximates its roots, each repeated `multiplicity` times.
void AddFactor(Factorisation& result, const Polynomial& f, long multiplicity,
               std::vector<double> roots) {
  std::vector<double> guesses;
  const auto degree = static_cast<std::size_t>(f.degree());
  const auto copies = static_cast<std::size_t>(multiplicity);
  if (roots.size() == degree * copies) {
    std::sort(roots.begin(), roots.end());
    for (std::size_t r = 0; r < degree; ++r) {
      double sum = 0;
      for (std::size_t c = 0; c < copies; ++c) sum += roots[r * copies + c];
      guesses.push_back(sum / static_cast<double>(copies));
    }
  }
  for (NonLinearFactor& known : result.factors) {
    if (fmpz_poly_equal(known.polynomial.get(), f.get()) != 0) {
      known.multiplicity += multiplicity;
      return;
    }
  }
  result.factors.push_back(NonLinearFactor{f, multiplicity, std::move(guesses)});
}

// The monic polynomial with these roots, when its coefficients are all close
// to integers (then a candidate factor, still to be checked exactly).
bool IntegerPolynomialFrom(const std::vector<double>& roots, Polynomial& f) {
  std::vector<double> c(roots.size() + 1);
  c[0] = 1;  // c[k]: coefficient of x^(size - k)
  for (std::size_t k = 0; k < roots.size(); ++k) {
    for (std::size_t j = k + 1; j > 0; --j) c[j] -= roots[k] * c[j - 1];
  }
  fmpz_poly_zero(f.get());
  for (std::size_t k = 0; k < c.size(); ++k) {
    const double rounded = std::round(c[k]);
    if (std::fabs(c[k] - rounded) > 1e-6 * std::max(1.0, std::fabs(c[k])) ||
        std::fabs(rounded) > 1e15) {
      return false;
    }
    fmpz_poly_set_coeff_si(f.get(), static_cast<long>(roots.size() - k),
                           static_cast<long>(rounded));
  }
  return true;
}

// Beyond this many roots the subsets are too many to try.
constexpr std::size_t kMaxSplitRoots = 16;

// Splits rest into pieces: smallest first, each set of roots whose product
// polynomial has integer coefficients and divides rest exactly, then what
// remains. `roots` approximates all roots of rest.
void SplitByRoots(Polynomial rest, std::vector<double> roots, std::vector<Piece>& pieces) {
  Polynomial candidate;
  Polynomial quotient;
  std::vector<double> chosen;
  std::size_t size = 2;
  while (roots.size() <= kMaxSplitRoots && 2 * size <= roots.size()) {
    std::vector<std::size_t> pick(size);
    const bool found = SearchRootSubsets(roots, size, pick.data(), [&](const std::size_t* at) {
      chosen.assign(size, 0);
      for (std::size_t k = 0; k < size; ++k) chosen[k] = roots[at[k]];
      return IntegerPolynomialFrom(chosen, candidate) &&
             fmpz_poly_divides(quotient.get(), rest.get(), candidate.get()) != 0;
    });
    if (found) {
      pieces.push_back(Piece{candidate, chosen});
      rest = quotient;
      EraseSubset(roots, pick.data(), size);
    }
    if (!found) ++size;
  }
  if (rest.degree() > 0) pieces.push_back(Piece{rest, roots});
}

// Factors a piece fully over the integers and adds its factors, sharing out
// the piece's roots: each factor takes as many as its degree times its power.
// Newton steps in doubles are sharp for small coefficients and noise for
// large ones, so the factors choose in order of their coefficients' size,
// each the roots nearest to its own, and the largest takes what is left.
void AddFullFactorisation(Factorisation& result, const Piece& piece) {
  fmpz_poly_factor_t factors;
  fmpz_poly_factor_init(factors);
  fmpz_poly_factor(factors, piece.polynomial.get());
  std::vector<Polynomial> found(static_cast<std::size_t>(factors->num));
  std::vector<std::size_t> bySize(found.size());
  for (std::size_t k = 0; k < found.size(); ++k) {
    fmpz_poly_set(found[k].get(), factors->p + k);
    if (fmpz_sgn(found[k].coefficient(found[k].degree())) < 0) {
      fmpz_poly_neg(found[k].get(), found[k].get());
    }
    bySize[k] = k;
  }
  std::stable_sort(bySize.begin(), bySize.end(), [&](std::size_t a, std::size_t b) {
    // (FLINT gives the bit count negated when a coefficient is negative.)
    return std::labs(fmpz_poly_max_bits(found[a].get())) <
           std::labs(fmpz_poly_max_bits(found[b].get()));
  });
  std::vector<std::vector<double>> shares(found.size());
  std::vector<double> left = piece.roots;
  for (std::size_t rank = 0; rank < bySize.size(); ++rank) {
    const std::size_t k = bySize[rank];
    const auto quota = static_cast<std::size_t>(found[k].degree() * factors->exp[k]);
    if (rank + 1 == bySize.size() || left.size() <= quota) {
      shares[k] = std::move(left);
      left.clear();
      continue;
    }
    std::vector<std::pair<double, std::size_t>> steps;
    for (std::size_t r = 0; r < left.size(); ++r) {
      const double step = NewtonStep(found[k], left[r]);
      steps.emplace_back(std::isnan(step) ? std::numeric_limits<double>::infinity() : step, r);
    }
    std::sort(steps.begin(), steps.end());
    std::vector<bool> chosen(left.size());
    for (std::size_t c = 0; c < quota && c < steps.size(); ++c) chosen[steps[c].second] = true;
    std::vector<double> rest;
    for (std::size_t r = 0; r < left.size(); ++r) {
      (chosen[r] ? shares[k] : rest).push_back(left[r]);
    }
    left = std::move(rest);
  }
  for (std::size_t k = 0; k < found.size(); ++k) {
    const long exponent = factors->exp[k];
    if (found[k].degree() == 1) {
      // x + a: the root -a. Not met when bound was right; kept exact anyway.
      AddRoot(result.integerRoots, -fmpz_get_si(found[k].coefficient(0)), exponent);
    } else {
      AddFactor(result, found[k], exponent, shares[k]);
    }
  }
  fmpz_poly_factor_clear(factors);
}

}  // namespace

// Beyond this many roots the subsets are too many for the proof by sums.
constexpr std::size_t kMaxSumProofRoots = 14;

// Whether f (monic, degree d >= 2, all roots real) is shown irreducible by
// its roots: a monic integer factor of degree k <= d / 2 would have k of
// them summing to an integer. Each root is enclosed by a proved sign change
// of f around its approximation, and every sum of up to d / 2 enclosures
// stays clear of the integers. Hot: it settles most polynomials in a few
// hundred floating-point operations, where the modular test takes thousands.
bool ProvedIrreducibleByRoots(const FloatSigns& signs, std::size_t d, const double* roots) {
  if (d < 2 || d > kMaxSumProofRoots || !signs.usable()) return false;
  // (low_k, high_k) holds a root when f changes sign over it; d disjoint
  // ones hold one root each, as f has only d.
  std::array<double, kMaxSumProofRoots> low{};
  std::array<double, kMaxSumProofRoots> high{};
  // The rounding error of f near a root can hide its sign within 1e-9 of
  // it; a wider enclosure is tried then.
  for (std::size_t k = 0; k < d; ++k) {
    bool enclosed = false;
    for (double delta = 1e-8; !enclosed && delta < 1e-3; delta *= 100) {
      low[k] = roots[k] - delta;
      high[k] = roots[k] + delta;
      const int a = signs.Sign(low[k]);
      const int b = signs.Sign(high[k]);
      enclosed = a != 0 && b != 0 && a != b;
    }
    if (!enclosed || (k > 0 && low[k] <= high[k - 1])) return false;
  }
  // Sums over every subset, each from a smaller one by its lowest member;
  // the margin covers the rounding of the sums.
  constexpr double kMargin = 1e-7;
  thread_local std::vector<double> lowSums;
  thread_local std::vector<double> highSums;
  thread_local std::vector<std::uint8_t> sizes;
  const std::size_t subsets = std::size_t{1} << d;
  lowSums.resize(subsets);
  highSums.resize(subsets);
  sizes.resize(subsets);
  lowSums[0] = highSums[0] = 0;
  sizes[0] = 0;
  for (std::size_t mask = 1; mask < subsets; ++mask) {
    const std::size_t smaller = mask & (mask - 1);
    sizes[mask] = static_cast<std::uint8_t>(sizes[smaller] + 1);
    // Larger subsets are neither checked nor the start of a checked one.
    if (2 * std::size_t{sizes[mask]} > d) continue;
    const auto lowest = static_cast<std::size_t>(__builtin_ctzll(mask));
    lowSums[mask] = lowSums[smaller] + low[lowest];
    highSums[mask] = highSums[smaller] + high[lowest];
    // floor() by conversion, as the sums are small (a libm call otherwise).
    const double top = highSums[mask] + kMargin;
    auto whole = static_cast<double>(static_cast<std::int64_t>(top));
    if (whole > top) whole -= 1;
    if (whole >= lowSums[mask] - kMargin) return false;
  }
  return true;
}

bool ProvedIrreducible(const Polynomial& f) {
  const long degree = f.degree();
  if (degree < 2 || degree > kMaxModularDegree) return false;
  // A factor over the integers has a degree that the factors modulo every
  // prime can make up; when only 0 and deg f remain possible, there is none.
  using DegreeSet = std::bitset<kMaxModularDegree + 1>;
  DegreeSet possible;
  possible.set();
  DegreeSet trivial;
  trivial.set(0).set(static_cast<std::size_t>(degree));
  FactorDegreeCounts counts{};
  for (const std::uint32_t p : kModularPrimes) {
    if (!FactorDegreesModulo(f, p, counts)) continue;
    DegreeSet sums;
    sums.set(0);
    for (std::size_t d = 1; d < counts.size(); ++d) {
      for (int copy = 0; copy < counts[d]; ++copy) sums |= sums << d;
    }
    possible &= sums;
    if (possible == trivial) return true;
  }
  return false;
}

Factorisation Factorise(const Polynomial& charpoly, long low, long high,
                        std::vector<double> numeric) {
  Factorisation result;
  Polynomial rest = charpoly;
  // Only integers near a numeric root are tried when the numeric roots are
  // all there: a root they miss stays in a factor, where the full
  // factorisation still finds it, exactly.
  const bool guided = numeric.size() == static_cast<std::size_t>(charpoly.degree());
  for (long c = low; c <= high && rest.degree() > 0; ++c) {
    if (guided && std::none_of(numeric.begin(), numeric.end(), [c](double r) {
          return std::fabs(r - static_cast<double>(c)) < 1e-3;
        })) {
      continue;
    }
    long multiplicity = 0;
    while (DivideOutRoot(rest, c)) ++multiplicity;
    if (multiplicity == 0) continue;
    result.integerRoots.push_back(IntegerRoot{c, multiplicity});
    for (long k = 0; k < multiplicity && !numeric.empty(); ++k) {
      const auto nearest =
          std::min_element(numeric.begin(), numeric.end(), [c](double a, double b) {
            return std::fabs(a - static_cast<double>(c)) < std::fabs(b - static_cast<double>(c));
          });
      numeric.erase(nearest);
    }
  }
  if (rest.degree() < 1) return result;
  if (rest.degree() <= 3 ||
      (numeric.size() == static_cast<std::size_t>(rest.degree()) &&
       ProvedIrreducibleByRoots(FloatSigns(rest), numeric.size(), numeric.data()))) {
    AddFactor(result, rest, 1, std::move(numeric));
    return result;
  }
  std::vector<Piece> pieces;
  if (numeric.size() == static_cast<std::size_t>(rest.degree())) {
    SplitByRoots(rest, numeric, pieces);
  } else {
    pieces.push_back(Piece{rest, {}});
  }
  for (Piece& piece : pieces) {
    // Every rational root lies in [low, high] and those are gone, so no
    // piece has a rational root, hence no linear factor: of degree 2 or 3 it
    // is irreducible.
    if (piece.polynomial.degree() <= 3 || ProvedIrreducible(piece.polynomial)) {
      AddFactor(result, piece.polynomial, 1, std::move(piece.roots));
    } else {
      AddFullFactorisation(result, piece);
    }
  }
  return result;
}

Factorisation FactoriseFully(const Polynomial& f) {
  Factorisation result;
  fmpz_poly_factor_t factors;
  fmpz_poly_factor_init(factors);
  fmpz_poly_factor(factors, f.get());
  for (long k = 0; k < factors->num; ++k) {
    Polynomial factor;
    fmpz_poly_set(factor.get(), factors->p + k);
    if (fmpz_sgn(factor.coefficient(factor.degree())) < 0)
      fmpz_poly_neg(factor.get(), factor.get());
    if (factor.degree() == 1 && fmpz_is_one(factor.coefficient(1)) != 0) {
      AddRoot(result.integerRoots, -fmpz_get_si(factor.coefficient(0)), factors->exp[k]);
    } else {
      AddFactor(result, factor, factors->exp[k], {});
    }
  }
  fmpz_poly_factor_clear(factors);
  return result;
}

}  // namespace grafen::algebra
