// The Laplacian spectrum of one graph, exactly: characteristic polynomial,
// its factors over the integers, certified decimal eigenvalues and the
// spanning-tree count.
#pragma once

#include <string>
#include <vector>

#include "results/edge_list_reader.h"

namespace grafen::spectra {

// The spectral columns of one graph, as text.
struct Spectrum {
  std::string charpoly;               // coefficients of det(xI - L), highest power first
  std::string factored;               // e.g. "x*(x - 4)^2*(x^2 - 4*x + 2)"
  std::string eigenvalues;            // ascending, integers whole, others rounded
  std::string algebraicConnectivity;  // the second smallest eigenvalue ("" for one node)
  std::string spanningTrees;          // exact
  bool laplacianIntegral = false;     // every eigenvalue an integer
};

// The spectrum of the Laplacian of the graph on nodes 1..order with these
// edges, non-integer eigenvalues to `digits` significant digits.
Spectrum LaplacianSpectrum(int order, const std::vector<Edge>& edges, int digits);

}  // namespace grafen::spectra
