#include "census/run.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "census/census.h"
#include "census/options.h"
#include "census/scatter.h"
#include "formats/edge_list_reader.h"
#include "formats/graph_reader.h"
#include "io/input.h"
#include "io/output.h"
#include "io/parallel.h"
#include "io/text.h"
#include "program/shell.h"

namespace grafen::census {

namespace {

constexpr program::Voice kVoice("grafen-census");

using io::Counted;

// A part table is small: a few hundred rows. Anything far larger is refused
// before it is held.
constexpr std::size_t kMaxTableBytes = std::size_t{64} << 20;

// How a failure at line `line` of the input at path is named: "path:line",
// or "path" alone where no line is known (0).
std::string WhereIn(const std::string& path, long long line) {
  std::string where = program::InputName(path);
  if (line > 0) where.append(":").append(std::to_string(line));
  return where;
}

// Writes text to the output (standard output for "") whole, or not at all.
void Publish(const std::string& path, const std::string& text) {
  io::TableOutput output(path);
  output.Write(text);
  output.Commit();
}

// The summary line: graphs read, then per matrix its spectra, integral
// graphs, the copies of graphs counted once and, for a distance matrix, the
// disconnected graphs left out.
std::string Summary(const std::vector<CensusRow>& rows) {
  std::int64_t read = 0;
  for (const CensusRow& row : rows) {
    if (row.matrix == rows.front().matrix) read += static_cast<std::int64_t>(row.input.graphs);
  }
  std::string text = Counted(rows.empty() ? 0 : read, "graph") + " read";
  for (std::size_t k = 0; k < rows.size();) {
    const std::string matrix = rows[k].matrix;
    CensusRow total;
    std::int64_t leftOut = 0;  // a distance matrix's disconnected graphs
    for (; k < rows.size() && rows[k].matrix == matrix; ++k) {
      if (rows[k].part.whole()) {
        leftOut +=
            static_cast<std::int64_t>(rows[k].input.graphs) - rows[k].graphs - rows[k].copies;
      }
      total.distinctSpectra += rows[k].distinctSpectra;
      total.withMate += rows[k].withMate;
      total.integral += rows[k].integral;
      total.copies += rows[k].copies;
    }
    text.append("; ").append(matrix).append(": ");
    text.append(Counted(total.distinctSpectra, "distinct spectrum", "distinct spectra") + ", " +
                std::to_string(total.withMate) + " with a cospectral mate, " +
                std::to_string(total.integral) + " integral");
    if (total.copies > 0) {
      text.append(", " + Counted(total.copies, "isomorphic copy", "isomorphic copies") +
                  " set aside");
    }
    if (leftOut > 0) text.append(", " + Counted(leftOut, "disconnected graph") + " left out");
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

// What a merge reads: the tables, and the prints of the map tasks, with the
// names of their files.
struct MergeInputs {
  std::vector<std::vector<CensusRow>> tables;
  std::vector<std::string> names;
  std::vector<std::vector<SlicePrint>> prints;
  std::vector<std::string> printNames;
};

// Reads the table or print (told by its header) at path into `in`; why it
// cannot, "" when it can.
std::string ReadMergeInput(const std::string& path, MergeInputs& in) {
  std::string text;
  try {
    io::ReadBlocks(path, [&text](std::string_view block) {
      if (text.size() + block.size() > kMaxTableBytes) {
        throw TableError(0, "larger than any census table");
      }
      text.append(block);
    });
    if (std::string_view(text).starts_with(kSlicePrintHeader)) {
      in.prints.push_back(ReadSlicePrint(text));
      in.printNames.push_back(program::InputName(path));
      return "";
    }
    in.tables.push_back(ReadCensusTable(text));
  } catch (const std::system_error& e) {
    return program::InputName(path) + ": " + e.code().message();
  } catch (const TableError& e) {
    return WhereIn(path, e.line()) + ": " + e.what();
  }
  in.names.push_back(program::InputName(path));
  return "";
}

// Adds the part tables named into the census and writes it; the status.
int Merge(const Options& options) {
  std::vector<std::string> paths = options.inputs;
  if (!options.tables.empty()) {
    if (io::SameFile(options.output, options.tables)) {
      return kVoice.Fail(options.output + ": the list of tables; give -o another file");
    }
    try {
      ReadTableList(options.tables, paths);
    } catch (const std::system_error& e) {
      return kVoice.Fail(program::InputName(options.tables) + ": " + e.code().message());
    }
    if (paths.empty()) return kVoice.Fail(program::InputName(options.tables) + ": names no tables");
  }
  MergeInputs in;
  for (const std::string& path : paths) {
    if (io::SameFile(options.output, path)) {
      return kVoice.Fail(options.output + ": one of the tables merged; give -o another file");
    }
    if (const std::string failure = ReadMergeInput(path, in); !failure.empty()) {
      return kVoice.Fail(failure);
    }
  }
  std::vector<CensusRow> merged;
  try {
    merged = MergeParts(in.tables, in.names, in.prints, in.printNames);
  } catch (const std::runtime_error& e) {
    return kVoice.Fail(e.what());
  }
  try {
    Publish(options.output, CensusText(merged));
  } catch (const std::system_error& e) {
    return kVoice.Fail(program::OutputName(options.output) + ": " + e.code().message());
  }
  bool told = true;
  for (const std::string& gap : EdgeGaps(merged)) told = kVoice.Tell("warning: " + gap) && told;
  return told && kVoice.Tell(Counted(static_cast<long long>(in.tables.size()), "table") +
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
    // The line starts over the voice's own prefix, which the terminal shows
    // first.
    std::string line = "\r";
    line.append(kVoice.name()).append(": reading ");
    static_cast<void>(
        kVoice.Tell(line + std::to_string(shown.reading) + ": " + Counted(read, "graph") + ", " +
                    std::to_string(static_cast<long>(static_cast<double>(read) / seconds)) +
                    " graphs/s   \033[A"));
  };
}

// Takes the census and writes the table (and the families); the status.
int Count(const Options& options) {
  const std::string& path = options.inputs.front();
  if (const std::string clash = OutputClash(options); !clash.empty()) return kVoice.Fail(clash);
  io::ReplayableInput input(path);
  CensusRequest request;
  request.matrices = options.matrices;
  request.joint = options.joint;
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
    return kVoice.Fail(program::OutputName(*failing) + ": " + e.code().message());
  }
  std::vector<CensusRow> rows;
  std::string families;
  try {
    if (request.order == 0) request.order = OrderOfFileName(path, input);
    rows = TakeCensus(input, request, familiesOut ? &families : nullptr);
  } catch (const io::SpoolError& e) {
    return kVoice.Fail(e.what());
  } catch (const std::system_error& e) {
    return kVoice.Fail(program::InputName(path) + ": " + e.code().message());
  } catch (const EdgeListError& e) {
    return kVoice.Fail(WhereIn(path, e.line()) + ": " + e.what());
  } catch (const std::runtime_error& e) {
    return kVoice.Fail(program::InputName(path) + ": " + e.what());
  }
  if (terminal) static_cast<void>(kVoice.Tell("\r\033[K\033[A"));
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
    return kVoice.Fail(program::OutputName(*failing) + ": " + e.code().message());
  }
  return kVoice.Tell(Summary(rows)) ? 0 : 1;
}

// Routes the graphs of the input into the spool (--scatter); the status.
int ScatterInput(const Options& options) {
  const std::string& path = options.inputs.front();
  ScatterRequest request{options.matrices, options.scatter,   options.slice, options.slices,
                         options.order,    io::UsableCores(), options.spool};
  std::vector<SlicePrint> rows;
  try {
    rows = Scatter(path, request);
  } catch (const ScatterError& e) {
    return kVoice.Fail(e.what());
  } catch (const std::system_error& e) {
    return kVoice.Fail(program::InputName(path) + ": " + e.code().message());
  } catch (const EdgeListError& e) {
    return kVoice.Fail(WhereIn(path, e.line()) + ": " + e.what());
  }
  std::int64_t read = 0;
  for (const SlicePrint& row : rows) read += static_cast<std::int64_t>(row.input.graphs);
  return kVoice.Tell(Counted(read, "graph") + " read, routed into " + options.spool) ? 0 : 1;
}

// Merges part tables, routes graphs or takes the census, as the options
// ask; the status.
int Run(const Options& options) {
  if (options.merge) return Merge(options);
  return options.scatter != 0 ? ScatterInput(options) : Count(options);
}

}  // namespace

int RunCensus(const std::vector<std::string_view>& arguments) {
  return program::RunCompanion(kVoice, UsageText, ParseOptions, Run, arguments);
}

}  // namespace grafen::census
