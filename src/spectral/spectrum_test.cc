#include "spectral/spectrum.h"

#include <flint/fmpz_mat.h>
#include <flint/fmpz_poly_factor.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "algebra/factoring.h"
#include "algebra/roots.h"
#include "io/text.h"
#include "spectra/row_text.h"
#include "spectral/charpoly.h"
#include "spectral/cospectral_index.h"
#include "spectral/fast_path.h"
#include "spectral/spectrum_hash.h"
#include "spectral/trace_keys.h"

namespace grafen::spectral {

using algebra::CertifiedRoot;
using algebra::CertifiedRoots;
using algebra::Decimal;
using algebra::DecimalText;
using algebra::Factorisation;
using algebra::Factorise;
using algebra::Integer;
using algebra::IntegerRoot;
using algebra::IntegerText;
using algebra::IsolatedRoots;
using algebra::NonLinearFactor;
using algebra::Polynomial;
using io::AppendItem;

namespace {

// The spectrum's columns as the table prints them.
struct Columns {
  std::string charpoly, factored, eigenvalues, algebraicConnectivity, spanningTrees;
  bool integral = false;
  bool operator==(const Columns&) const = default;
};
Columns ColumnsOf(const Spectrum& s) {
  Columns c;
  spectra::AppendCharpoly(c.charpoly, s.charpoly);
  spectra::AppendFactored(c.factored, s);
  spectra::AppendEigenvalues(c.eigenvalues, s);
  spectra::AppendConnectivity(c.algebraicConnectivity, s.laplacian);
  spectra::AppendSpanningTrees(c.spanningTrees, s.laplacian);
  c.integral = s.integral;
  return c;
}

std::vector<Decimal> Roundings(const std::vector<CertifiedRoot>& roots) {
  std::vector<Decimal> rounded;
  rounded.reserve(roots.size());
  for (const CertifiedRoot& root : roots) rounded.push_back(root.rounded);
  return rounded;
}

// det(xI - L) by FLINT's own routine, not the one the spectra use.
Polynomial FlintCharpoly(int n, const std::vector<Edge>& edges) {
  fmpz_mat_t laplacian;
  fmpz_mat_init(laplacian, n, n);
  for (const Edge& e : edges) {
    fmpz_add_ui(fmpz_mat_entry(laplacian, e.i - 1, e.i - 1),
                fmpz_mat_entry(laplacian, e.i - 1, e.i - 1), 1);
    fmpz_add_ui(fmpz_mat_entry(laplacian, e.j - 1, e.j - 1),
                fmpz_mat_entry(laplacian, e.j - 1, e.j - 1), 1);
    fmpz_set_si(fmpz_mat_entry(laplacian, e.i - 1, e.j - 1), -1);
    fmpz_set_si(fmpz_mat_entry(laplacian, e.j - 1, e.i - 1), -1);
  }
  Polynomial charpoly;
  fmpz_mat_charpoly_berkowitz(charpoly.get(), laplacian);
  fmpz_mat_clear(laplacian);
  return charpoly;
}

std::vector<Edge> Path(int from, int to) {
  std::vector<Edge> edges;
  for (int i = from; i < to; ++i) edges.push_back(Edge{i, i + 1});
  return edges;
}

TEST(Spectrum, KnownGraphs) {
  struct Case {
    int order;
    std::vector<Edge> edges;
    std::string eigenvalues, factored, connectivity, trees;
  };
  std::vector<Edge> twoPaths = Path(1, 4);
  for (const Edge& e : Path(5, 8)) twoPaths.push_back(e);
  const std::vector<Case> cases = {
      {1, {}, "0", "x", "", "1"},
      {4, Path(1, 4), "0 0.58579 2 3.4142", "x*(x - 2)*(x^2 - 4*x + 2)", "0.58579", "1"},
      {8, twoPaths, "0 0 0.58579 0.58579 2 2 3.4142 3.4142", "x^2*(x - 2)^2*(x^2 - 4*x + 2)^2", "0",
       "0"},
      {5, {{1, 2}, {2, 3}, {3, 1}}, "0 0 0 3 3", "x^3*(x - 3)^2", "0", "0"},
  };
  for (const Case& c : cases) {
    const Columns s = ColumnsOf(LaplacianSpectrum(c.order, c.edges, 5));
    EXPECT_EQ(s.eigenvalues, c.eigenvalues);
    EXPECT_EQ(s.factored, c.factored);
    EXPECT_EQ(s.algebraicConnectivity, c.connectivity);
    EXPECT_EQ(s.spanningTrees, c.trees);
    std::string facts;  // the same facts alone, as an A or Q row finds them
    spectra::AppendConnectivity(facts, GraphLaplacianFacts(c.order, c.edges, 5));
    spectra::AppendSpanningTrees(facts.append(","), GraphLaplacianFacts(c.order, c.edges, 5));
    EXPECT_EQ(facts, c.connectivity + "," + c.trees);
    EXPECT_EQ(s.integral, c.eigenvalues.find('.') == std::string::npos);
  }
}

// Past order 16 the characteristic polynomial leaves 64 bits and has to be
// found exactly another way.
// The smallest adjacency-cospectral pair, K_{1,4} and C_4 + K_1, whose
// Laplacian spectra (0 1 1 1 5 and 0 0 2 2 4) differ, beside P_5 and a
// relabelled copy of K_{1,4}, which any spectrum must group with it, and
// which is its copy, never its mate.
TEST(CospectralIndex, GroupsTheSmallestAdjacencyPairOnly) {
  const std::vector<ListedGraph> graphs = {
      {1, {{1, 2}, {1, 3}, {1, 4}, {1, 5}}},
      {2, {{1, 2}, {1, 4}, {2, 3}, {3, 4}}},
      {3, {{1, 2}, {2, 3}, {3, 4}, {4, 5}}},
      {4, {{1, 5}, {2, 5}, {3, 5}, {4, 5}}},
  };
  const auto family = [&](SpectralMatrix matrix, std::int64_t number) {
    const CospectralIndex index = GroupCospectral(matrix, graphs, 5);
    const std::span<const std::uint32_t> members = index.Family(number);
    return std::vector<std::uint32_t>(members.begin(), members.end());
  };
  EXPECT_EQ(family(SpectralMatrix::kAdjacency, 1), (std::vector<std::uint32_t>{1, 2, 4}));
  EXPECT_EQ(family(SpectralMatrix::kLaplacian, 1), (std::vector<std::uint32_t>{1, 4}));
  EXPECT_TRUE(family(SpectralMatrix::kLaplacian, 2).empty());
  EXPECT_TRUE(family(SpectralMatrix::kAdjacency, 3).empty());
  // Graph 4 is graph 1's copy, no mate of it; for L neither has a mate.
  for (const SpectralMatrix matrix : {SpectralMatrix::kAdjacency, SpectralMatrix::kLaplacian}) {
    const CospectralIndex index = GroupCospectral(matrix, graphs, 5);
    std::vector<std::uint32_t> mates;
    index.ForEachMate(4, [&mates](std::uint32_t mate) { mates.push_back(mate); });
    EXPECT_EQ(mates, (matrix == SpectralMatrix::kAdjacency ? std::vector<std::uint32_t>{2}
                                                           : std::vector<std::uint32_t>{}));
    EXPECT_EQ(index.CopyOf(4), 1);
    EXPECT_EQ(index.CopyOf(1), 0);
    EXPECT_EQ(index.copies(), 1);
    EXPECT_EQ(index.withMate(), matrix == SpectralMatrix::kAdjacency ? 3 : 0);
  }
}

TEST(Spectrum, CompleteGraphsHaveNToTheNMinusTwoSpanningTrees) {
  for (const int n : {2, 3, 4, 5, 8, 13, 16, 17, 30, 62}) {
    std::vector<Edge> edges;
    std::string eigenvalues = "0";
    for (int i = 1; i <= n; ++i) {
      for (int j = i + 1; j <= n; ++j) edges.push_back(Edge{i, j});
      if (i > 1) AppendItem(eigenvalues, std::to_string(n));
    }
    Integer trees;
    fmpz_set_ui(trees.get(), static_cast<ulong>(n));
    fmpz_pow_ui(trees.get(), trees.get(), static_cast<ulong>(n - 2));
    const Columns s = ColumnsOf(LaplacianSpectrum(n, edges, 5));
    EXPECT_EQ(s.spanningTrees, IntegerText(trees.get())) << n;
    EXPECT_EQ(s.eigenvalues, eigenvalues);
    std::string factored = "x*(x - " + std::to_string(n) + ")";
    if (n > 2) factored.append("^").append(std::to_string(n - 1));
    EXPECT_EQ(s.factored, factored);
  }
}

// Orders where the coefficients, or the sums on the way to them, leave 64
// bits: the polynomial is still FLINT's, coefficient for coefficient.
TEST(Spectrum, CharacteristicPolynomialsPastSixtyFourBitsAreExact) {
  std::uint64_t state = 99;
  for (int n = 14; n <= 62; n += 4) {
    for (const int percent : {100, 90, 50, 10}) {
      std::vector<Edge> edges;
      for (int i = 1; i <= n; ++i) {
        for (int j = i + 1; j <= n; ++j) {
          state = state * 6364136223846793005ULL + 1442695040888963407ULL;
          if ((state >> 33) % 100 < static_cast<std::uint64_t>(percent)) {
            edges.push_back(Edge{i, j});
          }
        }
      }
      const Polynomial charpoly = LaplacianCharpoly(n, edges);
      EXPECT_EQ(fmpz_poly_equal(charpoly.get(), FlintCharpoly(n, edges).get()), 1)
          << n << " " << percent;
    }
  }
}

// The machine-word polynomials of A, L, Q and S equal FLINT's at every
// order they take, on the graphs whose vectors M^j C grow fastest
// (complete and complete bipartite ones, Q's eigenvalue 2n - 2 at K_n)
// and on random ones; each matrix built here entry by entry.
TEST(Spectrum, MachineWordPolynomialsAgreeWithFlintUpToOrderThirteen) {
  std::uint64_t state = 7;
  for (int n = 1; n <= kWrappingOrder; ++n) {
    std::vector<std::vector<Edge>> graphs(4);
    for (int i = 1; i <= n; ++i) {
      for (int j = i + 1; j <= n; ++j) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        graphs[0].push_back(Edge{i, j});
        if ((i <= n / 2) != (j <= n / 2)) graphs[1].push_back(Edge{i, j});
        if ((state >> 62) < 2) graphs[2].push_back(Edge{i, j});
        if ((state >> 62) < 3) graphs[3].push_back(Edge{i, j});
      }
    }
    for (const std::vector<Edge>& edges : graphs) {
      for (const auto& [matrix, degree, edge, nonEdge] :
           {std::tuple{SpectralMatrix::kAdjacency, 0, 1, 0},
            {SpectralMatrix::kLaplacian, 1, -1, 0},
            {SpectralMatrix::kSignless, 1, 1, 0},
            {SpectralMatrix::kSeidel, 0, -1, 1}}) {
        fmpz_mat_t m;
        fmpz_mat_init(m, n, n);
        for (int i = 0; i < n; ++i) {
          for (int j = 0; j < n; ++j) fmpz_set_si(fmpz_mat_entry(m, i, j), i == j ? 0 : nonEdge);
        }
        for (const Edge& e : edges) {
          fmpz_set_si(fmpz_mat_entry(m, e.i - 1, e.j - 1), edge);
          fmpz_set_si(fmpz_mat_entry(m, e.j - 1, e.i - 1), edge);
          fmpz_add_si(fmpz_mat_entry(m, e.i - 1, e.i - 1), fmpz_mat_entry(m, e.i - 1, e.i - 1),
                      degree);
          fmpz_add_si(fmpz_mat_entry(m, e.j - 1, e.j - 1), fmpz_mat_entry(m, e.j - 1, e.j - 1),
                      degree);
        }
        Polynomial flint;
        fmpz_mat_charpoly(flint.get(), m);
        fmpz_mat_clear(m);
        std::array<std::int64_t, kWrappingOrder + 1> small{};
        ASSERT_TRUE(SmallCharpoly(matrix, n, edges, small));
        for (int k = 0; k <= n; ++k) {
          EXPECT_EQ(small[static_cast<std::size_t>(k)], fmpz_get_si(flint.get()->coeffs + n - k))
              << MatrixLetter(matrix) << " " << n << " nodes, " << edges.size() << " edges, x^"
              << n - k;
        }
      }
    }
  }
}

// Misleading guesses (each root shifted by a few rounding cells) must never
// be taken: where doubles cannot tell the sign of f at a cell's end, the
// roots are found exactly. f = (x-1)(x-2)...(x-12) - 1 has its roots within
// 1e-5 of the integers, where Horner's rule in doubles cancels heavily; the
// pair's smaller root lies just below a power of ten, where the decimals are
// ten times finer, so its guess 1.000000 must not be taken for 0.9999999.
TEST(Spectrum, MisleadingGuessesAreNeverCertified) {
  Polynomial wilkinson;
  fmpz_poly_set_coeff_si(wilkinson.get(), 0, 1);
  Polynomial linear;
  for (long i = 1; i <= 12; ++i) {
    fmpz_poly_set_coeff_si(linear.get(), 1, 1);
    fmpz_poly_set_coeff_si(linear.get(), 0, -i);
    fmpz_poly_mul(wilkinson.get(), wilkinson.get(), linear.get());
  }
  fmpz_poly_sub_si(wilkinson.get(), wilkinson.get(), 1);
  Polynomial pair;  // N (x - 1)^2 - 1: roots 1 - 9.0e-8 and 1 + 9.0e-8
  const long n = 123456789012345;
  fmpz_poly_set_coeff_si(pair.get(), 2, n);
  fmpz_poly_set_coeff_si(pair.get(), 1, -2 * n);
  fmpz_poly_set_coeff_si(pair.get(), 0, n - 1);
  struct Case {
    Polynomial f;
    long bound;
    double shift;       // relative, or for the smallest root alone absolute
    bool smallestOnly;  // the smaller root of the pair guessed as 1.000000
  };
  for (const Case& c : std::vector<Case>{
           {wilkinson, 13, 3e-9, false}, {wilkinson, 13, -3e-9, false}, {pair, 2, 1e-7, true}}) {
    for (int digits = 4; digits <= 12; ++digits) {
      const std::vector<CertifiedRoot> exact = IsolatedRoots(c.f, c.bound, 17);
      std::vector<double> guesses;
      for (const CertifiedRoot& root : exact) {
        const double x = std::stod(DecimalText(root.rounded));
        guesses.push_back(!c.smallestOnly ? x * (1 + c.shift)
                                          : (guesses.empty() ? x + c.shift : x));
      }
      EXPECT_EQ(Roundings(CertifiedRoots(c.f, c.bound, guesses, digits)),
                Roundings(IsolatedRoots(c.f, c.bound, digits)))
          << c.f.degree() << " " << digits << " " << c.shift;
    }
  }
}

// More workers than graphs per worker warrant, on any machine: every row is
// computed once, in its place.
// Graphs on 2 to 16 nodes, each pair an edge with probability 1/2 (a fixed
// linear congruential sequence): the trace, a second characteristic-polynomial
// algorithm, and both ways to the roots agree.
TEST(Spectrum, RandomGraphsAgreeWithIndependentFacts) {
  std::uint64_t state = 12345;
  for (int round = 0; round < 60; ++round) {
    const int n = 2 + round % 15;
    std::vector<Edge> edges;
    for (int i = 1; i <= n; ++i) {
      for (int j = i + 1; j <= n; ++j) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        if (((state >> 62) & 1U) != 0) edges.push_back(Edge{i, j});
      }
    }
    const Columns s = ColumnsOf(LaplacianSpectrum(n, edges, 5));
    const Polynomial charpoly = FlintCharpoly(n, edges);
    std::string text;
    for (long k = n; k >= 0; --k) {
      AppendItem(text, IntegerText(charpoly.coefficient(k)));
    }
    EXPECT_EQ(s.charpoly, text);
    EXPECT_EQ(fmpz_get_si(charpoly.coefficient(n - 1)), -2 * static_cast<long>(edges.size()));

    // Without numeric roots: no splitting and no guesses, roots by exact
    // isolation alone; the same eigenvalues, and to 20 digits both ways agree.
    const Factorisation plain = Factorise(charpoly, 0, n, {});
    std::vector<std::string> slow;
    for (const IntegerRoot& root : plain.integerRoots) {
      slow.insert(slow.end(), static_cast<std::size_t>(root.multiplicity),
                  std::to_string(root.value));
    }
    for (const NonLinearFactor& f : plain.factors) {
      for (const Decimal& root : Roundings(IsolatedRoots(f.polynomial, n, 5))) {
        slow.insert(slow.end(), static_cast<std::size_t>(f.multiplicity), DecimalText(root));
      }
      EXPECT_EQ(Roundings(CertifiedRoots(f.polynomial, n, f.guesses, 20)),
                Roundings(IsolatedRoots(f.polynomial, n, 20)));
      fmpz_poly_factor_t check;  // FLINT's own factorisation finds f irreducible
      fmpz_poly_factor_init(check);
      fmpz_poly_factor(check, f.polynomial.get());
      EXPECT_TRUE(check->num == 1 && check->exp[0] == 1) << round;
      fmpz_poly_factor_clear(check);
    }
    std::vector<std::string> fast;
    std::stringstream tokens(s.eigenvalues);
    for (std::string token; tokens >> token;) fast.push_back(token);
    std::sort(slow.begin(), slow.end());
    std::sort(fast.begin(), fast.end());
    EXPECT_EQ(fast, slow) << round;
    EXPECT_EQ(plain.factors.empty(), s.integral) << round;
  }
}

