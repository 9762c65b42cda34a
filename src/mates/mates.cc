#include "mates/mates.h"

#include <flint/flint.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <exception>
#include <map>
#include <string_view>
#include <thread>
#include <utility>

#include "formats/graph6.h"
#include "formats/lines.h"
#include "spectral/canonical.h"
#include "spectral/cospectral_index.h"
#include "spectral/trace_keys.h"

namespace grafen::mates {

using spectral::SpectralMatrix;

namespace {

using Rows = std::array<std::uint64_t, 64>;

// The graph's adjacency rows as bit sets.
Rows RowsOf(const ListedGraph& graph) {
  Rows rows{};
  for (const Edge& e : graph.edges) {
    rows[static_cast<std::size_t>(e.i - 1)] |= std::uint64_t{1} << (e.j - 1);
    rows[static_cast<std::size_t>(e.j - 1)] |= std::uint64_t{1} << (e.i - 1);
  }
  return rows;
}

// The degree of every node when all are equal, else -1.
int CommonDegree(const Rows& rows, int order) {
  const int first = __builtin_popcountll(rows[0]);
  for (std::size_t v = 1; v < static_cast<std::size_t>(order); ++v) {
    if (__builtin_popcountll(rows[v]) != first) return -1;
  }
  return first;
}

// Whether two adjacent nodes have a common neighbour.
bool HasTriangle(const ListedGraph& graph, const Rows& rows) {
  return std::any_of(graph.edges.begin(), graph.edges.end(), [&rows](const Edge& e) {
    return (rows[static_cast<std::size_t>(e.i - 1)] & rows[static_cast<std::size_t>(e.j - 1)]) != 0;
  });
}

// Whether the graph is connected and whether it is bipartite, by a
// breadth-first search of each component, layer by layer: a graph is
// bipartite exactly when no edge joins two nodes of one layer.
std::pair<bool, bool> ConnectedAndBipartite(const Rows& rows, int order) {
  std::uint64_t unseen = order == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << order) - 1;
  int components = 0;
  bool bipartite = true;
  while (unseen != 0) {
    ++components;
    std::uint64_t layer = unseen & (~unseen + 1);
    unseen &= ~layer;
    while (layer != 0) {
      std::uint64_t next = 0;
      for (std::uint64_t left = layer; left != 0; left &= left - 1) {
        next |= rows[static_cast<std::size_t>(__builtin_ctzll(left))];
      }
      if ((next & layer) != 0) bipartite = false;
      layer = next & unseen;
      unseen &= ~layer;
    }
  }
  return {components == 1, bipartite};
}

// Whether every matrix asked is `matrix`, or G when `matrix` is A (graphs
// with one generalized spectrum share their A-spectrum).
bool OnlyAsked(const std::vector<SpectralMatrix>& matrices, SpectralMatrix matrix) {
  return std::all_of(matrices.begin(), matrices.end(), [matrix](SpectralMatrix m) {
    return m == matrix ||
           (matrix == SpectralMatrix::kAdjacency && m == SpectralMatrix::kGeneralized);
  });
}

}  // namespace

