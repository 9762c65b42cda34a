// Helpers shared by the tests: scratch directories, whole-file reads, a
// console captured in a file, and runs of the built binary.
#pragma once

#include <string>
#include <vector>

namespace grafen::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
std::vector<std::string> FileNames(const std::string& dir);

// Points the tool's console at a file for the life of the object, and gives
// back what was written to it.
class CapturedConsole {
 public:
  CapturedConsole();
  ~CapturedConsole();
  CapturedConsole(const CapturedConsole&) = delete;
  CapturedConsole& operator=(const CapturedConsole&) = delete;
  std::string Text();  // flushes the console first

 private:
  ScratchDir dir_;
  int fd_;
};

// How a run of the binary ended.
struct RunResult {
  int status = -1;     // exit status, or -1 when killed by a signal
  int signal = 0;      // the signal that ended it, if any
  std::string output;  // everything written to standard output
};

// Options for a run: the directory it runs in, an address-space limit, a user
// to run as (root only), and a file to take standard output instead of a pipe.
struct RunOptions {
  std::string dir;
  long addressSpaceLimit = 0;
  long fileSizeLimit = 0;
  bool asUnprivilegedUser = false;
  std::string stdoutPath;
  bool stdoutClosedPipe = false;
};

// Runs the binary with the arguments, waits for it, with a time limit.
RunResult RunBinary(const std::string& binary, const std::vector<std::string>& arguments,
                    const RunOptions& options);

// Runs the built tool in a scratch directory.
RunResult RunGrafen(const ScratchDir& dir, const std::vector<std::string>& arguments,
                    RunOptions options = {});

// The built tool, its build that keeps every class, and its build with the
// literal sieve.
std::string GrafenBinary();
std::string AllClassesBinary();
std::string LiteralBinary();

// The CR LF joined form of lines, each ending in CR LF.
std::string Lines(const std::vector<std::string>& lines);

}  // namespace grafen::testing
