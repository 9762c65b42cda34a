// The grafen entry point: check the argument, run, report a fault if one
// ends the run.
#include <csignal>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/fault.h"
#include "cli/text_out.h"
#include "enumeration/run.h"
#include "enumeration/sieve.h"

namespace {

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
  return grafen::RunReportingFaults([argc, argv] {
    grafen::ProgramName = BaseName(argc > 0 ? argv[0] : nullptr);
    std::vector<std::string_view> arguments;
    for (int k = 1; k < argc; ++k) arguments.emplace_back(argv[k]);
    grafen::ReadArguments(arguments);
    grafen::RunEnumeration();
    grafen::ReleaseSeenSet();
    grafen::Flush(grafen::Console);
  });
}
