#include "census/census.h"

#include <flint/flint.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <future>
#include <map>
#include <stdexcept>
#include <utility>

#include "algebra/factoring.h"
#include "formats/graph6.h"
#include "formats/graph_reader.h"
#include "io/parallel.h"
#include "spectral/cospectral_index.h"

namespace grafen::census {

using spectral::SpectralMatrix;

using spectral::SpectralMatrix;

namespace {

// Graphs read before their facts are worked out, on every thread at once.
constexpr std::size_t kBatch = 4096;

// The keys that split an edge count into parts, one per matrix: the traces
// of its square, cube and fourth power, sums of powers of its eigenvalues, so
// that cospectral graphs share them, and spread over many values, so that
// the parts come out even. With d the degrees, t the triangles, and for two
// distinct nodes a their adjacency, c their common neighbours and s = d + d':
//   A:    2m,         6t,                       sum d^2 + sum c^2
//   L, Q: sum d^2 + 2m, sum d^3 + 3 sum d^2 -+ 6t, sum (d^2 + d)^2 + sum (c -+ s a)^2
// (the pair sums over ordered pairs; L takes the minus signs). Worked out for
// every graph read, in one pass for all three: for a part of a large split
// this is most of the work, so it is also built for processors with a
// popcount instruction, chosen when the program starts.
struct SplitKeys {
  std::uint64_t adjacency = 0;
  std::uint64_t laplacian = 0;
  std::uint64_t signless = 0;
  std::uint64_t of(SpectralMatrix matrix) const {
    return matrix == SpectralMatrix::kAdjacency   ? adjacency
           : matrix == SpectralMatrix::kLaplacian ? laplacian
                                                  : signless;
  }
};

__attribute__((target_clones("default", "popcnt"))) SplitKeys SplitKeysOf(const ListedGraph& graph,
                                                                          int order) {
  std::array<std::uint64_t, 64> rows{};  // adjacency rows as bits
  for (const Edge& e : graph.edges) {
    rows[static_cast<std::size_t>(e.i - 1)] |= std::uint64_t{1} << (e.j - 1);
    rows[static_cast<std::size_t>(e.j - 1)] |= std::uint64_t{1} << (e.i - 1);
  }
  const auto n = static_cast<std::size_t>(order);
  std::array<std::int64_t, 64> degree{};
  std::int64_t squares = 0;
  std::int64_t cubes = 0;
  std::int64_t diagonal4 = 0;  // the diagonal of the fourth power of L or Q
  for (std::size_t v = 0; v < n; ++v) {
    const std::int64_t d = __builtin_popcountll(rows[v]);
    degree[v] = d;
    squares += d * d;
    cubes += d * d * d;
    diagonal4 += (d * d + d) * (d * d + d);
  }
  std::int64_t common2 = 0;     // sum of c^2 over unordered pairs
  std::int64_t triangles = 0;   // 3t: sum of c over the edges
  std::int64_t edgeCommon = 0;  // sum of c s over the edges
  std::int64_t edgeSum2 = 0;    // sum of s^2 over the edges
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      const std::int64_t c = __builtin_popcountll(rows[i] & rows[j]);
      common2 += c * c;
      if ((rows[i] >> j & 1U) != 0) {
        const std::int64_t sum = degree[i] + degree[j];
        triangles += c;
        edgeCommon += c * sum;
        edgeSum2 += sum * sum;
      }
    }
  }
  const auto key = [](std::int64_t trace2, std::int64_t trace3, std::int64_t trace4) {
    return (static_cast<std::uint64_t>(trace2) * 1000003U + static_cast<std::uint64_t>(trace3)) *
               1000003U +
           static_cast<std::uint64_t>(trace4);
  };
  const auto edges2 = static_cast<std::int64_t>(graph.edges.size()) * 2;
  const std::int64_t cubeL = cubes + 3 * squares;
  const std::int64_t fourthL = diagonal4 + 2 * common2 + 2 * edgeSum2;
  return SplitKeys{key(edges2, 2 * triangles, squares + 2 * common2),
                   key(squares + edges2, cubeL - 2 * triangles, fourthL - 4 * edgeCommon),
                   key(squares + edges2, cubeL + 2 * triangles, fourthL + 4 * edgeCommon)};
}