// Seidel switching on a node set U (pairs with one node in U: edges and
// non-edges exchanged) is S -> DSD with D diagonal, -1 on U: S-spectrum and
// trace keys stay, in machine words and past them.
TEST(Spectrum, SeidelSwitchingKeepsTheSeidelSpectrum) {
  std::uint64_t state = 7;
  for (int n = 1; n <= 20; ++n) {
    const std::uint64_t inU = (state *= 6364136223846793005ULL) >> 32;  // node i when bit i is set
    std::vector<Edge> edges, switched;
    for (int i = 1; i <= n; ++i) {
      for (int j = i + 1; j <= n; ++j) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const bool edge = ((state >> 62) & 1U) != 0;
        if (edge) edges.push_back(Edge{i, j});
        if (edge != (((inU >> i ^ inU >> j) & 1U) != 0)) switched.push_back(Edge{i, j});
      }
    }
    EXPECT_TRUE(fmpz_poly_equal(Charpoly(SpectralMatrix::kSeidel, n, edges).get(),
                                Charpoly(SpectralMatrix::kSeidel, n, switched).get()))
        << n;
    std::array<TraceKeys, 2> keys;
    AddComplementKeys(ListedGraph{0, edges, n}, n, keys[0]);
    AddComplementKeys(ListedGraph{0, switched, n}, n, keys[1]);
    EXPECT_EQ(keys[0].seidel, keys[1].seidel) << n;
  }
}

