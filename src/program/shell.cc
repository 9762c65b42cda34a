#include "program/shell.h"

#include <flint/flint.h>
#include <unistd.h>

#include <csignal>
#include <new>
#include <system_error>

#include "io/output.h"
#include "program/command_line.h"

#ifndef GRAFEN_VERSION
#define GRAFEN_VERSION "unknown"
#endif

namespace grafen::program {

bool Voice::Tell(const std::string& message) const {
  try {
    io::WriteWhole(STDERR_FILENO, std::string(name_) + ": " + message + "\n");
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

int Voice::Fail(const std::string& message) const {
  static_cast<void>(Tell(message));
  return 1;
}

std::string InputName(const std::string& path) { return path == "-" ? "<stdin>" : path; }

std::string OutputName(const std::string& path) { return path.empty() ? "standard output" : path; }

int RunCompanion(const Voice& voice, std::string (*usage)(), const std::function<Asked()>& parse,
                 const std::function<int()>& run) {
  Asked asked = Asked::kRun;
  try {
    asked = parse();
  } catch (const UsageError& e) {
    try {
      io::WriteWhole(STDERR_FILENO, std::string(voice.name()) + ": " + e.what() + "\n" + usage());
    } catch (const std::system_error&) {
      // Standard error is gone: the status alone tells the usage error.
    }
    return 2;
  }
  try {
    if (asked != Asked::kRun) {
      io::WriteWhole(STDOUT_FILENO, asked == Asked::kHelp
                                        ? usage()
                                        : std::string(voice.name()) + " " + GRAFEN_VERSION + "\n");
      return 0;
    }
    return run();
  } catch (const std::system_error& e) {
    return voice.Fail("standard output: " + e.code().message());
  } catch (const std::bad_alloc&) {
    return voice.Fail("out of memory");
  }
}

int Main(int argc, char** argv, int (*run)(const std::vector<std::string_view>&)) {
  // A closed pipe or a file at the size limit is a failed write, reported
  // with a message and status 1 rather than a silent death by signal.
  static_cast<void>(std::signal(SIGPIPE, SIG_IGN));
  static_cast<void>(std::signal(SIGXFSZ, SIG_IGN));
  std::vector<std::string_view> arguments;
  for (int k = 1; k < argc; ++k) arguments.emplace_back(argv[k]);
  const int status = run(arguments);
  flint_cleanup_master();
  return status;
}

}  // namespace grafen::program
