#include "enumeration/fast_sieve.h"

#include <array>
#include <vector>

#include "enumeration/codes.h"

// Why only a few codes need looking at.
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
// So the scan visits only codes whose (n-1)-prefix is a class minimum of
// order n-1 (1044 prefixes of 2^21 for order 8, 128 codes each), and a
// representative marks only those of its relabellings whose k-prefixes are
// class minima of order k for every k < n: no other code is ever tested. The
// relabellings are built from the top label down, one node per label, so a
// prefix that fails its order's table cuts off all relabellings below it at
// once. The class minima of each lower order come from running the same
// sieve for that order first.
//
// Correctness of the scan: codes are visited in increasing order, and each
// representative marks all its admissible relabellings above itself. A
// visited code c that is not its class minimum m has m < c, m admissible by
// the fact above, so m was visited first and marked c. Hence an unmarked
// visited code is a class minimum, and every class minimum is visited.
//
// Two more cuts in the walk over relabellings, each argued where it is made:
// twins are placed in one order only, and leading nodes must be as sparse as
// the graph's largest independent sets say the admissible images are.

namespace grafen {

namespace {

// One bit per code of an order: the class minima of that order.
using CodeTable = std::vector<std::uint32_t>;

bool InTable(const std::uint32_t* table, std::uint32_t code) {
  return ((table[code / 32U] >> (code % 32U)) & 1U) != 0;
}

// What the walk over one representative's relabellings needs.
struct ClassWalk {
  std::int32_t order;
  std::array<std::uint32_t, MaxOrder> neighbours;     // bit u: node u adjacent (0-based)
  std::array<std::uint32_t, MaxOrder> lowerTwins;     // twins of the node with smaller numbers
  std::array<const std::uint32_t*, MaxOrder> minima;  // minima[k]: table of order k < order
  std::int32_t independence;                          // most nodes without an edge among them
  std::uint32_t inEveryLargest;                       // nodes in every independent set of that size
  WordSet* seen;
  std::uint32_t representative;
};

// rows[u]: the adjacency of unplaced node u to the placed nodes, first placed
// in the most significant bit: the row u would add to the prefix.
using Rows = std::array<std::uint32_t, MaxOrder>;

// Places one more node in every admissible way, marking full relabellings.
// Recursion depth is at most the order (8).
void PlaceNext(const ClassWalk& walk, std::int32_t placed, std::uint32_t prefix,
               std::uint32_t unplaced, const Rows& rows) {
  const std::int32_t count = placed + 1;
  for (std::uint32_t rest = unplaced; rest != 0; rest &= rest - 1) {
    const auto node = static_cast<unsigned>(__builtin_ctz(rest));
    if ((walk.lowerTwins[node] & unplaced) != 0) continue;
    const std::uint32_t next = (prefix << placed) | rows[node];
    if (count == walk.order) {
      if (next > walk.representative) MarkIn(*walk.seen, static_cast<EdgeCode>(next));
      continue;
    }
    const std::uint32_t left = unplaced & ~(1U << node);
    // An admissible image's (n-1)-prefix is the smallest code of H, the graph
    // less the node placed last; so its k-prefix is the smallest pattern of
    // any k nodes of H (any k nodes can take the top labels). That pattern is
    // all zeros when H has k independent nodes: always when k is below the
    // independence number, and when equal unless the node placed last lies
    // in every largest independent set.
    if (next != 0 && count <= walk.independence &&
        (count < walk.independence || (walk.inEveryLargest & left) == 0)) {
      continue;
    }
    if (!InTable(walk.minima[static_cast<std::size_t>(count)], next)) continue;
    Rows nextRows{};
    for (std::uint32_t other = left; other != 0; other &= other - 1) {
      const auto u = static_cast<unsigned>(__builtin_ctz(other));
      nextRows[u] = (rows[u] << 1) | ((walk.neighbours[node] >> u) & 1U);
    }
    PlaceNext(walk, count, next, left, nextRows);
  }
}

// Sets the independence number and the nodes in every largest independent set,
// going through the node sets in increasing order: a set is independent when
// it is without its lowest node and that node has no neighbour in it.
void FindLargestIndependentSets(ClassWalk& walk) {
  const std::uint32_t sets = 1U << static_cast<unsigned>(walk.order);
  std::array<bool, 1U << MaxOrder> independent{};
  independent[0] = true;
  walk.independence = 0;
  walk.inEveryLargest = 0;
  for (std::uint32_t set = 1; set < sets; ++set) {
    const auto lowest = static_cast<unsigned>(__builtin_ctz(set));
    independent[set] = independent[set & (set - 1)] && (walk.neighbours[lowest] & set) == 0;
    if (!independent[set]) continue;
    const int size = __builtin_popcount(set);
    if (size > walk.independence) {
      walk.independence = size;
      walk.inEveryLargest = set;
    } else if (size == walk.independence) {
      walk.inEveryLargest &= set;
    }
  }
}

// Marks the admissible relabellings of a class minimum above it.
void MarkAdmissible(std::int32_t order, std::uint32_t code, const std::vector<CodeTable>& minima,
                    WordSet& seen) {
  ClassWalk walk{order, {}, {}, {}, 0, 0, &seen, code};
  for (std::size_t k = 1; k < minima.size(); ++k) walk.minima[k] = minima[k].data();
  std::uint32_t bit = 0;
  for (std::int32_t i = 0; i < order; ++i) {
    for (std::int32_t j = i + 1; j < order; ++j, ++bit) {
      if (((code >> bit) & 1U) != 0) {
        walk.neighbours[static_cast<std::size_t>(i)] |= 1U << static_cast<unsigned>(j);
        walk.neighbours[static_cast<std::size_t>(j)] |= 1U << static_cast<unsigned>(i);
      }
    }
  }
  // Twins (same neighbours apart from each other) can trade places without
  // changing the graph, so orderings that differ only in the order of twins
  // give the same relabellings: place twins in increasing node order only.
  for (std::int32_t u = 0; u < order; ++u) {
    for (std::int32_t v = 0; v < u; ++v) {
      const std::uint32_t both =
          (1U << static_cast<unsigned>(u)) | (1U << static_cast<unsigned>(v));
      const auto uu = static_cast<std::size_t>(u);
      const auto vv = static_cast<std::size_t>(v);
      if (((walk.neighbours[uu] ^ walk.neighbours[vv]) & ~both) == 0) {
        walk.lowerTwins[uu] |= 1U << static_cast<unsigned>(v);
      }
    }
  }
  FindLargestIndependentSets(walk);
  PlaceNext(walk, 0, 0, (1U << static_cast<unsigned>(order)) - 1U, Rows{});
}

// Scans the admissible codes of an order (2..8) in increasing order and calls
// visit for each class minimum; minima holds the tables of all lower orders.
void ScanOrder(std::int32_t order, const std::vector<CodeTable>& minima, WordSet& seen,
               const std::function<void(EdgeCode)>& visit) {
  const CodeTable& prefixes = minima[static_cast<std::size_t>(order - 1)];
  const auto lowBits = static_cast<unsigned>(order - 1);
  const std::uint32_t prefixCount = 1U << static_cast<unsigned>(MaxEdgesOf(order - 1));
  for (std::uint32_t prefix = 0; prefix < prefixCount; ++prefix) {
    if (!InTable(prefixes.data(), prefix)) continue;
    for (std::uint32_t low = 0; low < (1U << lowBits); ++low) {
      const std::uint32_t code = (prefix << lowBits) | low;
      if (IsIn(seen, static_cast<EdgeCode>(code))) continue;
      MarkAdmissible(order, code, minima, seen);
      visit(static_cast<EdgeCode>(code));
    }
  }
}

CodeTable EmptyTable(std::int32_t order) {
  return CodeTable((static_cast<std::size_t>(1) << MaxEdgesOf(order)) / 32U + 1U, 0U);
}

}  // namespace

void ForEachClassMinimum(std::int32_t order, WordSet& seen,
                         const std::function<void(EdgeCode)>& visit) {
  if (order <= 1) {
    visit(0);
    return;
  }
  // minima[k] for k = 1 .. order-1, each found by the sieve of its own order
  // with its own scratch seen set; minima[0] is unused.
  std::vector<CodeTable> minima(static_cast<std::size_t>(order));
  minima[1] = EmptyTable(1);
  minima[1][0] = 1U;
  for (std::int32_t k = 2; k < order; ++k) {
    CodeTable scratch = EmptyTable(k);
    WordSet scratchSet{scratch.data(), scratch.size()};
    CodeTable table = EmptyTable(k);
    WordSet tableSet{table.data(), table.size()};
    ScanOrder(k, minima, scratchSet, [&tableSet](EdgeCode code) { MarkIn(tableSet, code); });
    minima[static_cast<std::size_t>(k)] = std::move(table);
  }
  ScanOrder(order, minima, seen, visit);
}

}  // namespace grafen
