#include "enumeration/fast_sieve.h"

#include <array>
#include <cstddef>
#include <utility>

// Why only a few codes need looking at, and how each is tested.
//
// Read a code of order n from its most significant bit down: it is the rows
// of labels n-1, n-2, ..., 1 of the upper triangle, and row i lists the pairs
// (i, n), (i, n-1), ..., (i, i+1). So the top k(k-1)/2 bits are exactly the
// pairs among the k highest labels, laid out as the code of order k of the
// graph they induce (label n-k+j read as label j). Call that the k-prefix.
//
// Fact: the smallest code of a class has a k-prefix that is itself the
// smallest code of its class of order k, for every k. Otherwise relabel only
// the k highest labels among themselves to make the prefix smaller: that
// changes no bit above the prefix (there is none) and gives a smaller code of
// the same class.
//
// So the only candidates of order n are the codes whose (n-1)-prefix P is a
// class minimum of order n-1 (1044 prefixes of 2^21 for order 8, each with
// the 2^(n-1) possible last rows), and the class minima of order n are the
// candidates that no relabelling makes smaller. Every class minimum is a
// candidate, so testing every candidate, in increasing order, lists exactly
// the class minima in increasing order. The minima of order n-1 come from
// the same procedure one order lower, down to order 1 (the code 0).
//
// Rows. A relabelling is an ordering s_0, s_1, ..., s_{n-1} of the nodes,
// s_k taking label n-k. Its code, from the most significant bit, is the rows
// r_1, ..., r_{n-1}, where r_k (k bits) holds the adjacency of s_k to s_0, ...,
// s_{k-1}, that of s_0 in its most significant bit. Codes compare as their
// row sequences do, lexicographically, row by row. The identity ordering
// (s_k = node n-1-k, nodes numbered from 0) gives the candidate c itself, with
// rows t_1, ..., t_{n-1}.
//
// Minimality test. Call an ordered prefix s_0..s_{k-1} matching when its rows
// equal t_1..t_{k-1}. An ordering with a smaller code than c has a first row
// r_k that differs, so s_0..s_{k-1} is matching and r_k < t_k. Conversely a
// matching prefix and an unplaced node whose row to it is below t_k give, with
// any completion, a smaller code. So c is a class minimum if and only if no
// matching prefix has an unplaced node with a row below t_k; the search walks
// the matching prefixes, each extended by the nodes whose row equals t_k, and
// stops at the first smaller row.
//
// Shared part. In a candidate c = P * 2^(n-1) + low, node 0 (label 1) has the
// last row, low, and nodes 1..n-1 carry H, the graph of P. A matching prefix
// without node 0 is a matching prefix of H against P, the same for all
// candidates of P, so these are walked once per prefix P, with node 0's row
// after each computed for all 2^(n-1) last rows at once, as bit sets over the
// last rows: the rows below t_k reject their candidates, and the equal ones
// continue with node 0 placed next, each candidate on its own. No node of H
// ever has a row below t_k after a matching prefix of H: that would make P
// smaller in its own class. When the whole of H is placed, node 0 comes last
// and its row is low with its bits permuted, compared with low itself.
//
// Twins. Two nodes with the same neighbours apart from each other can trade
// places without changing the graph. With both unplaced, placing the higher
// one next leads to the rows that placing the lower one leads to, so only
// the lower one is placed: in the per-candidate part always, in the shared
// part for the last rows that join node 0 to both twins of H or to neither
// (for the other last rows they are not twins of the candidate's graph).

