#include "census/run.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "census/census.h"
#include "census/options.h"
#include "formats/edge_list_reader.h"
#include "formats/graph_reader.h"
#include "io/input.h"
#include "io/output.h"
#include "io/parallel.h"
#include "io/text.h"

#ifndef GRAFEN_VERSION
#define GRAFEN_VERSION "unknown"
#endif

namespace grafen::census {

using io::Counted;
namespace {

constexpr std::string_view kProgram = "grafen-census: ";

using io::Counted;

// A part table is small: a few hundred rows. Anything far larger is refused
// before it is held.
constexpr std::size_t kMaxTableBytes = std::size_t{64} << 20;

bool Tell(const std::string& message) {
  try {
    io::WriteWhole(STDERR_FILENO, std::string(kProgram) + message + "\n");
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

int Fail(const std::string& message) {
  static_cast<void>(Tell(message));
  return 1;
}

std::string NameOf(const std::string& path) { return path == "-" ? "<stdin>" : path; }

// Writes text to the output (standard output for "") whole, or not at all.
void Publish(const std::string& path, const std::string& text) {
  io::TableOutput output(path);
  output.Write(text);
  output.Commit();
}

// The summary line: graphs read, then per matrix its spectra and integral graphs.
std::string Summary(const std::vector<CensusRow>& rows) {
  std::int64_t read = 0;
  for (const CensusRow& row : rows) {
    if (row.matrix == rows.front().matrix) read += static_cast<std::int64_t>(row.input.graphs);
  }
  std::string text = Counted(rows.empty() ? 0 : read, "graph") + " read";
  for (std::size_t k = 0; k < rows.size();) {
    const char matrix = rows[k].matrix;
    CensusRow total;
    for (; k < rows.size() && rows[k].matrix == matrix; ++k) {
      total.distinctSpectra += rows[k].distinctSpectra;
      total.withMate += rows[k].withMate;
      total.integral += rows[k].integral;
    }
    text.append("; ").append(1, matrix).append(": ");
    text.append(Counted(total.distinctSpectra, "distinct spectrum", "distinct spectra") + ", " +
                std::to_string(total.withMate) + " with a cospectral mate, " +
                std::to_string(total.integral) + " integral");
  }
  return text;
}

// The paths of the file `list` (standard input for "-"), one a line, empty
// lines left out, appended to `paths`. Throws std::system_error.
void ReadTableList(const std::string& list, std::vector<std::string>& paths) {
  std::string line;
  io::ReadBlocks(list, [&](std::string_view block) {
    for (const char c : block) {
      if (c != '\n') {
        line.push_back(c);
      } else if (!line.empty()) {
        paths.push_back(std::move(line));
        line.clear();
      }
    }
  });
  if (!line.empty()) paths.push_back(std::move(line));
}

int Merge(const Options& options) {
  std::vector<std::string> paths = options.inputs;
  if (!options.tables.empty()) {
    if (io::SameFile(options.output, options.tables)) {
      return Fail(options.output + ": the list of tables; give -o another file");
    }
    try {
      ReadTableList(options.tables, paths);
    } catch (const std::system_error& e) {
      return Fail(NameOf(options.tables) + ": " + e.code().message());
    }
    if (paths.empty()) return Fail(NameOf(options.tables) + ": names no tables");
  }
  std::vector<std::vector<CensusRow>> tables;
  std::vector<std::string> names;
  for (const std::string& path : paths) {
    if (io::SameFile(options.output, path)) {
      return Fail(options.output + ": one of the tables merged; give -o another file");
    }
    std::string text;
    try {
      io::ReadBlocks(path, [&text](std::string_view block) {
        if (text.size() + block.size() > kMaxTableBytes) {
          throw TableError(0, "larger than any census table");
        }
        text.append(block);
      });
      tables.push_back(ReadCensusTable(text));
    } catch (const std::system_error& e) {
      return Fail(NameOf(path) + ": " + e.code().message());
    } catch (const TableError& e) {
      return Fail(NameOf(path) + (e.line() > 0 ? ":" + std::to_string(e.line()) : "") + ": " +
                  e.what());
    }
    names.push_back(NameOf(path));
  }
  std::vector<CensusRow> merged;
  try {
    merged = MergeParts(tables, names);
  } catch (const std::runtime_error& e) {
    return Fail(e.what());
  }
  try {
    Publish(options.output, CensusText(merged));
  } catch (const std::system_error& e) {
    return Fail((options.output.empty() ? "standard output" : options.output) + ": " +
                e.code().message());
  }
  return Tell(Counted(static_cast<long long>(tables.size()), "table") +
              " merged: " + Summary(merged))
             ? 0
             : 1;
}

// Why the outputs cannot be written as asked, "" when they can: one of them
// is the input, or both are one file.
std::string OutputClash(const Options& options) {
  const std::string& path = options.inputs.front();
  if (io::SameFile(options.families, path)) {
    return options.families + ": the input itself; give --families another file";
  }
  if (io::SameFile(options.output, path)) {
    return options.output + ": the input itself; give -o another file";
  }
  if (io::SameDestination(options.output, options.families)) {
    return options.output + ": the --families file too; give -o another file";
  }
  return "";
}

// The progress line's callback: the reading under way, its graphs so far
// and their rate, redrawn about once a second (runs take minutes).
std::function<void(std::int64_t)> Progress(const io::ReplayableInput& input) {
  struct Shown {
    int reading = 0;
    std::chrono::steady_clock::time_point start, last;
  };
  return [&input, shown = Shown{}](std::int64_t read) mutable {
    const auto now = std::chrono::steady_clock::now();
    if (shown.reading != input.readings()) shown = {input.readings(), now, now};
    if (now - shown.last < std::chrono::seconds(1)) return;
    shown.last = now;
    const double seconds = std::chrono::duration<double>(now - shown.start).count();
    static_cast<void>(Tell("\r" + std::string(kProgram) + "reading " +
                           std::to_string(shown.reading) + ": " + Counted(read, "graph") + ", " +
                           std::to_string(static_cast<long>(static_cast<double>(read) / seconds)) +
                           " graphs/s   \033[A"));
  };
}

// Takes the census and writes the table (and the families); the status.
int Count(const Options& options) {
  const std::string& path = options.inputs.front();
  if (const std::string clash = OutputClash(options); !clash.empty()) return Fail(clash);
  io::ReplayableInput input(path);
  CensusRequest request;
  request.matrices = options.matrices;
  request.part = options.part;
  request.order = options.order;
  request.threads = io::UsableCores();
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  if (terminal) request.progress = Progress(input);
  std::optional<io::TableOutput> familiesOut;
  std::optional<io::TableOutput> tableOut;
  const std::string* failing = &options.families;
  try {
    // Opened first, so that a run of hours does not end on a bad name.
    if (!options.families.empty()) familiesOut.emplace(options.families);
    failing = &options.output;
    tableOut.emplace(options.output);
  } catch (const std::system_error& e) {
    return Fail((failing->empty() ? "standard output" : *failing) + ": " + e.code().message());
  }
  std::vector<CensusRow> rows;
  std::string families;
  try {
    if (request.order == 0) request.order = OrderOfFileName(path, input);
    rows = TakeCensus(input, request, familiesOut ? &families : nullptr);
  } catch (const io::SpoolError& e) {
    return Fail(e.what());
  } catch (const std::system_error& e) {
    return Fail(NameOf(path) + ": " + e.code().message());
  } catch (const EdgeListError& e) {
    return Fail(NameOf(path) + (e.line() > 0 ? ":" + std::to_string(e.line()) : "") + ": " +
                e.what());
  } catch (const std::runtime_error& e) {
    return Fail(NameOf(path) + ": " + e.what());
  }
  if (terminal) static_cast<void>(Tell("\r\033[K\033[A"));
  try {
    if (familiesOut) {
      failing = &options.families;
      familiesOut->Write(families);
      familiesOut->Commit();
    }
    failing = &options.output;
    tableOut->Write(CensusText(rows));
    tableOut->Commit();
  } catch (const std::system_error& e) {
    return Fail((failing->empty() ? "standard output" : *failing) + ": " + e.code().message());
  }
  return Tell(Summary(rows)) ? 0 : 1;
}

}  // namespace

int RunCensus(const std::vector<std::string_view>& arguments) {
  Options options;
  try {
    options = ParseOptions(arguments);
  } catch (const UsageError& e) {
    try {
      io::WriteWhole(STDERR_FILENO, std::string(kProgram) + e.what() + "\n" + UsageText());
    } catch (const std::system_error&) {
      // Standard error is gone: the status alone tells the usage error.
    }
    return 2;
  }
  try {
    if (options.help || options.version) {
      io::WriteWhole(STDOUT_FILENO, options.help
                                        ? UsageText()
                                        : std::string("grafen-census ") + GRAFEN_VERSION + "\n");
      return 0;
    }
    return options.merge ? Merge(options) : Count(options);
  } catch (const std::system_error& e) {
    return Fail("standard output: " + e.code().message());
  } catch (const std::bad_alloc&) {
    return Fail("out of memory");
  }
}

}  // namespace grafen::census
