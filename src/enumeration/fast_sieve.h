// The sieve on the run's hot path: finds the smallest code of every
// isomorphism class in increasing order, as the defining sieve would, by
// testing only the codes that can be class minima, each for minimality.
#pragma once

#include <cstdint>
#include <vector>

#include "UTypes/UTypes.h"

namespace grafen {

// The smallest code of every isomorphism class of graphs on `order` nodes
// (1..8), in increasing order.
std::vector<EdgeCode> ClassMinima(std::int32_t order);

}  // namespace grafen
