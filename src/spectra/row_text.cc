#include "spectra/row_text.h"

#include <cstddef>
#include <string>
#include <utility>

#include "algebra/decimal.h"
#include "io/text.h"

namespace grafen::spectra {

using algebra::Coefficients;
using algebra::DecimalText;
using algebra::IntegerRoot;
using algebra::IntegerText;
using io::AppendNumber;
using io::PolynomialText;
using io::PowerText;
using io::RootFactorText;
using spectral::EigenvalueRef;
using spectral::Factor;
using spectral::LaplacianFacts;
using spectral::Spectrum;

namespace {

// Appends the coefficient of x^k.
void AppendCoefficient(std::string& text, const Coefficients& p, std::size_t k) {
  if (p.inWords()) {
    AppendNumber(text, p.word(k));
  } else {
    text.append(IntegerText(p.exact(k)));
  }
}

// The coefficient of x^k as text.
std::string CoefficientText(const Coefficients& p, std::size_t k) {
  return p.inWords() ? std::to_string(p.word(k)) : IntegerText(p.exact(k));
}

// f in plain infix, highest power first: "x^2 - 4*x + 2".
std::string FactorText(const Coefficients& f) {
  return PolynomialText(static_cast<long>(f.degree()),
                        [&f](long k) { return CoefficientText(f, static_cast<std::size_t>(k)); });
}

}  // namespace

void AppendCharpoly(std::string& text, const Coefficients& charpoly) {
  for (std::size_t k = charpoly.degree() + 1; k > 0; --k) {
    AppendCoefficient(text, charpoly, k - 1);
    if (k > 1) text.push_back(' ');
  }
}

void AppendFactored(std::string& text, const Spectrum& spectrum) {
  bool first = true;
  const auto separate = [&text, &first] {
    if (!first) text.push_back('*');
    first = false;
  };
  for (const IntegerRoot& root : spectrum.integerRoots) {
    separate();
    text.append(RootFactorText(root.value, root.multiplicity));
  }
  for (const Factor& factor : spectrum.factors) {
    separate();
    std::string base = "(";
    base.append(FactorText(factor.polynomial)).push_back(')');
    text.append(PowerText(std::move(base), factor.multiplicity));
  }
}

void AppendEigenvalues(std::string& text, const Spectrum& spectrum) {
  thread_local std::string item;  // the last one's text, for its copies
  for (std::size_t k = 0; k < spectrum.eigenvalues.size(); ++k) {
    const EigenvalueRef& e = spectrum.eigenvalues[k];
    if (k > 0) text.push_back(' ');
    if (k == 0 || !(e == spectrum.eigenvalues[k - 1])) {
      item.clear();
      if (e.factor == EigenvalueRef::kInteger) {
        AppendNumber(item, spectrum.integerRoots[e.index].value);
      } else {
        item.append(DecimalText(spectrum.factors[e.factor].roots[e.index].rounded));
      }
    }
    text.append(item);
  }
}

void AppendConnectivity(std::string& text, const LaplacianFacts& facts) {
  if (!facts.hasConnectivity) return;
  const spectral::CertifiedValue& value = facts.algebraicConnectivity;
  if (value.isInteger) {
    AppendNumber(text, value.integer);
  } else {
    text.append(DecimalText(value.rounded));
  }
}

void AppendSpanningTrees(std::string& text, const LaplacianFacts& facts) {
  if (fmpz_fits_si(facts.spanningTrees.get()) != 0) {
    AppendNumber(text, fmpz_get_si(facts.spanningTrees.get()));
  } else {
    text.append(IntegerText(facts.spanningTrees.get()));
  }
}

void AppendSpectralValues(std::string& text, const Spectrum& spectrum, const Spectrum* complement) {
  AppendCharpoly(text, spectrum.charpoly);
  if (complement != nullptr) AppendCharpoly(text.append(";"), complement->charpoly);
  AppendFactored(text.append(","), spectrum);
  if (complement != nullptr) AppendFactored(text.append(";"), *complement);
  AppendEigenvalues(text.append(","), spectrum);
  if (complement != nullptr) AppendEigenvalues(text.append(";"), *complement);
  text.push_back(',');
}

void AppendSpectrumColumns(std::string& text, const Spectrum& spectrum) {
  AppendSpectralValues(text, spectrum);
  AppendConnectivity(text, spectrum.laplacian);
  AppendSpanningTrees(text.append(","), spectrum.laplacian);
  text.append(spectrum.integral ? ",1," : ",0,");
}

void AppendGeneralizedColumns(std::string& text, const Spectrum& spectrum,
                              const Spectrum& complement) {
  AppendSpectralValues(text, spectrum, &complement);
  AppendConnectivity(text, spectrum.laplacian);
  AppendSpanningTrees(text.append(","), spectrum.laplacian);
  text.append(spectrum.integral && complement.integral ? ",1," : ",0,");
}

}  // namespace grafen::spectra
