#include "mates/run.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

#include "formats/graph_reader.h"
#include "io/input.h"
#include "io/output.h"
#include "io/parallel.h"
#include "io/text.h"
#include "mates/mates.h"
#include "mates/options.h"
#include "program/shell.h"

namespace grafen::mates {

namespace {

constexpr program::Voice kVoice("grafen-mates");

using io::Counted;

// The table's header line, with its line end.
constexpr std::string_view kHeader = "graph,graph6,matrix,determined,mates,mate_graph6\r\n";

// How a failure at line `line` of the input at path is named: "path:line",
// or "path" alone where no line is known (0).
std::string WhereIn(const std::string& path, long long line) {
  std::string where = program::InputName(path);
  if (line > 0) where.append(":").append(std::to_string(line));
  return where;
}

// The graphs of the input, each with its order set: its own in graph6, else
// --order or the N of grafenN.txt. Throws std::system_error, io::SpoolError,
// EdgeListError and std::runtime_error.
std::vector<ListedGraph> ReadGraphs(const Options& options) {
  io::ReplayableInput input(options.input);
  const int order = options.order != 0 ? options.order : OrderOfFileName(options.input, input);
  std::vector<ListedGraph> graphs;
  GraphReader reader(order != 0 ? order : kMaxOrder, [&](ListedGraph& graph) {
    if (graph.order == 0 && order == 0) {
      throw EdgeListError(0, "an edge list needs its order: give --order N");
    }
    graphs.push_back(graph);
    if (graph.order == 0) graphs.back().order = order;
  });
  input.Read([&reader](std::string_view block) { reader.Feed(block); });
  reader.Finish();
  return graphs;
}

// Why the graphs cannot be searched, "" when they can: the first of an
// order above the largest searched.
std::string TooLarge(const std::vector<ListedGraph>& graphs) {
  for (const ListedGraph& graph : graphs) {
    if (graph.order <= kMaxSearchOrder) continue;
    static_assert(kMaxSearchOrder == 11, "the message names the graphs of order 12");
    std::string why = "graph " + std::to_string(graph.number) + " has order " +
                      std::to_string(graph.order) + ": mates are searched up to order 11";
    why.append(" (nauty-geng would make up to 16,006,173,014 graphs of one edge count of order");
    why.append(" 12, hours of work, and ever more beyond)");
    return why;
  }
  return "";
}

// The table: a row per graph and matrix, in the graphs' order, matrices A,
// G, L, Q, S; CSV with CR LF line ends.
std::string TableText(const MatesQuestion& question, const MatesAnswer& answer) {
  std::string text(kHeader);
  for (std::size_t g = 0; g < question.graphs.size(); ++g) {
    for (std::size_t k = 0; k < question.matrices.size(); ++k) {
      const std::vector<std::string>& mates = answer.mates[g][k];
      io::AppendNumber(text, question.graphs[g].number);
      text.append(",").append(answer.forms[g]).append(",");
      text.append(spectral::MatrixLetter(question.matrices[k]));
      const ListedGraph& graph = question.graphs[g];
      if (!spectral::HasMatrix(question.matrices[k], graph.order, graph.edges)) {
        text.append(",,,\r\n");  // a disconnected graph has no distance spectrum
        continue;
      }
      text.append(mates.empty() ? ",yes," : ",no,");
      io::AppendNumber(text, static_cast<long long>(mates.size()));
      std::string list;
      for (const std::string& mate : mates) io::AppendItem(list, mate);
      text.append(",").append(list).append("\r\n");
    }
  }
  return text;
}

// The summary line: graphs read, per matrix how many are determined by
// their spectrum and how many have a mate, and the search's size.
std::string Summary(const MatesQuestion& question, const MatesAnswer& answer) {
  std::string text = Counted(static_cast<long long>(question.graphs.size()), "graph") + " read";
  for (std::size_t k = 0; k < question.matrices.size(); ++k) {
    long long determined = 0;
    long long withMate = 0;
    for (std::size_t g = 0; g < question.graphs.size(); ++g) {
      const ListedGraph& graph = question.graphs[g];
      if (!spectral::HasMatrix(question.matrices[k], graph.order, graph.edges)) continue;
      (answer.mates[g][k].empty() ? determined : withMate) += 1;
    }
    text.append("; ").append(spectral::MatrixLetter(question.matrices[k])).append(": ");
    text.append(std::to_string(determined) + " determined, " + std::to_string(withMate) +
                " with a cospectral mate");
  }
  text.append("; " + Counted(answer.runs, "run") + " of nauty-geng, " +
              Counted(answer.candidates, "graph") + " compared");
  return text;
}

// Reads the graphs, finds their mates and writes the table; the status.
int Run(const Options& options) {
  if (io::SameFile(options.output, options.input)) {
    return kVoice.Fail(options.output + ": the input itself; give -o another file");
  }
  std::optional<io::TableOutput> output;
  try {
    output.emplace(options.output);  // first, so that a long search does not end on a bad name
  } catch (const std::system_error& e) {
    return kVoice.Fail(program::OutputName(options.output) + ": " + e.code().message());
  }
  MatesQuestion question;
  question.matrices = options.matrices;
  try {
    question.graphs = ReadGraphs(options);
  } catch (const io::SpoolError& e) {
    return kVoice.Fail(e.what());
  } catch (const std::system_error& e) {
    return kVoice.Fail(program::InputName(options.input) + ": " + e.code().message());
  } catch (const EdgeListError& e) {
    return kVoice.Fail(WhereIn(options.input, e.line()) + ": " + e.what());
  } catch (const std::runtime_error& e) {
    return kVoice.Fail(program::InputName(options.input) + ": " + e.what());
  }
  if (const std::string why = TooLarge(question.graphs); !why.empty()) {
    return kVoice.Fail(program::InputName(options.input) + ": " + why);
  }
  MatesAnswer answer;
  try {
    answer = FindMates(question, io::UsableCores());
  } catch (const SearchError& e) {
    return kVoice.Fail(e.what());
  } catch (const std::system_error& e) {
    return kVoice.Fail("cannot start a thread for the search: " + e.code().message());
  }
  try {
    output->Write(TableText(question, answer));
    output->Commit();
  } catch (const std::system_error& e) {
    return kVoice.Fail(program::OutputName(options.output) + ": " + e.code().message());
  }
  return kVoice.Tell(Summary(question, answer)) ? 0 : 1;
}

}  // namespace

int RunMates(const std::vector<std::string_view>& arguments) {
  return program::RunCompanion(kVoice, UsageText, ParseOptions, Run, arguments);
}

}  // namespace grafen::mates
