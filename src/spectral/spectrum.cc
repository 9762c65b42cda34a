#include "spectral/spectrum.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "algebra/factoring.h"
#include "algebra/roots.h"
#include "spectral/charpoly.h"
#include "spectral/fast_path.h"
#include "spectral/pipeline.h"

namespace grafen::spectral {

using algebra::CertifiedRoot;
using algebra::CertifiedRoots;
using algebra::Coefficients;
using algebra::CompareRoots;
using algebra::CompareRootWithInteger;
using algebra::Enclosure;
using algebra::Factorisation;
using algebra::Factorise;
using algebra::IntegerRoot;
using algebra::NonLinearFactor;
using algebra::Polynomial;

namespace {

// The matrix's eigenvalues in floating point, ascending.
std::vector<double> NumericEigenvalues(SpectralMatrix matrix, int order,
                                       const std::vector<Edge>& edges) {
  // Kept from graph to graph, one per thread: no allocation while the
  // order stays the same.
  thread_local Eigen::MatrixXd entries;
  thread_local Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver;
  entries.setZero(order, order);
  ForEachEntry(matrix, order, edges, [](int i, int j, int value) { entries(i, j) += value; });
  solver.compute(entries, Eigen::EigenvaluesOnly);
  const Eigen::VectorXd& values = solver.eigenvalues();
  return std::vector<double>(values.data(), values.data() + values.size());
}

// The root b/a of ax - b (a > 0, b > 0), rounded, in the enclosure
// ((2b - 1)/2a, (2b + 1)/2a), where ax - b is -1/2 and 1/2.
CertifiedRoot RationalRoot(const Polynomial& f, int digits) {
  CertifiedRoot root;
  algebra::Rational value;
  fmpz_neg(fmpq_numref(value.get()), f.coefficient(0));
  fmpz_set(fmpq_denref(value.get()), f.coefficient(1));
  fmpq_canonicalise(value.get());
  root.rounded = algebra::RoundRational(value.get(), digits);
  fmpz_mul_2exp(fmpq_numref(root.where.low.get()), fmpq_numref(value.get()), 1);
  fmpz_sub_ui(fmpq_numref(root.where.low.get()), fmpq_numref(root.where.low.get()), 1);
  fmpz_mul_2exp(fmpq_denref(root.where.low.get()), fmpq_denref(value.get()), 1);
  fmpq_canonicalise(root.where.low.get());
  fmpz_mul_2exp(fmpq_numref(root.where.high.get()), fmpq_numref(value.get()), 1);
  fmpz_add_ui(fmpq_numref(root.where.high.get()), fmpq_numref(root.where.high.get()), 1);
  fmpz_mul_2exp(fmpq_denref(root.where.high.get()), fmpq_denref(value.get()), 1);
  fmpq_canonicalise(root.where.high.get());
  root.where.lowSign = -1;
  return root;
}

// The steps of the spectrum (spectral/pipeline.h) in exact arithmetic,
// floating point only guiding them: each always succeeds.
class ExactSteps {
 public:
  ExactSteps(SpectralMatrix matrix, int order, const std::vector<Edge>& edges, int digits)
      : matrix_(matrix), order_(order), edges_(edges), digits_(digits) {}

  // det(xI - M) exactly.
  bool Charpoly(Coefficients& charpoly) {
    charpoly_ = spectral::Charpoly(matrix_, order_, edges_);
    charpoly.Set(charpoly_);
    return true;
  }

  // The whole factorisation, whose integer roots are only known in full
  // once every factor is.
  void IntegerRoots(std::vector<IntegerRoot>& roots) {
    const auto [lowest, highest] = RangeOf(matrix_, order_);
    // N's polynomial is not monic (its rational roots need not be
    // integers), B's roots are complex: FLINT factors them whole.
    found_ = IsIntegerMatrix(matrix_) ? Factorise(charpoly_, lowest, highest,
                                                  NumericEigenvalues(matrix_, order_, edges_))
                                      : algebra::FactoriseFully(charpoly_);
    roots = found_.integerRoots;
  }

  // The non-linear factors of the factorisation.
  bool Factors(std::vector<Factor>& factors) {
    factors.resize(found_.factors.size());
    for (std::size_t k = 0; k < factors.size(); ++k) {
      factors[k].polynomial.Set(found_.factors[k].polynomial);
      factors[k].multiplicity = found_.factors[k].multiplicity;
    }
    roots_.assign(factors.size(), {});
    return true;
  }

  // Factor k's roots, certified; the non-integer ones strictly inside the
  // eigenvalues' range.
  bool Roots(std::size_t k, Factor& factor) {
    const NonLinearFactor& f = found_.factors[k];
    if (matrix_ == SpectralMatrix::kNonBacktracking) {
      roots_[k].clear();  // complex: B's eigenvalues are not listed
    } else if (f.polynomial.degree() == 1) {
      roots_[k].assign(1, RationalRoot(f.polynomial, digits_));
    } else {
      roots_[k] = CertifiedRoots(f.polynomial, RangeOf(matrix_, order_).highest + 1, f.guesses,
                                 digits_, HasSignedEigenvalues(matrix_));
    }
    factor.roots.resize(roots_[k].size());
    for (std::size_t r = 0; r < roots_[k].size(); ++r) {
      factor.roots[r].rounded = roots_[k][r].rounded;
      factor.roots[r].exact = roots_[k][r].where;
      factor.roots[r].inDoubles = false;
    }
    return true;
  }

