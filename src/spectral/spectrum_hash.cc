#include "spectral/spectrum_hash.h"

#include <array>
#include <cstddef>
#include <utility>

#include "io/mix.h"

namespace grafen::spectral {
namespace {

using io::Mix;

// Arithmetic modulo the Mersenne prime 2^61 - 1.
constexpr std::uint64_t kPrime = (std::uint64_t{1} << 61) - 1;
__extension__ using Wide = unsigned __int128;

std::uint64_t Reduce(Wide x) {
  std::uint64_t r = static_cast<std::uint64_t>(x & kPrime) + static_cast<std::uint64_t>(x >> 61);
  r = (r & kPrime) + (r >> 61);
  return r >= kPrime ? r - kPrime : r;
}

std::uint64_t Mul(std::uint64_t a, std::uint64_t b) { return Reduce(static_cast<Wide>(a) * b); }

std::uint64_t Sub(std::uint64_t a, std::uint64_t b) { return a >= b ? a - b : a + kPrime - b; }

// a^(p - 2), the inverse of a != 0.
std::uint64_t Inverse(std::uint64_t a) {
  std::uint64_t result = 1;
  for (std::uint64_t e = kPrime - 2; e != 0; e >>= 1) {
    if ((e & 1U) != 0) result = Mul(result, a);
    a = Mul(a, a);
  }
  return result;
}

// The residue of a small signed integer.
std::uint64_t Residue(std::int64_t v) {
  return v >= 0 ? static_cast<std::uint64_t>(v) % kPrime
                : Sub(0, static_cast<std::uint64_t>(-v) % kPrime);
}

// The determinant of the n-square matrix m (row by row, residues) modulo
// the prime; m is spoilt. Hot: each row is cleared as p R_i - f R_k with no
// division, the product of the p's divided out once at the end.
std::uint64_t Determinant(std::vector<std::uint64_t>& m, std::size_t n) {
  std::uint64_t diagonal = 1;
  std::uint64_t scale = 1;
  bool negated = false;
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t pivot = k;
    while (pivot < n && m[pivot * n + k] == 0) ++pivot;
    if (pivot == n) return 0;
    if (pivot != k) {
      for (std::size_t j = k; j < n; ++j) std::swap(m[pivot * n + j], m[k * n + j]);
      negated = !negated;
    }
    const std::uint64_t p = m[k * n + k];
    diagonal = Mul(diagonal, p);
    for (std::size_t i = k + 1; i < n; ++i) {
      const std::uint64_t f = m[i * n + k];
      if (f == 0) continue;
      for (std::size_t j = k + 1; j < n; ++j) {
        m[i * n + j] = Sub(Mul(m[i * n + j], p), Mul(f, m[k * n + j]));
      }
      scale = Mul(scale, p);
    }
  }
  const std::uint64_t det = Mul(diagonal, Inverse(scale));
  return negated ? Sub(0, det) : det;
}

// The degrees of the nodes.
std::array<int, 64> DegreesOf(const std::vector<Edge>& edges) {
  std::array<int, 64> degrees{};
  for (const Edge& e : edges) {
    ++degrees[static_cast<std::size_t>(e.i - 1)];
    ++degrees[static_cast<std::size_t>(e.j - 1)];
  }
  return degrees;
}

// det(xI - N) at t modulo the prime: det(tD' - L') / det(D') over the nodes
// of positive degree, times (t - 1) for each isolated node.
std::uint64_t NormalizedValue(int order, const std::vector<Edge>& edges, std::uint64_t t) {
  const std::array<int, 64> degrees = DegreesOf(edges);
  std::array<std::size_t, 64> place{};
  std::size_t kept = 0;
  std::uint64_t product = 1;  // det(D')
  std::uint64_t value = 1;
  for (std::size_t v = 0; v < static_cast<std::size_t>(order); ++v) {
    if (degrees[v] == 0) {
      value = Mul(value, Sub(t, 1));
    } else {
      place[v] = kept++;
      product = Mul(product, static_cast<std::uint64_t>(degrees[v]));
    }
  }
  thread_local std::vector<std::uint64_t> m;
  m.assign(kept * kept, 0);
  for (std::size_t v = 0; v < static_cast<std::size_t>(order); ++v) {
    if (degrees[v] != 0) {
      m[place[v] * kept + place[v]] = Mul(Sub(t, 1), static_cast<std::uint64_t>(degrees[v]));
    }
  }
  for (const Edge& e : edges) {  // tD' - L' = (t - 1) D' + A'
    const std::size_t i = place[static_cast<std::size_t>(e.i - 1)];
    const std::size_t j = place[static_cast<std::size_t>(e.j - 1)];
    m[i * kept + j] = 1;
    m[j * kept + i] = 1;
  }
  return Mul(value, Mul(Determinant(m, kept), Inverse(product)));
}

// det(t^2 I - tA + D - I) modulo the prime.
std::uint64_t IharaBassValue(int order, const std::vector<Edge>& edges, std::uint64_t t) {
  const std::array<int, 64> degrees = DegreesOf(edges);
  const auto n = static_cast<std::size_t>(order);
  thread_local std::vector<std::uint64_t> m;
  m.assign(n * n, 0);
  const std::uint64_t square = Mul(t, t);
  for (std::size_t v = 0; v < n; ++v) {
    const Wide diagonal = static_cast<Wide>(square) + Residue(degrees[v]);  // t^2 + d
    m[v * n + v] = Sub(Reduce(diagonal), 1);
  }
  const std::uint64_t minusT = Sub(0, t);
  for (const Edge& e : edges) {
    m[static_cast<std::size_t>(e.i - 1) * n + static_cast<std::size_t>(e.j - 1)] = minusT;
    m[static_cast<std::size_t>(e.j - 1) * n + static_cast<std::size_t>(e.i - 1)] = minusT;
  }
  return Determinant(m, n);
}

// The nodes reachable from `start`, and whether the component is 2-coloured
// with `side` (the nodes of the start's colour) consistently.
std::uint64_t Component(const NeighbourSets& neighbours, int start, std::uint64_t& side,
                        bool& bipartite) {
  std::uint64_t reached = std::uint64_t{1} << start;
  std::uint64_t layer = reached;
  side = layer;
  bipartite = true;
  for (bool even = false; layer != 0; even = !even) {
    const std::uint64_t next = NeighboursOf(neighbours, layer);
    if ((next & layer) != 0) bipartite = false;
    layer = next & ~reached;
    reached |= layer;
    if (even) side |= layer;
  }
  return reached;
}

}  // namespace

