#include "spectral/trace_keys.h"

#include <algorithm>
#include <array>

namespace grafen::spectral {
namespace {

// Three traces mixed into 64 bits and spread over many values.
std::uint64_t Key(std::int64_t trace2, std::int64_t trace3, std::int64_t trace4) {
  return (static_cast<std::uint64_t>(trace2) * 1000003U + static_cast<std::uint64_t>(trace3)) *
             1000003U +
         static_cast<std::uint64_t>(trace4);
}

}  // namespace

// The traces of each matrix's square, cube and fourth power. With d the degrees, t the triangles,
// and for two distinct nodes a their adjacency, c their common neighbours and s = d + d':
//   A:    2m,         6t,                       sum d^2 + sum c^2
//   L, Q: sum d^2 + 2m, sum d^3 + 3 sum d^2 -+ 6t, sum (d^2 + d)^2 + sum (c -+ s a)^2
// (the pair sums over ordered pairs; L takes the minus signs). Worked out in
// one pass for all three: for a part of a large census split this is most of
// the work, so it is also built for processors with a popcount instruction,
// chosen when the program starts. S's and G's keys are left to
// AddComplementKeys.
__attribute__((target_clones("default", "popcnt"))) TraceKeys TraceKeysOf(const ListedGraph& graph,
                                                                          int order) {
  std::array<std::uint64_t, 64> rows{};  // adjacency rows as bits
  for (const Edge& e : graph.edges) {
    rows[static_cast<std::size_t>(e.i - 1)] |= std::uint64_t{1} << (e.j - 1);
    rows[static_cast<std::size_t>(e.j - 1)] |= std::uint64_t{1} << (e.i - 1);
  }
  const auto n = static_cast<std::size_t>(order);
  std::array<std::int64_t, 64> degree{};
  std::int64_t squares = 0;
  std::int64_t cubes = 0;
  std::int64_t diagonal4 = 0;  // the diagonal of the fourth power of L or Q
  for (std::size_t v = 0; v < n; ++v) {
    const std::int64_t d = __builtin_popcountll(rows[v]);
    degree[v] = d;
    squares += d * d;
    cubes += d * d * d;
    diagonal4 += (d * d + d) * (d * d + d);
  }
  std::int64_t common2 = 0;     // sum of c^2 over unordered pairs
  std::int64_t triangles = 0;   // 3t: sum of c over the edges
  std::int64_t edgeCommon = 0;  // sum of c s over the edges
  std::int64_t edgeSum2 = 0;    // sum of s^2 over the edges
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      const std::int64_t c = __builtin_popcountll(rows[i] & rows[j]);
      common2 += c * c;
      if ((rows[i] >> j & 1U) != 0) {
        const std::int64_t sum = degree[i] + degree[j];
        triangles += c;
        edgeCommon += c * sum;
        edgeSum2 += sum * sum;
      }
    }
  }
  const auto edges2 = static_cast<std::int64_t>(graph.edges.size()) * 2;
  const std::int64_t cubeL = cubes + 3 * squares;
  const std::int64_t fourthL = diagonal4 + 2 * common2 + 2 * edgeSum2;
  return TraceKeys{Key(edges2, 2 * triangles, squares + 2 * common2),
                   Key(squares + edges2, cubeL - 2 * triangles, fourthL - 4 * edgeCommon),
                   Key(squares + edges2, cubeL + 2 * triangles, fourthL + 4 * edgeCommon)};
}

// S^2 has n - 1 on its diagonal and u = (n - 2) - 2e off it, for two
// distinct nodes with e the other nodes adjacent to exactly one of them, so
// trace S^3 = sum s u and trace S^4 = n (n - 1)^2 + sum u^2 (s the pair's
// entry of S, ordered pairs). With a the pair's adjacency, d and d' its
// degrees and c its common neighbours, by inclusion and exclusion over the
// other n - 2 nodes: e = d + d' - 2a - 2c, and the complement's common
// neighbours are
// n - 2 - (d - a) - (d' - a) + c. The complement's A-traces are then those
// of A above with its degrees n - 1 - d and its common neighbours over the
// pairs it joins; G's key mixes A's key with the complement's.
void AddComplementKeys(const ListedGraph& graph, int order, TraceKeys& keys) {
  std::array<std::uint64_t, 64> rows{};  // adjacency rows as bits
  for (const Edge& e : graph.edges) {
    rows[static_cast<std::size_t>(e.i - 1)] |= std::uint64_t{1} << (e.j - 1);
    rows[static_cast<std::size_t>(e.j - 1)] |= std::uint64_t{1} << (e.i - 1);
  }
  const auto n = static_cast<std::size_t>(order);
  const auto order64 = static_cast<std::int64_t>(n);
  std::array<std::int64_t, 64> degree{};
  std::int64_t squaresC = 0;  // sum of the complement's squared degrees
  for (std::size_t v = 0; v < n; ++v) {
    degree[v] = __builtin_popcountll(rows[v]);
    squaresC += (order64 - 1 - degree[v]) * (order64 - 1 - degree[v]);
  }
  std::int64_t seidel3 = 0;     // sum of s u over unordered pairs
  std::int64_t seidel4 = 0;     // sum of u^2 over unordered pairs
  std::int64_t common2C = 0;    // the complement's sum of c^2
  std::int64_t trianglesC = 0;  // the complement's 3t
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      const std::int64_t c = __builtin_popcountll(rows[i] & rows[j]);
      const auto a = static_cast<std::int64_t>(rows[i] >> j & 1U);
      const std::int64_t both = degree[i] + degree[j] - 2 * a;
      const std::int64_t u = order64 - 2 - 2 * (both - 2 * c);
      seidel3 += a != 0 ? -u : u;
      seidel4 += u * u;
      const std::int64_t cC = order64 - 2 - both + c;
      common2C += cC * cC;
      trianglesC += a != 0 ? 0 : cC;
    }
  }
  const auto edges2 = static_cast<std::int64_t>(graph.edges.size()) * 2;
  const std::int64_t seidelDiagonal4 = order64 * (order64 - 1) * (order64 - 1);
  keys.seidel = Key(order64, 2 * seidel3, seidelDiagonal4 + 2 * seidel4);
  const std::uint64_t complement =
      Key(order64 * (order64 - 1) - edges2, 2 * trianglesC, squaresC + 2 * common2C);
  keys.generalized = keys.adjacency * 0x9e3779b97f4a7c15ULL + complement;
}

bool WantsComplementKeys(const std::vector<SpectralMatrix>& matrices) {
  return std::any_of(matrices.begin(), matrices.end(), [](SpectralMatrix m) {
    return m == SpectralMatrix::kSeidel || m == SpectralMatrix::kGeneralized;
  });
}

}  // namespace grafen::spectral
