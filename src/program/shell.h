// What both companions are as programs: their messages, their usage and
// version, the failures every run may meet, and the entry point.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace grafen::program {

// A companion's voice on standard error: each message a line
// "NAME: message".
class Voice {
 public:
  explicit constexpr Voice(std::string_view name) : name_(name) {}
  // The program's name, as its messages and its version line begin.
  std::string_view name() const { return name_; }
  // Writes the message line; false when even that fails.
  bool Tell(const std::string& message) const;
  // Tells the message; returns the exit status 1.
  int Fail(const std::string& message) const;

 private:
  std::string_view name_;
};

// How messages name an input path ("-": "<stdin>") and an output path
// ("": "standard output").
std::string InputName(const std::string& path);
std::string OutputName(const std::string& path);

// What a command line asked for.
enum class Asked { kRun, kHelp, kVersion };

// Runs a companion: `parse` reads its command line (a UsageError is told,
// the usage text after it, and gives the status 2); help writes the usage
// text and version "NAME VERSION" to standard output (status 0); otherwise
// `run` gives the status. A failed write to standard output and running out
// of memory are told and give the status 1.
int RunCompanion(const Voice& voice, std::string (*usage)(), const std::function<Asked()>& parse,
                 const std::function<int()>& run);

// As above, for a program whose options say whether help or version was
// asked for: `run` is given the options `parse` read from the arguments.
template <class Options>
int RunCompanion(const Voice& voice, std::string (*usage)(),
                 Options (*parse)(const std::vector<std::string_view>&), int (*run)(const Options&),
                 const std::vector<std::string_view>& arguments) {
  Options options;
  return RunCompanion(
      voice, usage,
      [&] {
        options = parse(arguments);
        return options.help ? Asked::kHelp : (options.version ? Asked::kVersion : Asked::kRun);
      },
      [&] { return run(options); });
}

// The whole of a companion's main: a closed pipe or a file at the size limit
// made a failed write, `run` given the arguments (the program name left out),
// FLINT's caches freed; returns the status.
int Main(int argc, char** argv, int (*run)(const std::vector<std::string_view>&));

}  // namespace grafen::program
