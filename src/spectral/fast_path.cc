#include "spectral/fast_path.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>

#include "algebra/decimal.h"
#include "algebra/factoring.h"
#include "algebra/float_signs.h"
#include "algebra/roots.h"
#include "spectral/pipeline.h"

namespace grafen::spectral {

using algebra::Coefficients;
using algebra::EraseSubset;
using algebra::FloatRoot;
using algebra::FloatRoots;
using algebra::FloatSigns;
using algebra::IntegerRoot;
using algebra::ProvedIrreducibleByRoots;
using algebra::SearchRootSubsets;
using algebra::SmallestFloatRoot;

namespace {

using Word = std::uint64_t;
constexpr std::size_t kMaxCoefficients = kWrappingOrder + 1;

// A monic polynomial in machine words, coefficients lowest power first: a
// factor of a graph matrix's characteristic polynomial.
struct WordPolynomial {
  std::size_t degree = 0;
  std::array<std::int64_t, kMaxCoefficients> c{};
};

// p(x) computed modulo 2^64, which is p(x) itself for a factor p of a graph
// matrix's det(xI - M) and an x among its eigenvalues' range: then |p(x)| is
// a product of at most 13 distances of at most 2n - 2, below 2^63.
std::int64_t ValueAt(const WordPolynomial& p, std::int64_t x) {
  Word value = 0;
  for (std::size_t k = p.degree + 1; k > 0; --k) {
    value = value * static_cast<Word>(x) + static_cast<Word>(p.c[k - 1]);
  }
  return static_cast<std::int64_t>(value);
}

// p := p / (x - r) for a root r of p, by synthetic division modulo 2^64:
// exact, as the quotient's coefficients, those of a monic polynomial with
// roots in the eigenvalues' range, are below 2^60.
void DivideByRoot(WordPolynomial& p, std::int64_t r) {
  Word carry = 0;
  Word next = static_cast<Word>(p.c[p.degree]);
  for (std::size_t k = p.degree; k >= 1; --k) {
    carry = carry * static_cast<Word>(r) + next;
    next = static_cast<Word>(p.c[k - 1]);
    p.c[k - 1] = static_cast<std::int64_t>(carry);
  }
  p.c[p.degree] = 0;
  --p.degree;
}

// The roots of f, ascending, when it has no root 0 and its roots are
// proved in floating point on both sides of 0: those of f(-x) in
// (0, bound) mirrored, then those of f there. `guesses` (ascending)
// approximate all deg f of them.
bool SignedFloatRoots(const WordPolynomial& f, long bound, const double* guesses, int digits,
                      std::vector<FloatRoot>& roots) {
  const std::size_t d = f.degree;
  std::array<double, kWrappingOrder> below{};  // negated, ascending
  std::array<double, kWrappingOrder> above{};
  std::size_t belowCount = 0;
  std::size_t aboveCount = 0;
  for (std::size_t k = d; k > 0; --k) {
    if (guesses[k - 1] < 0) below[belowCount++] = -guesses[k - 1];
  }
  for (std::size_t k = 0; k < d; ++k) {
    if (guesses[k] > 0) above[aboveCount++] = guesses[k];
  }
  if (belowCount + aboveCount != d) return false;
  WordPolynomial reflected = f;  // (-1)^d f(-x), monic
  for (std::size_t k = 0; k < d; ++k) {
    if ((d - k) % 2 == 1) reflected.c[k] = -reflected.c[k];
  }
  std::vector<FloatRoot> mirrored;
  if (!FloatRoots(FloatSigns(reflected.c.data(), d), bound, below.data(), belowCount, digits,
                  mirrored) ||
      !FloatRoots(FloatSigns(f.c.data(), d), bound, above.data(), aboveCount, digits, roots)) {
    return false;
  }
  // Each side proved at least its count of roots, together deg f: exactly.
  std::vector<FloatRoot> all;
  all.reserve(d);
  for (std::size_t k = mirrored.size(); k > 0; --k) {
    FloatRoot& m = mirrored[k - 1];
    m.rounded.negative = true;
    std::swap(m.low, m.high);
    m.low = -m.low;
    m.high = -m.high;
    // f(-y) = (-1)^d times the reflection at y, whose sign at y = high was
    // the opposite of lowSign.
    m.lowSign = d % 2 == 1 ? m.lowSign : -m.lowSign;
    all.push_back(std::move(m));
  }
  for (FloatRoot& r : roots) all.push_back(std::move(r));
  roots = std::move(all);
  return true;
}

// Moves x, above every root of q (degree m >= 2, all roots real), to the
// largest root by Laguerre's method; false when the steps do not settle.
// Settled once a step is below 1e-6: the convergence being cubic, x is then
// as close as q allows; or when the steps reach rounding noise and stop
// shrinking (q carries the rounding of the roots divided out before).
bool LaguerreToLargest(const double* q, std::size_t m, double& x) {
  double previous = std::numeric_limits<double>::infinity();
  for (int iteration = 0; iteration < 32; ++iteration) {
    double value = q[m];
    double slope = 0;
    double curve = 0;
    for (std::size_t k = m; k > 0; --k) {
      curve = curve * x + slope;
      slope = slope * x + value;
      value = value * x + q[k - 1];
    }
    if (value == 0) return true;
    const double inverse = 1 / value;
    const double g = slope * inverse;
    const double h = g * g - 2 * curve * inverse;
    const auto n = static_cast<double>(m);
    const double root = std::sqrt(std::max(0.0, (n - 1) * (n * h - g * g)));
    const double step = n / (g >= 0 ? g + root : g - root);
    if (std::fabs(step) >= previous) return true;
    x -= step;
    previous = std::fabs(step);
    if (previous <= 1e-6 * std::max(1.0, std::fabs(x))) return true;
  }
  return false;
}

// Each of the d approximate roots of p moved by one Newton step on p itself;
// false at a vanishing slope.
bool PolishByNewton(const std::int64_t* p, std::size_t d, double* roots) {
  for (std::size_t r = 0; r < d; ++r) {
    double value = static_cast<double>(p[d]);
    double slope = 0;
    for (std::size_t k = d; k > 0; --k) {
      slope = slope * roots[r] + value;
      value = value * roots[r] + static_cast<double>(p[k - 1]);
    }
    if (slope == 0) return false;
    roots[r] -= value / slope;
  }
  return true;
}

// The d roots of the monic p of degree d (coefficients lowest power first,
// exact in doubles), ascending, when they are real, simple and below high:
// by Laguerre's method, which for a polynomial with real roots moves from
// above them all monotonically and cubically to the largest, on p with the
// roots found so far divided out, each root then polished by Newton's
// method on p itself. Approximations only, proved or dropped afterwards;
// false when the steps do not settle.
bool RealRoots(const std::int64_t* p, std::size_t d, double high, double* roots) {
  std::array<double, kMaxCoefficients> q{};  // p with the roots found divided out
  for (std::size_t k = 0; k <= d; ++k) q[k] = static_cast<double>(p[k]);
  double x = high;
  for (std::size_t m = d; m >= 1; --m) {
    if (m == 1) {
      x = -q[0] / q[1];
    } else if (!LaguerreToLargest(q.data(), m, x)) {
      return false;
    }
    roots[m - 1] = x;
    // q := q / (x - root), from the top.
    double carry = q[m];
    for (std::size_t k = m; k > 0; --k) {
      const double next = q[k - 1];
      q[k - 1] = carry;
      carry = carry * x + next;
    }
    q[m] = 0;
  }
  return PolishByNewton(p, d, roots) && std::is_sorted(roots, roots + d);
}

// A non-linear irreducible factor, its power, and approximations to its
// roots (ascending): fixed room, nothing allocated.
struct WordFactor {
  WordPolynomial polynomial;
  long multiplicity = 1;
  std::array<double, kWrappingOrder> guesses{};
};

// The monic polynomial with these roots, when its coefficients are all
// close to integers: a candidate factor, still to be checked exactly.
bool RoundedProduct(const double* roots, std::size_t count, WordPolynomial& f) {
  std::array<double, kMaxCoefficients> c{};  // lowest power first
  c[0] = 1;
  for (std::size_t k = 0; k < count; ++k) {
    for (std::size_t j = k + 1; j > 0; --j) c[j] = c[j - 1] - roots[k] * c[j];
    c[0] *= -roots[k];
  }
  f.degree = count;
  for (std::size_t k = 0; k <= count; ++k) {
    const double rounded = std::round(c[k]);
    if (std::fabs(c[k] - rounded) > 1e-6 * std::max(1.0, std::fabs(c[k])) ||
        std::fabs(rounded) > 0x1p53) {
      return false;
    }
    f.c[k] = static_cast<std::int64_t>(rounded);
  }
  return true;
}

// quotient := p / f for a monic f, when f divides p: long division in
// integers, every step checked, so that a zero remainder proves it.
bool DividesExactly(const WordPolynomial& p, const WordPolynomial& f, WordPolynomial& quotient) {
  std::array<std::int64_t, kMaxCoefficients> r = p.c;
  const std::size_t m = f.degree;
  quotient = WordPolynomial{};
  quotient.degree = p.degree - m;
  for (std::size_t k = p.degree + 1; k-- > m;) {
    const std::int64_t q = r[k];
    quotient.c[k - m] = q;
    for (std::size_t j = 0; j <= m; ++j) {
      std::int64_t product = 0;
      if (__builtin_mul_overflow(q, f.c[j], &product) ||
          __builtin_sub_overflow(r[k - m + j], product, &r[k - m + j])) {
        return false;
      }
    }
  }
  for (std::size_t k = 0; k < m; ++k) {
    if (r[k] != 0) return false;
  }
  return true;
}

// Whether f, with no rational root and these approximations to its roots,
// is proved irreducible: of degree 2 or 3, or by its roots' sums.
bool ProvedIrreducible(const WordPolynomial& f, const double* roots) {
  return f.degree <= 3 ||
         ProvedIrreducibleByRoots(FloatSigns(f.c.data(), f.degree), f.degree, roots);
}

// Adds f, with approximations to its roots, to the factors, or raises the
// power of an equal one.
void AddWordFactor(std::vector<WordFactor>& factors, const WordPolynomial& f, const double* roots) {
  for (WordFactor& known : factors) {
    if (known.polynomial.degree == f.degree && known.polynomial.c == f.c) {
      ++known.multiplicity;
      return;
    }
  }
  WordFactor& added = factors.emplace_back(WordFactor{f, 1, {}});
  std::copy(roots, roots + f.degree, added.guesses.begin());
}

// Beyond this many roots the subsets are too many to try.
constexpr std::size_t kMaxSplitRoots = 13;

// Splits rest, which has no rational root, into irreducible factors, each
// proved so: smallest first, each set of roots whose product polynomial has
// integer coefficients and divides rest exactly, then what remains. `roots`
// approximates all roots of rest, ascending. False when a factor is not
// proved irreducible.
bool SplitIntoFactors(WordPolynomial rest, std::vector<double> roots,
                      std::vector<WordFactor>& factors) {
  WordPolynomial candidate;
  WordPolynomial quotient;
  std::array<double, kWrappingOrder> chosen{};
  std::size_t size = 2;
  for (;;) {
    const std::size_t d = rest.degree;
    if (ProvedIrreducible(rest, roots.data())) {
      AddWordFactor(factors, rest, roots.data());
      return true;
    }
    if (2 * size > d || d > kMaxSplitRoots) return false;
    std::array<std::size_t, kWrappingOrder> pick{};
    bool unproved = false;
    const bool found = SearchRootSubsets(roots, size, pick.data(), [&](const std::size_t* at) {
      for (std::size_t k = 0; k < size; ++k) chosen[k] = roots[at[k]];
      if (!RoundedProduct(chosen.data(), size, candidate) ||
          !DividesExactly(rest, candidate, quotient)) {
        return false;
      }
      unproved = !ProvedIrreducible(candidate, chosen.data());
      return true;
    });
    if (unproved) return false;
    if (found) {
      AddWordFactor(factors, candidate, chosen.data());
      rest = quotient;
      EraseSubset(roots, pick.data(), size);
    }
    if (!found) ++size;
  }
}

// The steps of the spectrum (spectral/pipeline.h) in machine words and
// floating point, each proved or refused.
class WordSteps {
 public:
  WordSteps(SpectralMatrix matrix, int order, const std::vector<Edge>& edges, int digits)
      : matrix_(matrix), order_(order), edges_(edges), digits_(digits) {}

