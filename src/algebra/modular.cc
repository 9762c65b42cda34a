#include "algebra/modular.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace grafen::algebra {
namespace {

// An array index from a degree or coefficient position (never negative).
constexpr std::size_t Index(int k) { return static_cast<std::size_t>(k); }

// A polynomial over the integers modulo p (p < 2^8): coefficients from x^0
// up, one byte each to keep copies cheap, and its degree (-1 for zero).
struct ModPoly {
  // Read and written only inside the Field template below, which cppcheck
  // does not instantiate.
  // cppcheck-suppress unusedStructMember
  std::array<std::uint8_t, kMaxModularDegree + 2> c{};
  int degree = -1;
};

// The arithmetic of one small prime P. Hot: P is a compile-time constant, so
// that "% P" is a multiplication, sums of products are reduced once rather
// than term by term, and inverses come from a table.
template <std::uint32_t P>
class Field {
 public:
  Field() {
    // 1/a = -(P / a) * 1/(P mod a), as P = (P / a) a + P mod a.
    inverse_[1] = 1;
    for (std::uint32_t a = 2; a < P; ++a) inverse_[a] = Mul(P - P / a, inverse_[P % a]);
  }

  // a * b and a - b modulo P.
  std::uint32_t Mul(std::uint32_t a, std::uint32_t b) const { return a * b % p_; }
  std::uint32_t Sub(std::uint32_t a, std::uint32_t b) const { return (a + p_ - b) % p_; }

  // Lowers a's degree past its zero leading coefficients.
  static void Trim(ModPoly& a) {
    while (a.degree >= 0 && a.c[Index(a.degree)] == 0) --a.degree;
  }

  // a := a mod b (b not zero); with quotient, the quotient too.
  void Reduce(ModPoly& a, const ModPoly& b, ModPoly* quotient = nullptr) const {
    const std::uint32_t lead = inverse_[b.c[Index(b.degree)]];
    if (quotient != nullptr) *quotient = ModPoly{{}, a.degree - b.degree};
    for (int top = a.degree; top >= b.degree; --top) {
      const std::uint32_t factor = Mul(a.c[Index(top)], lead);
      if (quotient != nullptr) {
        quotient->c[Index(top - b.degree)] = static_cast<std::uint8_t>(factor);
      }
      const std::uint32_t negated = p_ - factor;
      for (int k = 0; k <= b.degree; ++k) {
        auto& coefficient = a.c[Index(top - b.degree + k)];
        coefficient = static_cast<std::uint8_t>((coefficient + negated * b.c[Index(k)]) % p_);
      }
    }
    if (a.degree >= b.degree) a.degree = b.degree - 1;
    Trim(a);
    if (quotient != nullptr) Trim(*quotient);
  }

  // a * b mod m, with deg a, deg b < deg m and m monic.
  ModPoly MulMod(const ModPoly& a, const ModPoly& b, const ModPoly& m) const {
    // Unreduced sums stay far below 2^32: P < 2^8, at most 2 * 64 terms each.
    std::array<std::uint32_t, 2 * kMaxModularDegree + 2> product;  // NOLINT: filled next
    const int top = a.degree + b.degree;
    std::fill_n(product.begin(), std::max(top + 1, 0), 0U);
    for (int i = 0; i <= a.degree; ++i) {
      for (int j = 0; j <= b.degree; ++j) {
        const std::uint32_t left = a.c[Index(i)];
        product[Index(i + j)] += left * b.c[Index(j)];
      }
    }
    // Fold the top down by m: x^deg m = -(m - x^deg m).
    // Unreduced, each coefficient gains at most P^2 per fold: far below 2^32.
    for (int t = top; t >= m.degree; --t) {
      const std::uint32_t negated = p_ - product[Index(t)] % p_;
      for (int k = 0; k < m.degree; ++k)
        product[Index(t - m.degree + k)] += negated * m.c[Index(k)];
    }
    ModPoly result;
    result.degree = std::min(top, m.degree - 1);
    for (int k = 0; k <= result.degree; ++k) {
      result.c[Index(k)] = static_cast<std::uint8_t>(product[Index(k)] % p_);
    }
    Trim(result);
    return result;
  }

  // sum over j of h_j * columns[j], the columns of degree below n.
  ModPoly Apply(const std::array<ModPoly, kMaxModularDegree + 1>& columns, const ModPoly& h,
                int n) const {
    // Unreduced sums stay far below 2^32: at most 64 products below 2^16.
    std::array<std::uint32_t, kMaxModularDegree + 1> sum{};
    for (int j = 0; j <= h.degree; ++j) {
      const std::uint32_t factor = h.c[Index(j)];
      if (factor == 0) continue;
      const ModPoly& column = columns[Index(j)];
      for (int k = 0; k <= column.degree; ++k) sum[Index(k)] += factor * column.c[Index(k)];
    }
    ModPoly result;
    result.degree = n - 1;
    for (int k = 0; k < n; ++k) result.c[Index(k)] = static_cast<std::uint8_t>(sum[Index(k)] % p_);
    Trim(result);
    return result;
  }

