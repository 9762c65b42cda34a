#include "spectral/spectrum.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <utility>

#include "algebra/decimal.h"
#include "algebra/factoring.h"
#include "algebra/roots.h"
#include "io/text.h"
#include "spectral/charpoly.h"
#include "spectral/fast_path.h"

namespace grafen::spectral {

using algebra::CertifiedRoot;
using algebra::CertifiedRoots;
using algebra::CompareRoots;
using algebra::CompareRootWithInteger;
using algebra::DecimalText;
using algebra::Enclosure;
using algebra::Factorisation;
using algebra::Factorise;
using algebra::Integer;
using algebra::IntegerRoot;
using algebra::IntegerText;
using algebra::NonLinearFactor;
using algebra::Polynomial;
using io::AppendItem;
using io::PolynomialText;
using io::PowerText;
using io::RootFactorText;
namespace {

// An eigenvalue as listed: an integer root, or root `root` of non-linear
// factor `factor` (its copies alike).
struct Eigenvalue {
  long integer = 0;
  std::size_t factor = kNoFactor;
  std::size_t root = 0;
  static constexpr std::size_t kNoFactor = static_cast<std::size_t>(-1);
};

// The roots of the non-linear factors, each with where it truly lies.
struct FactorRoots {
  const Factorisation& factors;
  std::vector<std::vector<CertifiedRoot>> roots;

  // Orders two eigenvalues by their true values, not by their roundings
  // (3 - sqrt(2) rounds to 2 at one digit, and still comes before 2).
  bool Less(const Eigenvalue& a, const Eigenvalue& b) {
    const bool aInteger = a.factor == Eigenvalue::kNoFactor;
    const bool bInteger = b.factor == Eigenvalue::kNoFactor;
    if (aInteger && bInteger) return a.integer < b.integer;
    if (aInteger) return CompareRootWithInteger(Factor(b), Where(b), a.integer) > 0;
    if (bInteger) return CompareRootWithInteger(Factor(a), Where(a), b.integer) < 0;
    if (a.factor == b.factor) return a.root < b.root;  // ascending already
    return CompareRoots(Factor(a), Where(a), Factor(b), Where(b)) < 0;
  }
  const Polynomial& Factor(const Eigenvalue& e) const {
    return factors.factors[e.factor].polynomial;
  }
  Enclosure& Where(const Eigenvalue& e) { return roots[e.factor][e.root].where; }
  std::string Text(const Eigenvalue& e) const {
    return e.factor == Eigenvalue::kNoFactor ? std::to_string(e.integer)
                                             : DecimalText(roots[e.factor][e.root].rounded);
  }
};

// The matrix's eigenvalues in floating point, ascending.
std::vector<double> NumericEigenvalues(SpectralMatrix matrix, int order,
                                       const std::vector<Edge>& edges) {
  // Kept from graph to graph, one per thread: no allocation while the
  // order stays the same.
  thread_local Eigen::MatrixXd laplacian;
  thread_local Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver;
  laplacian.setZero(order, order);
  ForEachEntry(matrix, edges, [](int i, int j, int value) { laplacian(i, j) += value; });
  solver.compute(laplacian, Eigen::EigenvaluesOnly);
  const Eigen::VectorXd& values = solver.eigenvalues();
  return std::vector<double>(values.data(), values.data() + values.size());
}

// f in plain infix, highest power first: "x^2 - 4*x + 2".
std::string FactorText(const Polynomial& f) {
  return PolynomialText(f.degree(), [&f](long k) { return IntegerText(f.coefficient(k)); });
}

// The factored characteristic polynomial: the integer roots' factors
// ascending, then the other factors by degree and smallest root.
std::string FactoredText(FactorRoots& known) {
  const Factorisation& factors = known.factors;
  std::vector<std::string> parts;
  for (const IntegerRoot& root : factors.integerRoots) {
    parts.push_back(RootFactorText(root.value, root.multiplicity));
  }
  std::vector<std::size_t> order(factors.factors.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const long da = factors.factors[a].polynomial.degree();
    const long db = factors.factors[b].polynomial.degree();
    if (da != db) return da < db;
    return known.Less(Eigenvalue{0, a, 0}, Eigenvalue{0, b, 0});
  });
  for (const std::size_t k : order) {
    const NonLinearFactor& factor = factors.factors[k];
    parts.push_back(PowerText(std::string("(").append(FactorText(factor.polynomial)).append(")"),
                              factor.multiplicity));
  }
  std::string text;
  for (const std::string& part : parts) AppendItem(text, part, '*');
  return text;
}

template <typename T, typename Text>
std::string Joined(const std::vector<T>& items, Text text) {
  std::string joined;
  for (const T& item : items) AppendItem(joined, text(item));
  return joined;
}

}  // namespace