  // det(xI - M) in words, when the order allows; never a distance
  // matrix's, whose eigenvalues lie too far apart for the bounds below.
  bool Charpoly(Coefficients& charpoly) {
    std::array<std::int64_t, kMaxCoefficients> highestFirst{};
    if (IsDistanceMatrix(matrix_) || !SmallCharpoly(matrix_, order_, edges_, highestFirst)) {
      return false;
    }
    const auto n = static_cast<std::size_t>(order_);
    rest_.degree = n;
    for (std::size_t k = 0; k <= n; ++k) rest_.c[k] = highestFirst[n - k];
    charpoly.SetWords(rest_.c.data(), n);
    return true;
  }

  // Every integer of the eigenvalues' range tried exactly, each root
  // divided out of what is left.
  void IntegerRoots(std::vector<IntegerRoot>& roots) {
    roots.clear();
    const auto [lowest, highest] = RangeOf(matrix_, order_);
    for (long c = lowest; c <= highest && rest_.degree > 0; ++c) {
      long multiplicity = 0;
      while (rest_.degree > 0 && ValueAt(rest_, c) == 0) {
        DivideByRoot(rest_, c);
        ++multiplicity;
      }
      if (multiplicity > 0) roots.push_back(IntegerRoot{c, multiplicity});
    }
  }