// Only what holds for every matrix asked restricts the one run of
// nauty-geng that serves them all. Q has no restriction of its own, so with
// Q asked (as by default) a run per matrix would generate the shared run's
// graphs and more; A alone, or L alone, gets its own. S restricts nothing
// but the order: Seidel switching (reversing the edges and non-edges
// between a set of nodes and the rest) keeps the S-spectrum but changes the
// edge count and the degrees, so neither is an S-spectral invariant.
Restrictions RestrictionsFor(const ListedGraph& graph, int order,
                             const std::vector<SpectralMatrix>& matrices) {
  const Rows rows = RowsOf(graph);
  Restrictions restrictions;
  // The trace of A^2, and of L and Q, is twice the edge count; G holds A.
  restrictions.order = order;
  restrictions.edges = static_cast<int>(graph.edges.size());
  // A graph is regular exactly when the largest eigenvalue of A equals its
  // average degree 2m/n; for L and Q, trace M^2 = sum d^2 + 2m with
  // sum d = 2m, and sum d^2 >= 4m^2/n with equality exactly when the graph
  // is regular. So for A, L and Q a k-regular graph's mates are k-regular.
  restrictions.degree = CommonDegree(rows, order);
  // No such theorems are used for B, N and the distance matrices; the
  // spectra of N, S and the distance matrices do not fix the edge count (a
  // star and a 4-cycle share N's), B's does (it has 2m eigenvalues).
  for (const SpectralMatrix m : matrices) {
    if (!spectral::SpectrumFixesEdges(m)) restrictions.edges = -1;
    if (!spectral::IsIntegerMatrix(m) || !spectral::SpectrumFixesEdges(m)) {
      restrictions.degree = -1;
    }
  }
  const auto [connected, bipartite] = ConnectedAndBipartite(rows, order);
  if (OnlyAsked(matrices, SpectralMatrix::kAdjacency)) {
    // trace A^3 = 6t (t the triangles); a graph is bipartite exactly when
    // its A-spectrum is symmetric about 0.
    restrictions.triangleFree = !HasTriangle(graph, rows);
    restrictions.bipartite = bipartite;
  }
  // The multiplicity of the L-eigenvalue 0 is the number of components;
  // only connected graphs have distance matrices.
  restrictions.connected =
      connected && std::all_of(matrices.begin(), matrices.end(), [](SpectralMatrix m) {
        return m == SpectralMatrix::kLaplacian || spectral::IsDistanceMatrix(m);
      });
  return restrictions;
}

std::vector<std::string> GengArguments(const Restrictions& restrictions, unsigned part,
                                       unsigned parts) {
  std::vector<std::string> arguments = {kGengProgram, "-q"};
  if (restrictions.connected) arguments.emplace_back("-c");
  if (restrictions.bipartite) {
    arguments.emplace_back("-b");
  } else if (restrictions.triangleFree) {
    arguments.emplace_back("-t");
  }
  if (restrictions.degree >= 0) {
    arguments.push_back("-d" + std::to_string(restrictions.degree));
    arguments.push_back("-D" + std::to_string(restrictions.degree));
  }
  arguments.push_back(std::to_string(restrictions.order));
  if (restrictions.edges >= 0) {
    std::string edges = std::to_string(restrictions.edges);
    edges.append(":").append(std::to_string(restrictions.edges));
    arguments.push_back(std::move(edges));
  }
  if (parts > 1) {
    std::string split = std::to_string(part);
    split.append("/").append(std::to_string(parts));
    arguments.push_back(std::move(split));
  }
  return arguments;
}