  // Refused: exact arithmetic finds the smallest root by factoring.
  static bool SmallestRoot(FactorRoot& /*root*/) { return false; }

  // The eigenvalues by their true values, enclosures refined as needed.
  bool Sort(std::vector<EigenvalueRef>& distinct, const Spectrum& /*spectrum*/) {
    std::sort(distinct.begin(), distinct.end(),
              [this](const EigenvalueRef& a, const EigenvalueRef& b) { return Less(a, b); });
    return true;
  }

 private:
  // Orders two eigenvalues by their true values, not by their roundings.
  bool Less(const EigenvalueRef& a, const EigenvalueRef& b) {
    const bool aInteger = a.factor == EigenvalueRef::kInteger;
    const bool bInteger = b.factor == EigenvalueRef::kInteger;
    if (aInteger && bInteger) return Integer(a) < Integer(b);
    if (aInteger) return CompareRootWithInteger(Of(b), Where(b), Integer(a)) > 0;
    if (bInteger) return CompareRootWithInteger(Of(a), Where(a), Integer(b)) < 0;
    if (a.factor == b.factor) return a.index < b.index;  // ascending already
    return CompareRoots(Of(a), Where(a), Of(b), Where(b)) < 0;
  }
  long Integer(const EigenvalueRef& e) const { return found_.integerRoots[e.index].value; }
  const Polynomial& Of(const EigenvalueRef& e) const { return found_.factors[e.factor].polynomial; }
  Enclosure& Where(const EigenvalueRef& e) { return roots_[e.factor][e.index].where; }

