// Factors a Laplacian's characteristic polynomial over the integers: its
// integer roots by exact division, the rest by a quick irreducibility test
// modulo small primes or, failing that, a full factorisation.
#pragma once

#include <vector>

#include "spectra/flint_values.h"

namespace grafen::spectra {

// An integer root and how often it is a root.
struct IntegerRoot {
  long value = 0;
  long multiplicity = 0;
};

// An irreducible factor of degree 2 or more, positive leading coefficient,
// and its power in the polynomial.
struct NonLinearFactor {
  Polynomial polynomial;
  long multiplicity = 0;
};

// A monic polynomial as the product of its integer-root factors, ascending,
// and its non-linear irreducible factors.
struct Factorisation {
  std::vector<IntegerRoot> integerRoots;
  std::vector<NonLinearFactor> factors;
};

// Factors a monic integer polynomial whose rational roots are integers in
// 0..bound (true of det(xI - L) for a Laplacian L of a graph on bound nodes).
Factorisation Factorise(const Polynomial& charpoly, long bound);

// Whether f (monic, degree >= 2) is shown irreducible over the integers by
// the degrees of its factors modulo a few primes; false means unknown.
bool ProvedIrreducible(const Polynomial& f);

}  // namespace grafen::spectra
