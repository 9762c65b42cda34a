#include "census/scatter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <map>
#include <system_error>
#include <utility>

#include "census/census.h"
#include "census/facts.h"
#include "formats/graph6.h"
#include "formats/graph_reader.h"
#include "io/batch_pipeline.h"
#include "io/input.h"
#include "io/mix.h"
#include "io/output.h"

namespace grafen::census {

using spectral::SpectralMatrix;

namespace {

// Graphs decoded and keyed together, on every thread at once.
constexpr std::size_t kBatch = 4096;
// Records held per part before they are appended to its file.
constexpr std::size_t kHeld = std::size_t{64} << 10;

// Throws ScatterError naming the file and why errno says it failed.
[[noreturn]] void Failed(const std::string& path) {
  throw ScatterError(path + ": " + std::generic_category().message(errno));
}

// Writes text at the end of the file at path (made if missing), synced
// when `sync`, and closes it. Throws std::system_error naming the file.
void Append(const std::string& path, std::string_view text, bool sync) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) Failed(path);
  try {
    io::WriteWhole(fd, text);
  } catch (const std::system_error& e) {
    ::close(fd);
    throw ScatterError(path + ": " + e.code().message());
  }
  if ((sync && ::fsync(fd) != 0) || ::close(fd) != 0) Failed(path);
}

// A directory made beside `target` under a name of its own, removed with
// what it holds unless Commit has renamed it to `target`.
class PendingDirectory {
 public:
  explicit PendingDirectory(std::string target) : target_(std::move(target)) {
    while (target_.size() > 1 && target_.back() == '/') target_.pop_back();
    path_ = target_;
    path_.append(".pending.").append(std::to_string(::getpid()));
    if (::mkdir(path_.c_str(), 0777) != 0) Failed(path_);
  }
  ~PendingDirectory() {
    if (committed_) return;
    for (const std::string& name : names_) ::unlink((path_ + "/" + name).c_str());
    ::rmdir(path_.c_str());
  }
  PendingDirectory(const PendingDirectory&) = delete;
  PendingDirectory& operator=(const PendingDirectory&) = delete;

  // The path of a file in it, noted for removal.
  std::string File(const std::string& name) {
    names_.push_back(name);
    return path_ + "/" + name;
  }
  // Syncs the directory and renames it into place; a target already there
  // (and not empty) is left alone: std::errc::file_exists.
  void Commit() {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0 || ::close(fd) != 0) Failed(path_);
    if (std::rename(path_.c_str(), target_.c_str()) != 0) {
      if (errno == ENOTEMPTY || errno == EEXIST) {
        throw ScatterError(target_ + ": already there (a slice is spooled once)");
      }
      Failed(target_);
    }
    committed_ = true;
  }

 private:
  std::string target_;
  std::string path_;
  std::vector<std::string> names_;
  bool committed_ = false;
};

// A graph of a batch: its text, the hash of it, and its record and part for
// each matrix (1-based).
struct Routing {
  ListedGraph graph;
  int order = 0;
  std::string text;
  std::uint64_t hash = 0;
  std::string records;  // each matrix's in turn, of one length (room kept)
  std::vector<int> parts;
  // Matrix m's record.
  std::string_view record(std::size_t m) const {
    const std::size_t length = records.size() / parts.size();
    return std::string_view(records).substr(m * length, length);
  }
};

// The records of every matrix and part, held and appended to their files.
class Records {
 public:
  Records(PendingDirectory& directory, const ScatterRequest& request) {
    for (const SpectralMatrix matrix : request.matrices) {
      for (int k = 1; k <= request.parts; ++k) {
        paths_.push_back(directory.File(RecordsName(matrix, k)));
      }
    }
    held_.resize(paths_.size());
  }
  // Adds a record to file f.
  void Add(std::size_t f, std::string_view text) {
    held_[f].append(text).push_back('\n');
    if (held_[f].size() >= kHeld) {
      Append(paths_[f], held_[f], false);
      held_[f].clear();
    }
  }
  // Appends what is held, making every file, and syncs them.
  void Finish() {
    for (std::size_t f = 0; f < paths_.size(); ++f) Append(paths_[f], held_[f], true);
  }

 private:
  std::vector<std::string> paths_;
  std::vector<std::string> held_;
};