namespace {

// A graph whose mates are sought, as candidates are compared with it.
struct Target {
  std::int64_t number = 0;
  spectral::TraceKeys traces;
  std::vector<std::string> charpolyKeys;  // by matrix asked
  std::string form;                       // its canonical form
};

// The graphs searched in one go: those with equal restrictions.
struct Group {
  Restrictions restrictions;
  std::vector<std::size_t> graphs;  // their places in the question
  std::vector<Target> targets;      // in the same order
  // By matrix asked: (trace key, target) ascending, to find a candidate's.
  std::vector<std::vector<std::pair<std::uint64_t, std::size_t>>> byTrace;
};

// What the run of one part finds: by target and matrix its mates' forms;
// whether it met each target itself; the graphs read.
struct Found {
  std::vector<std::vector<std::vector<std::string>>> mates;
  std::vector<char> metItself;
  std::int64_t candidates = 0;
};

// The group of these graphs of the question, their targets made.
Group GroupOf(const MatesQuestion& question, const Restrictions& restrictions,
              std::vector<std::size_t> graphs) {
  Group group{restrictions, std::move(graphs), {}, {}};
  group.byTrace.resize(question.matrices.size());
  for (const std::size_t g : group.graphs) {
    const ListedGraph& graph = question.graphs[g];
    Target target{graph.number, spectral::TraceKeysOf(graph, graph.order), {}, {}};
    if (spectral::WantsComplementKeys(question.matrices)) {
      spectral::AddComplementKeys(graph, graph.order, target.traces);
    }
    for (std::size_t k = 0; k < question.matrices.size(); ++k) {
      std::string& key = target.charpolyKeys.emplace_back();  // "": no such matrix, no mate
      if (!spectral::HasMatrix(question.matrices[k], graph.order, graph.edges)) continue;
      spectral::CharpolyKey(question.matrices[k], graph, graph.order, key);
      group.byTrace[k].emplace_back(target.traces.of(question.matrices[k]), group.targets.size());
    }
    target.form = spectral::CanonicalForm(graph.order, graph.edges);
    group.targets.push_back(std::move(target));
  }
  for (auto& keys : group.byTrace) std::sort(keys.begin(), keys.end());
  return group;
}

// Compares each graph nauty-geng writes with the targets of a group: trace
// keys first, then, for those equal, the exact polynomial, then, for those
// equal too, the canonical form.
class Sifter {
 public:
  Sifter(const Group& group, const std::vector<SpectralMatrix>& matrices, Found& found)
      : group_(group),
        matrices_(matrices),
        found_(found),
        complementKeys_(spectral::WantsComplementKeys(matrices)) {
    found_.mates.assign(group.targets.size(), std::vector<std::vector<std::string>>(
                                                  matrices.size(), std::vector<std::string>()));
    found_.metItself.assign(group.targets.size(), 0);
  }

  // Takes one line of nauty-geng's output. Throws SearchError when it is not
  // a graph of the order asked.
  void Take(std::string_view line) {
    const int order = group_.restrictions.order;
    const std::string wrong = DecodeGraph6(line, order, candidate_);
    if (!wrong.empty() || candidate_.order != order) {
      std::string message = kGengProgram;
      message.append(" wrote a line that is not graph6 of order ").append(std::to_string(order));
      if (!wrong.empty()) message.append(": ").append(wrong);
      throw SearchError(message);
    }
    ++found_.candidates;
    spectral::TraceKeys traces = spectral::TraceKeysOf(candidate_, order);
    if (complementKeys_) spectral::AddComplementKeys(candidate_, order, traces);
    form_.clear();
    for (std::size_t k = 0; k < matrices_.size(); ++k) {
      const auto& keys = group_.byTrace[k];
      auto at = std::lower_bound(keys.begin(), keys.end(),
                                 std::make_pair(traces.of(matrices_[k]), std::size_t{0}));
      if (at == keys.end() || at->first != traces.of(matrices_[k])) continue;
      if (!spectral::HasMatrix(matrices_[k], order, candidate_.edges)) continue;
      spectral::CharpolyKey(matrices_[k], candidate_, order, key_);
      for (; at != keys.end() && at->first == traces.of(matrices_[k]); ++at) {
        Compare(at->second, k);
      }
    }
  }

 private:
  // Records the candidate, whose polynomial's key is key_, as a mate of
  // target t for the k-th matrix, or as the target itself.
  void Compare(std::size_t t, std::size_t k) {
    const Target& target = group_.targets[t];
    if (key_ != target.charpolyKeys[k]) return;
    if (form_.empty()) form_ = spectral::CanonicalForm(candidate_.order, candidate_.edges);
    if (form_ == target.form) {
      found_.metItself[t] = 1;
    } else {
      found_.mates[t][k].push_back(form_);
    }
  }

