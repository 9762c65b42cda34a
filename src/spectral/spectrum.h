// The spectrum of one graph's Laplacian, signless Laplacian or adjacency
// matrix, exactly, as values: the characteristic polynomial, its factors
// over the integers, every eigenvalue certified and correctly rounded, and
// the Laplacian's algebraic connectivity and spanning-tree count whatever
// the matrix. Nothing here is text: the programs format these values.
#pragma once

#include <cstdint>
#include <vector>

#include "algebra/coefficients.h"
#include "algebra/decimal.h"
#include "algebra/factoring.h"
#include "algebra/flint_values.h"
#include "algebra/roots.h"
#include "formats/edge_list_reader.h"
#include "spectral/charpoly.h"

namespace grafen::spectral {

// A root of a non-linear irreducible factor: its rounding to the digits
// asked, proved correct, and an open interval proved to hold it and no other
// root of its factor. The machine-word path proves the interval in doubles
// and makes no FLINT value for it (inDoubles); exact arithmetic proves it in
// rationals.
struct FactorRoot {
  algebra::Decimal rounded;
  double low = 0;  // the interval, when inDoubles
  double high = 0;
  algebra::Enclosure exact;  // the interval, otherwise
  bool inDoubles = false;
};

// A non-linear factor of the characteristic polynomial, irreducible over the
// integers and monic, its power, and its distinct roots, ascending.
struct Factor {
  algebra::Coefficients polynomial;
  long multiplicity = 0;
  std::vector<FactorRoot> roots;
};

// An eigenvalue, by where it is held: integerRoots[index] when factor is
// kInteger, else factors[factor].roots[index].
struct EigenvalueRef {
  static constexpr std::uint32_t kInteger = UINT32_MAX;
  std::uint32_t factor = kInteger;
  std::uint32_t index = 0;
  bool operator==(const EigenvalueRef&) const = default;
};

// One eigenvalue's value as certified: an integer, or a non-integer whose
// rounding is proved correct.
struct CertifiedValue {
  bool isInteger = true;
  long integer = 0;          // when isInteger
  algebra::Decimal rounded;  // otherwise
};

// The two facts of the graph's Laplacian L that every table reports.
struct LaplacianFacts {
  bool hasConnectivity = false;          // false for a single node
  CertifiedValue algebraicConnectivity;  // L's second smallest eigenvalue
  algebra::Integer spanningTrees;        // exact
};

// The spectrum of a graph matrix M of order n, as values.
struct Spectrum {
  // det(xI - M), monic of degree n; for N its primitive polynomial
  // (NormalizedPolynomial), for B det(xI - B) of degree 2m.
  algebra::Coefficients charpoly;
  // Its integer roots with their multiplicities, ascending.
  std::vector<algebra::IntegerRoot> integerRoots;
  // Its other irreducible factors (N's x - r/s among them): by degree, then
  // by smallest root; B's without their roots, which are complex.
  std::vector<Factor> factors;
  // All n eigenvalues, each as often as it is one, in true ascending order
  // (3 - sqrt(2) comes before 2, though it rounds to 2 at one digit); none
  // of B's unless all are integers.
  std::vector<EigenvalueRef> eigenvalues;
  // Whether every eigenvalue is an integer (factors is empty).
  bool integral = false;
  // The Laplacian's facts, from M's own work when M is L.
  LaplacianFacts laplacian;
};

// The spectrum of the matrix of the graph on nodes 1..order (order >= 1)
// with these edges (each pair once, i < j), non-integer eigenvalues rounded
// to `digits` (1 to about 40) significant digits, every value proved; into
// `spectrum`, whose room is reused (no allocation from graph to graph once
// it has grown, on the machine-word path). The machine-word path is taken
// wherever it proves every step, exact arithmetic elsewhere, with the same
// result.
void GraphSpectrum(SpectralMatrix matrix, int order, const std::vector<Edge>& edges, int digits,
                   Spectrum& spectrum);

// The same, as a new value.
Spectrum GraphSpectrum(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                       int digits);

// The same by exact arithmetic alone, without the machine-word path.
Spectrum ExactSpectrum(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                       int digits);

// The Laplacian's algebraic connectivity, to `digits` significant digits,
// and spanning-tree count, of the graph on nodes 1..order with these edges:
// only the work these two need.
LaplacianFacts GraphLaplacianFacts(int order, const std::vector<Edge>& edges, int digits);

// The spectrum of the Laplacian of the graph on nodes 1..order with these
// edges, non-integer eigenvalues to `digits` significant digits.
inline Spectrum LaplacianSpectrum(int order, const std::vector<Edge>& edges, int digits) {
  return GraphSpectrum(SpectralMatrix::kLaplacian, order, edges, digits);
}

}  // namespace grafen::spectral
