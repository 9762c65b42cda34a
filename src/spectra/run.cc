#include "spectra/run.h"

#include <unistd.h>

#include <algorithm>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "results/edge_list_reader.h"
#include "spectra/options.h"
#include "spectra/output.h"
#include "spectra/table.h"

#ifndef GRAFEN_VERSION
#define GRAFEN_VERSION "unknown"
#endif

namespace grafen::spectra {
namespace {

constexpr std::string_view kProgram = "grafen-spectra: ";

// Writes a message line to standard error; false when even that fails.
bool Tell(const std::string& message) {
  try {
    WriteWhole(STDERR_FILENO, std::string(kProgram) + message + "\n");
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

// Reports a failure and gives the exit status 1.
int Fail(const std::string& message) {
  static_cast<void>(Tell(message));
  return 1;
}

// The largest node of any edge, 1 when there is none.
int LargestNode(const std::vector<ListedGraph>& graphs) {
  int largest = 1;
  for (const ListedGraph& graph : graphs) {
    for (const Edge& e : graph.edges) largest = std::max(largest, e.j);
  }
  return largest;
}

// The edge list at path ("-": standard input), read block by block as it
// arrives, so that a bad line ends the reading without the rest held.
// Throws std::system_error and EdgeListError.
std::vector<ListedGraph> ReadInput(const std::string& path, int maxNode) {
  EdgeListReader reader(maxNode);
  ReadBlocks(path, [&reader](std::string_view block) { reader.Feed(block); });
  return reader.Finish();
}

int Run(const Options& options) {
  const std::string inputName = options.input == "-" ? "<stdin>" : options.input;
  int order = options.order;
  if (order == 0) {
    if (const std::optional<long> named = OrderFromFileName(options.input)) {
      if (*named < kMinOrder || *named > kMaxOrder) {
        return Fail(inputName + ": the order " + std::to_string(*named) +
                    " of the file name is outside 1.." + std::to_string(kMaxOrder) +
                    " (give --order)");
      }
      order = static_cast<int>(*named);
    }
  }

  const bool orderFromName = order != 0 && options.order == 0;
  std::vector<ListedGraph> graphs;
  try {
    graphs = ReadInput(options.input, order != 0 ? order : kMaxOrder);
  } catch (const std::system_error& e) {
    return Fail(inputName + ": " + e.code().message());
  } catch (const EdgeListError& e) {
    return Fail(inputName + ":" + std::to_string(e.line()) + ": " + e.what());
  }
  if (order == 0) order = LargestNode(graphs);
  if (orderFromName && !graphs.empty() && LargestNode(graphs) < order) {
    // A file renamed, or cut from a larger list: every graph would get
    // isolated nodes it does not have.
    static_cast<void>(Tell(inputName + ": no graph uses node " + std::to_string(order) +
                           ", the order the file name gives; give --order N for another"));
  }

  TableSummary summary;
  try {
    TableOutput output(options.output);
    summary = WriteSpectraTable(graphs, order, options.digits, std::thread::hardware_concurrency(),
                                [&output](std::string_view piece) { output.Write(piece); });
    output.Commit();
  } catch (const std::system_error& e) {
    const std::string outputName = options.output.empty() ? "standard output" : options.output;
    return Fail(outputName + ": " + e.code().message());
  }
  return Tell(SummaryText(summary)) ? 0 : 1;
}

}  // namespace

int RunSpectra(const std::vector<std::string_view>& arguments) {
  Options options;
  try {
    options = ParseOptions(arguments);
  } catch (const UsageError& e) {
    try {
      WriteWhole(STDERR_FILENO, std::string(kProgram) + e.what() + "\n" + UsageText());
    } catch (const std::system_error&) {
      // Standard error is gone: the status alone tells the usage error.
    }
    return 2;
  }
  try {
    if (options.help || options.version) {
      WriteWhole(STDOUT_FILENO, options.help
                                    ? UsageText()
                                    : std::string("grafen-spectra ") + GRAFEN_VERSION + "\n");
      return 0;
    }
    return Run(options);
  } catch (const std::system_error& e) {
    return Fail("standard output: " + e.code().message());
  } catch (const std::bad_alloc&) {
    return Fail("out of memory");
  }
}

}  // namespace grafen::spectra
