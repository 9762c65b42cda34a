// The characteristic polynomial det(xI - M) of a graph's Laplacian L = D - A,
// signless Laplacian Q = D + A, adjacency matrix A or Seidel matrix
// S = J - I - 2A (D: the degrees, J: all ones).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "algebra/flint_values.h"
#include "formats/edge_list_reader.h"
#include "spectral/matrix.h"

namespace grafen::spectral {

// The largest order whose coefficients SmallCharpoly gives in machine words.
inline constexpr int kWrappingOrder = 13;

// det(xI - M) in machine integers, highest power first, for orders up to
// kWrappingOrder (the common case, and cheap); false for larger orders.
bool SmallCharpoly(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                   std::array<std::int64_t, kWrappingOrder + 1>& coefficients);

// det(xI - M) for the matrix M of the graph on nodes 1..order (order >= 1)
// with these edges (each pair once, nodes within 1..order), exactly at every
// order: in machine words up to kWrappingOrder, in checked 64-bit integers
// beyond while they hold it, by FLINT after that.
algebra::Polynomial Charpoly(SpectralMatrix matrix, int order, const std::vector<Edge>& edges);

// det(xI - L) for the Laplacian L of the graph on nodes 1..order.
inline algebra::Polynomial LaplacianCharpoly(int order, const std::vector<Edge>& edges) {
  return Charpoly(SpectralMatrix::kLaplacian, order, edges);
}

}  // namespace grafen::spectral
