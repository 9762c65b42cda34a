#include "test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "cli/text_out.h"

namespace grafen::testing {

namespace {

// Seconds a child may run: far beyond any run the tests make, far below the
// ctest timeout, so a hang fails as itself.
constexpr unsigned kChildSeconds = 60;

}  // namespace

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "grafen-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  ::chmod(path_.c_str(), 0755);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

std::vector<std::string> FileNames(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

CapturedConsole::CapturedConsole()
    : fd_(::open((dir_ / "console").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)) {
  Console = TextOut{};
  Console.fd = fd_;
}

CapturedConsole::~CapturedConsole() {
  Console = TextOut{};
  ::close(fd_);
}

std::string CapturedConsole::Text() {
  Flush(Console);
  return ReadFile(dir_ / "console");
}

RunResult RunBinary(const std::string& binary, const std::vector<std::string>& arguments,
                    const RunOptions& options) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  // With no reader left before the child starts, its first write must fail.
  if (options.stdoutClosedPipe) ::close(pipeFds[0]);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (!options.dir.empty() && ::chdir(options.dir.c_str()) != 0) ::_exit(120);
    if (!options.stdoutPath.empty()) {
      const int out = ::open(options.stdoutPath.c_str(), O_WRONLY);
      if (out < 0) ::_exit(121);
      ::dup2(out, STDOUT_FILENO);
    } else {
      ::dup2(pipeFds[1], STDOUT_FILENO);
    }
    if (!options.stdoutClosedPipe) ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    if (options.addressSpaceLimit > 0) {
      const rlimit limit{static_cast<rlim_t>(options.addressSpaceLimit),
                         static_cast<rlim_t>(options.addressSpaceLimit)};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    if (options.fileSizeLimit > 0) {
      const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                         static_cast<rlim_t>(options.fileSizeLimit)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.asUnprivilegedUser && ::geteuid() == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(122);
    }
    static_cast<void>(::signal(SIGPIPE, SIG_DFL));
    ::alarm(kChildSeconds);  // a hung run ends by SIGALRM, well before ctest's timeout
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  RunResult result;
  if (!options.stdoutClosedPipe) {
    char chunk[65536];
    ssize_t got = 0;
    while ((got = ::read(pipeFds[0], chunk, sizeof chunk)) > 0) {
      result.output.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  if (result.signal == SIGALRM) {
    ADD_FAILURE() << binary << " did not finish within " << kChildSeconds << " s";
  }
  return result;
}

RunResult RunGrafen(const ScratchDir& dir, const std::vector<std::string>& arguments,
                    RunOptions options) {
  options.dir = dir.path();
  if (!options.asUnprivilegedUser) return RunBinary(GrafenBinary(), arguments, options);
  // The unprivileged user may not reach the build tree (a checkout in a home
  // directory of mode 0700): it runs a copy in a scratch directory of its own.
  const ScratchDir copyDir;
  const std::string copy = copyDir / "grafen";
  std::filesystem::copy_file(GrafenBinary(), copy);
  std::filesystem::permissions(
      copy, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                std::filesystem::perms::others_exec);
  return RunBinary(copy, arguments, options);
}

std::string GrafenBinary() { return GRAFEN_BINARY; }
std::string AllClassesBinary() { return GRAFEN_ALL_CLASSES_BINARY; }
std::string LiteralBinary() { return GRAFEN_LITERAL_BINARY; }

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace grafen::testing
