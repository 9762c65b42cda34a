#include "census/facts.h"

#include <array>
#include <cstddef>

#include "algebra/factoring.h"
#include "io/mix.h"
#include "io/text.h"
#include "spectral/charpoly.h"
#include "spectral/cospectral_index.h"
#include "spectral/spectrum_hash.h"

namespace grafen::census {

using spectral::SpectralMatrix;

namespace {

using io::Mix;

// 128-bit integers, for values of polynomials of degree up to 13 at their
// integer candidates, exactly.
__extension__ using Wide = __int128;

// (1 + x)^b modulo 2, bit k the coefficient of x^k.
constexpr std::uint32_t OnePlusXPower(int b) {
  std::uint32_t power = 1;
  for (int k = 0; k < b; ++k) power ^= power << 1U;
  return power;
}

// Whether the monic polynomial (coefficients highest first, degree n <=
// 13) can have integer roots only: each x - r is x or x + 1 modulo 2, so
// such a polynomial is x^a (1 + x)^(n - a) there, a its even roots. Hot: a
// few bit operations that spare nearly every graph AllIntegerRoots's
// hundreds of multiplications, as few polynomials split so modulo 2.
bool SplitsModuloTwo(const std::int64_t* coefficients, int n) {
  std::uint32_t bits = 0;  // bit k: the coefficient of x^k modulo 2
  for (int k = 0; k <= n; ++k) bits |= static_cast<std::uint32_t>(coefficients[n - k] & 1) << k;
  const int a = __builtin_ctz(bits);  // the leading 1 makes bits nonzero
  return bits >> a == OnePlusXPower(n - a);
}

// Whether every root of the monic polynomial (coefficients highest first,
// degree n <= 13, roots real and their integer ones in [low, high]) is an
// integer: each integer root divided out, exactly, until none is left.
bool AllIntegerRoots(const std::int64_t* coefficients, int n, long low, long high) {
  std::array<Wide, spectral::kWrappingOrder + 1> p{};
  for (int k = 0; k <= n; ++k) p[static_cast<std::size_t>(k)] = coefficients[k];
  int degree = n;
  for (long r = low; r <= high && degree > 0; ++r) {
    while (degree > 0) {
      // Most candidates are no root, as their value modulo 2^64 shows.
      std::uint64_t wrapped = 0;
      for (int k = 0; k <= degree; ++k) {
        wrapped = wrapped * static_cast<std::uint64_t>(r) +
                  static_cast<std::uint64_t>(p[static_cast<std::size_t>(k)]);
      }
      if (wrapped != 0) break;
      Wide value = 0;
      for (int k = 0; k <= degree; ++k) value = value * r + p[static_cast<std::size_t>(k)];
      if (value != 0) break;
      Wide carry = 0;  // synthetic division by x - r
      for (int k = 0; k < degree; ++k) {
        carry = carry * r + p[static_cast<std::size_t>(k)];
        p[static_cast<std::size_t>(k)] = carry;
      }
      --degree;
    }
  }
  return degree == 0;
}

// The exact key of the graph's characteristic polynomial (its order, then
// its coefficients) and whether the graph is integral for the matrix (not
// G).
void OneMatrixFacts(SpectralMatrix matrix, const ListedGraph& graph, int order, std::string& key,
                    bool& integral) {
  const auto [low, high] = spectral::RangeOf(matrix, order);
  key.assign(1, static_cast<char>(order));
  if (std::array<std::int64_t, spectral::kWrappingOrder + 1> small{};
      spectral::SmallCharpoly(matrix, order, graph.edges, small)) {
    // Compact, as the keys of graphs that share a hash are kept: every
    // coefficient but the leading 1 in zigzag base-128 digits, which mark
    // their own end, so that equal keys are equal polynomials.
    for (int k = 1; k <= order; ++k) {
      const auto c = static_cast<std::uint64_t>(small[static_cast<std::size_t>(k)]);
      std::uint64_t zigzag = (c << 1) ^ (small[static_cast<std::size_t>(k)] < 0 ? ~0ULL : 0ULL);
      for (; zigzag >= 0x80; zigzag >>= 7) key.push_back(static_cast<char>(0x80 | (zigzag & 0x7f)));
      key.push_back(static_cast<char>(zigzag));
    }
    integral =
        SplitsModuloTwo(small.data(), order) && AllIntegerRoots(small.data(), order, low, high);
    return;
  }
  const algebra::Polynomial charpoly = spectral::Charpoly(matrix, order, graph.edges);
  key.append(std::to_string(charpoly.degree()));  // B's degree is 2m, not the order
  for (long k = charpoly.degree(); k >= 0; --k) {
    key.push_back(',');
    key.append(algebra::IntegerText(charpoly.coefficient(k)));
  }
  integral = spectral::IsIntegerMatrix(matrix)
                 ? algebra::Factorise(charpoly, low, high, {}).factors.empty()
                 : spectral::IntegralByStructure(matrix, order, graph.edges);
}

// The same for any matrix: for G, A's key and the complement's A key, each
// of a length its order fixes, one after the other, and integral when both
// spectra are.
// `adjacency`, when given, holds A's key and integrality of the graph,
// which G's begin with.
void MatrixFacts(SpectralMatrix matrix, const ListedGraph& graph, int order, std::string& key,
                 bool& integral, const std::pair<std::string, bool>* adjacency) {
  if (matrix == SpectralMatrix::kGeneralized && adjacency != nullptr) {
    key = adjacency->first;
    integral = adjacency->second;
  } else {
    OneMatrixFacts(matrix, graph, order, key, integral);
  }
  if (matrix != SpectralMatrix::kGeneralized) return;
  thread_local ListedGraph complement;
  thread_local std::string complementKey;
  complement.edges = spectral::ComplementEdges(order, graph.edges);
  bool complementIntegral = false;
  OneMatrixFacts(SpectralMatrix::kAdjacency, complement, order, complementKey, complementIntegral);
  key.append(complementKey);
  integral = integral && complementIntegral;
}

}  // namespace

std::vector<Counted> CountedSets(const std::vector<SpectralMatrix>& matrices,
                                 const std::vector<SpectralMatrix>& joint) {
  std::vector<Counted> sets;
  sets.reserve(matrices.size() + 1);
  for (const SpectralMatrix m : matrices)
    sets.push_back(Counted{{m}, std::string(spectral::MatrixLetter(m))});
  if (joint.size() > 1) sets.push_back(Counted{joint, spectral::JointName(joint)});
  return sets;
}

std::optional<std::vector<SpectralMatrix>> MembersNamed(std::string_view name) {
  std::vector<SpectralMatrix> members;
  for (std::size_t plus = 0; plus != std::string_view::npos; name.remove_prefix(plus + 1)) {
    plus = name.find('+');
    const std::string_view part = name.substr(0, plus);
    const std::optional<SpectralMatrix> m = spectral::MatrixNamed(part);
    if (!m || spectral::MatrixLetter(*m) != part) return std::nullopt;
    if (!members.empty() && spectral::MatrixRank(members.back()) >= spectral::MatrixRank(*m)) {
      return std::nullopt;  // out of order, or twice
    }
    members.push_back(*m);
  }
  return members;
}

bool HasAll(const Counted& counted, int order, const std::vector<Edge>& edges) {
  for (const SpectralMatrix m : counted.members) {
    if (!spectral::HasMatrix(m, order, edges)) return false;
  }
  return true;
}

void ExactFacts(const Counted& counted, const ListedGraph& graph, int order, std::string& key,
                bool& integral, const std::pair<std::string, bool>* adjacency) {
  if (counted.members.size() == 1) {
    MatrixFacts(counted.members[0], graph, order, key, integral, adjacency);
    return;
  }
  thread_local std::string member;
  key.clear();
  integral = true;
  for (const SpectralMatrix m : counted.members) {
    bool memberIntegral = false;
    MatrixFacts(m, graph, order, member, memberIntegral, nullptr);
    io::AppendWithLength(key, member);
    integral = integral && memberIntegral;
  }
}

std::uint64_t HashedFacts(const Counted& counted, const ListedGraph& graph, int order,
                          std::string& key, bool& integral,
                          const std::pair<std::string, bool>* adjacency) {
  key.clear();
  integral = true;
  std::uint64_t hash = 0;
  for (const SpectralMatrix m : counted.members) {
    bool memberIntegral = false;
    std::uint64_t memberHash = 0;
    if (spectral::HasSpectrumHash(m)) {
      memberHash = spectral::SpectrumHash(m, order, graph.edges);
      memberIntegral = spectral::IntegralByStructure(m, order, graph.edges);
    } else {
      thread_local std::string member;
      MatrixFacts(m, graph, order, member, memberIntegral, adjacency);
      memberHash = spectral::CospectralIndex::HashOf(member);
      if (counted.members.size() == 1) key = member;
    }
    hash = counted.members.size() == 1 ? memberHash : Mix(hash ^ memberHash);
    integral = integral && memberIntegral;
  }
  return hash;
}

std::uint64_t PartKey(const Counted& counted, const ListedGraph& graph, int order,
                      const spectral::TraceKeys& traces) {
  std::uint64_t key = 0;
  for (const SpectralMatrix m : counted.members) {
    std::uint64_t memberKey = traces.of(m);
    if (spectral::HasSpectrumHash(m)) {
      memberKey = spectral::SpectrumHash(m, order, graph.edges);
    } else if (!spectral::HasTraceKey(m)) {  // no cheap key: the polynomial's own
      thread_local std::string exact;
      bool integral = false;
      MatrixFacts(m, graph, order, exact, integral, nullptr);
      memberKey = spectral::CospectralIndex::HashOf(exact);
    }
    key = counted.members.size() == 1 ? memberKey : Mix(key ^ memberKey);
  }
  return key;
}

}  // namespace grafen::census
