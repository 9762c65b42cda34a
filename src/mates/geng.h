// nauty-geng as a child process: started without a shell, its graph6 output
// read from a pipe, its failures turned into one message.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace grafen::mates {

// The program the search runs, found on PATH, and the Debian package that
// has it.
inline constexpr const char* kGengProgram = "nauty-geng";
inline constexpr const char* kGengPackage = "nauty";

// The search could not be made: nauty-geng is missing, failed, was killed
// or wrote something that is not what it was asked for. The message says
// which.
class SearchError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One run of nauty-geng with these arguments (the program's name first).
// Its standard output and standard error are pipes of this process; a run
// not waited for is ended (SIGTERM, to its own process id) and reaped when
// the object goes.
class GengProcess {
 public:
  // Starts the run. Throws SearchError, naming the Debian package when the
  // program is not found.
  explicit GengProcess(const std::vector<std::string>& arguments);
  ~GengProcess();
  GengProcess(const GengProcess&) = delete;
  GengProcess& operator=(const GengProcess&) = delete;

  // Hands its standard output to `take` block by block until it ends, then
  // waits for the run; returns false at once, the run still going, when
  // `stop` is set. Throws SearchError when the run failed or was killed,
  // and whatever `take` throws.
  bool ReadAll(const std::function<void(std::string_view)>& take, const std::atomic<bool>& stop);

 private:
  // Hands what is ready on the pipe `fd` (standard output or error) to
  // `take`; closes it, making it -1, at its end.
  void ReadReady(int& fd, const std::function<void(std::string_view)>& take);
  // Waits for the run to end. Throws SearchError unless it ended with
  // status 0.
  void Wait();

  std::string command_;  // the arguments, as messages name the run
  pid_t pid_ = -1;       // -1 once reaped
  int output_ = -1;
  int errors_ = -1;
  std::string errorText_;  // the start of what it wrote to standard error
  std::vector<char> buffer_ = std::vector<char>(std::size_t{1} << 16);  // a block read
};

}  // namespace grafen::mates