// 128-bit integers, for values of polynomials of degree up to 13 at their
// integer candidates, exactly.
__extension__ using Wide = __int128;

// Whether every root of the monic polynomial (coefficients highest first,
// degree n <= 13, roots real and their integer ones in [low, high]) is an
// integer: each integer root divided out, exactly, until none is left.
bool AllIntegerRoots(const std::int64_t* coefficients, int n, long low, long high) {
  std::array<Wide, spectral::kWrappingOrder + 1> p{};
  for (int k = 0; k <= n; ++k) p[static_cast<std::size_t>(k)] = coefficients[k];
  int degree = n;
  for (long r = low; r <= high && degree > 0; ++r) {
    while (degree > 0) {
      // Most candidates are no root, as their value modulo 2^64 shows.
      std::uint64_t wrapped = 0;
      for (int k = 0; k <= degree; ++k) {
        wrapped = wrapped * static_cast<std::uint64_t>(r) +
                  static_cast<std::uint64_t>(p[static_cast<std::size_t>(k)]);
      }
      if (wrapped != 0) break;
      Wide value = 0;
      for (int k = 0; k <= degree; ++k) value = value * r + p[static_cast<std::size_t>(k)];
      if (value != 0) break;
      Wide carry = 0;  // synthetic division by x - r
      for (int k = 0; k < degree; ++k) {
        carry = carry * r + p[static_cast<std::size_t>(k)];
        p[static_cast<std::size_t>(k)] = carry;
      }
      --degree;
    }
  }
  return degree == 0;
}

// The exact key of the graph's characteristic polynomial (its order, then
// its coefficients) and whether the graph is integral for the matrix.
void ExactFacts(SpectralMatrix matrix, const ListedGraph& graph, int order, std::string& key,
                bool& integral) {
  const auto [low, high] = spectral::RangeOf(matrix, order);
  key.assign(1, static_cast<char>(order));
  if (std::array<std::int64_t, spectral::kWrappingOrder + 1> small{};
      spectral::SmallCharpoly(matrix, order, graph.edges, small)) {
    // Compact, as the keys of graphs that share a hash are kept: every
    // coefficient but the leading 1 in zigzag base-128 digits, which mark
    // their own end, so that equal keys are equal polynomials.
    for (int k = 1; k <= order; ++k) {
      const auto c = static_cast<std::uint64_t>(small[static_cast<std::size_t>(k)]);
      std::uint64_t zigzag = (c << 1) ^ (small[static_cast<std::size_t>(k)] < 0 ? ~0ULL : 0ULL);
      for (; zigzag >= 0x80; zigzag >>= 7) key.push_back(static_cast<char>(0x80 | (zigzag & 0x7f)));
      key.push_back(static_cast<char>(zigzag));
    }
    integral = AllIntegerRoots(small.data(), order, low, high);
    return;
  }
  const algebra::Polynomial charpoly = spectral::Charpoly(matrix, order, graph.edges);
  for (long k = order; k >= 0; --k) {
    key.push_back(',');
    key.append(algebra::IntegerText(charpoly.coefficient(k)));
  }
  integral = algebra::Factorise(charpoly, low, high, {}).factors.empty();
}

// The facts of one graph for one matrix, worked out on a helper thread.
struct Facts {
  bool inPart = false;
  bool integral = false;
  std::string key;
  std::uint64_t hash = 0;  // of the key, worked out with it on a helper thread
};

