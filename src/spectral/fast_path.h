// The common case's spectrum in machine words and floating point, every
// step proved: a graph matrix of order up to kWrappingOrder whose
// characteristic polynomial is the factors of its integer roots times at
// most one more factor, proved irreducible by its roots, whose roots are
// simple and far enough apart for floating point to find and tell apart.
// Anything else is left to the exact path.
#pragma once

#include <optional>
#include <vector>

#include "formats/edge_list_reader.h"
#include "spectral/charpoly.h"
#include "spectral/spectrum.h"

namespace grafen::spectral {

// The spectrum exactly as the exact path gives it, when this path proves
// every step; nothing otherwise.
std::optional<Spectrum> WordSpectrum(SpectralMatrix matrix, int order,
                                     const std::vector<Edge>& edges, int digits);

}  // namespace grafen::spectral
