// The grafen-census entry point: the spectral census of a graph stream, as
// CSV. All the work is in run.cc.
#include <flint/flint.h>

#include <csignal>
#include <string_view>
#include <vector>

#include "census/run.h"

int main(int argc, char** argv) {
  // A closed pipe or a file at the size limit is a failed write, reported
  // with a message and status 1 rather than a silent death by signal.
  static_cast<void>(std::signal(SIGPIPE, SIG_IGN));
  static_cast<void>(std::signal(SIGXFSZ, SIG_IGN));
  std::vector<std::string_view> arguments;
  for (int k = 1; k < argc; ++k) arguments.emplace_back(argv[k]);
  const int status = grafen::census::RunCensus(arguments);
  flint_cleanup_master();
  return status;
}