  SpectralMatrix matrix_;
  int order_;
  const std::vector<Edge>& edges_;
  int digits_;
  Polynomial charpoly_;
  Factorisation found_;
  std::vector<std::vector<CertifiedRoot>> roots_;  // each factor's, refined by Less
};

// The spectrum but its Laplacian facts, by exact arithmetic.
void ExactSpectrumOf(SpectralMatrix matrix, int order, const std::vector<Edge>& edges, int digits,
                     Spectrum& spectrum) {
  ExactSteps steps(matrix, order, edges, digits);
  SpectrumBy(steps, spectrum);
  // B's eigenvalues are listed only when all are integers; others are
  // complex in general.
  if (matrix == SpectralMatrix::kNonBacktracking && !spectrum.integral) {
    spectrum.eigenvalues.clear();
  }
}

// The Laplacian's facts by exact arithmetic.
void ExactLaplacianFacts(int order, const std::vector<Edge>& edges, int digits, Spectrum& room,
                         LaplacianFacts& facts) {
  ExactSteps steps(SpectralMatrix::kLaplacian, order, edges, digits);
  LaplacianFactsBy(steps, order, room, facts);
}

// The value of an eigenvalue.
CertifiedValue ValueOf(const Spectrum& spectrum, const EigenvalueRef& e) {
  CertifiedValue value;
  value.isInteger = e.factor == EigenvalueRef::kInteger;
  if (value.isInteger) {
    value.integer = spectrum.integerRoots[e.index].value;
  } else {
    value.rounded = spectrum.factors[e.factor].roots[e.index].rounded;
  }
  return value;
}

}  // namespace

void ListDistinct(Spectrum& spectrum) {
  std::vector<EigenvalueRef>& list = spectrum.eigenvalues;
  list.clear();
  for (std::size_t k = 0; k < spectrum.integerRoots.size(); ++k) {
    list.push_back(EigenvalueRef{EigenvalueRef::kInteger, static_cast<std::uint32_t>(k)});
  }
  for (std::size_t f = 0; f < spectrum.factors.size(); ++f) {
    for (std::size_t r = 0; r < spectrum.factors[f].roots.size(); ++r) {
      list.push_back(EigenvalueRef{static_cast<std::uint32_t>(f), static_cast<std::uint32_t>(r)});
    }
  }
}

void RepeatByMultiplicity(Spectrum& spectrum) {
  std::vector<EigenvalueRef>& list = spectrum.eigenvalues;
  const auto copies = [&spectrum](const EigenvalueRef& e) {
    return static_cast<std::size_t>(e.factor == EigenvalueRef::kInteger
                                        ? spectrum.integerRoots[e.index].multiplicity
                                        : spectrum.factors[e.factor].multiplicity);
  };
  std::size_t total = 0;
  for (const EigenvalueRef& e : list) total += copies(e);
  std::size_t distinct = list.size();
  list.resize(total);
  // From the back, so that nothing is overwritten before it is copied.
  for (std::size_t end = total; distinct > 0; --distinct) {
    const EigenvalueRef e = list[distinct - 1];
    for (std::size_t c = copies(e); c > 0; --c) list[--end] = e;
  }
}

void OrderFactors(Spectrum& spectrum) {
  std::vector<Factor>& factors = spectrum.factors;
  if (factors.size() < 2) return;
  // Kept from graph to graph, one per thread: their room stays.
  thread_local std::vector<std::size_t> smallest;  // each factor's smallest root's rank
  thread_local std::vector<std::uint32_t> order;   // the factors in their new order
  thread_local std::vector<std::uint32_t> place;   // each factor's new place
  smallest.assign(factors.size(), 0);
  for (std::size_t rank = spectrum.eigenvalues.size(); rank > 0; --rank) {
    const EigenvalueRef& e = spectrum.eigenvalues[rank - 1];
    if (e.factor != EigenvalueRef::kInteger) smallest[e.factor] = rank - 1;
  }
  order.resize(factors.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = static_cast<std::uint32_t>(k);
  std::sort(order.begin(), order.end(), [&factors](std::uint32_t a, std::uint32_t b) {
    const std::size_t da = factors[a].polynomial.degree();
    const std::size_t db = factors[b].polynomial.degree();
    return da != db ? da < db : smallest[a] < smallest[b];
  });
  place.resize(factors.size());
  for (std::size_t k = 0; k < order.size(); ++k) place[order[k]] = static_cast<std::uint32_t>(k);
  for (EigenvalueRef& e : spectrum.eigenvalues) {
    if (e.factor != EigenvalueRef::kInteger) e.factor = place[e.factor];
  }
  // Each factor swapped into its place, cycle by cycle (swaps keep the room).
  for (std::size_t k = 0; k < factors.size(); ++k) {
    while (place[k] != k) {
      const std::uint32_t to = place[k];
      std::swap(factors[k], factors[to]);
      std::swap(place[k], place[to]);
    }
  }
}

void SpanningTrees(const Coefficients& charpoly, int order, algebra::Integer& trees) {
  // Kirchhoff: the coefficient of x is (-1)^(n-1) n times the tree count.
  if (charpoly.inWords()) {
    fmpz_set_si(trees.get(), std::llabs(charpoly.word(1)) / order);
    return;
  }
  fmpz_abs(trees.get(), charpoly.exact(1));
  fmpz_divexact_si(trees.get(), trees.get(), order);
}

void LaplacianFactsOf(const Spectrum& laplacian, int order, LaplacianFacts& facts) {
  SpanningTrees(laplacian.charpoly, order, facts.spanningTrees);
  facts.hasConnectivity = laplacian.eigenvalues.size() > 1;
  if (facts.hasConnectivity) {
    facts.algebraicConnectivity = ValueOf(laplacian, laplacian.eigenvalues[1]);
  }
}

bool SecondOfConnected(const std::vector<IntegerRoot>& integers, const FactorRoot* smallest,
                       CertifiedValue& value) {
  if (integers.empty() || integers[0].value != 0 || integers[0].multiplicity != 1) return false;
  const IntegerRoot* next = integers.size() > 1 ? &integers[1] : nullptr;
  const double c = next != nullptr ? static_cast<double>(next->value) : 0;  // exact
  if (smallest == nullptr || (next != nullptr && c <= smallest->low)) {
    if (next == nullptr) return false;
    value.isInteger = true;
    value.integer = next->value;
    return true;
  }
  if (next != nullptr && c < smallest->high) return false;
  value.isInteger = false;
  value.rounded = smallest->rounded;
  return true;
}

void GraphSpectrum(SpectralMatrix matrix, int order, const std::vector<Edge>& edges, int digits,
                   Spectrum& spectrum) {
  if (!WordSpectrumOf(matrix, order, edges, digits, spectrum)) {
    ExactSpectrumOf(matrix, order, edges, digits, spectrum);
  }
  if (matrix == SpectralMatrix::kLaplacian) {
    LaplacianFactsOf(spectrum, order, spectrum.laplacian);
    return;
  }
  thread_local Spectrum room;
  if (!WordLaplacianFacts(order, edges, digits, room, spectrum.laplacian)) {
    ExactLaplacianFacts(order, edges, digits, room, spectrum.laplacian);
  }
}

Spectrum GraphSpectrum(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                       int digits) {
  Spectrum spectrum;
  GraphSpectrum(matrix, order, edges, digits, spectrum);
  return spectrum;
}

Spectrum ExactSpectrum(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                       int digits) {
  Spectrum spectrum;
  ExactSpectrumOf(matrix, order, edges, digits, spectrum);
  if (matrix == SpectralMatrix::kLaplacian) {
    LaplacianFactsOf(spectrum, order, spectrum.laplacian);
  } else {
    Spectrum room;
    ExactLaplacianFacts(order, edges, digits, room, spectrum.laplacian);
  }
  return spectrum;
}

LaplacianFacts GraphLaplacianFacts(int order, const std::vector<Edge>& edges, int digits) {
  LaplacianFacts facts;
  Spectrum room;
  if (!WordLaplacianFacts(order, edges, digits, room, facts)) {
    ExactLaplacianFacts(order, edges, digits, room, facts);
  }
  return facts;
}

}  // namespace grafen::spectral