  // The monic greatest common divisor.
  ModPoly Gcd(ModPoly a, ModPoly b) const {
    ModPoly* x = &a;
    ModPoly* y = &b;
    while (y->degree >= 0) {
      Reduce(*x, *y);
      std::swap(x, y);
    }
    if (x->degree >= 0) {
      const std::uint32_t lead = inverse_[x->c[Index(x->degree)]];
      for (int k = 0; k <= x->degree; ++k) {
        x->c[Index(k)] = static_cast<std::uint8_t>(Mul(x->c[Index(k)], lead));
      }
    }
    return *x;
  }

 private:
  static constexpr std::uint32_t p_ = P;
  std::array<std::uint32_t, P> inverse_{};
};

// FactorDegreesModulo for the prime P.
template <std::uint32_t P>
bool FactorDegreesModuloPrime(const Polynomial& f, FactorDegreeCounts& counts) {
  constexpr std::uint32_t p = P;
  counts.fill(0);
  static const Field<P> field;
  ModPoly g;
  g.degree = static_cast<int>(f.degree());
  for (int k = 0; k <= g.degree; ++k) {
    g.c[Index(k)] = static_cast<std::uint8_t>(fmpz_fdiv_ui(f.coefficient(k), p));
  }
  ModPoly derivative;
  for (int k = 1; k <= g.degree; ++k) {
    derivative.c[Index(k - 1)] =
        static_cast<std::uint8_t>(field.Mul(g.c[Index(k)], static_cast<std::uint32_t>(k) % p));
  }
  derivative.degree = g.degree - 1;
  Field<P>::Trim(derivative);
  if (field.Gcd(g, derivative).degree != 0) return false;

  // Distinct-degree factorisation: gcd(g, x^(p^i) - x) is the product of
  // g's irreducible factors of degree i, once those of lower degree are out.
  // Hot: raising to the power p is linear modulo p, so x^(p^(i+1)) comes
  // from x^(p^i) by the Frobenius matrix, whose columns are x^(p j) mod g,
  // one product by a matrix instead of a powering each time.
  ModPoly x;
  x.c[1] = 1;
  x.degree = 1;
  ModPoly xp{{{1}}, 0};
  {
    ModPoly power = x;
    for (std::uint32_t e = p; e > 0; e >>= 1, power = field.MulMod(power, power, g)) {
      if ((e & 1U) != 0) xp = field.MulMod(xp, power, g);
    }
  }
  std::array<ModPoly, kMaxModularDegree + 1> frobenius;
  frobenius[0] = ModPoly{{{1}}, 0};
  for (int j = 1; j < g.degree; ++j)
    frobenius[Index(j)] = field.MulMod(frobenius[Index(j - 1)], xp, g);
  ModPoly h = x;
  for (int i = 1; 2 * i <= g.degree; ++i) {
    h = i == 1 ? xp : field.Apply(frobenius, h, g.degree);
    ModPoly shifted = h;
    shifted.degree = std::max(shifted.degree, 1);
    shifted.c[1] = static_cast<std::uint8_t>(field.Sub(shifted.c[1], 1));
    Field<P>::Trim(shifted);
    const ModPoly common = field.Gcd(g, shifted);
    if (common.degree > 0) {
      counts[Index(i)] += common.degree / i;
      ModPoly quotient;
      field.Reduce(g, common, &quotient);
      g = quotient;
      field.Reduce(h, g);
      for (int j = 0; j < g.degree; ++j) field.Reduce(frobenius[Index(j)], g);
    }
  }
  if (g.degree > 0) ++counts[Index(g.degree)];
  return true;
}

}  // namespace

bool FactorDegreesModulo(const Polynomial& f, std::uint32_t p, FactorDegreeCounts& counts) {
  switch (p) {
    case 7:
      return FactorDegreesModuloPrime<7>(f, counts);
    case 11:
      return FactorDegreesModuloPrime<11>(f, counts);
    case 13:
      return FactorDegreesModuloPrime<13>(f, counts);
    case 17:
      return FactorDegreesModuloPrime<17>(f, counts);
    case 19:
      return FactorDegreesModuloPrime<19>(f, counts);
    case 23:
      return FactorDegreesModuloPrime<23>(f, counts);
    case 29:
      return FactorDegreesModuloPrime<29>(f, counts);
    case 31:
      return FactorDegreesModuloPrime<31>(f, counts);
    default:
      return false;
  }
}

}  // namespace grafen::algebra
