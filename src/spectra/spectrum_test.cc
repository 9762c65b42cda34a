#include "spectra/spectrum.h"

#include <flint/fmpz_mat.h>
#include <flint/fmpz_poly_factor.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "spectra/factoring.h"
#include "spectra/roots.h"
#include "spectra/text.h"

namespace grafen::spectra {
namespace {

std::vector<Decimal> Roundings(const std::vector<CertifiedRoot>& roots) {
  std::vector<Decimal> rounded;
  for (const CertifiedRoot& root : roots) rounded.push_back(root.rounded);
  return rounded;
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
    const Spectrum s = LaplacianSpectrum(c.order, c.edges, 5);
    EXPECT_EQ(s.eigenvalues, c.eigenvalues);
    EXPECT_EQ(s.factored, c.factored);
    EXPECT_EQ(s.algebraicConnectivity, c.connectivity);
    EXPECT_EQ(s.spanningTrees, c.trees);
    EXPECT_EQ(s.laplacianIntegral, c.eigenvalues.find('.') == std::string::npos);
  }
}

TEST(Spectrum, CompleteGraphsHaveNToTheNMinusTwoSpanningTrees) {
  for (int n = 2; n <= 16; ++n) {
    std::vector<Edge> edges;
    std::string eigenvalues = "0";
    for (int i = 1; i <= n; ++i) {
      for (int j = i + 1; j <= n; ++j) edges.push_back(Edge{i, j});
      if (i > 1) AppendItem(eigenvalues, std::to_string(n));
    }
    std::uint64_t trees = 1;
    for (int k = 2; k < n; ++k) trees *= static_cast<std::uint64_t>(n);
    const Spectrum s = LaplacianSpectrum(n, edges, 5);
    EXPECT_EQ(s.spanningTrees, std::to_string(trees)) << n;
    EXPECT_EQ(s.eigenvalues, eigenvalues);
    std::string factored = "x*(x - " + std::to_string(n) + ")";
    if (n > 2) factored.append("^").append(std::to_string(n - 1));
    EXPECT_EQ(s.factored, factored);
  }
}

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
    const Spectrum s = LaplacianSpectrum(n, edges, 5);
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
    std::string text;
    for (long k = n; k >= 0; --k) {
      AppendItem(text, IntegerText(charpoly.coefficient(k)));
    }
    EXPECT_EQ(s.charpoly, text);
    EXPECT_EQ(fmpz_get_si(charpoly.coefficient(n - 1)), -2 * static_cast<long>(edges.size()));

    // Without numeric roots: no splitting and no guesses, roots by exact
    // isolation alone; the same eigenvalues, and to 20 digits both ways agree.
    const Factorisation plain = Factorise(charpoly, n, {});
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
    EXPECT_EQ(plain.factors.empty(), s.laplacianIntegral) << round;
  }
}

}  // namespace
}  // namespace grafen::spectra
