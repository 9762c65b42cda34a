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

// The adjacency matrix A, the Laplacian L = D - A and the signless
// Laplacian Q = D + A (D: the degrees).
enum class SpectralMatrix { kLaplacian, kSignless, kAdjacency };

// The letter that names the matrix in tables and options: 'A', 'L' or 'Q'.
char MatrixLetter(SpectralMatrix matrix);

// The long name the options accept: "adjacency", "laplacian", "signless".
std::string_view MatrixName(SpectralMatrix matrix);

// The matrix that a letter or a long name names; nothing for anything else.
std::optional<SpectralMatrix> MatrixNamed(std::string_view name);

// A closed interval of integers holding every eigenvalue of the matrix.
struct EigenvalueRange {
  long lowest = 0;
  long highest = 0;
};

// Where the eigenvalues of the matrix of a graph on `order` nodes lie: A's
// in [-(n - 1), n - 1], L's in [0, n], Q's in [0, 2n - 2].
EigenvalueRange RangeOf(SpectralMatrix matrix, long order);

// Calls add(i, j, value) for the entries of the matrix of the graph with
// these edges (nodes 1..n, rows and columns 0..n-1), each edge adding to its
// two diagonal entries and setting its two off-diagonal ones; entries never
// named are 0. `add` adds value to entry (i, j) of a zeroed matrix.
template <typename Add>
void ForEachEntry(SpectralMatrix matrix, const std::vector<Edge>& edges, Add add) {
  const int diagonal = matrix == SpectralMatrix::kAdjacency ? 0 : 1;
  const int offDiagonal = matrix == SpectralMatrix::kLaplacian ? -1 : 1;
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
