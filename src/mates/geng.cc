#include "mates/geng.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <system_error>
#include <utility>

extern char** environ;

namespace grafen::mates {
namespace {

// The most of a run's standard error kept for its failure's message.
constexpr std::size_t kErrorTextKept = 160;

// How long a wait for output lasts before the stop flag is looked at again.
constexpr int kPollMilliseconds = 100;

// The text of an error number.
std::string ErrorText(int error) { return std::generic_category().message(error); }

// Closes fd unless it is -1, and makes it -1.
void Close(int& fd) {
  if (fd >= 0) static_cast<void>(::close(fd));
  fd = -1;
}

// Both ends of a pipe, closed on exec (a child gets only the ends it is
// given as its standard descriptors) and closed here when they go.
struct Pipe {
  Pipe() {
    std::array<int, 2> ends{-1, -1};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
      throw SearchError(std::string("cannot make a pipe for ") + kGengProgram + ": " +
                        ErrorText(errno));
    }
    reading = ends[0];
    writing = ends[1];
  }
  ~Pipe() {
    Close(reading);
    Close(writing);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int reading = -1;
  int writing = -1;
};

// Starts the program of arguments[0], found on PATH, with standard input
// from /dev/null, standard output and error into the pipes, and SIGPIPE and
// SIGXFSZ back to their defaults (this process ignores them, and a child
// inherits what is ignored). Sets pid; returns 0, or the error number.
int Spawn(const std::vector<std::string>& arguments, const Pipe& output, const Pipe& errors,
          pid_t& pid) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  int error = posix_spawn_file_actions_init(&actions);
  if (error != 0) return error;
  error = posix_spawnattr_init(&attributes);
  if (error != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return error;
  }
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGXFSZ);
  error = posix_spawnattr_setsigdefault(&attributes, &defaults);
  if (error == 0) error = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  if (error == 0) {
    error = posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  if (error == 0) error = posix_spawn_file_actions_adddup2(&actions, output.writing, STDOUT_FILENO);
  if (error == 0) error = posix_spawn_file_actions_adddup2(&actions, errors.writing, STDERR_FILENO);
  if (error == 0) error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error;
}

// The first line of text.
std::string FirstLine(const std::string& text) {
  const std::size_t end = text.find_first_of("\r\n");
  return text.substr(0, end);
}

}  // namespace

GengProcess::GengProcess(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (!command_.empty()) command_.push_back(' ');
    command_.append(argument);
  }
  Pipe output;
  Pipe errors;
  pid_t pid = -1;
  if (const int error = Spawn(arguments, output, errors, pid); error != 0) {
    if (error == ENOENT) {
      throw SearchError(std::string(kGengProgram) + " not found: install the Debian package " +
                        kGengPackage);
    }
    throw SearchError("cannot start " + command_ + ": " + ErrorText(error));
  }
  pid_ = pid;
  output_ = std::exchange(output.reading, -1);
  errors_ = std::exchange(errors.reading, -1);
}

GengProcess::~GengProcess() {
  Close(output_);
  Close(errors_);
  if (pid_ <= 0) return;
  static_cast<void>(::kill(pid_, SIGTERM));
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
}

bool GengProcess::ReadAll(const std::function<void(std::string_view)>& take,
                          const std::atomic<bool>& stop) {
  const auto keepError = [this](std::string_view text) {
    errorText_.append(text.substr(0, kErrorTextKept - std::min(kErrorTextKept, errorText_.size())));
  };
  while (output_ >= 0 || errors_ >= 0) {
    if (stop.load(std::memory_order_relaxed)) return false;
    std::array<pollfd, 2> ready{{{output_, POLLIN, 0}, {errors_, POLLIN, 0}}};
    if (::poll(ready.data(), ready.size(), kPollMilliseconds) < 0) {
      if (errno == EINTR) continue;
      throw SearchError("cannot wait for the output of " + command_ + ": " + ErrorText(errno));
    }
    if (ready[0].revents != 0) ReadReady(output_, take);
    if (ready[1].revents != 0) ReadReady(errors_, keepError);
  }
  Wait();
  return true;
}

void GengProcess::ReadReady(int& fd, const std::function<void(std::string_view)>& take) {
  const ssize_t got = ::read(fd, buffer_.data(), buffer_.size());
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (got < 0) {
    throw SearchError("cannot read the output of " + command_ + ": " + ErrorText(errno));
  }
  if (got == 0) {
    Close(fd);
    return;
  }
  take(std::string_view(buffer_.data(), static_cast<std::size_t>(got)));
}

void GengProcess::Wait() {
  int status = 0;
  pid_t done = -1;
  do {
    done = ::waitpid(pid_, &status, 0);
  } while (done < 0 && errno == EINTR);
  if (done < 0) throw SearchError("cannot wait for " + command_ + ": " + ErrorText(errno));
  pid_ = -1;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
  std::string message = command_;
  if (WIFSIGNALED(status)) {
    message.append(" was killed by signal ").append(std::to_string(WTERMSIG(status)));
  } else {
    message.append(" failed with exit status ").append(std::to_string(WEXITSTATUS(status)));
  }
  if (const std::string said = FirstLine(errorText_); !said.empty()) {
    message.append(": ").append(said);
  }
  throw SearchError(message);
}

}  // namespace grafen::mates