namespace grafen {

namespace {

// A set of last rows (0..127): bit (low mod 64) of word (low div 64).
using LowSet = std::array<std::uint64_t, 2>;

LowSet And(const LowSet& a, const LowSet& b) { return {a[0] & b[0], a[1] & b[1]}; }
LowSet Or(const LowSet& a, const LowSet& b) { return {a[0] | b[0], a[1] | b[1]}; }
LowSet Without(const LowSet& a, const LowSet& b) { return {a[0] & ~b[0], a[1] & ~b[1]}; }
LowSet Differing(const LowSet& a, const LowSet& b) { return {a[0] ^ b[0], a[1] ^ b[1]}; }
bool IsEmpty(const LowSet& a) { return (a[0] | a[1]) == 0; }
bool Holds(const LowSet& a, std::uint32_t low) { return ((a[low / 64U] >> (low % 64U)) & 1U) != 0; }

// Every last row of a candidate with `last` + 1 nodes.
LowSet AllLows(std::int32_t last) {
  if (last >= 7) return {~0ULL, ~0ULL};
  if (last == 6) return {~0ULL, 0};
  return {(1ULL << (1U << static_cast<unsigned>(last))) - 1U, 0};
}

// LowsWith(j): the last rows that make node j (1..7) a neighbour of node 0.
constexpr std::array<LowSet, MaxOrder> MakeLowsWith() {
  std::array<LowSet, MaxOrder> sets{};
  for (std::uint32_t j = 1; j < MaxOrder; ++j) {
    for (std::uint32_t low = 0; low < 128U; ++low) {
      if (((low >> (j - 1U)) & 1U) != 0) sets[j][low / 64U] |= 1ULL << (low % 64U);
    }
  }
  return sets;
}
constexpr std::array<LowSet, MaxOrder> kLowsWith = MakeLowsWith();

// The rows of up to 8 nodes, one byte each (node u in byte u), first placed
// node in the most significant bit of a row. A row compared holds at most 7
// bits, so bytes never carry into each other.
using Rows = std::uint64_t;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
constexpr std::uint64_t kLows7 = 0x7F7F7F7F7F7F7F7FULL;

// Byte u of kSpread[s] is 1 when node u is in the node set s.
constexpr std::array<std::uint64_t, 256> MakeSpread() {
  std::array<std::uint64_t, 256> spread{};
  for (std::uint32_t set = 0; set < 256U; ++set) {
    for (std::uint32_t u = 0; u < 8U; ++u) {
      if (((set >> u) & 1U) != 0) spread[set] |= 1ULL << (8U * u);
    }
  }
  return spread;
}
constexpr std::array<std::uint64_t, 256> kSpread = MakeSpread();

// The high bit of the byte of every node in a node set.
std::uint64_t HighBytes(std::uint32_t nodes) { return kSpread[nodes] << 7U; }

// Whether a node of the set has a row below t.
bool AnyBelow(Rows rows, std::uint32_t t, std::uint32_t nodes) {
  const std::uint64_t atLeast = ((rows | kHighs) - t * kOnes) & kHighs;
  return (HighBytes(nodes) & ~atLeast) != 0;
}

// The high bits of the bytes of the nodes of the set whose row equals t.
std::uint64_t EqualBytes(Rows rows, std::uint32_t t, std::uint32_t nodes) {
  const std::uint64_t differing = rows ^ (t * kOnes);
  return ~(differing + kLows7) & HighBytes(nodes);
}

// The rows after placing a node with the given neighbours next.
Rows Placed(Rows rows, std::uint32_t neighbours) { return (rows << 1U) | kSpread[neighbours]; }

// The node of the lowest byte whose high bit is set.
unsigned NodeOfByte(std::uint64_t bytes) {
  return static_cast<unsigned>(__builtin_ctzll(bytes)) / 8U;
}

// One candidate on its own: its rows t_0..t_{n-1} (t_0 = 0), neighbours and
// lower twins of every node.
struct Candidate {
  std::array<std::uint32_t, MaxOrder> target;
  std::array<std::uint32_t, MaxOrder> neighbours;
  std::array<std::uint32_t, MaxOrder> lowerTwins;
};

// Whether no ordering that continues the matching prefix (`placed` nodes,
// the others in `unplaced`, their rows to it in `rows`) has a smaller code.
// Recursion depth is at most the order (8).
bool NoneSmaller(const Candidate& c, std::int32_t placed, std::uint32_t unplaced, Rows rows) {
  if (unplaced == 0) return true;
  const std::uint32_t t = c.target[static_cast<std::size_t>(placed)];
  if (AnyBelow(rows, t, unplaced)) return false;
  for (std::uint64_t equal = EqualBytes(rows, t, unplaced); equal != 0; equal &= equal - 1) {
    const unsigned u = NodeOfByte(equal);
    if ((c.lowerTwins[u] & unplaced) != 0) continue;
    if (!NoneSmaller(c, placed + 1, unplaced & ~(1U << u), Placed(rows, c.neighbours[u]))) {
      return false;
    }
  }
  return true;
}

// A matching prefix of H after which node 0 has the row t_k for the last
// rows in `equal`: node 0 is placed next, then each candidate goes on alone.
struct Branch {
  std::int32_t placed;
  std::uint32_t unplaced;
  Rows rows;
  LowSet equal;
};

// The walk over the matching prefixes of H, shared by the candidates of P.
struct PrefixWalk {
  std::int32_t last;                               // n - 1: H is nodes 1..last
  LowSet all;                                      // every last row
  std::array<std::uint32_t, MaxOrder> neighbours;  // within H
  std::array<std::uint32_t, MaxOrder> lowerTwins;  // within H
  std::array<std::uint32_t, MaxOrder> target;      // t_0..t_{last-1}, P's rows
  // targetHas[k][i]: bit i (from the most significant) of the target row
  // after k nodes, as the last rows where it is 1: a bit of t_k, the same for
  // all, or for k = last the bit of low itself that node 0 would have with
  // nothing moved, its adjacency to node last - i.
  std::array<std::array<LowSet, MaxOrder>, MaxOrder + 1> targetHas;
  std::array<std::uint32_t, MaxOrder> prefix;  // the nodes placed, in order
  LowSet rejected;                             // last rows found not minimal
  std::vector<Branch>* branches;
};

// Node 0's row after a prefix, compared with a target row bit by bit from
// the most significant, for all last rows at once: those where all bits so
// far are equal, and those where the first differing bit is below.
struct Comparison {
  LowSet equal;
  LowSet below;
};

// Compares one more bit: node 0's bit is 1 for the last rows in zeroHas, the
// target's for those in targetHas.
void CompareBit(Comparison& c, const LowSet& zeroHas, const LowSet& targetHas) {
  c.below = Or(c.below, Without(And(c.equal, targetHas), zeroHas));
  c.equal = Without(c.equal, Differing(zeroHas, targetHas));
}

// Walks the matching prefixes of H that extend the current one (`placed`
// nodes in walk.prefix), for the last rows in `open`. `before` compares node
// 0's row after all but the last of them with the top bits of the target
// row. Recursion depth is at most the order (8).
//
// Placing a twin of H while a lower twin is unplaced is walked on only for
// the last rows that join node 0 to one of the two (see Twins above), and
// not at all when there are none. Node 0's rows below the target reject
// their candidates wherever they are met.
void WalkPrefixes(PrefixWalk& walk, std::int32_t placed, std::uint32_t unplaced, Rows rows,
                  const Comparison& before, const LowSet& open) {
  const auto k = static_cast<std::size_t>(placed);
  Comparison now = before;
  if (k > 0) CompareBit(now, kLowsWith[walk.prefix[k - 1]], walk.targetHas[k][k - 1]);
  walk.rejected = Or(walk.rejected, now.below);
  if (placed == walk.last) return;  // node 0 last: nothing follows
  const LowSet equal = And(now.equal, open);
  if (!IsEmpty(equal)) walk.branches->push_back(Branch{placed, unplaced, rows, equal});
  std::uint64_t next = EqualBytes(rows, walk.target[k], unplaced);
  if (next == 0) return;
  // What the prefixes one node longer share: node 0's row after this one,
  // against the top bits of their target row.
  Comparison shared{walk.all, {}};
  for (std::size_t i = 0; i < k; ++i) {
    CompareBit(shared, kLowsWith[walk.prefix[i]], walk.targetHas[k + 1][i]);
  }
  for (; next != 0; next &= next - 1) {
    const unsigned u = NodeOfByte(next);
    LowSet still = open;
    for (std::uint32_t twins = walk.lowerTwins[u] & unplaced; twins != 0; twins &= twins - 1) {
      const auto v = static_cast<unsigned>(__builtin_ctz(twins));
      still = And(still, Differing(kLowsWith[u], kLowsWith[v]));
    }
    if (IsEmpty(still)) continue;
    walk.prefix[k] = u;
    WalkPrefixes(walk, placed + 1, unplaced & ~(1U << u), Placed(rows, walk.neighbours[u]), shared,
                 still);
  }
}

// The candidate of the prefix walked with last row low.
void SetUpCandidate(const PrefixWalk& walk, std::uint32_t low, Candidate& c) {
  const auto last = static_cast<std::size_t>(walk.last);
  c.target = walk.target;
  c.target[last] = low;
  c.neighbours = walk.neighbours;
  c.neighbours[0] = low << 1U;
  for (std::size_t j = 1; j <= last; ++j) c.neighbours[j] |= (low >> (j - 1)) & 1U;
  // Twins of H stay twins when node 0 sees both or neither; node 0 and a node
  // u are twins when u's neighbours in H are node 0's others.
  const std::uint32_t zeroSees = c.neighbours[0];
  c.lowerTwins[0] = 0;
  for (std::size_t u = 1; u <= last; ++u) {
    const bool seen = ((zeroSees >> u) & 1U) != 0;
    c.lowerTwins[u] = walk.lowerTwins[u] & (seen ? zeroSees : ~zeroSees);
    if (((zeroSees ^ walk.neighbours[u]) & ~(1U << u)) == 0) c.lowerTwins[u] |= 1U;
  }
}

// Room reused from prefix to prefix: the branches of the walk, and the
// candidates set up so far (one per last row).
struct Scratch {
  std::vector<Branch> branches;
  std::vector<Candidate> candidates = std::vector<Candidate>(128);
};

// Appends to minima the class minima of order last+1 whose last-prefix is p,
// a class minimum of order last, in increasing order.
void AddMinimaOfPrefix(std::int32_t last, std::uint32_t p, Scratch& scratch,
                       std::vector<EdgeCode>& minima) {
  std::vector<Branch>& branches = scratch.branches;
  PrefixWalk walk{last, AllLows(last), {}, {}, {}, {}, {}, {}, &branches};
  // H's nodes 1..last are the nodes 0..last-1 of P's own order.
  std::uint32_t bit = 0;
  for (std::uint32_t i = 1; i <= static_cast<std::uint32_t>(last); ++i) {
    for (std::uint32_t j = i + 1; j <= static_cast<std::uint32_t>(last); ++j, ++bit) {
      if (((p >> bit) & 1U) != 0) {
        walk.neighbours[i] |= 1U << j;
        walk.neighbours[j] |= 1U << i;
      }
    }
  }
  for (std::uint32_t u = 1; u <= static_cast<std::uint32_t>(last); ++u) {
    for (std::uint32_t v = 1; v < u; ++v) {
      const std::uint32_t both = (1U << u) | (1U << v);
      if (((walk.neighbours[u] ^ walk.neighbours[v]) & ~both) == 0) walk.lowerTwins[u] |= 1U << v;
    }
  }
  // P's rows t_1..t_{last-1}, the last in its low bits.
  std::uint32_t rest = p;
  for (auto k = static_cast<std::uint32_t>(last) - 1U; k >= 1U; --k) {
    walk.target[k] = rest & ((1U << k) - 1U);
    rest >>= k;
  }
  for (std::size_t k = 1; k <= static_cast<std::size_t>(last); ++k) {
    for (std::size_t i = 0; i < k; ++i) {
      const bool one = ((walk.target[k] >> (k - 1 - i)) & 1U) != 0;
      walk.targetHas[k][i] = k == static_cast<std::size_t>(last) ? kLowsWith[k - i]
                             : one                               ? walk.all
                                                                 : LowSet{};
    }
  }
  branches.clear();
  const std::uint32_t hNodes = ((1U << static_cast<unsigned>(last + 1)) - 1U) & ~1U;
  WalkPrefixes(walk, 0, hNodes, 0, Comparison{walk.all, {}}, walk.all);

  LowSet survivors = Without(AllLows(last), walk.rejected);
  LowSet setUp{};
  for (const Branch& branch : branches) {
    const LowSet open = And(branch.equal, survivors);
    for (std::size_t w = 0; w < 2; ++w) {
      for (std::uint64_t bits = open[w]; bits != 0; bits &= bits - 1) {
        const auto low =
            static_cast<std::uint32_t>(64U * w) + static_cast<std::uint32_t>(__builtin_ctzll(bits));
        Candidate& c = scratch.candidates[low];
        if (!Holds(setUp, low)) {
          SetUpCandidate(walk, low, c);
          setUp[w] |= 1ULL << (low % 64U);
        }
        if (!NoneSmaller(c, branch.placed + 1, branch.unplaced, Placed(branch.rows, low << 1U))) {
          survivors[w] &= ~(1ULL << (low % 64U));
        }
      }
    }
  }
  for (std::size_t w = 0; w < 2; ++w) {
    for (std::uint64_t bits = survivors[w]; bits != 0; bits &= bits - 1) {
      const std::uint32_t low =
          static_cast<std::uint32_t>(64U * w) + static_cast<std::uint32_t>(__builtin_ctzll(bits));
      minima.push_back(static_cast<EdgeCode>((p << static_cast<unsigned>(last)) | low));
    }
  }
}

}  // namespace

std::vector<EdgeCode> ClassMinima(std::int32_t order) {
  std::vector<EdgeCode> minima{0};  // order 1: the single node
  Scratch scratch;
  for (std::int32_t last = 1; last < order; ++last) {
    std::vector<EdgeCode> next;
    for (const EdgeCode p : minima) {
      AddMinimaOfPrefix(last, static_cast<std::uint32_t>(p), scratch, next);
    }
    minima = std::move(next);
  }
  return minima;
}

}  // namespace grafen