// The machine-word path, wherever it answers, gives what exact arithmetic
// alone gives, for every matrix and rounding: random graphs of every order
// it takes, sparse to dense, and symmetric ones, whose repeated and
// reducible factors and integer eigenvalues inside clusters are its hard
// cases.
TEST(Spectrum, MachineWordPathAgreesWithExactArithmetic) {
  std::vector<std::pair<int, std::vector<Edge>>> graphs;
  std::uint64_t state = 99;
  for (int round = 0; round < 240; ++round) {
    const int n = 1 + round % kWrappingOrder;
    const unsigned density = 1 + static_cast<unsigned>(round / kWrappingOrder) % 3;  // in 4
    std::vector<Edge> edges;
    for (int i = 1; i <= n; ++i) {
      for (int j = i + 1; j <= n; ++j) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        if ((state >> 62) < density) edges.push_back(Edge{i, j});
      }
    }
    graphs.emplace_back(n, edges);
  }
  for (int n = 4; n <= kWrappingOrder; ++n) {
    std::vector<Edge> cycle;
    std::vector<Edge> bipartite;
    for (int i = 1; i <= n; ++i)
      cycle.push_back(Edge{std::min(i, i % n + 1), std::max(i, i % n + 1)});
    for (int i = 1; i <= n / 2; ++i) {
      for (int j = n / 2 + 1; j <= n; ++j) bipartite.push_back(Edge{i, j});
    }
    graphs.emplace_back(n, cycle);
    graphs.emplace_back(n, bipartite);
  }
  int answered = 0;
  for (const auto& [n, edges] : graphs) {
    for (const SpectralMatrix matrix : {SpectralMatrix::kLaplacian, SpectralMatrix::kSignless,
                                        SpectralMatrix::kAdjacency, SpectralMatrix::kSeidel}) {
      for (const int digits : {1, 5, 15}) {
        const std::optional<Spectrum> word = WordSpectrum(matrix, n, edges, digits);
        if (!word) continue;
        ++answered;
        const Columns quick = ColumnsOf(*word);
        const Columns exact = ColumnsOf(ExactSpectrum(matrix, n, edges, digits));
        const auto fields = [](const Columns& s) {
          return std::vector<std::string>{s.charpoly,      s.factored,
                                          s.eigenvalues,   s.algebraicConnectivity,
                                          s.spanningTrees, s.integral ? "integral" : ""};
        };
        EXPECT_EQ(fields(quick), fields(exact)) << n << " nodes, " << digits << " digits";
      }
    }
  }
  EXPECT_GT(answered, 1000);
}

