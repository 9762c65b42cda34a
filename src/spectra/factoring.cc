#include "spectra/factoring.h"

#include <flint/fmpz_poly_factor.h>
#include <flint/nmod_poly.h>

#include <algorithm>
#include <array>
#include <bitset>

namespace grafen::spectra {
namespace {

// Divides p by (x - c) when c is a root of p (synthetic division); returns
// whether it was one.
bool DivideOutRoot(Polynomial& p, long c) {
  const long degree = p.degree();
  if (degree < 1) return false;
  if (c == 0) {
    if (!fmpz_is_zero(p.coefficient(0))) return false;
    fmpz_poly_shift_right(p.get(), p.get(), 1);
    return true;
  }
  Polynomial quotient;
  Integer carry;
  fmpz_set(carry.get(), p.coefficient(degree));
  for (long k = degree - 1; k >= 0; --k) {
    fmpz_poly_set_coeff_fmpz(quotient.get(), k, carry.get());
    fmpz_mul_si(carry.get(), carry.get(), c);
    fmpz_add(carry.get(), carry.get(), p.coefficient(k));
  }
  if (!fmpz_is_zero(carry.get())) return false;
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

// Degrees up to this are tested modulo primes (order 62's polynomials fit).
constexpr std::size_t kMaxDegree = 63;
using DegreeSet = std::bitset<kMaxDegree + 1>;

// The degrees of the products of f's factors modulo p, or all degrees when
// f is not squarefree modulo p (then p tells nothing).
DegreeSet FactorDegreesModulo(const Polynomial& f, mp_limb_t p) {
  DegreeSet sums;
  nmod_poly_t reduced;
  nmod_poly_init(reduced, p);
  fmpz_poly_get_nmod_poly(reduced, f.get());
  if (nmod_poly_is_squarefree(reduced) == 0) {
    nmod_poly_clear(reduced);
    return sums.set();
  }
  nmod_poly_factor_t factors;
  nmod_poly_factor_init(factors);
  nmod_poly_factor(factors, reduced);
  sums.set(0);
  for (long k = 0; k < factors->num; ++k) {
    const auto degree = static_cast<std::size_t>(nmod_poly_degree(factors->p + k));
    for (long copy = 0; copy < factors->exp[k]; ++copy) sums |= sums << degree;
  }
  nmod_poly_factor_clear(factors);
  nmod_poly_clear(reduced);
  return sums;
}

}  // namespace

bool ProvedIrreducible(const Polynomial& f) {
  const auto degree = static_cast<std::size_t>(f.degree());
  if (degree < 2 || degree > kMaxDegree) return false;
  // A factor over the integers has a degree that every prime's factors can
  // make; when only 0 and deg f remain possible, there is none.
  constexpr std::array<mp_limb_t, 6> kPrimes = {1009, 1013, 1019, 1021, 1031, 1033};
  DegreeSet possible;
  possible.set();
  DegreeSet trivial;
  trivial.set(0).set(degree);
  for (const mp_limb_t p : kPrimes) {
    possible &= FactorDegreesModulo(f, p);
    DegreeSet inRange = possible;
    for (std::size_t d = degree + 1; d <= kMaxDegree; ++d) inRange.reset(d);
    if (inRange == trivial) return true;
  }
  return false;
}

Factorisation Factorise(const Polynomial& charpoly, long bound) {
  Factorisation result;
  Polynomial rest = charpoly;
  for (long c = 0; c <= bound && rest.degree() > 0; ++c) {
    long multiplicity = 0;
    while (DivideOutRoot(rest, c)) ++multiplicity;
    if (multiplicity > 0) result.integerRoots.push_back(IntegerRoot{c, multiplicity});
  }
  if (rest.degree() < 1) return result;
  if (ProvedIrreducible(rest)) {
    result.factors.push_back(NonLinearFactor{rest, 1});
    return result;
  }
  fmpz_poly_factor_t factors;
  fmpz_poly_factor_init(factors);
  fmpz_poly_factor(factors, rest.get());
  for (long k = 0; k < factors->num; ++k) {
    Polynomial factor;
    fmpz_poly_set(factor.get(), factors->p + k);
    if (fmpz_sgn(factor.coefficient(factor.degree())) < 0) fmpz_poly_neg(factor.get(), factor.get());
    if (factor.degree() == 1) {
      // Monic and linear, x + a: the root -a (only when bound was too small).
      AddRoot(result.integerRoots, -fmpz_get_si(factor.coefficient(0)), factors->exp[k]);
    } else {
      result.factors.push_back(NonLinearFactor{factor, factors->exp[k]});
    }
  }
  fmpz_poly_factor_clear(factors);
  return result;
}

}  // namespace grafen::spectra