std::uint64_t SpectrumHash(SpectralMatrix matrix, int order, const std::vector<Edge>& edges) {
  // One fixed point well inside the field: two different polynomials of
  // degree d agree there for at most d of the 2^61 - 1 points, and a shared
  // hash is only a reason to compare exact polynomials.
  constexpr std::uint64_t kPoint = 0x1f3d5b79a2c4e6f1ULL % kPrime;
  constexpr std::uint64_t kGolden = 0x9e3779b97f4a7c15U;
  std::uint64_t hash = Mix(static_cast<std::uint64_t>(order) * kGolden);
  if (matrix == SpectralMatrix::kNonBacktracking) {
    hash = Mix(hash ^ edges.size());
    return Mix(hash ^ IharaBassValue(order, edges, kPoint));
  }
  return Mix(hash ^ NormalizedValue(order, edges, kPoint));
}

bool IntegralByStructure(SpectralMatrix matrix, int order, const std::vector<Edge>& edges) {
  const NeighbourSets neighbours = NeighbourSetsOf(edges);
  const std::array<int, 64> degrees = DegreesOf(edges);
  std::uint64_t seen = 0;
  int components = 0;
  bool completeBipartite = true;
  for (int v = 0; v < order; ++v) {
    if ((seen >> v & 1U) != 0) continue;
    ++components;
    std::uint64_t side = 0;
    bool bipartite = false;
    const std::uint64_t nodes = Component(neighbours, v, side, bipartite);
    seen |= nodes;
    long degreeSum = 0;
    for (std::uint64_t left = nodes; left != 0; left &= left - 1) {
      degreeSum += degrees[static_cast<std::size_t>(__builtin_ctzll(left))];
    }
    const long one = __builtin_popcountll(side);
    const long other = __builtin_popcountll(nodes & ~side);
    completeBipartite = completeBipartite && bipartite && degreeSum == 2 * one * other;
  }
  if (matrix == SpectralMatrix::kNonBacktracking) {
    return static_cast<int>(edges.size()) == order - components;
  }
  return completeBipartite;
}

}  // namespace grafen::spectral
