#include "spectral/canonical.h"

// nauty's one-word build (libnautyL1: 64-bit set words, at most 64 nodes, its
// work space thread-local), which holds every order read here in one word a
// row.
#define WORDSIZE 64
#define MAXN WORDSIZE
#include <nauty/nauty.h>

#include <array>
#include <cstddef>

#include "formats/graph6.h"

namespace grafen::spectral {

static_assert(kMaxOrder <= MAXN, "a graph's rows must fit one set word each");

std::string CanonicalForm(int order, const std::vector<Edge>& edges) {
  std::array<graph, MAXN> g{};
  std::array<graph, MAXN> canonical{};
  std::array<int, MAXN> lab{};
  std::array<int, MAXN> ptn{};
  std::array<int, MAXN> orbits{};
  DEFAULTOPTIONS_GRAPH(options);
  options.getcanon = TRUE;
  statsblk stats;
  for (const Edge& e : edges) {
    ADDONEEDGE(g.data(), e.i - 1, e.j - 1, 1);
  }
  densenauty(g.data(), lab.data(), ptn.data(), orbits.data(), &options, &stats, 1, order,
             canonical.data());
  std::vector<Edge> relabelled;
  relabelled.reserve(edges.size());
  for (int i = 0; i < order; ++i) {
    for (int j = i + 1; j < order; ++j) {
      if (ISELEMENT(GRAPHROW(canonical.data(), i, 1), j)) relabelled.push_back(Edge{i + 1, j + 1});
    }
  }
  return Graph6(order, relabelled);
}

}  // namespace grafen::spectral
