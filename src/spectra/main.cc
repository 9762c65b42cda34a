// The grafen-spectra entry point: the Laplacian spectrum of every graph of an
// edge list, as CSV. All the work is in run.cc.
#include <flint/flint.h>

#include <csignal>
#include <string_view>
#include <vector>

#include "spectra/run.h"

int main(int argc, char** argv) {
  // A closed pipe or a file at the size limit is a failed write, reported
  // with a message and status 1 rather than a silent death by signal.
  static_cast<void>(std::signal(SIGPIPE, SIG_IGN));
  static_cast<void>(std::signal(SIGXFSZ, SIG_IGN));
  std::vector<std::string_view> arguments;
  for (int k = 1; k < argc; ++k) arguments.emplace_back(argv[k]);
  const int status = grafen::spectra::RunSpectra(arguments);
  flint_cleanup_master();
  return status;
}
