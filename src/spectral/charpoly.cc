#include "spectral/charpoly.h"

#include <flint/fmpz_mat.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <optional>
#include <utility>

namespace grafen::spectral {

using algebra::Integer;
using algebra::Polynomial;

namespace {

// A square matrix of 64-bit integers, row by row.
struct Matrix {
  std::size_t n = 0;
  std::vector<std::int64_t> entries;
  std::int64_t at(std::size_t i, std::size_t j) const { return entries[i * n + j]; }
  std::int64_t& at(std::size_t i, std::size_t j) { return entries[i * n + j]; }
};

// sum += a * b; false when it leaves 64 bits.
bool MulAdd(std::int64_t a, std::int64_t b, std::int64_t& sum) {
  std::int64_t product = 0;
  return !__builtin_mul_overflow(a, b, &product) && !__builtin_add_overflow(product, sum, &sum);
}

// Berkowitz's division-free algorithm in 64-bit integers; the coefficients,
// highest power first, or nothing on overflow. Hot: for the small matrices
// met here it is several times faster than a general multi-modular routine.
// Each leading (r+1)-square block's polynomial is the previous one times
// the Toeplitz matrix of 1, -a, -R C, -R M C, ..., -R M^(r-1) C, where M is
// the leading r-square block, a the new diagonal entry, R and C the new row
// and column.
std::optional<std::vector<std::int64_t>> Berkowitz(const Matrix& a) {
  const std::size_t n = a.n;
  std::vector<std::int64_t> poly(n + 1);
  std::vector<std::int64_t> next(n + 1);
  std::vector<std::int64_t> toeplitz(n + 1);
  std::vector<std::int64_t> column(n);
  std::vector<std::int64_t> product(n);
  poly[0] = 1;
  poly[1] = -a.at(0, 0);
  for (std::size_t r = 1; r < n; ++r) {
    toeplitz[0] = 1;
    toeplitz[1] = -a.at(r, r);
    for (std::size_t i = 0; i < r; ++i) column[i] = a.at(i, r);
    for (std::size_t k = 0; k < r; ++k) {
      std::int64_t dot = 0;
      for (std::size_t j = 0; j < r; ++j) {
        if (!MulAdd(a.at(r, j), column[j], dot)) return std::nullopt;
      }
      toeplitz[k + 2] = -dot;
      for (std::size_t i = 0; i < r; ++i) {
        product[i] = 0;
        for (std::size_t j = 0; j < r; ++j) {
          if (!MulAdd(a.at(i, j), column[j], product[i])) return std::nullopt;
        }
      }
      std::swap(column, product);
    }
    for (std::size_t i = 0; i < r + 2; ++i) {
      next[i] = 0;
      for (std::size_t j = 0; j <= i && j <= r; ++j) {
        if (!MulAdd(toeplitz[i - j], poly[j], next[i])) return std::nullopt;
      }
    }
    std::swap(poly, next);
  }
  return poly;
}

// Polynomial coefficients modulo 2^64, highest power first.
using Words = std::array<std::uint64_t, kWrappingOrder + 1>;

// Berkowitz's step from the leading r-square block to the (r+1)-square one:
// its polynomial `poly` (r + 1 coefficients) times the Toeplitz matrix of
// `toeplitz` (r + 2 entries), modulo 2^64.
inline void ToeplitzStep(std::size_t r, const Words& toeplitz, Words& poly) {
  Words next{};
  for (std::size_t i = 0; i < r + 2; ++i) {
    std::uint64_t sum = 0;
    for (std::size_t j = 0; j <= i && j <= r; ++j) sum += toeplitz[i - j] * poly[j];
    next[i] = sum;
  }
  poly = next;
}

// Berkowitz's algorithm as above in integers modulo 2^64, for a symmetric
// matrix of n <= kWrappingOrder rows stored with rows kWrappingOrder apart.
// It only adds, subtracts and multiplies, so it holds in any ring, and for a
// graph matrix on n nodes the coefficients, at most (2n - 1)^n in size
// (every eigenvalue of A, L, Q and S lies in [-(2n - 2), 2n - 2]), are below
// 2^63, as are a distance matrix's up to WrappingOrderOf: the wrapped
// results are the exact ones. Hot: no overflow checks, no
// allocation, a fixed row stride the compiler can unroll; and as the row R
// is the column C transposed, R M^k C is the dot product of M^j C and
// M^(k-j) C for j = k / 2, so half the products M^j C are enough.
void WrappingBerkowitz(std::size_t n, const std::uint64_t* a, std::int64_t* coefficients) {
  using Word = std::uint64_t;
  constexpr std::size_t kStride = kWrappingOrder;
  constexpr std::size_t kPowers = kWrappingOrder / 2 + 1;
  Words poly{};
  Words toeplitz{};
  std::array<std::array<Word, kWrappingOrder>, kPowers> powers{};  // M^j C
  const auto at = [a](std::size_t i, std::size_t j) { return a[i * kStride + j]; };
  poly[0] = 1;
  poly[1] = 0U - at(0, 0);
  for (std::size_t r = 1; r < n; ++r) {
    toeplitz[0] = 1;
    toeplitz[1] = 0U - at(r, r);
    for (std::size_t i = 0; i < r; ++i) powers[0][i] = at(i, r);
    const std::size_t highest = r / 2;  // the largest j needed, k - j for k = r - 1
    for (std::size_t j = 1; j <= highest; ++j) {
      for (std::size_t i = 0; i < r; ++i) {
        Word sum = 0;
        for (std::size_t l = 0; l < r; ++l) sum += at(i, l) * powers[j - 1][l];
        powers[j][i] = sum;
      }
    }
    for (std::size_t k = 0; k < r; ++k) {
      const std::array<Word, kWrappingOrder>& left = powers[k / 2];
      const std::array<Word, kWrappingOrder>& right = powers[k - k / 2];
      Word dot = 0;
      for (std::size_t i = 0; i < r; ++i) dot += left[i] * right[i];
      toeplitz[k + 2] = 0U - dot;
    }
    ToeplitzStep(r, toeplitz, poly);
  }
  for (std::size_t k = 0; k <= n; ++k) coefficients[k] = static_cast<std::int64_t>(poly[k]);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define GRAFEN_NARROW_BERKOWITZ 1

// A row of a small matrix, or a vector, in 32-bit lanes, padded past the
// matrix; read and written whole as two GCC vectors (clang reads them too)
// of eight lanes, each one AVX2 register.
struct alignas(32) Lanes {
  std::array<std::uint32_t, 16> lane{};
};
static_assert(16 >= kWrappingOrder);
using Eight [[gnu::vector_size(32)]] = std::uint32_t;

// Lanes 0-7 (half 0) or 8-15 (half 1) of v.
[[gnu::target("avx2")]] Eight Half(const Lanes& v, std::size_t half) {
  Eight eight{};
  std::memcpy(&eight, v.lane.data() + 8 * half, sizeof eight);
  return eight;
}

// v's lanes 0-7 and 8-15 set to low and high.
[[gnu::target("avx2")]] void SetHalves(Lanes& v, Eight low, Eight high) {
  std::memcpy(v.lane.data(), &low, sizeof low);
  std::memcpy(v.lane.data() + 8, &high, sizeof high);
}

// The 64-bit value of a lane, read as a signed 32-bit integer.
std::uint64_t Widened(std::uint32_t lane) {
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(lane)));
}

// WrappingBerkowitz for A, L, Q and S (n <= kWrappingOrder rows, symmetric),
// with the vectors M^j C in 32-bit lanes. Exact because they stay below 2^31:
// by Cauchy interlacing every eigenvalue of a leading block M of A, L, Q or
// S lies in [-(2n - 2), 2n - 2], C has at most n - 1 entries, each -1, 0 or
// 1, and j <= (n - 2) / 2, so |M^j C| <= (2n - 2)^j sqrt(n - 1)
// <= 24^5 sqrt(12) < 2^31 for n <= 13; wrapped sums in between do not
// matter in a ring. The dot products and the polynomial are in 64 bits,
// modulo 2^64, as there. Hot: the matrix-vector products, two thirds of
// the work, become two AVX2 multiply-adds per column; twice as fast as
// WrappingBerkowitz over a census of order 11 (and three times slower
// without AVX2, so it is only called where the processor has it).
[[gnu::target("avx2")]] void NarrowBerkowitz(std::size_t n, const Lanes* rows,
                                             std::int64_t* coefficients) {
  using Word = std::uint64_t;
  Words poly{};
  Words toeplitz{};
  std::array<Lanes, kWrappingOrder / 2 + 1> powers{};  // M^j C in the lanes below r
  poly[0] = 1;
  poly[1] = 0U - Widened(rows[0].lane[0]);
  for (std::size_t r = 1; r < n; ++r) {
    toeplitz[0] = 1;
    toeplitz[1] = 0U - Widened(rows[r].lane[r]);
    powers[0] = rows[r];  // row r is column r; lanes from r on are never read
    for (std::size_t j = 1; j <= r / 2; ++j) {
      Eight low{};  // M p, as the sum of the rows times p's entries
      Eight high{};
      for (std::size_t l = 0; l < r; ++l) {
        const std::uint32_t p = powers[j - 1].lane[l];
        low += Half(rows[l], 0) * p;
        high += Half(rows[l], 1) * p;
      }
      SetHalves(powers[j], low, high);
    }
    for (std::size_t k = 0; k < r; ++k) {
      const Lanes& left = powers[k / 2];
      const Lanes& right = powers[k - k / 2];
      Word dot = 0;
      for (std::size_t i = 0; i < r; ++i) dot += Widened(left.lane[i]) * Widened(right.lane[i]);
      toeplitz[k + 2] = 0U - dot;
    }
    ToeplitzStep(r, toeplitz, poly);
  }
  for (std::size_t k = 0; k <= n; ++k) coefficients[k] = static_cast<std::int64_t>(poly[k]);
}

// Whether NarrowBerkowitz may run: the processor has AVX2.
bool HasNarrowBerkowitz() {
  static const bool avx2 = static_cast<bool>(__builtin_cpu_supports("avx2"));  // int in GCC
  return avx2;
}

// det(xI - M) for A, L, Q or S by NarrowBerkowitz.
void NarrowCharpoly(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                    std::int64_t* coefficients) {
  std::array<Lanes, kWrappingOrder> rows{};
  ForEachEntry(matrix, order, edges, [&rows](int i, int j, int value) {
    rows[static_cast<std::size_t>(i)].lane[static_cast<std::size_t>(j)] +=
        static_cast<std::uint32_t>(value);  // -1 wraps, as the arithmetic does
  });
  NarrowBerkowitz(static_cast<std::size_t>(order), rows.data(), coefficients);
}
#endif

// det(xI - M) exactly: Berkowitz in checked 64-bit integers, FLINT past them.
Polynomial ExactCharpoly(const Matrix& m) {
  Polynomial charpoly;
  const std::size_t n = m.n;
  if (const auto small = Berkowitz(m)) {
    for (std::size_t k = 0; k <= n; ++k) {
      fmpz_poly_set_coeff_si(charpoly.get(), static_cast<long>(n - k), (*small)[k]);
    }
    return charpoly;
  }
  fmpz_mat_t exact;
  fmpz_mat_init(exact, static_cast<long>(n), static_cast<long>(n));
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      fmpz_set_si(fmpz_mat_entry(exact, static_cast<long>(i), static_cast<long>(j)), m.at(i, j));
    }
  }
  fmpz_mat_charpoly(charpoly.get(), exact);
  fmpz_mat_clear(exact);
  return charpoly;
}

