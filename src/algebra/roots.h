// Certified decimal roots of an irreducible integer polynomial whose roots
// are all real, as the non-linear factors of a Laplacian's characteristic
// polynomial are.
#pragma once

#include <cstddef>
#include <vector>

#include "algebra/decimal.h"
#include "algebra/flint_values.h"
#include "algebra/float_signs.h"

namespace grafen::algebra {

// An open interval (low, high) proved to hold a root of a polynomial f and no
// other, with the sign of f at low (the opposite one at high).
struct Enclosure {
  Rational low;
  Rational high;
  int lowSign = 0;
};

// A root as printed, and where it truly lies: two roots that round alike are
// still ordered by their enclosures.
struct CertifiedRoot {
  Decimal rounded;
  Enclosure where;
};

// A root as printed, and the open interval of doubles (low, high) that holds
// it and no other root, with the sign of f at low.
struct FloatRoot {
  Decimal rounded;
  double low = 0;
  double high = 0;
  int lowSign = 0;
};

// Every root of f in (0, bound), ascending, correctly rounded to `digits`
// significant digits and proved in floating point alone, when f has exactly
// `count` roots there and `guesses` (ascending) approximate them; false when
// any step is not proved, which exact arithmetic must settle instead.
bool FloatRoots(const FloatSigns& f, long bound, const double* guesses, std::size_t count,
                int digits, std::vector<FloatRoot>& roots);

// The smallest of the `count` roots of f in (0, bound), proved as FloatRoots
// proves them all but rounded alone; false when a step is not proved.
bool SmallestFloatRoot(const FloatSigns& f, long bound, const double* guesses, std::size_t count,
                       int digits, FloatRoot& root);

// Every root of f, ascending, each the correctly rounded value of the true
// root to `digits` significant digits. f is irreducible over the integers, of
// degree >= 2, with all its roots real and inside (0, bound), or with
// signedRoots inside (-bound, bound) (an adjacency matrix's). `guesses` are
// approximations to the roots, ascending; they only make it fast: when they
// are missing, too few or wrong, the roots are isolated exactly instead.
std::vector<CertifiedRoot> CertifiedRoots(const Polynomial& f, long bound,
                                          const std::vector<double>& guesses, int digits,
                                          bool signedRoots = false);

// The same roots found without guesses, by exact isolation and bisection
// alone (the slow path, kept callable so that both can be compared).
std::vector<CertifiedRoot> IsolatedRoots(const Polynomial& f, long bound, int digits);

// Compares the root of f in `root` with the integer c (never equal, as f is
// irreducible of degree >= 2): <0 when the root is smaller, >0 when larger.
int CompareRootWithInteger(const Polynomial& f, const Enclosure& root, long c);

// Compares the root of f in a with the root of g in b, which differ (f and g
// distinct irreducible polynomials), halving the enclosures until they part.
int CompareRoots(const Polynomial& f, Enclosure& a, const Polynomial& g, Enclosure& b);

}  // namespace grafen::algebra
