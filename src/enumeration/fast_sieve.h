// The sieve on the run's hot path: finds the smallest code of every
// isomorphism class in increasing order, as the defining sieve would, while
// scanning and marking only the codes that can be class minima.
#pragma once

#include <cstdint>
#include <functional>

#include "UTypes/UTypes.h"
#include "enumeration/sieve.h"

namespace grafen {

// Calls visit(code) for the smallest code of every isomorphism class of
// graphs on `order` nodes (1..8), in increasing order. `seen` holds a clear
// bit for every code of the order; it is used for marking.
void ForEachClassMinimum(std::int32_t order, WordSet& seen,
                         const std::function<void(EdgeCode)>& visit);

}  // namespace grafen