// The degrees of the graph's nodes.
std::vector<std::int64_t> DegreesOf(int order, const std::vector<Edge>& edges) {
  std::vector<std::int64_t> degrees(static_cast<std::size_t>(order), 0);
  for (const Edge& e : edges) {
    ++degrees[static_cast<std::size_t>(e.i - 1)];
    ++degrees[static_cast<std::size_t>(e.j - 1)];
  }
  return degrees;
}

// (x - 1)^k times p, into p.
void TimesPowerOfXMinusOne(Polynomial& p, long k) {
  Polynomial factor;
  fmpz_poly_set_coeff_si(factor.get(), 1, 1);
  fmpz_poly_set_coeff_si(factor.get(), 0, -1);
  fmpz_poly_pow(factor.get(), factor.get(), static_cast<unsigned long>(k));
  fmpz_poly_mul(p.get(), p.get(), factor.get());
}

// The nodes off the graph's 2-core: those of degree 0 or 1 removed, again
// and again; `degrees` becomes the core's.
std::vector<bool> PeelToTwoCore(const std::vector<Edge>& edges,
                                std::vector<std::int64_t>& degrees) {
  std::vector<bool> removed(degrees.size(), false);
  for (bool again = true; again;) {
    again = false;
    for (std::size_t v = 0; v < degrees.size(); ++v) {
      if (removed[v] || degrees[v] > 1) continue;
      removed[v] = again = true;
      for (const Edge& e : edges) {
        const auto i = static_cast<std::size_t>(e.i - 1);
        const auto j = static_cast<std::size_t>(e.j - 1);
        if ((i == v && !removed[j]) || (j == v && !removed[i])) --degrees[i == v ? j : i];
      }
    }
  }
  return removed;
}

}  // namespace