// Every labelled graph of order 6 (each class in all its labellings): N's
// and B's hashes are functions of their exact polynomials, part graphs
// with different polynomials, and integrality by structure is FLINT's.
TEST(SpectrumHash, FollowsTheExactPolynomialsOfEveryGraphOfOrderSix) {
  for (const SpectralMatrix matrix :
       {SpectralMatrix::kNormalized, SpectralMatrix::kNonBacktracking}) {
    std::map<std::string, std::uint64_t> hashOf;
    std::map<std::uint64_t, std::string> keyOf;
    int integral = 0;
    for (unsigned code = 0; code < 1U << 15; ++code) {
      std::vector<Edge> edges;
      for (int i = 1, bit = 0; i <= 6; ++i) {
        for (int j = i + 1; j <= 6; ++j, ++bit) {
          if ((code >> bit & 1U) != 0) edges.push_back(Edge{i, j});
        }
      }
      const Polynomial exact = Charpoly(matrix, 6, edges);
      std::string key = std::to_string(exact.degree());
      for (long k = exact.degree(); k >= 0; --k)
        key.append(",").append(IntegerText(exact.coefficient(k)));
      const std::uint64_t hash = SpectrumHash(matrix, 6, edges);
      EXPECT_EQ(hashOf.try_emplace(key, hash).first->second, hash) << key;
      EXPECT_EQ(keyOf.try_emplace(hash, key).first->second, key) << hash;
      const bool byStructure = IntegralByStructure(matrix, 6, edges);
      EXPECT_EQ(byStructure, algebra::FactoriseFully(exact).factors.empty()) << code;
      integral += byStructure ? 1 : 0;
    }
    EXPECT_GT(integral, 100);
  }
}

}  // namespace
}  // namespace grafen::spectral
