// Factors a graph matrix's characteristic polynomial over the integers: its
// integer roots by exact division, the rest split where its numeric roots
// suggest and proved irreducible modulo small primes or, failing that, by a
// full factorisation.
#pragma once

#include <cstddef>
#include <vector>

#include "spectra/flint_values.h"
#include "spectra/float_signs.h"

namespace grafen::spectra {

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

// Whether the monic f of degree d, all of its roots real, is shown
// irreducible over the integers by approximations to its d roots
// (ascending); false means unknown.
bool ProvedIrreducibleByRoots(const FloatSigns& f, std::size_t d, const double* roots);

// Whether f (monic, degree >= 2) is shown irreducible over the integers by
// the degrees of its factors modulo a few primes; false means unknown.
bool ProvedIrreducible(const Polynomial& f);

}  // namespace grafen::spectra
