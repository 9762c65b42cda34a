#include "census/run.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "census/census.h"
#include "census/options.h"
#include "results/edge_list_reader.h"
#include "spectra/options.h"
#include "spectra/output.h"
#include "spectra/parallel.h"

#ifndef GRAFEN_VERSION
#define GRAFEN_VERSION "unknown"
#endif

namespace grafen::census {
namespace {

constexpr std::string_view kProgram = "grafen-census: ";

// A part table is small: a few hundred rows. Anything far larger is refused
// before it is held.
constexpr std::size_t kMaxTableBytes = std::size_t{64} << 20;

bool Tell(const std::string& message) {
  try {
    spectra::WriteWhole(STDERR_FILENO, std::string(kProgram) + message + "\n");
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
  spectra::TableOutput output(path);
  output.Write(text);
  output.Commit();
}

// The summary line: graphs read, then per matrix its spectra and integral graphs.
std::string Summary(const std::vector<CensusRow>& rows) {
  std::int64_t read = 0;
  for (const CensusRow& row : rows) {
    if (row.matrix == rows.front().matrix) read += static_cast<std::int64_t>(row.input.graphs);
  }
  std::string text = std::to_string(rows.empty() ? 0 : read) + " graphs read";
  for (std::size_t k = 0; k < rows.size();) {
    const char matrix = rows[k].matrix;
    CensusRow total;
    for (; k < rows.size() && rows[k].matrix == matrix; ++k) {
      total.distinctSpectra += rows[k].distinctSpectra;
      total.withMate += rows[k].withMate;
      total.integral += rows[k].integral;
    }
    text.append("; ").append(1, matrix).append(": ");
    text.append(std::to_string(total.distinctSpectra) + " distinct spectra, " +
                std::to_string(total.withMate) + " with a cospectral mate, " +
                std::to_string(total.integral) + " integral");
  }
  return text;
}

// The paths of the file `list` (standard input for "-"), one a line, empty
// lines left out, appended to `paths`. Throws std::system_error.
void ReadTableList(const std::string& list, std::vector<std::string>& paths) {
  std::string line;
  spectra::ReadBlocks(list, [&](std::string_view block) {
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
    std::string text;
    try {
      spectra::ReadBlocks(path, [&text](std::string_view block) {
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
  return Tell(std::to_string(tables.size()) + " tables merged: " + Summary(merged)) ? 0 : 1;
}

int Count(const Options& options) {
  const std::string& path = options.inputs.front();
  CensusRequest request;
  request.matrices = options.matrices;
  request.part = options.part;
  request.order = options.order;
  if (request.order == 0) {
    if (const std::optional<long> named = spectra::OrderFromFileName(path)) {
      if (*named < 1 || *named > 62) {
        return Fail(NameOf(path) + ": the order " + std::to_string(*named) +
                    " of the file name is outside 1..62 (give --order)");
      }
      request.order = static_cast<int>(*named);
    }
  }
  request.threads = spectra::UsableCores();
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  const auto start = std::chrono::steady_clock::now();
  auto shown = start;
  if (terminal) {
    // A progress line, redrawn about once a second: runs take minutes.
    request.progress = [&](std::int64_t read) {
      const auto now = std::chrono::steady_clock::now();
      if (now - shown < std::chrono::seconds(1)) return;
      shown = now;
      const double seconds = std::chrono::duration<double>(now - start).count();
      static_cast<void>(
          Tell("\r" + std::string(kProgram) + std::to_string(read) + " graphs, " +
               std::to_string(static_cast<long>(static_cast<double>(read) / seconds)) +
               " graphs/s   \033[A"));
    };
  }
  std::vector<CensusRow> rows;
  std::string families;
  try {
    spectra::ReplayableInput input(path);
    rows = TakeCensus(input, request, options.families.empty() ? nullptr : &families);
  } catch (const std::system_error& e) {
    return Fail(NameOf(path) + ": " + e.code().message());
  } catch (const EdgeListError& e) {
    return Fail(NameOf(path) + (e.line() > 0 ? ":" + std::to_string(e.line()) : "") + ": " +
                e.what());
  } catch (const std::runtime_error& e) {
    return Fail(NameOf(path) + ": " + e.what());
  }
  if (terminal) static_cast<void>(Tell("\r\033[K\033[A"));
  const std::string* failing = &options.output;
  try {
    if (!options.families.empty()) {
      failing = &options.families;
      Publish(options.families, families);
    }
    failing = &options.output;
    Publish(options.output, CensusText(rows));
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
      spectra::WriteWhole(STDERR_FILENO, std::string(kProgram) + e.what() + "\n" + UsageText());
    } catch (const std::system_error&) {
      // Standard error is gone: the status alone tells the usage error.
    }
    return 2;
  }
  try {
    if (options.help || options.version) {
      spectra::WriteWhole(
          STDOUT_FILENO,
          options.help ? UsageText() : std::string("grafen-census ") + GRAFEN_VERSION + "\n");
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