  const Group& group_;
  const std::vector<SpectralMatrix>& matrices_;
  Found& found_;
  bool complementKeys_;    // S or G asked
  ListedGraph candidate_;  // room kept from graph to graph
  std::string key_;
  std::string form_;  // the candidate's canonical form, "" until needed
};

// Reads part `part` of `parts` of nauty-geng's graphs for the group into
// `found`; returns early when `stop` is set. Throws SearchError.
void SearchPart(const Group& group, const std::vector<SpectralMatrix>& matrices, unsigned part,
                unsigned parts, Found& found, const std::atomic<bool>& stop) {
  Sifter sifter(group, matrices, found);
  GengProcess geng(GengArguments(group.restrictions, part, parts));
  std::string partial;
  const auto refuse = [](std::string_view, std::string_view) {
    throw SearchError(std::string(kGengProgram) + " wrote a line longer than any graph6");
  };
  const bool whole = geng.ReadAll(
      [&](std::string_view block) {
        FeedLines(partial, block, kMaxGraph6Line, refuse,
                  [&sifter](std::string_view line) { sifter.Take(line); });
      },
      stop);
  if (whole && !partial.empty()) {
    throw SearchError(std::string(kGengProgram) + "'s output ends within a line");
  }
}

// Searches the group in `parts` runs at once, part 0 on this thread and
// each other on its own; a failure stops the other runs and is thrown again
// once all have ended. What each part found.
std::vector<Found> SearchGroup(const Group& group, const std::vector<SpectralMatrix>& matrices,
                               unsigned parts) {
  std::vector<Found> found(parts);
  std::vector<std::exception_ptr> failures(parts);
  std::atomic<bool> stop{false};
  const auto search = [&](unsigned part) {
    try {
      SearchPart(group, matrices, part, parts, found[part], stop);
    } catch (...) {
      failures[part] = std::current_exception();
      stop = true;
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (unsigned part = 1; part < parts; ++part) {
      helpers.emplace_back([&search, part] {
        search(part);
        flint_cleanup();
      });
    }
    search(0);
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
  return found;
}

// Adds what the parts found for the group to the answer. Throws SearchError
// when no part met a target itself (one with a matrix asked): the runs did
// not make every graph they were asked for.
void Gather(const Group& group, const std::vector<Found>& parts, MatesAnswer& answer) {
  for (std::size_t t = 0; t < group.targets.size(); ++t) {
    bool met = false;
    answer.forms[group.graphs[t]] = group.targets[t].form;
    auto& mates = answer.mates[group.graphs[t]];
    for (const Found& found : parts) {
      met = met || found.metItself[t] != 0;
      for (std::size_t k = 0; k < mates.size(); ++k) {
        mates[k].insert(mates[k].end(), found.mates[t][k].begin(), found.mates[t][k].end());
      }
    }
    const std::vector<std::string>& keys = group.targets[t].charpolyKeys;
    const bool compared =  // not when the graph has none of the matrices asked
        std::any_of(keys.begin(), keys.end(), [](const std::string& key) { return !key.empty(); });
    if (!met && compared) {
      throw SearchError(std::string(kGengProgram) + " did not make graph " +
                        std::to_string(group.targets[t].number) +
                        " itself: its graphs of that order and edge count are incomplete");
    }
  }
  for (const Found& found : parts) answer.candidates += found.candidates;
}

}  // namespace

MatesAnswer FindMates(const MatesQuestion& question, unsigned parts) {
  std::map<Restrictions, std::vector<std::size_t>> groups;
  for (std::size_t g = 0; g < question.graphs.size(); ++g) {
    const ListedGraph& graph = question.graphs[g];
    groups[RestrictionsFor(graph, graph.order, question.matrices)].push_back(g);
  }
  MatesAnswer answer;
  answer.forms.resize(question.graphs.size());
  answer.mates.assign(question.graphs.size(),
                      std::vector<std::vector<std::string>>(question.matrices.size()));
  parts = std::max(parts, 1U);
  for (auto& [restrictions, graphs] : groups) {
    const Group group = GroupOf(question, restrictions, std::move(graphs));
    Gather(group, SearchGroup(group, question.matrices, parts), answer);
    answer.runs += parts;
  }
  for (auto& byMatrix : answer.mates) {
    for (std::vector<std::string>& mates : byMatrix) std::sort(mates.begin(), mates.end());
  }
  return answer;
}

}  // namespace grafen::mates
