// Factors a graph matrix's characteristic polynomial over the integers: its
// integer roots by exact division, the rest split where its numeric roots
// suggest and proved irreducible modulo small primes or, failing that, by a
// full factorisation.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "algebra/flint_values.h"
#include "algebra/float_signs.h"

namespace grafen::algebra {

// An integer root and how often it is a root.
struct IntegerRoot {
  long value = 0;
  long multiplicity = 0;
};

// An irreducible factor of degree 2 or more, positive leading coefficient,
// its power in the polynomial, and approximations to its distinct roots,
// ascending (empty when the numeric roots did not fit).
struct NonLinearFactor {
  Polynomial polynomial;
  long multiplicity = 0;
  std::vector<double> guesses;
};

// A monic polynomial as the product of its integer-root factors, ascending,
// and its non-linear irreducible factors.
struct Factorisation {
  std::vector<IntegerRoot> integerRoots;
  std::vector<NonLinearFactor> factors;
};

// Factors a monic integer polynomial whose roots are real and whose rational
// roots are integers in low..high (true of a graph matrix's det(xI - M): its
// roots are real algebraic integers). `numeric` approximates all its roots,
// ascending; it only makes the work fast (splitting off the factors its
// roots suggest, each checked by exact division) and gives each factor its
// root guesses.
Factorisation Factorise(const Polynomial& charpoly, long low, long high,
                        std::vector<double> numeric);

// Advances pick[0..size) to the next list of increasing indices below count
// (the subsets of a set of roots, in order); false after the last.
inline bool NextSubset(std::size_t* pick, std::size_t size, std::size_t count) {
  std::size_t k = size;
  while (k > 0 && pick[k - 1] == count - size + k - 1) --k;
  if (k == 0) return false;
  ++pick[k - 1];
  for (std::size_t j = k; j < size; ++j) pick[j] = pick[j - 1] + 1;
  return true;
}

// Whether a sum of approximate roots is close enough to an integer to be the
// root sum (a coefficient) of a factor, and worth a closer look.
inline bool NearInteger(double sum) {
  return std::fabs(sum - std::round(sum)) <= 1e-6 * std::max(1.0, std::fabs(sum));
}

// Calls found(pick) for the lists pick[0..size) of increasing indices into
// roots, in order, whose roots sum to near an integer (a factor's roots sum
// to a coefficient; most lists fail on that at once, so it comes first),
// until found returns true; whether it did, pick then holding that list.
template <typename Found>
bool SearchRootSubsets(const std::vector<double>& roots, std::size_t size, std::size_t* pick,
                       Found found) {
  for (std::size_t k = 0; k < size; ++k) pick[k] = k;
  do {
    double sum = 0;
    for (std::size_t k = 0; k < size; ++k) sum += roots[pick[k]];
    if (NearInteger(sum) && found(pick)) return true;
  } while (NextSubset(pick, size, roots.size()));
  return false;
}

// Removes the roots at pick[0..size) (increasing indices): those of a
// factor divided off.
inline void EraseSubset(std::vector<double>& roots, const std::size_t* pick, std::size_t size) {
  for (std::size_t k = size; k > 0; --k) {
    roots.erase(roots.begin() + static_cast<std::ptrdiff_t>(pick[k - 1]));
  }
}

// Whether the monic polynomial of degree d whose signs these are, all of
// its roots real, is shown irreducible over the integers by approximations
// to its d roots (ascending); false means unknown.
bool ProvedIrreducibleByRoots(const FloatSigns& signs, std::size_t d, const double* roots);

// Whether f (monic, degree >= 2) is shown irreducible over the integers by
// the degrees of its factors modulo a few primes; false means unknown.
bool ProvedIrreducible(const Polynomial& f);

// The factors of any non-zero integer polynomial, by FLINT alone: x - r as
// integer roots, every other irreducible factor (x - r/s among them, with
// positive leading coefficient) as a factor, without guesses; the content
// left out.
Factorisation FactoriseFully(const Polynomial& f);

}  // namespace grafen::algebra