Polynomial NormalizedPolynomial(int order, const std::vector<Edge>& edges) {
  // With D' and L' the degrees and Laplacian of the nodes of positive
  // degree and c the least common multiple of those degrees, M = c D'^(-1) L'
  // is an integer matrix and det(xD' - L') = det(D') c^(-n') det(cx I - M):
  // up to a positive constant, the coefficient of x^k is c^k times that of
  // det(yI - M). Each isolated node adds the root 1.
  const std::vector<std::int64_t> degrees = DegreesOf(order, edges);
  std::vector<std::size_t> place(degrees.size(), 0);
  std::size_t kept = 0;
  std::int64_t lcm = 1;
  for (std::size_t v = 0; v < degrees.size(); ++v) {
    if (degrees[v] == 0) continue;
    place[v] = kept++;
    lcm = std::lcm(lcm, degrees[v]);
  }
  Matrix m{kept, std::vector<std::int64_t>(kept * kept, 0)};
  for (std::size_t v = 0; v < degrees.size(); ++v) {
    if (degrees[v] != 0) m.at(place[v], place[v]) = lcm;
  }
  for (const Edge& e : edges) {
    const auto i = static_cast<std::size_t>(e.i - 1);
    const auto j = static_cast<std::size_t>(e.j - 1);
    m.at(place[i], place[j]) = -lcm / degrees[i];
    m.at(place[j], place[i]) = -lcm / degrees[j];
  }
  Polynomial p = kept == 0 ? Polynomial() : ExactCharpoly(m);
  if (kept == 0) fmpz_poly_set_coeff_si(p.get(), 0, 1);
  Integer power;
  fmpz_one(power.get());
  for (long k = 0; k <= p.degree(); ++k) {
    fmpz_mul(p.get()->coeffs + k, p.get()->coeffs + k, power.get());
    fmpz_mul_si(power.get(), power.get(), lcm);
  }
  fmpz_poly_primitive_part(p.get(), p.get());
  TimesPowerOfXMinusOne(p, static_cast<long>(degrees.size() - kept));
  return p;
}

