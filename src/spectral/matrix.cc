#include "spectral/matrix.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace grafen::spectral {
namespace {

// A matrix with its short and long names.
struct Named {
  SpectralMatrix matrix;
  std::string_view letter;
  std::string_view name;
};

// In the order tables list them.
constexpr std::array<Named, 10> kNames{
    {{SpectralMatrix::kAdjacency, "A", "adjacency"},
     {SpectralMatrix::kNonBacktracking, "B", "non-backtracking"},
     {SpectralMatrix::kDistance, "D", "distance"},
     {SpectralMatrix::kDistanceLaplacian, "DL", "distance-laplacian"},
     {SpectralMatrix::kDistanceSignless, "DQ", "distance-signless"},
     {SpectralMatrix::kGeneralized, "G", "generalized"},
     {SpectralMatrix::kLaplacian, "L", "laplacian"},
     {SpectralMatrix::kNormalized, "N", "normalized"},
     {SpectralMatrix::kSignless, "Q", "signless"},
     {SpectralMatrix::kSeidel, "S", "seidel"}}};

// The entry of kNames for the matrix.
const Named& NamesOf(SpectralMatrix matrix) {
  for (const Named& named : kNames) {
    if (named.matrix == matrix) return named;
  }
  return kNames[0];
}

}  // namespace

std::string_view MatrixLetter(SpectralMatrix matrix) { return NamesOf(matrix).letter; }

std::string_view MatrixName(SpectralMatrix matrix) { return NamesOf(matrix).name; }

int MatrixRank(SpectralMatrix matrix) { return static_cast<int>(&NamesOf(matrix) - kNames.data()); }

std::string JointName(const std::vector<SpectralMatrix>& members) {
  std::string name;
  for (const SpectralMatrix m : members) {
    if (!name.empty()) name.push_back('+');
    name.append(MatrixLetter(m));
  }
  return name;
}

std::vector<SpectralMatrix> AllMatrices() {
  std::vector<SpectralMatrix> all;
  all.reserve(kNames.size());
  for (const Named& named : kNames) all.push_back(named.matrix);
  return all;
}

std::optional<SpectralMatrix> MatrixNamed(std::string_view name) {
  for (const Named& named : kNames) {
    if (name == named.letter || name == named.name) return named.matrix;
  }
  return std::nullopt;
}

NeighbourSets NeighbourSetsOf(const std::vector<Edge>& edges) {
  NeighbourSets sets{};
  for (const Edge& e : edges) {
    sets[static_cast<std::size_t>(e.i - 1)] |= std::uint64_t{1} << (e.j - 1);
    sets[static_cast<std::size_t>(e.j - 1)] |= std::uint64_t{1} << (e.i - 1);
  }
  return sets;
}

bool DistancesOf(int order, const std::vector<Edge>& edges, std::vector<int>& distances) {
  // Breadth first from each node over 64-bit neighbour sets (orders <= 64).
  const auto n = static_cast<std::size_t>(order);
  const NeighbourSets neighbours = NeighbourSetsOf(edges);
  const std::uint64_t everyone = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
  distances.assign(n * n, 0);
  for (std::size_t source = 0; source < n; ++source) {
    std::uint64_t reached = std::uint64_t{1} << source;
    std::uint64_t layer = reached;
    for (int d = 1; layer != 0; ++d) {
      layer = NeighboursOf(neighbours, layer) & ~reached;
      reached |= layer;
      for (std::uint64_t left = layer; left != 0; left &= left - 1) {
        distances[source * n + static_cast<std::size_t>(__builtin_ctzll(left))] = d;
      }
    }
    if (reached != everyone) return false;
  }
  return true;
}

const std::vector<int>& CachedDistancesOf(int order, const std::vector<Edge>& edges) {
  thread_local int lastOrder = 0;
  thread_local std::vector<Edge> lastEdges;
  thread_local std::vector<int> distances;
  const bool same =
      order == lastOrder && edges.size() == lastEdges.size() &&
      std::equal(edges.begin(), edges.end(), lastEdges.begin(),
                 [](const Edge& a, const Edge& b) { return a.i == b.i && a.j == b.j; });
  if (!same) {
    DistancesOf(order, edges, distances);
    lastOrder = order;
    lastEdges = edges;
  }
  return distances;
}

bool HasMatrix(SpectralMatrix matrix, int order, const std::vector<Edge>& edges) {
  if (!IsDistanceMatrix(matrix)) return true;
  // Connected: node 1's component, grown over 64-bit neighbour sets, is all.
  const NeighbourSets neighbours = NeighbourSetsOf(edges);
  std::uint64_t reached = 1;
  for (std::uint64_t layer = 1; layer != 0;) {
    layer = NeighboursOf(neighbours, layer) & ~reached;
    reached |= layer;
  }
  return std::popcount(reached) == order;
}

EigenvalueRange RangeOf(SpectralMatrix matrix, long order) {
  const long transmission = order * (order - 1) / 2;
  switch (matrix) {
    case SpectralMatrix::kAdjacency:
    case SpectralMatrix::kSeidel:
    case SpectralMatrix::kGeneralized:
      return {-(order - 1), order - 1};
    case SpectralMatrix::kSignless:
      return {0, 2 * order - 2};
    case SpectralMatrix::kDistance:
      return {-transmission, transmission};
    case SpectralMatrix::kDistanceLaplacian:
    case SpectralMatrix::kDistanceSignless:
      return {0, 2 * transmission};
    case SpectralMatrix::kNormalized:
      return {0, 2};
    case SpectralMatrix::kNonBacktracking:
      return {-std::max(order - 2, 1L), std::max(order - 2, 1L)};
    case SpectralMatrix::kLaplacian:
      break;
  }
  return {0, order};
}

std::vector<Edge> ComplementEdges(int order, const std::vector<Edge>& edges) {
  const auto n = static_cast<std::size_t>(order);
  std::vector<char> joined(n * n, 0);
  for (const Edge& e : edges) {
    joined[static_cast<std::size_t>(e.i - 1) * n + static_cast<std::size_t>(e.j - 1)] = 1;
    joined[static_cast<std::size_t>(e.j - 1) * n + static_cast<std::size_t>(e.i - 1)] = 1;
  }
  std::vector<Edge> complement;
  for (int i = 1; i <= order; ++i) {
    for (int j = i + 1; j <= order; ++j) {
      if (joined[static_cast<std::size_t>(i - 1) * n + static_cast<std::size_t>(j - 1)] == 0) {
        complement.push_back(Edge{i, j});
      }
    }
  }
  return complement;
}

}  // namespace grafen::spectral
