// The spectrum of one graph's Laplacian, signless Laplacian or adjacency
// matrix, exactly: characteristic polynomial, its factors over the integers,
// certified decimal eigenvalues; with the Laplacian's algebraic connectivity
// and spanning-tree count whatever the matrix.
#pragma once

#include <string>
#include <vector>

#include "formats/edge_list_reader.h"
#include "spectral/charpoly.h"

namespace grafen::spectral {

// The spectral columns of one graph, as text.
struct Spectrum {
  std::string charpoly;               // coefficients of det(xI - M), highest power first
  std::string factored;               // e.g. "x*(x - 4)^2*(x^2 - 4*x + 2)"
  std::string eigenvalues;            // ascending, integers whole, others rounded
  std::string algebraicConnectivity;  // L's second smallest eigenvalue ("" for one node)
  std::string spanningTrees;          // exact
  bool integral = false;              // every eigenvalue of M an integer
};

// The spectrum of the matrix of the graph on nodes 1..order with these
// edges, non-integer eigenvalues to `digits` significant digits.
Spectrum GraphSpectrum(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                       int digits);

// The same by exact arithmetic alone, without the machine-word fast path
// that GraphSpectrum takes when it can.
Spectrum ExactSpectrum(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                       int digits);

// The spectrum of the Laplacian of the graph on nodes 1..order with these
// edges, non-integer eigenvalues to `digits` significant digits.
inline Spectrum LaplacianSpectrum(int order, const std::vector<Edge>& edges, int digits) {
  return GraphSpectrum(SpectralMatrix::kLaplacian, order, edges, digits);
}

}  // namespace grafen::spectral
