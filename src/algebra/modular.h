// Factor degrees of an integer polynomial modulo a small prime, the quick
// part of an irreducibility proof: fixed-size arrays, no allocation, since
// FLINT's general routines spend more on setting up than on the work at the
// degrees met here.
#pragma once

#include <array>
#include <cstdint>

#include "algebra/flint_values.h"

namespace grafen::algebra {

// Degrees up to this are handled (order 62's polynomials fit).
inline constexpr int kMaxModularDegree = 63;

// counts[d]: how many irreducible factors of degree d f has modulo p.
using FactorDegreeCounts = std::array<int, kMaxModularDegree + 1>;

// The primes FactorDegreesModulo works with.
inline constexpr std::array<std::uint32_t, 8> kModularPrimes = {7, 11, 13, 17, 19, 23, 29, 31};

// The factor degrees of the monic f (degree 1 to kMaxModularDegree) modulo
// the prime p, one of kModularPrimes; false when f is not squarefree modulo
// p (or p is not one of them).
bool FactorDegreesModulo(const Polynomial& f, std::uint32_t p, FactorDegreeCounts& counts);

}  // namespace grafen::algebra
