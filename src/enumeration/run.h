// The enumeration run: both result files, the console report, and the scan
// that hands every kept graph to the writers.
#pragma once

#include <cstdint>
#include <functional>

#include "UTypes/UTypes.h"

#ifndef GRAFEN_CONNECTED_ONLY
#define GRAFEN_CONNECTED_ONLY 1
#endif
#ifndef GRAFEN_LITERAL_SIEVE
#define GRAFEN_LITERAL_SIEVE 0
#endif

namespace grafen {

// Build-time settings, read where the entry point calls the run. ConnectedOnly
// (true): write only connected graphs. LiteralSieve (false): mark every
// relabelling of every representative, code by code, instead of the fast
// sieve; the output is the same, only far slower (a yardstick for benchmarks).
inline constexpr bool ConnectedOnly = GRAFEN_CONNECTED_ONLY != 0;
inline constexpr bool LiteralSieve = GRAFEN_LITERAL_SIEVE != 0;

// The first code the scan looks at: the star on node 1, Power2(Order-1) - 1,
// when only connected graphs are kept (every code below it has a node without
// edges); 0 otherwise.
std::int32_t First(bool connectedOnly);

// Calls write(m) for every graph the run writes, in order: the representative
// of each class (only the connected ones when connectedOnly), found by the
// literal or the fast sieve. Needs Order; the literal sieve also needs Seen
// sized and clear, Perm and Position sized (the fast sieve leaves them alone).
void ForEachWrittenGraph(bool connectedOnly, bool literalSieve,
                         const std::function<void(const AdjMatrix&)>& write);

// The whole run with the given settings.
void RunEnumerationWith(bool connectedOnly, bool literalSieve);

// The whole run with the build's settings.
inline void RunEnumeration() { RunEnumerationWith(ConnectedOnly, LiteralSieve); }

}  // namespace grafen
