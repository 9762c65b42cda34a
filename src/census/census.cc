#include "census/census.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <future>
#include <map>
#include <span>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "algebra/factoring.h"
#include "formats/graph6.h"
#include "formats/graph_reader.h"
#include "io/batch_pipeline.h"
#include "io/parallel.h"
#include "spectral/cospectral_index.h"
#include "spectral/trace_keys.h"

namespace grafen::census {

using spectral::SpectralMatrix;

namespace {

// Graphs read before their facts are worked out, on every thread at once.
constexpr std::size_t kBatch = 4096;

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

// A graph of a batch and its facts, matrix by matrix.
struct GraphFacts {
  ListedGraph graph;  // room kept from batch to batch
  int order = 0;
  std::uint64_t textHash = 0;  // of the graph's graph6 text
  std::vector<Facts> facts;    // by the request's matrices
};

// Where a census row counts a graph: its order and edge count.
struct EdgeCount {
  int order = 0;
  int edges = 0;
  bool operator<(const EdgeCount& other) const {
    return std::tie(order, edges) < std::tie(other.order, other.edges);
  }
};

// The graphs of one order and edge count met in the first reading.
struct EdgeGroup {
  EdgeCount at;
  InputPrint print;
};

// Where a cospectral family stands in the families file: by order, edge
// count and first member.
struct FamilyStart {
  EdgeCount at;
  std::uint32_t first = 0;
  bool operator<(const FamilyStart& other) const {
    return std::tie(at, first) < std::tie(other.at, other.first);
  }
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

// The hash of a graph's graph6 text, for the prints of the input.
std::uint64_t TextHash(const std::string& text) {
  std::uint64_t h = 0xcbf29ce484222325ULL;  // FNV-1a
  for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  return Mix(h);
}

// What one reading does with each graph: `prepare` on a helper thread, then
// `take` in the graphs' order, then `taken` with the whole batch (if given).
struct Reading {
  std::function<void(GraphFacts&)> prepare;
  std::function<void(GraphFacts&)> take;
  std::function<void(std::span<GraphFacts>)> taken;
};

// Reads the input once more, each graph (with its order) through `reading`
// in batches of kBatch. Returns the print of the whole reading, which every
// reading must share. Throws what the readers and the steps do.
InputPrint ReadBatches(io::ReplayableInput& input, const CensusRequest& request,
                       const Reading& reading) {
  InputPrint print;
  std::int64_t read = 0;
  io::BatchPipeline<GraphFacts> pipeline(kBatch, request.threads, io::Taking::kBeforeComputing,
                                         {[&reading](GraphFacts& g) {
                                            g.textHash = TextHash(Graph6(g.order, g.graph.edges));
                                            reading.prepare(g);
                                          },
                                          [&](GraphFacts& g) {
                                            ++print.graphs;
                                            print.hashSum += g.textHash;
                                            reading.take(g);
                                          },
                                          [&](std::span<GraphFacts> batch) {
                                            if (reading.taken) reading.taken(batch);
                                            read += static_cast<std::int64_t>(batch.size());
                                            if (request.progress) request.progress(read);
                                          }});
  const int order = request.order;
  const std::size_t matrices = request.matrices.size();
  GraphReader reader(order != 0 ? order : kMaxOrder, [&](ListedGraph& graph) {
    GraphFacts& slot = pipeline.Add();
    if (slot.facts.size() != matrices) slot.facts.resize(matrices);
    std::swap(slot.graph.edges, graph.edges);
    slot.graph.number = graph.number;
    if (graph.order == 0 && order == 0) {
      throw EdgeListError(0, "an edge list needs its order: give --order N");
    }
    slot.order = graph.order != 0 ? graph.order : order;
  });
  input.Read([&reader](std::string_view block) { reader.Feed(block); });
  reader.Finish();
  pipeline.Finish();
  return print;
}

// The input gave other graphs in a later reading than in the first.
[[noreturn]] void Changed() { throw std::runtime_error("changed while being read"); }

// The census of one input, reading by reading: the first counts the groups
// and hashes every part graph's polynomial, the second (when hashes are
// shared) gives the exact keys of those graphs, the counts follow, and a
// third reading gives the graph6 lines of the families when asked for.
class CensusTaker {
 public:
  CensusTaker(io::ReplayableInput& input, const CensusRequest& request)
      : input_(input), request_(request) {
    for (const SpectralMatrix m : request.matrices) {
      census_.push_back(MatrixCensus{m, {}, {}, {}, 0});
    }
  }

