// Certified decimal roots of an irreducible integer polynomial whose roots
// are all real, as the non-linear factors of a Laplacian's characteristic
// polynomial are.
#pragma once

#include <vector>

#include "spectra/decimal.h"
#include "spectra/flint_values.h"

namespace grafen::spectra {

// Every root of f, ascending, each the correctly rounded value of the true
// root to `digits` significant digits. f is irreducible over the integers, of
// degree >= 2, with all its roots real and inside (0, bound). `guesses` are
// approximations to the roots, ascending; they only make it fast: when they
// are missing, too few or wrong, the roots are isolated exactly instead.
std::vector<Decimal> CertifiedRoots(const Polynomial& f, long bound,
                                    const std::vector<double>& guesses, int digits);

// The same roots found without guesses, by exact isolation and bisection
// alone (the slow path, kept callable so that both can be compared).
std::vector<Decimal> IsolatedRoots(const Polynomial& f, long bound, int digits);

}  // namespace grafen::spectra