  // What the integer roots leave has no rational root (those are integers in
  // the range, all gone): its factors, each proved irreducible.
  bool Factors(std::vector<Factor>& factors) {
    Found().clear();
    if (const std::size_t d = rest_.degree; d > 0) {
      thread_local std::vector<double> numeric;
      numeric.assign(d, 0);
      const double bound = static_cast<double>(RangeOf(matrix_, order_).highest + 1);
      if (!FloatSigns(rest_.c.data(), d).usable() ||
          !RealRoots(rest_.c.data(), d, bound, numeric.data()) ||
          !SplitIntoFactors(rest_, numeric, Found())) {
        return false;
      }
    }
    factors.resize(Found().size());
    for (std::size_t k = 0; k < factors.size(); ++k) {
      const WordFactor& f = Found()[k];
      factors[k].polynomial.SetWords(f.polynomial.c.data(), f.polynomial.degree);
      factors[k].multiplicity = f.multiplicity;
    }
    return true;
  }

  // Factor k's roots, proved and rounded in floating point.
  bool Roots(std::size_t k, Factor& factor) const {
    thread_local std::vector<FloatRoot> found;
    const WordFactor& f = Found()[k];
    const WordPolynomial& p = f.polynomial;
    const long bound = RangeOf(matrix_, order_).highest + 1;
    if (HasSignedEigenvalues(matrix_)
            ? !SignedFloatRoots(p, bound, f.guesses.data(), digits_, found)
            : !FloatRoots(FloatSigns(p.c.data(), p.degree), bound, f.guesses.data(), p.degree,
                          digits_, found)) {
      return false;
    }
    factor.roots.resize(found.size());
    for (std::size_t r = 0; r < found.size(); ++r) {
      FactorRoot& root = factor.roots[r];
      root.rounded = found[r].rounded;
      root.low = found[r].low;
      root.high = found[r].high;
      root.inDoubles = true;
    }
    return true;
  }

