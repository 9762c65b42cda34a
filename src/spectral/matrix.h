// The matrices of a graph whose spectra are taken: their names, where their
// eigenvalues lie, and their entries. A new matrix is a new enumerator here
// and its cases below; every path that builds a matrix builds it through
// ForEachEntry.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "formats/edge_list_reader.h"

namespace grafen::spectral {

// The adjacency matrix A, the Laplacian L = D - A, the signless Laplacian
// Q = D + A (D: the degrees) and the Seidel matrix S = J - I - 2A (J: all
// ones), whose off-diagonal entries are -1 for an edge and 1 for a non-edge.
// kGeneralized is the generalized spectrum: A's spectrum together with the
// complement's A-spectrum, two graphs cospectral for it when both are equal.
// It is not one matrix: everything below treats it as A, and what keys or
// shows a spectrum takes the complement's (ComplementEdges) beside.
enum class SpectralMatrix { kLaplacian, kSignless, kAdjacency, kSeidel, kGeneralized };

// The letter that names the matrix in tables and options: 'A', 'G', 'L', 'Q'
// or 'S'.
char MatrixLetter(SpectralMatrix matrix);

// The long name the options accept: "adjacency", "generalized", "laplacian",
// "signless", "seidel".
std::string_view MatrixName(SpectralMatrix matrix);

// The matrices in the order tables list them, that of their letters: A, G,
// L, Q, S.
int MatrixRank(SpectralMatrix matrix);

// Whether the matrix may have negative eigenvalues (A, S and G; L and Q are
// positive semidefinite).
inline bool HasSignedEigenvalues(SpectralMatrix matrix) {
  return matrix == SpectralMatrix::kAdjacency || matrix == SpectralMatrix::kSeidel ||
         matrix == SpectralMatrix::kGeneralized;
}

// The edges of the complement of the graph on nodes 1..order with these
// edges, each pair i < j once, ascending.
std::vector<Edge> ComplementEdges(int order, const std::vector<Edge>& edges);

// The matrix that a letter or a long name names; nothing for anything else.
std::optional<SpectralMatrix> MatrixNamed(std::string_view name);

// A closed interval of integers holding every eigenvalue of the matrix.
struct EigenvalueRange {
  long lowest = 0;
  long highest = 0;
};

// Where the eigenvalues of the matrix of a graph on `order` nodes lie: A's
// (and so G's) and S's in [-(n - 1), n - 1] (each row has n - 1 entries of size at most
// 1), L's in [0, n], Q's in [0, 2n - 2].
EigenvalueRange RangeOf(SpectralMatrix matrix, long order);

// Calls add(i, j, value) for the entries of the matrix of the graph on
// nodes 1..order with these edges (rows and columns 0..order-1), each edge
// adding to its two diagonal entries and to its two off-diagonal ones (S
// first sets every off-diagonal entry to 1; G's are A's); entries never
// named are 0.
// `add` adds value to entry (i, j) of a zeroed matrix.
template <typename Add>
void ForEachEntry(SpectralMatrix matrix, int order, const std::vector<Edge>& edges, Add add) {
  if (matrix == SpectralMatrix::kSeidel) {
    for (int i = 0; i < order; ++i) {
      for (int j = 0; j < order; ++j) {
        if (i != j) add(i, j, 1);
      }
    }
  }
  const int diagonal =
      matrix == SpectralMatrix::kLaplacian || matrix == SpectralMatrix::kSignless ? 1 : 0;
  const int offDiagonal = matrix == SpectralMatrix::kLaplacian ? -1
                          : matrix == SpectralMatrix::kSeidel  ? -2
                                                               : 1;
  for (const Edge& e : edges) {
    if (diagonal != 0) {
      add(e.i - 1, e.i - 1, diagonal);
      add(e.j - 1, e.j - 1, diagonal);
    }
    add(e.i - 1, e.j - 1, offDiagonal);
    add(e.j - 1, e.i - 1, offDiagonal);
  }
}

}  // namespace grafen::spectral
