// The matrices of a graph whose spectra are taken: their names, where their
// eigenvalues lie, and their entries. A new matrix is a new enumerator here
// and its cases below; every path that builds a matrix builds it through
// ForEachEntry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
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
//
// Of a connected graph only (a disconnected one has none): the distance
// matrix Dist (entry i, j the length of a shortest path), the distance
// Laplacian Tr - Dist and the distance signless Laplacian Tr + Dist (Tr the
// diagonal of transmissions, the rows' sums of Dist).
//
// Two more are decided through a polynomial other than det(xI - M) of an
// integer n-square matrix (DefiningPolynomial in charpoly.h): the normalized
// Laplacian I - D^(-1/2) A D^(-1/2) (D^(-1/2) = 0 at an isolated node, so
// that each isolated node adds the eigenvalue 1), and the non-backtracking
// matrix B on the 2m arcs (u->v followed by v->w for w != u).
enum class SpectralMatrix {
  kLaplacian,
  kSignless,
  kAdjacency,
  kSeidel,
  kGeneralized,
  kDistance,
  kDistanceLaplacian,
  kDistanceSignless,
  kNormalized,
  kNonBacktracking
};

// The short name (a letter or two) that names the matrix in tables and
// options: "A", "B", "D", "DL", "DQ", "G", "L", "N", "Q" or "S"; it lives as
// long as the program.
std::string_view MatrixLetter(SpectralMatrix matrix);

// The long name the options accept: "adjacency", "non-backtracking",
// "distance", "distance-laplacian", "distance-signless", "generalized",
// "laplacian", "normalized", "signless", "seidel".
std::string_view MatrixName(SpectralMatrix matrix);

// The matrices in the order tables list them, that of their short names: A,
// B, D, DL, DQ, G, L, N, Q, S.
int MatrixRank(SpectralMatrix matrix);

// The name of a joint set of matrices (graphs cospectral for all of them at
// once): their short names joined by '+', "A+L".
std::string JointName(const std::vector<SpectralMatrix>& members);

// Every matrix, in the order tables list them.
std::vector<SpectralMatrix> AllMatrices();

// Whether the matrix may have negative eigenvalues (A, S, G and Dist; L, Q,
// the normalized Laplacian and the distance Laplacians are positive
// semidefinite; B's are complex).
inline bool HasSignedEigenvalues(SpectralMatrix matrix) {
  return matrix == SpectralMatrix::kAdjacency || matrix == SpectralMatrix::kSeidel ||
         matrix == SpectralMatrix::kGeneralized || matrix == SpectralMatrix::kDistance;
}

// Whether the matrix is one of the distance matrices, which only a
// connected graph has.
inline bool IsDistanceMatrix(SpectralMatrix matrix) {
  return matrix == SpectralMatrix::kDistance || matrix == SpectralMatrix::kDistanceLaplacian ||
         matrix == SpectralMatrix::kDistanceSignless;
}

// Whether the matrix's spectrum fixes the edge count (A, G, L, Q: the trace
// of A^2, L or Q is 2m; B: its size is 2m). Seidel switching changes it; a
// star and a cycle of four nodes share their normalized Laplacian spectrum;
// the distance spectra do not give it either. A census counts the family of
// such a matrix in the row of its first graph.
inline bool SpectrumFixesEdges(SpectralMatrix matrix) {
  return matrix == SpectralMatrix::kAdjacency || matrix == SpectralMatrix::kGeneralized ||
         matrix == SpectralMatrix::kLaplacian || matrix == SpectralMatrix::kSignless ||
         matrix == SpectralMatrix::kNonBacktracking;
}

// Whether the matrix's spectrum is that of det(xI - M) for an integer
// n-square matrix M built by ForEachEntry (not N nor B).
inline bool IsIntegerMatrix(SpectralMatrix matrix) {
  return matrix != SpectralMatrix::kNormalized && matrix != SpectralMatrix::kNonBacktracking;
}

// Whether the graph has the matrix: a distance matrix needs it connected.
bool HasMatrix(SpectralMatrix matrix, int order, const std::vector<Edge>& edges);

// Each node's neighbours as a set of bits (bit j - 1 for node j), by node
// - 1, for graphs of at most 64 nodes.
using NeighbourSets = std::array<std::uint64_t, 64>;
NeighbourSets NeighbourSetsOf(const std::vector<Edge>& edges);

// The nodes adjacent to some node of the set `nodes`.
inline std::uint64_t NeighboursOf(const NeighbourSets& sets, std::uint64_t nodes) {
  std::uint64_t next = 0;
  for (; nodes != 0; nodes &= nodes - 1) {
    next |= sets[static_cast<std::size_t>(__builtin_ctzll(nodes))];
  }
  return next;
}

// The distances between the nodes of the connected graph on nodes
// 1..order with these edges, row by row (entry i * order + j for nodes i + 1
// and j + 1), into `distances`; false, and `distances` unspecified, when the
// graph is disconnected.
bool DistancesOf(int order, const std::vector<Edge>& edges, std::vector<int>& distances);

// DistancesOf the connected graph, kept for the next call on this thread:
// a census takes D, DL and DQ of one graph after another.
const std::vector<int>& CachedDistancesOf(int order, const std::vector<Edge>& edges);

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
// 1), L's in [0, n], Q's in [0, 2n - 2]; Dist's within its largest row sum,
// a transmission of at most n(n - 1)/2 (a path's end), and those of Tr -/+ Dist
// in [0, n(n - 1)] (twice that); N's in [0, 2]; B's moduli at most n - 2 (the
// largest degree less one), or 1.
EigenvalueRange RangeOf(SpectralMatrix matrix, long order);

// Calls add(i, j, value) for the entries of the distance matrix (or Tr -/+
// Dist) of the connected graph on nodes 1..order with these edges.
template <typename Add>
void ForEachDistanceEntry(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                          Add add) {
  const std::vector<int>& distances = CachedDistancesOf(order, edges);
  const int offDiagonal = matrix == SpectralMatrix::kDistanceLaplacian ? -1 : 1;
  const auto n = static_cast<std::size_t>(order);
  for (std::size_t i = 0; i < n; ++i) {
    int transmission = 0;
    for (std::size_t j = 0; j < n; ++j) {
      const int d = distances[i * n + j];
      transmission += d;
      if (j != i) add(static_cast<int>(i), static_cast<int>(j), offDiagonal * d);
    }
    if (matrix != SpectralMatrix::kDistance) {
      add(static_cast<int>(i), static_cast<int>(i), transmission);
    }
  }
}

// Calls add(i, j, value) for the entries of the matrix of the graph on
// nodes 1..order with these edges (rows and columns 0..order-1), each edge
// adding to its two diagonal entries and to its two off-diagonal ones (S
// first sets every off-diagonal entry to 1; G's are A's; a distance
// matrix's come from the distances, the graph connected); entries never
// named are 0. Not for N nor B (IsIntegerMatrix).
// `add` adds value to entry (i, j) of a zeroed matrix.
template <typename Add>
void ForEachEntry(SpectralMatrix matrix, int order, const std::vector<Edge>& edges, Add add) {
  if (IsDistanceMatrix(matrix)) {
    ForEachDistanceEntry(matrix, order, edges, add);
    return;
  }
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