// Works out a graph's text, hash, records and parts: each matrix's
// polynomial, hashed, as a reducer's census would in its first reading.
void Route(const ScatterRequest& request, Routing& g) {
  if (g.text.empty()) g.text = Graph6(g.order, g.graph.edges);  // not read as graph6
  g.hash = TextHash(g.text);
  g.records.clear();
  g.parts.resize(request.matrices.size());
  thread_local std::string key;
  for (std::size_t m = 0; m < request.matrices.size(); ++m) {
    // A graph without the matrix, which the reducer's census leaves out,
    // goes to part 1.
    const Counted counted{{request.matrices[m]}, {}};
    Fingerprint fingerprint;
    g.parts[m] = 1;
    if (HasAll(counted, g.order, g.graph.edges)) {
      bool integral = false;
      const std::uint64_t hash = HashedFacts(counted, g.graph, g.order, key, integral, nullptr);
      fingerprint = FingerprintOf(hash, integral);
      g.parts[m] = PartOfFingerprint(fingerprint, request.parts);
    }
    AppendRecord(g.records, g.text, fingerprint);
  }
}

// The print's rows, by order and edge count.
std::vector<SlicePrint> PrintRows(const std::map<std::pair<int, int>, InputPrint>& read,
                                  const ScatterRequest& request) {
  std::vector<SlicePrint> rows;
  for (const auto& [at, input] : read) {
    SlicePrint row{request.slice, request.slices, request.parts, {}, at.first, at.second, input};
    for (const SpectralMatrix m : request.matrices)
      row.matrices.emplace_back(spectral::MatrixLetter(m));
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

Fingerprint FingerprintOf(std::uint64_t hash, bool integral) {
  return Fingerprint{hash & ((std::uint64_t{1} << 35) - 1), integral};
}

void AppendRecord(std::string& out, std::string_view graph6, Fingerprint fingerprint) {
  out.append(graph6).push_back(' ');
  const std::uint64_t bits = fingerprint.hash << 1 | (fingerprint.integral ? 1U : 0U);
  for (int shift = 30; shift >= 0; shift -= 6) {
    out.push_back(static_cast<char>(63 + (bits >> shift & 63U)));
  }
}

std::optional<Fingerprint> FingerprintNamed(std::string_view tail) {
  if (tail.size() != 6) return std::nullopt;
  std::uint64_t bits = 0;
  for (const char c : tail) {
    const int value = static_cast<unsigned char>(c) - 63;
    if (value < 0 || value > 63) return std::nullopt;
    bits = bits << 6 | static_cast<std::uint64_t>(value);
  }
  return Fingerprint{bits >> 1, (bits & 1U) != 0};
}

int PartOfFingerprint(const Fingerprint& fingerprint, int parts) {
  return PartOf(io::Mix(fingerprint.hash), parts);
}

std::string RecordsName(SpectralMatrix matrix, int part) {
  std::string name(spectral::MatrixLetter(matrix));
  return name.append("-").append(std::to_string(part)).append(".g6");
}

std::vector<SlicePrint> Scatter(const std::string& input, const ScatterRequest& request) {
  PendingDirectory directory(request.spool);
  Records records(directory, request);
  std::map<std::pair<int, int>, InputPrint> read;
  const std::size_t parts = static_cast<std::size_t>(request.parts);
  io::BatchPipeline<Routing> pipeline(
      kBatch, request.threads, io::Taking::kWhileComputing,
      {[&](Routing& g) { Route(request, g); },
       [&](const Routing& g) {
         InputPrint& print = read[{g.order, static_cast<int>(g.graph.edges.size())}];
         ++print.graphs;
         print.hashSum += g.hash;
         for (std::size_t m = 0; m < g.parts.size(); ++m) {
           records.Add(m * parts + static_cast<std::size_t>(g.parts[m] - 1), g.record(m));
         }
       },
       {}});
  const int order = request.order;
  GraphReader reader(order != 0 ? order : kMaxOrder, [&](ListedGraph& graph) {
    Routing& slot = pipeline.Add();
    std::swap(slot.graph.edges, graph.edges);
    slot.graph.number = graph.number;
    if (graph.order == 0 && order == 0) {
      throw EdgeListError(0, "an edge list needs its order: give --order N");
    }
    slot.order = graph.order != 0 ? graph.order : order;
    slot.text.assign(graph.graph6);
  });
  io::ReadBlocks(input, [&reader](std::string_view block) { reader.Feed(block); });
  reader.Finish();
  pipeline.Finish();
  records.Finish();
  std::vector<SlicePrint> rows = PrintRows(read, request);
  Append(directory.File(kPrintName), SlicePrintText(rows), true);
  directory.Commit();
  return rows;
}

}  // namespace grafen::census
