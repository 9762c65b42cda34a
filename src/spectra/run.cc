#include "spectra/run.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "formats/graph_reader.h"
#include "io/batch_pipeline.h"
#include "io/input.h"
#include "io/output.h"
#include "io/parallel.h"
#include "program/shell.h"
#include "spectra/options.h"
#include "spectra/table.h"
#include "spectral/canonical.h"
#include "spectral/cospectral_index.h"

namespace grafen::spectra {

using spectral::CospectralIndex;
using spectral::SpectralMatrix;

using io::ReplayableInput;
using io::SameFile;
using io::SpoolError;
using io::TableOutput;
using io::UsableCores;

namespace {

constexpr program::Voice kVoice("grafen-spectra");

// The largest node of the graph's edges, 1 when it has none.
int LargestNode(const ListedGraph& graph) {
  int largest = 1;
  for (const Edge& e : graph.edges) largest = std::max(largest, e.j);
  return largest;
}

// Reads the whole input once, every graph to `take`; nodes up to maxNode.
// Throws std::system_error and EdgeListError.
GraphFormat ReadGraphs(ReplayableInput& input, int maxNode, const GraphSink& take,
                       std::function<bool(std::int64_t)> wanted = {}) {
  GraphReader reader(maxNode, take, std::move(wanted));
  input.Read([&reader](std::string_view block) { reader.Feed(block); });
  reader.Finish();
  return reader.format();
}

// The order a graph is taken on: its own, the order given, or else its
// largest node (the powers of x that a larger common order adds do not
// change its polynomial's key).
int NodesOf(const ListedGraph& graph, int order) {
  return graph.order != 0 ? graph.order : (order != 0 ? order : LargestNode(graph));
}

// A graph and, for each matrix, the key of its characteristic polynomial
// and the key's hash, with, when asked for, the graph's canonical form.
// (Used in the pipeline's steps, which cppcheck does not follow.)
struct KeyedGraph {
  // cppcheck-suppress unusedStructMember
  ListedGraph graph;  // room kept from batch to batch
  // cppcheck-suppress unusedStructMember
  std::vector<std::string> keys;  // by matrix
  // cppcheck-suppress unusedStructMember
  std::string form;                   // its canonical form, when asked for
  std::vector<std::uint64_t> hashes;  // by matrix
};

// Each matrix alone, then the joint set when there is one.
std::vector<std::vector<SpectralMatrix>> SetsOf(const Options& options) {
  std::vector<std::vector<SpectralMatrix>> sets;
  for (const SpectralMatrix m : options.matrices) sets.push_back({m});
  if (!options.joint.empty()) sets.push_back(options.joint);
  return sets;
}

// Graphs gathered a batch at a time, their keys and the keys' hashes worked
// out on every thread in the background while the next batch is read, and
// handed on in the graphs' order.
class KeyedGraphs {
 public:
  using Take = std::function<void(const KeyedGraph&)>;
  KeyedGraphs(const std::vector<std::vector<SpectralMatrix>>& sets, int order, bool withForms,
              Take take)
      : pipeline_(kBatch, UsableCores(), io::Taking::kBeforeComputing,
                  {[sets, order, withForms](KeyedGraph& slot) {
                     const int nodes = NodesOf(slot.graph, order);
                     slot.keys.resize(sets.size());
                     slot.hashes.resize(sets.size());
                     for (std::size_t k = 0; k < sets.size(); ++k) {
                       spectral::SetKey(sets[k], slot.graph, nodes, slot.keys[k]);
                       slot.hashes[k] = CospectralIndex::HashOf(slot.keys[k]);
                     }
                     if (withForms) slot.form = spectral::CanonicalForm(nodes, slot.graph.edges);
                   },
                   std::move(take),
                   {}}) {}

  // The next graph; the reader gets the slot's old edges back.
  void Add(ListedGraph& graph) {
    ListedGraph& slot = pipeline_.Add().graph;
    std::swap(slot.edges, graph.edges);
    slot.number = graph.number;
    slot.order = graph.order;
  }

  // Hands on every key still pending.
  void Finish() { pipeline_.Finish(); }