Polynomial NonBacktrackingCharpoly(int order, const std::vector<Edge>& edges) {
  // The arcs off the 2-core (what is left once nodes of degree 0 or 1 are
  // removed, again and again) are B's nilpotent part: a non-backtracking
  // walk that leaves the core never comes back. So det(xI - B) is x to the
  // number of those arcs times the core's, which by Ihara-Bass is
  // (x^2 - 1)^(m' - n') det(x^2 I - xA' + D' - I) (m' >= n' in a core), and
  // that determinant is det(xI - K) for the 2n'-square K = [A', I - D'; I, 0]
  // (the Schur complement of xI in xI - K).
  std::vector<std::int64_t> degrees = DegreesOf(order, edges);
  const std::vector<bool> removed = PeelToTwoCore(edges, degrees);
  std::vector<std::size_t> place(degrees.size(), 0);
  std::size_t n = 0;
  for (std::size_t v = 0; v < degrees.size(); ++v) {
    if (!removed[v]) place[v] = n++;
  }
  Matrix k{2 * n, std::vector<std::int64_t>(4 * n * n, 0)};
  long coreEdges = 0;
  for (const Edge& e : edges) {
    const auto i = static_cast<std::size_t>(e.i - 1);
    const auto j = static_cast<std::size_t>(e.j - 1);
    if (removed[i] || removed[j]) continue;
    ++coreEdges;
    k.at(place[i], place[j]) = 1;
    k.at(place[j], place[i]) = 1;
  }
  for (std::size_t v = 0; v < degrees.size(); ++v) {
    if (removed[v]) continue;
    k.at(place[v], n + place[v]) = 1 - degrees[v];
    k.at(n + place[v], place[v]) = 1;
  }
  Polynomial p = n == 0 ? Polynomial() : ExactCharpoly(k);
  if (n == 0) fmpz_poly_set_coeff_si(p.get(), 0, 1);
  Polynomial square;  // x^2 - 1
  fmpz_poly_set_coeff_si(square.get(), 2, 1);
  fmpz_poly_set_coeff_si(square.get(), 0, -1);
  fmpz_poly_pow(square.get(), square.get(), static_cast<unsigned long>(coreEdges) - n);
  fmpz_poly_mul(p.get(), p.get(), square.get());
  const auto offCore = static_cast<long>(2 * (edges.size() - static_cast<std::size_t>(coreEdges)));
  fmpz_poly_shift_left(p.get(), p.get(), offCore);
  return p;
}