  // The smallest root of what the integer roots leave, when its roots are
  // all positive (not A's or S's) and proved simple and apart in floating point:
  // no factoring, no other root rounded.
  bool SmallestRoot(FactorRoot& root) const {
    const std::size_t d = rest_.degree;
    if (d == 0 || HasSignedEigenvalues(matrix_)) return false;
    thread_local std::vector<double> numeric;
    thread_local FloatRoot found;
    numeric.assign(d, 0);
    const FloatSigns signs(rest_.c.data(), d);
    const long bound = RangeOf(matrix_, order_).highest + 1;
    if (!signs.usable() ||
        !RealRoots(rest_.c.data(), d, static_cast<double>(bound), numeric.data()) ||
        !SmallestFloatRoot(signs, bound, numeric.data(), d, digits_, found)) {
      return false;
    }
    root.rounded = found.rounded;
    root.low = found.low;
    root.high = found.high;
    root.inDoubles = true;
    return true;
  }

  // The eigenvalues by their intervals, when each lies apart from the next:
  // the roots of distinct irreducible factors differ, and an integer inside
  // a root's interval is left to exact arithmetic.
  static bool Sort(std::vector<EigenvalueRef>& distinct, const Spectrum& spectrum) {
    struct Placed {
      double low = 0;
      double high = 0;
      EigenvalueRef ref;
    };
    std::array<Placed, kWrappingOrder> placed{};
    if (distinct.size() > placed.size()) return false;  // never: n eigenvalues at most
    for (std::size_t k = 0; k < distinct.size(); ++k) {
      const EigenvalueRef e = distinct[k];
      if (e.factor == EigenvalueRef::kInteger) {
        const auto c = static_cast<double>(spectrum.integerRoots[e.index].value);
        placed[k] = Placed{c, c, e};
      } else {
        const FactorRoot& root = spectrum.factors[e.factor].roots[e.index];
        placed[k] = Placed{root.low, root.high, e};
      }
    }
    // By insertion: a dozen at most.
    for (std::size_t k = 1; k < distinct.size(); ++k) {
      const Placed next = placed[k];
      std::size_t j = k;
      for (; j > 0 && (next.low != placed[j - 1].low ? next.low < placed[j - 1].low
                                                     : next.high < placed[j - 1].high);
           --j) {
        placed[j] = placed[j - 1];
      }
      placed[j] = next;
    }
    for (std::size_t k = 0; k < distinct.size(); ++k) {
      if (k > 0 && placed[k - 1].high > placed[k].low) return false;
      distinct[k] = placed[k].ref;
    }
    return true;
  }