 private:
  static constexpr std::size_t kBatch = 16384;
  io::BatchPipeline<KeyedGraph> pipeline_;
};

// The first two readings: every graph's polynomials hashed into
// `families` (one index a matrix), then the exact polynomials of the graphs
// whose hash another shares; `largest` is the largest node met. The input's
// format. Throws what the readers do.
GraphFormat IndexFamilies(const std::vector<std::vector<SpectralMatrix>>& matrices, int order,
                          int maxNode, ReplayableInput& input,
                          std::vector<CospectralIndex>& families, int& largest) {
  KeyedGraphs hashed(matrices, order, false, [&](const KeyedGraph& slot) {
    for (std::size_t k = 0; k < families.size(); ++k) families[k].AddHashed(slot.hashes[k]);
  });
  const GraphFormat format = ReadGraphs(input, maxNode, [&](ListedGraph& graph) {
    largest = std::max(largest, LargestNode(graph));
    hashed.Add(graph);
  });
  hashed.Finish();
  bool grouping = false;
  for (CospectralIndex& index : families) grouping = index.Group() || grouping;
  const auto wanted = [&families](std::int64_t number) {
    return std::any_of(families.begin(), families.end(),
                       [number](const CospectralIndex& index) { return index.WantsKey(number); });
  };
  if (grouping) {
    KeyedGraphs keyed(matrices, order, true, [&](const KeyedGraph& slot) {
      for (std::size_t k = 0; k < families.size(); ++k) {
        if (families[k].WantsKey(slot.graph.number)) {
          families[k].AddKey(slot.graph.number, slot.keys[k], slot.form);
        }
      }
    });
    ReadGraphs(
        input, maxNode, [&](ListedGraph& graph) { keyed.Add(graph); }, wanted);
    keyed.Finish();
  }
  for (CospectralIndex& index : families) index.Seal();
  return format;
}

// Tells that no graph uses node `order`, the one the file name gives: a file
// renamed, or cut from a larger list, whose every graph would get isolated
// nodes it does not have.
void WarnUnusedOrder(const std::string& inputName, int order) {
  static_cast<void>(kVoice.Tell(inputName + ": no graph uses node " + std::to_string(order) +
                                ", the order the file name gives; give --order N for another"));
}

// The third reading: each graph's row written to `output` as it comes,
// then the summary told; the status.
int WriteRows(const Options& options, ReplayableInput& input,
              const std::vector<CospectralIndex>& families, int order, int maxNode,
              TableOutput& output) {
  const std::string inputName = program::InputName(options.input);
  const std::string outputName = program::OutputName(options.output);
  std::vector<TableSummary> summaries;
  const std::int64_t graphs = families[0].graphs();
  try {
    TableRows rows(
        options.matrices, options.digits, UsableCores(), families,
        [&output](std::string_view piece) { output.Write(piece); }, options.joint);
    std::int64_t count = 0;
    bool writing = false;  // whether a failure is the output's
    try {
      ReadGraphs(input, maxNode, [&](ListedGraph& graph) {
        if (++count > graphs) throw std::runtime_error("changed while being read");
        writing = true;
        rows.Add(graph, order);
        writing = false;
      });
    } catch (const std::system_error& e) {
      // (Set in the reader's sink, which cppcheck does not follow.)
      // cppcheck-suppress knownConditionTrueFalse
      return kVoice.Fail((writing ? outputName : inputName) + ": " + e.code().message());
    } catch (const EdgeListError& e) {
      return kVoice.Fail(inputName + ":" + std::to_string(e.line()) + ": changed while being read");
    }
    if (count != graphs) return kVoice.Fail(inputName + ": changed while being read");
    summaries = rows.Finish();
    output.Commit();
  } catch (const std::system_error& e) {
    return kVoice.Fail(outputName + ": " + e.code().message());
  } catch (const std::runtime_error& e) {
    return kVoice.Fail(inputName + ": " + e.what());
  }
  return kVoice.Tell(SummaryText(summaries)) ? 0 : 1;
}

// Checks the output, reads the input three times and writes the table; the
// status.
int Run(const Options& options) {
  const std::string inputName = program::InputName(options.input);
  if (SameFile(options.output, options.input)) {
    return kVoice.Fail(options.output + ": the input itself; give -o another file");
  }
  const std::string outputName = program::OutputName(options.output);
  std::optional<TableOutput> output;
  try {
    output.emplace(options.output);  // first, so that a long run does not end on a bad name
  } catch (const std::system_error& e) {
    return kVoice.Fail(outputName + ": " + e.code().message());
  }

  // Three readings: every graph's polynomials hashed; the exact polynomials
  // of the graphs whose hash is shared; then the rows, as the graphs come.
  ReplayableInput input(options.input);
  std::vector<CospectralIndex> families(SetsOf(options).size());
  int largest = 1;
  GraphFormat format = GraphFormat::kUndecided;
  int order = options.order;
  bool orderFromName = false;
  int maxNode = kMaxOrder;
  try {
    if (order == 0) {
      order = OrderOfFileName(options.input, input);
      orderFromName = order != 0;
    }
    if (order != 0) maxNode = order;
    format = IndexFamilies(SetsOf(options), order, maxNode, input, families, largest);
  } catch (const SpoolError& e) {
    return kVoice.Fail(e.what());
  } catch (const std::system_error& e) {
    return kVoice.Fail(inputName + ": " + e.code().message());
  } catch (const EdgeListError& e) {
    return kVoice.Fail(inputName + ":" + std::to_string(e.line()) + ": " + e.what());
  } catch (const std::runtime_error& e) {
    return kVoice.Fail(inputName + ": " + e.what());
  }
  if (format != GraphFormat::kGraph6) {
    if (order == 0) order = largest;
    if (orderFromName && families[0].graphs() > 0 && largest < order) {
      WarnUnusedOrder(inputName, order);
    }
  }

  return WriteRows(options, input, families, order, maxNode, *output);
}

}  // namespace

int RunSpectra(const std::vector<std::string_view>& arguments) {
  return program::RunCompanion(kVoice, UsageText, ParseOptions, Run, arguments);
}

}  // namespace grafen::spectra