  // First reading: the groups and their prints; every part graph's hash.
  // Returns the reading's print.
  InputPrint IndexHashes();
  // Ends the first reading; whether the second is wanted.
  bool Group();
  // Second reading: the exact keys of the graphs whose hashes are shared;
  // the reading's print.
  InputPrint IndexKeys();
  // The counts of each group, matrix after matrix; each matrix's census is
  // freed as it is counted unless `keep`.
  std::vector<CensusRow> Rows(bool keep);
  // Third reading, for the one matrix: the graph6 lines of the graphs in
  // families, family after family (an empty line after each), to `families`
  // once the reading's print is checked against `first`.
  void WriteFamilies(const InputPrint& first, std::string& families);

 private:
  // The request's matrices that count a graph in this part: bit m for the m-th.
  unsigned InPart(const ListedGraph& graph, int order) const;
  // Marks which of the graph's facts are in the part.
  void MarkInPart(GraphFacts& g) const;
  // Adds the graph to its group, and its facts to each matrix's index.
  void TakeHashes(const GraphFacts& g);

  // A key wanted in the second reading: the graph of the batch being taken,
  // the matrix and the graph's number among that matrix's part graphs.
  struct Wanted {
    GraphFacts* graph;
    std::size_t matrix;
    std::int64_t number;
  };
  // Works out the keys wanted of a batch on every thread and adds them.
  void AddWantedKeys();

