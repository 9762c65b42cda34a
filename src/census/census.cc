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
#include "census/facts.h"
#include "census/family_list.h"
#include "census/scatter.h"
#include "formats/graph6.h"
#include "formats/graph_reader.h"
#include "io/batch_pipeline.h"
#include "io/mix.h"
#include "io/parallel.h"
#include "spectral/canonical.h"
#include "spectral/cospectral_index.h"
#include "spectral/spectrum_hash.h"
#include "spectral/trace_keys.h"

namespace grafen::census {

using spectral::SpectralMatrix;

namespace {

using io::Mix;

// Graphs read before their facts are worked out, on every thread at once.
constexpr std::size_t kBatch = 4096;

// The facts of one graph for one matrix, worked out on a helper thread.
struct Facts {
  bool inPart = false;
  bool integral = false;
  std::string key;
  std::uint64_t hash = 0;  // of the key (N's and B's: SpectrumHash), on a helper thread
};

// A graph of a batch and its facts, matrix by matrix.
struct GraphFacts {
  ListedGraph graph;  // room kept from batch to batch
  int order = 0;
  std::uint64_t textHash = 0;  // of its graph6 text
  std::vector<Facts> facts;    // by the request's matrices
  std::string form;            // its canonical form, when a matrix wants its key
  Fingerprint fingerprint;     // a scattered part's record's
  int edges = 0;               // its edge count (a reading may leave graph.edges unlisted)
  std::string unlisted;        // the graph6 text of a graph whose edges are not listed yet
};

// Lists the edges of a graph read undecoded (Reading::undecoded).
void ListEdges(GraphFacts& g) {
  if (g.unlisted.empty()) return;
  const std::string wrong = DecodeGraph6(g.unlisted, kMaxOrder, g.graph);
  if (!wrong.empty()) throw std::runtime_error(wrong);  // checked as read: never met
  g.unlisted.clear();
}

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

// What is kept of each matrix or joint set: the spectra of the graphs of
// its part, their edge-count groups, stream numbers and integrality.
struct MatrixCensus {
  Counted counted;
  spectral::CospectralIndex index;
  std::vector<std::uint16_t> group;  // by part number - 1 (orders <= 62: 39773 groups at most)
  std::vector<bool> integral;        // by part number - 1
  std::int64_t seen = 0;             // part graphs met in the current reading
};

// What one reading does with each graph: `prepare` on a helper thread, then
// `take` in the graphs' order, then `taken` with the whole batch (if given).
struct Reading {
  std::function<void(GraphFacts&)> prepare;
  std::function<void(GraphFacts&)> take;
  std::function<void(std::span<GraphFacts>)> taken;
  bool undecoded = false;  // the graphs' edges are not listed, only counted
};

// The fingerprint of a scattered part's record. Throws std::runtime_error
// for a record without one.
Fingerprint RecordsFingerprint(const ListedGraph& graph) {
  const std::optional<Fingerprint> fingerprint = FingerprintNamed(graph.tail);
  if (!fingerprint) {
    throw std::runtime_error("graph " + std::to_string(graph.number) +
                             ": not a record of a scatter (graph6, a space, 6 bytes of "
                             "fingerprint): spooled by an older grafen-census?");
  }
  return *fingerprint;
}

// Reads the input once more, each graph (with its order) through `reading`
// in batches of kBatch. Returns the print of the whole reading, which every
// reading must share. Throws what the readers and the steps do.
InputPrint ReadBatches(io::ReplayableInput& input, const CensusRequest& request,
                       const Reading& reading) {
  InputPrint print;
  std::int64_t read = 0;
  io::BatchPipeline<GraphFacts> pipeline(kBatch, request.threads, io::Taking::kBeforeComputing,
                                         {[&reading](GraphFacts& g) { reading.prepare(g); },
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
  const std::size_t matrices = request.matrices.size() + (request.joint.size() > 1 ? 1 : 0);
  GraphReader reader(order != 0 ? order : kMaxOrder, [&](ListedGraph& graph) {
    GraphFacts& slot = pipeline.Add();
    if (slot.facts.size() != matrices) slot.facts.resize(matrices);
    std::swap(slot.graph.edges, graph.edges);
    slot.edges = graph.undecodedEdges >= 0 ? graph.undecodedEdges
                                           : static_cast<int>(slot.graph.edges.size());
    slot.unlisted.assign(graph.undecodedEdges >= 0 ? graph.graph6 : std::string_view());
    slot.graph.number = graph.number;
    if (graph.order == 0 && order == 0) {
      throw EdgeListError(0, "an edge list needs its order: give --order N");
    }
    slot.order = graph.order != 0 ? graph.order : order;
    // Read graph6 is its own encoding; only an edge list's is made.
    slot.textHash = graph.graph6.empty() ? TextHash(Graph6(slot.order, slot.graph.edges))
                                         : TextHash(graph.graph6);
    if (request.part.scattered) slot.fingerprint = RecordsFingerprint(graph);
  });
  if (request.part.scattered) reader.KeepTails();
  if (reading.undecoded) reader.LeaveUndecoded();
  input.Read([&reader](std::string_view block) { reader.Feed(block); });
  reader.Finish();
  pipeline.Finish();
  return print;
}

// The input gave other graphs in a later reading than in the first.
[[noreturn]] void Changed() { throw std::runtime_error("changed while being read"); }

// The census of one input, reading by reading: the first counts the groups
// and hashes every part graph's polynomial, the second (when hashes are
// shared) gives the exact keys and canonical forms of those graphs, the
// counts follow, and a third reading gives the families' graphs when asked
// for.
class CensusTaker {
 public:
  CensusTaker(io::ReplayableInput& input, const CensusRequest& request)
      : input_(input), request_(request) {
    for (Counted& counted : CountedSets(request.matrices, request.joint)) {
      census_.push_back(MatrixCensus{std::move(counted), {}, {}, {}, 0});
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
  // Third reading: the families of every matrix, a row per graph (copies
  // left out), to `families` once the reading's print is checked against
  // `first`.
  void WriteFamilies(const InputPrint& first, std::string& families);

 private:
  // The request's matrices that count a graph in this part: bit m for the m-th.
  // A scattered part's graphs are all checked in the first reading; a later
  // one (`again`) gives the same graphs, as its print shows, and skips it.
  unsigned InPart(const GraphFacts& g, bool again) const;
  // Throws when a scattered part's graph, counted for the `counted`
  // matrices, has a record whose fingerprint falls in another part.
  void CheckScattered(const GraphFacts& g, unsigned counted) const;
  // Whether the first two readings leave the edges unlisted (until a key is
  // wanted, in the second): in a scattered part, whose facts are its
  // records', but for the distance matrices, which need the edges to tell
  // whether the graph has the matrix.
  bool ScatteredUndecoded() const {
    return request_.part.scattered && !spectral::IsDistanceMatrix(request_.matrices.front());
  }
  // Marks which of the graph's facts are in the part.
  void MarkInPart(GraphFacts& g, bool again) const;
  // Adds the graph to its group, and its facts to each matrix's index.
  void TakeHashes(const GraphFacts& g);

  // A key wanted in the second reading: the graph of the batch being taken,
  // the matrix, the graph's number among that matrix's part graphs, and
  // whether to work out the graph's canonical form (once for all matrices,
  // and only when another graph of the input may be isomorphic to it).
  struct Wanted {
    GraphFacts* graph;
    std::size_t matrix;
    std::int64_t number;
    bool form;
  };
  // Second reading: notes which keys of graph g are wanted.
  void WantKeys(GraphFacts& g);
  // Works out the keys and canonical forms wanted of a batch on every
  // thread and adds them.
  void AddWantedKeys();
  // A graph of the input listed in the families file: its number in the
  // input and its graph6 text. (Read in the families' listing, which
  // cppcheck does not follow.)
  struct ListedGraph6 {
    std::int64_t number;
    // cppcheck-suppress unusedStructMember
    std::string graph6;
  };
  // A family member's number among one matrix's part graphs, and where its
  // graph is listed.
  struct MemberAt {
    std::uint32_t part;
    // cppcheck-suppress unusedStructMember
    std::size_t listed;
  };
  // Third reading: lists graph g when it belongs to a family of any matrix,
  // noting it among that matrix's members; `seen` counts each matrix's part
  // graphs.
  void CollectMembers(const GraphFacts& g, std::vector<std::int64_t>& seen,
                      std::vector<ListedGraph6>& listed,
                      std::vector<std::vector<MemberAt>>& members) const;
  // Appends the families of matrix m, by order, edge count and first graph,
  // numbered on from `id`, to `families`; returns the last number given.
  std::int64_t ListFamilies(std::size_t m, const std::vector<MemberAt>& members,
                            const std::vector<ListedGraph6>& listed, std::int64_t id,
                            std::string& families) const;
  // Adds graph p of matrix census c to its row of `counts`.
  static void Count(const MatrixCensus& c, std::int64_t p, std::vector<CensusRow>& counts);

  io::ReplayableInput& input_;
  const CensusRequest& request_;
  std::vector<MatrixCensus> census_;
  std::map<EdgeCount, std::uint32_t> groupOf_;  // index into groups_
  std::vector<EdgeGroup> groups_;
  std::vector<Wanted> wanted_;  // of the batch being taken
};

unsigned CensusTaker::InPart(const GraphFacts& g, bool again) const {
  const ListedGraph& graph = g.graph;
  const int order = g.order;
  unsigned counted = 0;
  for (std::size_t m = 0; m < census_.size(); ++m) {
    if (HasAll(census_[m].counted, order, graph.edges)) counted |= 1U << m;
  }
  if (request_.part.whole() || (again && request_.part.scattered)) return counted;
  if (request_.part.scattered) {
    CheckScattered(g, counted);
    return counted;
  }
  spectral::TraceKeys keys = spectral::TraceKeysOf(graph, order);
  if (spectral::WantsComplementKeys(request_.matrices) ||
      spectral::WantsComplementKeys(request_.joint)) {
    spectral::AddComplementKeys(graph, order, keys);
  }
  for (std::size_t m = 0; m < census_.size(); ++m) {
    if ((counted >> m & 1U) == 0) continue;
    const std::uint64_t key = PartKey(census_[m].counted, graph, order, keys);
    if (PartOf(key, request_.part.count) != request_.part.index) counted &= ~(1U << m);
  }
  return counted;
}

void CensusTaker::CheckScattered(const GraphFacts& g, unsigned counted) const {
  const int part = PartOfFingerprint(g.fingerprint, request_.part.count);
  if (counted == 0 || part == request_.part.index) return;
  // Routed here by another fingerprint, or by another split: counting it
  // would miss its mates.
  throw std::runtime_error("graph " + std::to_string(g.graph.number) +
                           ": its fingerprint falls in part " + std::to_string(part) +
                           ", not in this scattered part " + std::to_string(request_.part.index) +
                           "/" + std::to_string(request_.part.count));
}

void CensusTaker::MarkInPart(GraphFacts& g, bool again) const {
  const unsigned counted = InPart(g, again);
  for (std::size_t m = 0; m < g.facts.size(); ++m) g.facts[m].inPart = (counted >> m & 1U) != 0;
}

void CensusTaker::TakeHashes(const GraphFacts& g) {
  const EdgeCount at{g.order, g.edges};
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
                        MarkInPart(g, false);
                        if (request_.part.scattered) {  // one matrix, its facts from the map
                          g.facts[0].hash = Mix(g.fingerprint.hash);  // spread, as the index wants
                          g.facts[0].integral = g.fingerprint.integral;
                          return;
                        }
                        // A, when asked, comes first: G reuses its key.
                        thread_local std::pair<std::string, bool> adjacency;
                        bool haveAdjacency = false;
                        for (std::size_t m = 0; m < g.facts.size(); ++m) {
                          Facts& facts = g.facts[m];
                          if (!facts.inPart) continue;
                          const Counted& counted = census_[m].counted;
                          facts.hash =
                              HashedFacts(counted, g.graph, g.order, facts.key, facts.integral,
                                          haveAdjacency ? &adjacency : nullptr);
                          if (counted.members == std::vector{SpectralMatrix::kAdjacency}) {
                            adjacency = {facts.key, facts.integral};
                            haveAdjacency = true;
                          }
                        }
                      },
                      [this](const GraphFacts& g) { TakeHashes(g); },
                      {},
                      ScatteredUndecoded()});
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
    GraphFacts& g = *want.graph;
    ExactFacts(census_[want.matrix].counted, g.graph, g.order, g.facts[want.matrix].key, integral);
    if (want.form) g.form = spectral::CanonicalForm(g.order, g.graph.edges);
  });
  for (const Wanted& want : wanted_) {
    census_[want.matrix].index.AddKey(want.number, want.graph->facts[want.matrix].key,
                                      want.graph->form);
  }
  wanted_.clear();
}

void CensusTaker::WantKeys(GraphFacts& g) {
  // A graph isomorphic to another shares each polynomial, and so its hash,
  // with it, for every matrix whose part it is in (it is in the same parts):
  // a graph whose hash is its own for one of them needs no canonical form.
  const std::size_t first = wanted_.size();
  bool wantedByAll = true;
  g.form.clear();
  for (std::size_t m = 0; m < census_.size(); ++m) {
    if (!g.facts[m].inPart) continue;
    MatrixCensus& c = census_[m];
    const std::int64_t number = ++c.seen;
    if (number > c.index.graphs()) Changed();
    if (c.index.WantsKey(number)) {
      ListEdges(g);
      wanted_.push_back(Wanted{&g, m, number, false});
    } else {
      wantedByAll = false;
    }
  }
  if (wantedByAll && first < wanted_.size()) wanted_[first].form = true;
}

InputPrint CensusTaker::IndexKeys() {
  const InputPrint print =
      ReadBatches(input_, request_,
                  {[this](GraphFacts& g) {
                     MarkInPart(g, true);
                     for (Facts& facts : g.facts) facts.key.clear();
                   },
                   [this](GraphFacts& g) { WantKeys(g); },
                   [this](std::span<GraphFacts>) { AddWantedKeys(); }, ScatteredUndecoded()});
  return print;
}

std::vector<CensusRow> CensusTaker::Rows(bool keep) {
  std::vector<CensusRow> rows;
  for (MatrixCensus& c : census_) {
    c.index.Seal();
    std::vector<CensusRow> counts(groups_.size());
    for (std::size_t g = 0; g < groups_.size(); ++g) {
      counts[g].matrix = c.counted.name;
      counts[g].order = groups_[g].at.order;
      counts[g].edges = groups_[g].at.edges;
      counts[g].part = request_.part;
      counts[g].input = groups_[g].print;
    }
    for (std::int64_t p = 1; p <= c.index.graphs(); ++p) Count(c, p, counts);
    rows.insert(rows.end(), counts.begin(), counts.end());
    if (!keep) c = MatrixCensus{std::move(c.counted), {}, {}, {}, 0};  // its room for the next
  }
  return rows;
}

void CensusTaker::Count(const MatrixCensus& c, std::int64_t p, std::vector<CensusRow>& counts) {
  CensusRow& row = counts[c.group[static_cast<std::size_t>(p - 1)]];
  if (c.index.CopyOf(p) != 0) {  // counted as the graph it copies
    ++row.copies;
    return;
  }
  ++row.graphs;
  row.integral += c.integral[static_cast<std::size_t>(p - 1)] ? 1 : 0;
  const std::int64_t kinds = c.index.Kinds(p);
  if (kinds < 2) {  // no family, or a graph whose family holds only its copies
    ++row.distinctSpectra;
    return;
  }
  ++row.withMate;
  if (c.index.Family(p).front() != p) return;  // the family is counted at its first graph
  ++row.distinctSpectra;
  ++row.families;
  ++row.familySizes[kinds];
  row.largestFamily = std::max(row.largestFamily, kinds);
}

void CensusTaker::CollectMembers(const GraphFacts& g, std::vector<std::int64_t>& seen,
                                 std::vector<ListedGraph6>& listed,
                                 std::vector<std::vector<MemberAt>>& members) const {
  const unsigned inPart = InPart(g, true);
  bool added = false;
  for (std::size_t m = 0; m < census_.size(); ++m) {
    if ((inPart >> m & 1U) == 0) continue;
    const spectral::CospectralIndex& index = census_[m].index;
    const std::int64_t p = ++seen[m];
    if (p > index.graphs()) Changed();
    if (index.Kinds(p) < 2 || index.CopyOf(p) != 0) continue;
    if (!added) listed.push_back(ListedGraph6{g.graph.number, Graph6(g.order, g.graph.edges)});
    added = true;
    members[m].push_back(MemberAt{static_cast<std::uint32_t>(p), listed.size() - 1});
  }
}

std::int64_t CensusTaker::ListFamilies(std::size_t m, const std::vector<MemberAt>& members,
                                       const std::vector<ListedGraph6>& listed, std::int64_t id,
                                       std::string& families) const {
  const MatrixCensus& c = census_[m];
  std::vector<FamilyStart> firsts;
  for (const MemberAt& member : members) {
    if (c.index.Family(member.part).front() == member.part) {
      firsts.push_back(FamilyStart{groups_[c.group[member.part - 1]].at, member.part});
    }
  }
  std::sort(firsts.begin(), firsts.end());
  for (const FamilyStart& start : firsts) {
    FamilyMember row{
        c.counted.name, start.at.order, start.at.edges, ++id, c.index.Kinds(start.first), 0, {}};
    for (const std::uint32_t part : c.index.Family(start.first)) {
      if (c.index.CopyOf(part) != 0) continue;
      const auto at =
          std::lower_bound(members.begin(), members.end(), part,
                           [](const MemberAt& member, std::uint32_t p) { return member.part < p; });
      row.graph = listed[at->listed].number;
      row.graph6 = listed[at->listed].graph6;
      AppendFamilyMember(families, row);
    }
  }
  return id;
}

void CensusTaker::WriteFamilies(const InputPrint& first, std::string& families) {
  std::vector<ListedGraph6> listed;
  std::vector<std::vector<MemberAt>> members(census_.size());
  std::vector<std::int64_t> seen(census_.size(), 0);
  const InputPrint third =
      ReadBatches(input_, request_,
                  {[](GraphFacts&) {},
                   [&](const GraphFacts& g) { CollectMembers(g, seen, listed, members); },
                   {}});
  if (!(third == first)) Changed();
  families = kFamilyListHeader;
  std::int64_t id = 0;
  for (std::size_t m = 0; m < census_.size(); ++m) {
    id = ListFamilies(m, members[m], listed, id, families);
  }
}

}  // namespace

std::uint64_t TextHash(std::string_view text) {
  std::uint64_t h = 0xcbf29ce484222325ULL;  // FNV-1a
  for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  return Mix(h);
}

int PartOf(std::uint64_t key, int parts) {
  return static_cast<int>(Mix(key + 0x9e3779b97f4a7c15ULL) % static_cast<std::uint64_t>(parts)) + 1;
}

std::vector<CensusRow> TakeCensus(io::ReplayableInput& input, const CensusRequest& request,
                                  std::string* families) {
  CensusTaker census(input, request);
  const InputPrint first = census.IndexHashes();
  if (census.Group() && !(census.IndexKeys() == first)) Changed();
  std::vector<CensusRow> rows = census.Rows(families != nullptr);
  if (families != nullptr) census.WriteFamilies(first, *families);
  return rows;
}

}  // namespace grafen::census
