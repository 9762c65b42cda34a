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

// The largest order whose det(xI - M) SmallCharpoly gives for the matrix:
// kWrappingOrder, less for the distance matrices, whose coefficients grow
// faster; 0 for N and B.
int WrappingOrderOf(SpectralMatrix matrix);

// det(xI - M) in machine integers, highest power first, for orders up to
// WrappingOrderOf(matrix) (the common case, and cheap); false beyond.
bool SmallCharpoly(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                   std::array<std::int64_t, kWrappingOrder + 1>& coefficients);

// det(xI - M) for the matrix M of the graph on nodes 1..order (order >= 1)
// with these edges (each pair once, nodes within 1..order), exactly at every
// order: in machine words up to WrappingOrderOf(matrix), in checked 64-bit
// integers beyond while they hold it, by FLINT after that. For N it is
// NormalizedPolynomial, for B NonBacktrackingCharpoly; a distance matrix
// needs the graph connected (HasMatrix).
algebra::Polynomial Charpoly(SpectralMatrix matrix, int order, const std::vector<Edge>& edges);

// The normalized Laplacian's eigenvalues as the roots of an integer
// polynomial: det(xD - L) over the nodes of positive degree times (x - 1)
// for each isolated node, made primitive with a positive leading
// coefficient (its leading coefficient is not 1 in general). Two graphs of
// one order share their normalized Laplacian spectrum exactly when they
// share this polynomial.
algebra::Polynomial NormalizedPolynomial(int order, const std::vector<Edge>& edges);

// det(xI - B) for the non-backtracking matrix B of the graph (of degree 2m).
algebra::Polynomial NonBacktrackingCharpoly(int order, const std::vector<Edge>& edges);

// det(xI - L) for the Laplacian L of the graph on nodes 1..order.
inline algebra::Polynomial LaplacianCharpoly(int order, const std::vector<Edge>& edges) {
  return Charpoly(SpectralMatrix::kLaplacian, order, edges);
}

}  // namespace grafen::spectral