  io::ReplayableInput& input_;
  const CensusRequest& request_;
  std::vector<MatrixCensus> census_;
  std::map<EdgeCount, std::uint32_t> groupOf_;  // index into groups_
  std::vector<EdgeGroup> groups_;
  std::vector<Wanted> wanted_;  // of the batch being taken
};

unsigned CensusTaker::InPart(const ListedGraph& graph, int order) const {
  if (request_.part.whole()) return ~0U;
  const spectral::TraceKeys keys = spectral::TraceKeysOf(graph, order);
  unsigned counted = 0;
  for (std::size_t m = 0; m < request_.matrices.size(); ++m) {
    if (PartOf(keys.of(request_.matrices[m]), request_.part.count) == request_.part.index) {
      counted |= 1U << m;
    }
  }
  return counted;
}

void CensusTaker::MarkInPart(GraphFacts& g) const {
  const unsigned counted = InPart(g.graph, g.order);
  for (std::size_t m = 0; m < g.facts.size(); ++m) g.facts[m].inPart = (counted >> m & 1U) != 0;
}

void CensusTaker::TakeHashes(const GraphFacts& g) {
  const EdgeCount at{g.order, static_cast<int>(g.graph.edges.size())};
  auto [found, fresh] = groupOf_.try_emplace(at, static_cast<std::uint32_t>(groups_.size()));
  if (fresh) groups_.push_back(EdgeGroup{at, InputPrint{}});
  InputPrint& print = groups_[found->second].print;
  ++print.graphs;
  print.hashSum += g.textHash;
  for (std::size_t m = 0; m < census_.size(); ++m) {
    const Facts& facts = g.facts[m];
    if (!facts.inPart) continue;
    MatrixCensus& c = census_[m];
    c.index.AddHashed(facts.hash);
    c.group.push_back(static_cast<std::uint16_t>(found->second));
    c.integral.push_back(facts.integral);
  }
}

InputPrint CensusTaker::IndexHashes() {
  return ReadBatches(input_, request_,
                     {[this](GraphFacts& g) {
                        MarkInPart(g);
                        for (std::size_t m = 0; m < g.facts.size(); ++m) {
                          Facts& facts = g.facts[m];
                          if (!facts.inPart) continue;
                          ExactFacts(request_.matrices[m], g.graph, g.order, facts.key,
                                     facts.integral);
                          facts.hash = spectral::CospectralIndex::HashOf(facts.key);
                        }
                      },
                      [this](const GraphFacts& g) { TakeHashes(g); },
                      {}});
}

bool CensusTaker::Group() {
  // Each matrix's index grouped on a thread of its own.
  std::vector<std::future<bool>> grouped;
  grouped.reserve(census_.size());
  for (MatrixCensus& c : census_) {
    grouped.push_back(std::async(std::launch::async, [&c] { return c.index.Group(); }));
  }
  bool again = false;
  for (std::future<bool>& g : grouped) again = g.get() || again;
  return again;
}

void CensusTaker::AddWantedKeys() {
  io::ParallelFor(wanted_.size(), request_.threads, [this](std::size_t w) {
    const Wanted& want = wanted_[w];
    bool integral = false;
    ExactFacts(request_.matrices[want.matrix], want.graph->graph, want.graph->order,
               want.graph->facts[want.matrix].key, integral);
  });
  for (const Wanted& want : wanted_) {
    census_[want.matrix].index.AddKey(want.number, want.graph->facts[want.matrix].key);
  }
  wanted_.clear();
}

InputPrint CensusTaker::IndexKeys() {
  return ReadBatches(input_, request_,
                     {[this](GraphFacts& g) {
                        MarkInPart(g);
                        for (Facts& facts : g.facts) facts.key.clear();
                      },
                      [this](GraphFacts& g) {
                        for (std::size_t m = 0; m < census_.size(); ++m) {
                          if (!g.facts[m].inPart) continue;
                          MatrixCensus& c = census_[m];
                          const std::int64_t number = ++c.seen;
                          if (number > c.index.graphs()) Changed();
                          if (c.index.WantsKey(number)) wanted_.push_back(Wanted{&g, m, number});
                        }
                      },
                      [this](std::span<GraphFacts>) { AddWantedKeys(); }});
}

std::vector<CensusRow> CensusTaker::Rows(bool keep) {
  std::vector<CensusRow> rows;
  for (MatrixCensus& c : census_) {
    c.index.Seal();
    std::vector<CensusRow> counts(groups_.size());
    for (std::size_t g = 0; g < groups_.size(); ++g) {
      counts[g].matrix = spectral::MatrixLetter(c.matrix);
      counts[g].order = groups_[g].at.order;
      counts[g].edges = groups_[g].at.edges;
      counts[g].part = request_.part;
      counts[g].input = groups_[g].print;
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
        ++row.familySizes[static_cast<std::int64_t>(family.size())];
      }
    }
    rows.insert(rows.end(), counts.begin(), counts.end());
    if (!keep) c = MatrixCensus{c.matrix, {}, {}, {}, 0};  // its room for the next
  }
  return rows;
}

void CensusTaker::WriteFamilies(const InputPrint& first, std::string& families) {
  const MatrixCensus& c = census_.front();
  std::map<std::uint32_t, std::string> lines;  // by part number
  std::int64_t p = 0;
  const InputPrint third = ReadBatches(input_, request_,
                                       {[](GraphFacts&) {},
                                        [&](const GraphFacts& g) {
                                          if (InPart(g.graph, g.order) == 0) return;
                                          if (++p > c.index.graphs()) Changed();
                                          if (!c.index.Family(p).empty()) {
                                            lines[static_cast<std::uint32_t>(p)] =
                                                Graph6(g.order, g.graph.edges);
                                          }
                                        },
                                        {}});
  if (!(third == first)) Changed();
  std::vector<FamilyStart> firsts;
  for (const auto& [member, line] : lines) {
    if (c.index.Family(member).front() == member) {
      firsts.push_back(FamilyStart{groups_[c.group[member - 1]].at, member});
    }
  }
  std::sort(firsts.begin(), firsts.end());
  for (const FamilyStart& start : firsts) {
    for (const std::uint32_t member : c.index.Family(start.first)) {
      families.append(lines[member]).push_back('\n');
    }
    families.push_back('\n');
  }
}

}  // namespace

int PartOf(std::uint64_t key, int parts) {
  return static_cast<int>(Mix(key + 0x9e3779b97f4a7c15ULL) % static_cast<std::uint64_t>(parts)) + 1;
}

std::vector<CensusRow> TakeCensus(io::ReplayableInput& input, const CensusRequest& request,
                                  std::string* families) {
  CensusTaker census(input, request);
  const InputPrint first = census.IndexHashes();
  if (census.Group() && !(census.IndexKeys() == first)) Changed();
  std::vector<CensusRow> rows = census.Rows(families != nullptr);
  if (families != nullptr && request.matrices.size() == 1) census.WriteFamilies(first, *families);
  return rows;
}

}  // namespace grafen::census
