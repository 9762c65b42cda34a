#include "spectra/spectrum.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "spectra/charpoly.h"
#include "spectra/decimal.h"
#include "spectra/factoring.h"
#include "spectra/roots.h"
#include "spectra/text.h"

namespace grafen::spectra {
namespace {

// An eigenvalue as printed: an exact integer, or a rounded decimal.
struct Eigenvalue {
  Decimal value;
  bool exact = false;
};

std::string EigenvalueText(const Eigenvalue& e) {
  return e.exact ? e.value.mantissa : DecimalText(e.value);
}

// The Laplacian's eigenvalues in floating point, ascending.
std::vector<double> NumericEigenvalues(int order, const std::vector<Edge>& edges) {
  Eigen::MatrixXd laplacian = Eigen::MatrixXd::Zero(order, order);
  for (const Edge& e : edges) {
    laplacian(e.i - 1, e.i - 1) += 1;
    laplacian(e.j - 1, e.j - 1) += 1;
    laplacian(e.i - 1, e.j - 1) = -1;
    laplacian(e.j - 1, e.i - 1) = -1;
  }
  const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(laplacian, Eigen::EigenvaluesOnly);
  const Eigen::VectorXd& values = solver.eigenvalues();
  return std::vector<double>(values.data(), values.data() + values.size());
}

// f in plain infix, highest power first: "x^2 - 4*x + 2".
std::string PolynomialText(const Polynomial& f) {
  std::string text;
  Integer magnitude;
  for (long k = f.degree(); k >= 0; --k) {
    const fmpz* a = f.coefficient(k);
    const int sign = fmpz_sgn(a);
    if (sign == 0) continue;
    if (!text.empty()) {
      text.append(sign < 0 ? " - " : " + ");
    } else if (sign < 0) {
      text.push_back('-');
    }
    fmpz_abs(magnitude.get(), a);
    const bool unit = fmpz_is_one(magnitude.get()) != 0;
    if (k == 0 || !unit) text += IntegerText(magnitude.get());
    if (k > 0 && !unit) text.push_back('*');
    if (k > 0) text.push_back('x');
    if (k > 1) text.append("^").append(std::to_string(k));
  }
  return text;
}

std::string PowerText(const std::string& base, long exponent) {
  return exponent == 1 ? base : base + "^" + std::to_string(exponent);
}

// The factored characteristic polynomial: the integer roots' factors
// ascending, then the other factors by degree and smallest root.
std::string FactoredText(const Factorisation& factors,
                         const std::vector<std::vector<Decimal>>& roots) {
  std::vector<std::string> parts;
  for (const IntegerRoot& root : factors.integerRoots) {
    const std::string base =
        root.value == 0 ? "x" : std::string("(x - ").append(std::to_string(root.value)).append(")");
    parts.push_back(PowerText(base, root.multiplicity));
  }
  std::vector<std::size_t> order(factors.factors.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const long da = factors.factors[a].polynomial.degree();
    const long db = factors.factors[b].polynomial.degree();
    if (da != db) return da < db;
    return CompareDecimals(roots[a].front(), roots[b].front()) < 0;
  });
  for (const std::size_t k : order) {
    const NonLinearFactor& factor = factors.factors[k];
    parts.push_back(
        PowerText(std::string("(").append(PolynomialText(factor.polynomial)).append(")"),
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

Spectrum LaplacianSpectrum(int order, const std::vector<Edge>& edges, int digits) {
  const Polynomial charpoly = LaplacianCharpoly(order, edges);
  Spectrum spectrum;
  for (long k = order; k >= 0; --k) {
    AppendItem(spectrum.charpoly, IntegerText(charpoly.coefficient(k)));
  }

  // Kirchhoff: the coefficient of x is (-1)^(n-1) n times the tree count.
  Integer trees;
  fmpz_abs(trees.get(), charpoly.coefficient(1));
  fmpz_divexact_si(trees.get(), trees.get(), order);
  spectrum.spanningTrees = IntegerText(trees.get());

  const Factorisation factors = Factorise(charpoly, order, NumericEigenvalues(order, edges));
  std::vector<Eigenvalue> eigenvalues;
  for (const IntegerRoot& root : factors.integerRoots) {
    eigenvalues.insert(eigenvalues.end(), static_cast<std::size_t>(root.multiplicity),
                       Eigenvalue{IntegerDecimal(root.value), true});
  }
  std::vector<std::vector<Decimal>> roots;
  for (const NonLinearFactor& factor : factors.factors) {
    roots.push_back(CertifiedRoots(factor.polynomial, order, factor.guesses, digits));
    for (const Decimal& root : roots.back()) {
      eigenvalues.insert(eigenvalues.end(), static_cast<std::size_t>(factor.multiplicity),
                         Eigenvalue{root, false});
    }
  }
  std::stable_sort(eigenvalues.begin(), eigenvalues.end(),
                   [](const Eigenvalue& a, const Eigenvalue& b) {
                     return CompareDecimals(a.value, b.value) < 0;
                   });
  spectrum.eigenvalues = Joined(eigenvalues, EigenvalueText);
  if (eigenvalues.size() > 1) spectrum.algebraicConnectivity = EigenvalueText(eigenvalues[1]);
  spectrum.factored = FactoredText(factors, roots);
  spectrum.laplacianIntegral = factors.factors.empty();
  return spectrum;
}

}  // namespace grafen::spectra
