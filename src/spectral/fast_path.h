// The common case's spectrum in machine words and floating point, every
// step proved: a graph matrix of order up to kWrappingOrder whose
// characteristic polynomial is the factors of its integer roots times
// factors proved irreducible by their roots, whose roots are simple and far
// enough apart for floating point to find and tell apart. Anything else is
// left to exact arithmetic.
#pragma once

#include <optional>
#include <vector>

#include "formats/edge_list_reader.h"
#include "spectral/charpoly.h"
#include "spectral/spectrum.h"

namespace grafen::spectral {

// The spectrum but its Laplacian facts, into `spectrum`, exactly as exact
// arithmetic gives it, when this path proves every step; false otherwise.
bool WordSpectrumOf(SpectralMatrix matrix, int order, const std::vector<Edge>& edges, int digits,
                    Spectrum& spectrum);

// The Laplacian's facts by this path, `room` holding the work; false when a
// step is not proved.
bool WordLaplacianFacts(int order, const std::vector<Edge>& edges, int digits, Spectrum& room,
                        LaplacianFacts& facts);

// The whole spectrum, Laplacian facts too, by this path alone; nothing when
// a step is not proved.
std::optional<Spectrum> WordSpectrum(SpectralMatrix matrix, int order,
                                     const std::vector<Edge>& edges, int digits);

}  // namespace grafen::spectral
