// The grafen entry point: check the argument, run, report a fault if one
// ends the run.
#include <csignal>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/fault.h"
#include "cli/text_out.h"
#include "enumeration/run.h"
#include "enumeration/sieve.h"

namespace {

// Flushes what the console holds and writes the report, then returns 1. When
// the console itself has failed, the exit status alone tells the failure.
int Report(const grafen::Fault& fault) {
  static_cast<void>(
      grafen::TryWriteNow(grafen::Console, grafen::FaultReport(fault, grafen::ProgramName)));
  return 1;
}

std::string BaseName(const char* path) {
  if (path == nullptr || *path == '\0') return "grafen";
  const char* slash = std::strrchr(path, '/');
  return slash != nullptr && slash[1] != '\0' ? slash + 1 : path;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe on standard output, or a file grown to the process's size
  // limit, is a failed write like any other: reported, not a silent death.
  // (Ignoring these cannot fail: valid signals, valid action.)
  static_cast<void>(std::signal(SIGPIPE, SIG_IGN));
  static_cast<void>(std::signal(SIGXFSZ, SIG_IGN));
  grafen::OpenConsole();
  grafen::ProgramName = BaseName(argc > 0 ? argv[0] : nullptr);
  try {
    try {
      std::vector<std::string_view> arguments;
      for (int k = 1; k < argc; ++k) arguments.emplace_back(argv[k]);
      grafen::ReadArguments(arguments);
      grafen::RunEnumeration();
      grafen::ReleaseSeenSet();
      grafen::Flush(grafen::Console);
    } catch (const std::bad_alloc&) {
      grafen::RaiseOutOfMemory();
    }
  } catch (const grafen::Fault& fault) {
    return Report(fault);
  }
  return 0;
}