 private:
  // The factors found, kept from graph to graph, one per thread: their room
  // stays.
  static std::vector<WordFactor>& Found() {
    thread_local std::vector<WordFactor> found;
    return found;
  }

  SpectralMatrix matrix_;
  int order_;
  const std::vector<Edge>& edges_;
  int digits_;
  WordPolynomial rest_;  // det(xI - M), then what its integer roots leave
};

}  // namespace

bool WordSpectrumOf(SpectralMatrix matrix, int order, const std::vector<Edge>& edges, int digits,
                    Spectrum& spectrum) {
  WordSteps steps(matrix, order, edges, digits);
  return SpectrumBy(steps, spectrum);
}

bool WordLaplacianFacts(int order, const std::vector<Edge>& edges, int digits, Spectrum& room,
                        LaplacianFacts& facts) {
  WordSteps steps(SpectralMatrix::kLaplacian, order, edges, digits);
  return LaplacianFactsBy(steps, order, room, facts);
}

std::optional<Spectrum> WordSpectrum(SpectralMatrix matrix, int order,
                                     const std::vector<Edge>& edges, int digits) {
  Spectrum spectrum;
  if (!WordSpectrumOf(matrix, order, edges, digits, spectrum)) return std::nullopt;
  if (matrix == SpectralMatrix::kLaplacian) {
    LaplacianFactsOf(spectrum, order, spectrum.laplacian);
    return spectrum;
  }
  Spectrum room;
  if (!WordLaplacianFacts(order, edges, digits, room, spectrum.laplacian)) return std::nullopt;
  return spectrum;
}

}  // namespace grafen::spectral
