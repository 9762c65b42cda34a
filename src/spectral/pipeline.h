// The steps from a graph matrix to its spectrum, written once for both ways
// of taking them: in machine words and floating point, every step proved
// (fast_path.cc), or in exact arithmetic (spectrum.cc). Each way is a Steps
// type with these members, each false when it cannot prove its step:
//   bool Charpoly(algebra::Coefficients& charpoly);
//   void IntegerRoots(std::vector<algebra::IntegerRoot>& roots);  // ascending
//   bool Factors(std::vector<Factor>& factors);   // polynomial, multiplicity
//   bool Roots(std::size_t k, Factor& factor);    // factor k's roots
//   bool SmallestRoot(FactorRoot& root);  // of what the integer roots leave,
//                                         // in doubles, without factoring
//   bool Sort(std::vector<EigenvalueRef>& distinct, const Spectrum& spectrum);
// IntegerRoots comes after Charpoly, Factors after IntegerRoots (the factors
// of what the integer roots leave), Roots after Factors, Sort last;
// SmallestRoot (which a way may always refuse) after IntegerRoots.
#pragma once

#include <cstddef>
#include <vector>

#include "spectral/spectrum.h"

namespace grafen::spectral {

// The distinct eigenvalues, integer roots first, then each factor's roots.
void ListDistinct(Spectrum& spectrum);

// Repeats each of the distinct eigenvalues (ascending) as often as it is one.
void RepeatByMultiplicity(Spectrum& spectrum);

// Orders the factors by degree, then by smallest root, once the eigenvalues
// are in true ascending order (which gives the smallest roots' order).
void OrderFactors(Spectrum& spectrum);

// Kirchhoff: |coefficient of x| / order, for the Laplacian's charpoly.
void SpanningTrees(const algebra::Coefficients& charpoly, int order, algebra::Integer& trees);

// The facts of a Laplacian from its own spectrum.
void LaplacianFactsOf(const Spectrum& laplacian, int order, LaplacianFacts& facts);

// The second eigenvalue of a connected graph's Laplacian (0 a simple root,
// integers[0]) from its integer roots and, unless every root is one, the
// smallest of the others with its interval in doubles; false when the
// interval holds the next integer root, so that they are not told apart.
bool SecondOfConnected(const std::vector<algebra::IntegerRoot>& integers,
                       const FactorRoot* smallest, CertifiedValue& value);

// Factors, their roots, the eigenvalues in ascending order: once the integer
// roots are known.
template <typename Steps>
bool EigenvaluesInOrder(Steps& steps, Spectrum& spectrum) {
  if (!steps.Factors(spectrum.factors)) return false;
  for (std::size_t k = 0; k < spectrum.factors.size(); ++k) {
    if (!steps.Roots(k, spectrum.factors[k])) return false;
  }
  ListDistinct(spectrum);
  if (!steps.Sort(spectrum.eigenvalues, spectrum)) return false;
  RepeatByMultiplicity(spectrum);
  return true;
}

// The spectrum but its Laplacian facts: characteristic polynomial, integer
// roots, factors, their roots, the eigenvalues in order, the factors' order.
template <typename Steps>
bool SpectrumBy(Steps& steps, Spectrum& spectrum) {
  if (!steps.Charpoly(spectrum.charpoly)) return false;
  steps.IntegerRoots(spectrum.integerRoots);
  if (!EigenvaluesInOrder(steps, spectrum)) return false;
  OrderFactors(spectrum);
  spectrum.integral = spectrum.factors.empty();
  return true;
}

// The Laplacian's facts alone, `steps` taking L's: the tree count from its
// characteristic polynomial; its second eigenvalue 0 when the graph is
// disconnected (no spanning tree, 0 a repeated root), else the smaller of
// the next integer root and the smallest other root when SmallestRoot proves
// it apart, else found as in the spectrum, with no factors ordered. `room` holds the work.
template <typename Steps>
bool LaplacianFactsBy(Steps& steps, int order, Spectrum& room, LaplacianFacts& facts) {
  if (!steps.Charpoly(room.charpoly)) return false;
  SpanningTrees(room.charpoly, order, facts.spanningTrees);
  facts.hasConnectivity = order > 1;
  facts.algebraicConnectivity.isInteger = true;
  facts.algebraicConnectivity.integer = 0;
  if (order <= 1 || fmpz_is_zero(facts.spanningTrees.get()) != 0) return true;
  steps.IntegerRoots(room.integerRoots);
  long integers = 0;
  for (const algebra::IntegerRoot& root : room.integerRoots) integers += root.multiplicity;
  FactorRoot smallest;
  if (integers == order || steps.SmallestRoot(smallest)) {
    const FactorRoot* other = integers == order ? nullptr : &smallest;
    if (SecondOfConnected(room.integerRoots, other, facts.algebraicConnectivity)) return true;
  }
  if (!EigenvaluesInOrder(steps, room)) return false;
  LaplacianFactsOf(room, order, facts);
  return true;
}

}  // namespace grafen::spectral