// A batch of graphs and their facts, matrix by matrix.
struct Batch {
  std::vector<ListedGraph> graphs;
  std::vector<int> orders;
  std::vector<Facts> facts;               // graph k, matrix m at k * matrices + m
  std::vector<std::uint64_t> textHashes;  // of each graph's graph6 text
  std::size_t count = 0;
};

// What is kept of each matrix: the spectra of the graphs of its part, their
// edge-count groups, stream numbers and integrality.
struct MatrixCensus {
  SpectralMatrix matrix;
  spectral::CospectralIndex index;
  std::vector<std::uint16_t> group;  // by part number - 1 (orders <= 62: 39773 groups at most)
  std::vector<bool> integral;        // by part number - 1
  std::int64_t seen = 0;             // part graphs met in the current reading
};

std::uint64_t Mix(std::uint64_t x) {  // splitmix64's finaliser
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

std::uint64_t TextHash(const std::string& text) {
  std::uint64_t h = 0xcbf29ce484222325ULL;  // FNV-1a
  for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  return Mix(h);
}

// Reads the input once more, each graph (with its order) to `take` in
// batches of kBatch: first `prepare` on every thread, then `take` in order,
// then `taken` with the whole batch.
// Returns the print of the whole reading, which every reading must share.
InputPrint ReadBatches(io::ReplayableInput& input, int order, const CensusRequest& request,
                       const std::function<void(Batch&, std::size_t)>& prepare,
                       const std::function<void(Batch&, std::size_t)>& take,
                       const std::function<void(Batch&)>& taken = {}) {
  // Two batches: one computed in the background while the other is read.
  std::array<Batch, 2> batches;
  for (Batch& batch : batches) {
    batch.facts.resize(kBatch * request.matrices.size());
    batch.textHashes.resize(kBatch);
  }
  Batch* gathering = &batches[0];
  Batch* computing = &batches[1];
  std::future<void> computed;  // joined when it goes, on a failure too
  InputPrint print;
  std::int64_t read = 0;
  const auto takeComputed = [&] {
    if (!computed.valid()) return;
    computed.get();  // raises a helper's failure here
    Batch& batch = *computing;
    for (std::size_t k = 0; k < batch.count; ++k) {
      ++print.graphs;
      print.hashSum += batch.textHashes[k];
      take(batch, k);
    }
    if (taken) taken(batch);
    read += static_cast<std::int64_t>(batch.count);
    batch.count = 0;
    if (request.progress) request.progress(read);
  };
  const auto start = [&] {
    takeComputed();
    std::swap(gathering, computing);
    Batch& batch = *computing;
    computed = std::async(std::launch::async, [&request, &prepare, &batch] {
      io::ParallelFor(batch.count, request.threads, [&](std::size_t k) {
        batch.textHashes[k] = TextHash(Graph6(batch.orders[k], batch.graphs[k].edges));
        prepare(batch, k);
      });
      flint_cleanup();
    });
  };
  GraphReader reader(order != 0 ? order : kMaxOrder, [&](ListedGraph& graph) {
    if (gathering->count == kBatch) start();
    Batch& batch = *gathering;
    if (batch.count == batch.graphs.size()) {
      batch.graphs.emplace_back();
      batch.orders.push_back(0);
    }
    std::swap(batch.graphs[batch.count].edges, graph.edges);
    batch.graphs[batch.count].number = graph.number;
    if (graph.order == 0 && order == 0) {
      throw EdgeListError(0, "an edge list needs its order: give --order N");
    }
    batch.orders[batch.count] = graph.order != 0 ? graph.order : order;
    ++batch.count;
  });
  input.Read([&reader](std::string_view block) { reader.Feed(block); });
  reader.Finish();
  start();
  takeComputed();
  return print;
}

// The input gave other graphs in a later reading than in the first.
[[noreturn]] void Changed() { throw std::runtime_error("changed while being read"); }

}  // namespace

