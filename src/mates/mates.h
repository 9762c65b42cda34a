// The cospectral mates of a graph among all graphs of its order: nauty-geng
// generates the candidates, one per isomorphism class, restricted as far as
// theorems allow for the matrices asked; cheap trace keys sift them, and
// exact characteristic polynomials and canonical forms decide.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "formats/edge_list_reader.h"
#include "mates/geng.h"
#include "spectral/matrix.h"

namespace grafen::mates {

// The largest order searched. Every graph of an edge count is generated:
// order 11 has at most 106,321,628 graphs of one edge count (27 or 28
// edges), a minute or two on two cores; order 12 has up to 16,006,173,014
// (33 edges), 150 times as many, hours.
inline constexpr int kMaxSearchOrder = 11;

// What nauty-geng is asked for: the graphs of this order and edge count,
// and only those that the properties set name.
struct Restrictions {
  int order = 0;
  int edges = 0;    // -1: any
  int degree = -1;  // -1: any; otherwise every node has this degree
  bool triangleFree = false;
  bool bipartite = false;
  bool connected = false;
  // The order of map keys.
  bool operator<(const Restrictions& other) const {
    return std::tie(order, edges, degree, triangleFree, bipartite, connected) <
           std::tie(other.order, other.edges, other.degree, other.triangleFree, other.bipartite,
                    other.connected);
  }
};

// The restrictions that hold for every graph cospectral, for each of the
// matrices (one or more), with the graph on nodes 1..order (at most 64).
Restrictions RestrictionsFor(const ListedGraph& graph, int order,
                             const std::vector<spectral::SpectralMatrix>& matrices);

// The arguments of the nauty-geng run (its name first, then -q) that makes
// part `part` (from 0) of `parts` of the graphs the restrictions allow.
std::vector<std::string> GengArguments(const Restrictions& restrictions, unsigned part,
                                       unsigned parts);

// The graphs whose mates are sought, each with its order set (1 to
// kMaxSearchOrder), and the matrices, at least one.
struct MatesQuestion {
  std::vector<ListedGraph> graphs;
  std::vector<spectral::SpectralMatrix> matrices;
};

// The answer: for graph g its canonical form (spectral::CanonicalForm) and,
// for the k-th matrix asked, the canonical forms of its mates, ascending;
// and how many runs of nauty-geng were made and graphs of theirs read.
struct MatesAnswer {
  std::vector<std::string> forms;                            // [graph]
  std::vector<std::vector<std::vector<std::string>>> mates;  // [graph][matrix]
  std::int64_t runs = 0;
  std::int64_t candidates = 0;
};

// Finds the mates of every graph of the question: the graphs with equal
// restrictions are searched in one go, split over `parts` runs of
// nauty-geng at once, each read on its own thread. Throws SearchError.
MatesAnswer FindMates(const MatesQuestion& question, unsigned parts);

}  // namespace grafen::mates
