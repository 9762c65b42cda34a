// The isomorphism sieve as the tool defines it: a bit per edge code, and the
// relabellings of a representative that mark its whole class. These
// functions are the definition of a relabelling; the fast sieve is tested
// against them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "UTypes/UTypes.h"
#include "enumeration/integers.h"

namespace grafen {

// A set of bit words; code c is bit (c mod 32) of word (c div 32).
struct WordSet {
  std::uint32_t* words = nullptr;
  std::size_t length = 0;
};

// The seen set over all edge codes of the run. Sized by AllocateSeenSet in
// the run, released by the entry point right after the run (ReleaseSeenSet).
extern WordSet Seen;

// Perm: a permutation of 1..Order in slots 0..Order-1. Position: its inverse,
// Position[v] the 1-based place of v in Perm (slot 0 unused). Sized by the
// run, they live until process end.
extern integers Perm;
extern integers Position;

// Sizes Seen to count div 32 + 1 zeroed words and reports the bytes on the
// console ("Additional memory = N bytes"). No memory is EOutOfMemory.
void AllocateSeenSet(std::int32_t count);

// Frees Seen; its length becomes 0.
void ReleaseSeenSet();

// Sets, or tests, the bit of a code in a word set; a code outside the set is
// a range fault.
void MarkIn(WordSet& set, EdgeCode code);
bool IsIn(const WordSet& set, EdgeCode code);

// Sets the bit of a code in Seen.
void MarkSeen(EdgeCode code);

// Whether the bit of a code is set in Seen.
bool IsSeen(EdgeCode code);

// Steps arr to its next permutation in lexicographic order, in place; returns
// the same array. The last (descending) permutation is a range fault.
integers NextPermutation(integers arr);

// The low n bits of value in reverse order.
std::int32_t ReverseBits(std::int32_t n, std::int32_t value);

// The code of the graph with every edge {i, j} moved to {Position[i],
// Position[j]}, with pair (1,2) in the most significant of the MaxEdges bits.
std::int32_t RelabelledCode(EdgeCode code);

// Marks in Seen the codes of all Order! - 1 non-identity relabellings of code.
void MarkClass(EdgeCode code, std::int32_t maxEdges);

}  // namespace grafen