int PartOf(std::uint64_t key, int parts) {
  return static_cast<int>(Mix(key + 0x9e3779b97f4a7c15ULL) % static_cast<std::uint64_t>(parts)) + 1;
}

std::vector<CensusRow> TakeCensus(io::ReplayableInput& input, const CensusRequest& request,
                                  std::string* families) {
  const std::size_t matrices = request.matrices.size();
  std::vector<MatrixCensus> census;
  for (const SpectralMatrix m : request.matrices) census.push_back(MatrixCensus{m, {}, {}, {}, 0});
  std::map<std::pair<int, int>, std::uint32_t> groupOf;  // (order, edges) -> group
  std::vector<std::pair<std::pair<int, int>, InputPrint>> groups;
  // The request's matrices that count a graph in this part: bit m for the m-th.
  const auto inPart = [&request](const ListedGraph& g, int order) {
    if (request.part.whole()) return ~0U;
    const SplitKeys keys = SplitKeysOf(g, order);
    unsigned counted = 0;
    for (std::size_t m = 0; m < request.matrices.size(); ++m) {
      if (PartOf(keys.of(request.matrices[m]), request.part.count) == request.part.index) {
        counted |= 1U << m;
      }
    }
    return counted;
  };

  // First reading: the groups and their prints; every part graph's hash.
  const InputPrint firstPrint = ReadBatches(
      input, request.order, request,
      [&](Batch& batch, std::size_t k) {
        const unsigned counted = inPart(batch.graphs[k], batch.orders[k]);
        for (std::size_t m = 0; m < matrices; ++m) {
          Facts& facts = batch.facts[k * matrices + m];
          facts.inPart = (counted >> m & 1U) != 0;
          if (facts.inPart) {
            ExactFacts(request.matrices[m], batch.graphs[k], batch.orders[k], facts.key,
                       facts.integral);
            facts.hash = spectral::CospectralIndex::HashOf(facts.key);
          }
        }
      },
      [&](Batch& batch, std::size_t k) {
        const ListedGraph& graph = batch.graphs[k];
        const int order = batch.orders[k];
        const std::pair<int, int> at{order, static_cast<int>(graph.edges.size())};
        auto [found, fresh] = groupOf.try_emplace(at, static_cast<std::uint32_t>(groups.size()));
        if (fresh) groups.emplace_back(at, InputPrint{});
        InputPrint& print = groups[found->second].second;
        ++print.graphs;
        print.hashSum += batch.textHashes[k];
        for (std::size_t m = 0; m < matrices; ++m) {
          const Facts& facts = batch.facts[k * matrices + m];
          if (!facts.inPart) continue;
          MatrixCensus& c = census[m];
          c.index.AddHashed(facts.hash);
          c.group.push_back(static_cast<std::uint16_t>(found->second));
          c.integral.push_back(facts.integral);
        }
      });

  // Second reading, when hashes are shared: the exact keys of those graphs.
  // Each matrix's index grouped on a thread of its own.
  bool again = false;
  {
    std::vector<std::future<bool>> grouped;
    grouped.reserve(census.size());
    for (MatrixCensus& c : census) {
      grouped.push_back(std::async(std::launch::async, [&c] { return c.index.Group(); }));
    }
    for (std::future<bool>& g : grouped) again = g.get() || again;
  }
  if (again) {
    struct Wanted {
      std::size_t graph;
      std::size_t matrix;
      std::int64_t number;
    };
    std::vector<Wanted> wanted;  // of the batch being taken
    const InputPrint second = ReadBatches(
        input, request.order, request,
        [&](Batch& batch, std::size_t k) {
          const unsigned counted = inPart(batch.graphs[k], batch.orders[k]);
          for (std::size_t m = 0; m < matrices; ++m) {
            Facts& facts = batch.facts[k * matrices + m];
            facts.inPart = (counted >> m & 1U) != 0;
            facts.key.clear();
          }
        },
        [&](const Batch& batch, std::size_t k) {
          for (std::size_t m = 0; m < matrices; ++m) {
            const Facts& facts = batch.facts[k * matrices + m];
            if (!facts.inPart) continue;
            MatrixCensus& c = census[m];
            const std::int64_t number = ++c.seen;
            if (number > c.index.graphs()) Changed();
            if (c.index.WantsKey(number)) wanted.push_back(Wanted{k, m, number});
          }
        },
        [&](Batch& batch) {
          // The keys wanted of this batch, worked out on every thread.
          io::ParallelFor(wanted.size(), request.threads, [&](std::size_t w) {
            const Wanted& want = wanted[w];
            bool integral = false;
            ExactFacts(request.matrices[want.matrix], batch.graphs[want.graph],
                       batch.orders[want.graph],
                       batch.facts[want.graph * matrices + want.matrix].key, integral);
          });
          for (const Wanted& want : wanted) {
            census[want.matrix].index.AddKey(want.number,
                                             batch.facts[want.graph * matrices + want.matrix].key);
          }
          wanted.clear();
        });
    if (!(second == firstPrint)) Changed();
  }

  // The counts of each group.
  std::vector<CensusRow> rows;
  for (MatrixCensus& c : census) {
    c.index.Seal();
    std::vector<CensusRow> counts(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
      counts[g].matrix = spectral::MatrixLetter(c.matrix);
      counts[g].order = groups[g].first.first;
      counts[g].edges = groups[g].first.second;
      counts[g].part = request.part;
      counts[g].input = groups[g].second;
    }
    for (std::int64_t p = 1; p <= c.index.graphs(); ++p) {
      CensusRow& row = counts[c.group[static_cast<std::size_t>(p - 1)]];
      ++row.graphs;
      row.integral += c.integral[static_cast<std::size_t>(p - 1)] ? 1 : 0;
      const std::span<const std::uint32_t> family = c.index.Family(p);
      if (family.empty()) {
        ++row.distinctSpectra;
        continue;
      }
      ++row.withMate;
      if (family.front() == p) {
        ++row.families;
        ++row.distinctSpectra;
        row.largestFamily = std::max(row.largestFamily, static_cast<std::int64_t>(family.size()));
      }
    }
    rows.insert(rows.end(), counts.begin(), counts.end());
    if (families == nullptr) c = MatrixCensus{c.matrix, {}, {}, {}, 0};  // its room for the next
  }

  if (families != nullptr && matrices == 1) {
    // Third reading: the graph6 lines of the graphs in families.
    MatrixCensus& c = census.front();
    std::map<std::uint32_t, std::string> lines;  // by part number
    std::int64_t p = 0;
    const InputPrint third = ReadBatches(
        input, request.order, request, [](Batch&, std::size_t) {},
        [&](Batch& batch, std::size_t k) {
          if (inPart(batch.graphs[k], batch.orders[k]) == 0) return;
          if (++p > c.index.graphs()) Changed();
          if (!c.index.Family(p).empty()) {
            lines[static_cast<std::uint32_t>(p)] = Graph6(batch.orders[k], batch.graphs[k].edges);
          }
        });
    if (!(third == firstPrint)) Changed();
    // Family by family, ordered by order, edges and first member.
    std::vector<std::pair<std::pair<std::pair<int, int>, std::uint32_t>, std::uint32_t>> firsts;
    for (const auto& [member, line] : lines) {
      const std::span<const std::uint32_t> family = c.index.Family(member);
      if (family.front() == member) {
        firsts.push_back({{groups[c.group[member - 1]].first, member}, member});
      }
    }
    std::sort(firsts.begin(), firsts.end());
    for (const auto& first : firsts) {
      for (const std::uint32_t member : c.index.Family(first.second)) {
        families->append(lines[member]).push_back('\n');
      }
      families->push_back('\n');
    }
  }
  return rows;
}

}  // namespace grafen::census