Spectrum GraphSpectrum(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                       int digits) {
  if (std::optional<Spectrum> quick = WordSpectrum(matrix, order, edges, digits)) {
    return std::move(*quick);
  }
  return ExactSpectrum(matrix, order, edges, digits);
}

Spectrum ExactSpectrum(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                       int digits) {
  const Polynomial charpoly = Charpoly(matrix, order, edges);
  Spectrum spectrum;
  for (long k = order; k >= 0; --k) {
    AppendItem(spectrum.charpoly, IntegerText(charpoly.coefficient(k)));
  }

  // Where the roots lie; the non-integer ones strictly inside.
  const bool adjacency = matrix == SpectralMatrix::kAdjacency;
  const auto [lowest, highest] = RangeOf(matrix, order);
  const Factorisation factors =
      Factorise(charpoly, lowest, highest, NumericEigenvalues(matrix, order, edges));
  FactorRoots known{factors, {}};
  std::vector<Eigenvalue> eigenvalues;
  for (const IntegerRoot& root : factors.integerRoots) {
    eigenvalues.insert(eigenvalues.end(), static_cast<std::size_t>(root.multiplicity),
                       Eigenvalue{root.value, Eigenvalue::kNoFactor, 0});
  }
  for (std::size_t k = 0; k < factors.factors.size(); ++k) {
    const NonLinearFactor& factor = factors.factors[k];
    known.roots.push_back(
        CertifiedRoots(factor.polynomial, highest + 1, factor.guesses, digits, adjacency));
    for (std::size_t r = 0; r < known.roots.back().size(); ++r) {
      eigenvalues.insert(eigenvalues.end(), static_cast<std::size_t>(factor.multiplicity),
                         Eigenvalue{0, k, r});
    }
  }
  // Copies of a root are alike, so any order among equals will do; a plain
  // sort needs no buffer.
  std::sort(eigenvalues.begin(), eigenvalues.end(),
            [&known](const Eigenvalue& a, const Eigenvalue& b) { return known.Less(a, b); });
  spectrum.eigenvalues =
      Joined(eigenvalues, [&known](const Eigenvalue& e) { return known.Text(e); });
  spectrum.factored = FactoredText(known);
  spectrum.integral = factors.factors.empty();
  if (matrix != SpectralMatrix::kLaplacian) {
    Spectrum laplacian = LaplacianSpectrum(order, edges, digits);
    spectrum.algebraicConnectivity = std::move(laplacian.algebraicConnectivity);
    spectrum.spanningTrees = std::move(laplacian.spanningTrees);
    return spectrum;
  }
  if (eigenvalues.size() > 1) spectrum.algebraicConnectivity = known.Text(eigenvalues[1]);
  // Kirchhoff: the coefficient of x is (-1)^(n-1) n times the tree count.
  Integer trees;
  fmpz_abs(trees.get(), charpoly.coefficient(1));
  fmpz_divexact_si(trees.get(), trees.get(), order);
  spectrum.spanningTrees = IntegerText(trees.get());
  return spectrum;
}

}  // namespace grafen::spectral