bool SmallCharpoly(SpectralMatrix matrix, int order, const std::vector<Edge>& edges,
                   std::array<std::int64_t, kWrappingOrder + 1>& coefficients) {
  if (order < 1 || order > WrappingOrderOf(matrix)) return false;
#ifdef GRAFEN_NARROW_BERKOWITZ
  if (!IsDistanceMatrix(matrix) && HasNarrowBerkowitz()) {
    NarrowCharpoly(matrix, order, edges, coefficients.data());
    return true;
  }
#endif
  constexpr std::size_t kStride = kWrappingOrder;
  std::array<std::uint64_t, kStride * kStride> entries{};
  ForEachEntry(matrix, order, edges, [&entries](int i, int j, int value) {
    entries[static_cast<std::size_t>(i) * kStride + static_cast<std::size_t>(j)] +=
        static_cast<std::uint64_t>(value);  // -1 wraps to 2^64 - 1, as the arithmetic does
  });
  WrappingBerkowitz(static_cast<std::size_t>(order), entries.data(), coefficients.data());
  return true;
}

int WrappingOrderOf(SpectralMatrix matrix) {
  // The coefficients of a polynomial whose n roots have moduli at most r are
  // at most (1 + r)^n; for positive semidefinite Tr -/+ Dist, whose trace is
  // at most n(n^2 - 1)/3 (a path's), they are at most (1 + (n^2 - 1)/3)^n.
  // Dist: (1 + 45)^10 < 2^63 <= (1 + 55)^11; Tr -/+ Dist: 41^11 < 2^63.
  switch (matrix) {
    case SpectralMatrix::kDistance:
      return 10;
    case SpectralMatrix::kDistanceLaplacian:
    case SpectralMatrix::kDistanceSignless:
      return 11;
    case SpectralMatrix::kNormalized:
    case SpectralMatrix::kNonBacktracking:
      return 0;
    default:
      return kWrappingOrder;
  }
}

Polynomial Charpoly(SpectralMatrix matrix, int order, const std::vector<Edge>& edges) {
  if (matrix == SpectralMatrix::kNormalized) return NormalizedPolynomial(order, edges);
  if (matrix == SpectralMatrix::kNonBacktracking) return NonBacktrackingCharpoly(order, edges);
  const auto n = static_cast<std::size_t>(order);
  Polynomial charpoly;
  if (std::array<std::int64_t, kWrappingOrder + 1> small{};
      SmallCharpoly(matrix, order, edges, small)) {
    for (std::size_t k = 0; k <= n; ++k) {
      fmpz_poly_set_coeff_si(charpoly.get(), static_cast<long>(n - k), small[k]);
    }
    return charpoly;
  }
  Matrix entries{n, std::vector<std::int64_t>(n * n)};
  ForEachEntry(matrix, order, edges, [&entries](int i, int j, int value) {
    entries.at(static_cast<std::size_t>(i), static_cast<std::size_t>(j)) += value;
  });
  return ExactCharpoly(entries);
}

}  // namespace grafen::spectral
