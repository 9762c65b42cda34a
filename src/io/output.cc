#include "io/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace grafen::io {
namespace {

[[noreturn]] void RaiseErrno() { throw std::system_error(errno, std::generic_category()); }

// The process's file-creation mask, read without changing it for good.
mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Output goes out in blocks of this size.
constexpr std::size_t kBlock = 1 << 16;

// The directory part of path, with its final slash; "" for a bare name.
std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// What path names once symbolic links are followed: the final path, and
// whether it exists, with its status if so. A dangling link names the
// missing file it points to. Links are read one at a time, rather than with
// realpath(), so that a dangling one still yields its target.
struct Destination {
  std::string path;
  bool exists = false;
  struct stat status {};
};

Destination Resolve(const std::string& path) {
  Destination destination{path};
  for (int links = 0;; ++links) {
    if (::lstat(destination.path.c_str(), &destination.status) != 0) {
      if (errno == ENOENT) return destination;
      RaiseErrno();
    }
    if (!S_ISLNK(destination.status.st_mode)) {
      destination.exists = true;
      return destination;
    }
    if (links == 40) throw std::system_error(ELOOP, std::generic_category());  // as the kernel
    std::vector<char> link(PATH_MAX);
    const ssize_t length = ::readlink(destination.path.c_str(), link.data(), link.size());
    if (length < 0) RaiseErrno();
    if (static_cast<std::size_t>(length) == link.size()) {
      throw std::system_error(ENAMETOOLONG, std::generic_category());
    }
    const std::string target(link.data(), static_cast<std::size_t>(length));
    // A relative link is relative to the directory that holds it.
    destination.path = target.starts_with('/') ? target : DirectoryOf(destination.path) + target;
  }
}

// The temporary files the signal handler removes: fixed slots of C strings,
// so that the handler needs neither allocation nor locks. A slot is used
// once its path is whole.
constexpr std::size_t kTemporarySlots = 16;
struct TemporarySlot {
  std::array<char, PATH_MAX> path{};
  volatile std::sig_atomic_t used = 0;
};
std::array<TemporarySlot, kTemporarySlots> temporaries;

// Removes every temporary file listed, then lets the signal end the program
// as it would have: the default action, delivered once the handler returns.
extern "C" void RemoveTemporaries(int signal) {
  for (const TemporarySlot& slot : temporaries) {
    if (slot.used != 0) static_cast<void>(::unlink(slot.path.data()));
  }
  static_cast<void>(std::signal(signal, SIG_DFL));
  static_cast<void>(::raise(signal));
}

// Sets the handler for the signals that end a run, once; a signal ignored
// (as under nohup) stays ignored.
void HandleEndingSignals() {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true)) return;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction action {};
    if (::sigaction(signal, nullptr, &action) != 0 || action.sa_handler == SIG_IGN) continue;
    action.sa_handler = RemoveTemporaries;
    sigemptyset(&action.sa_mask);
    for (const int also : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&action.sa_mask, also);
    static_cast<void>(::sigaction(signal, &action, nullptr));
  }
}

// Lists path for the handler; the slot, or -1 when none is free or the path
// does not fit (the file is then removed only on a normal end).
int ListTemporary(const std::string& path) {
  HandleEndingSignals();
  for (std::size_t k = 0; k < temporaries.size(); ++k) {
    TemporarySlot& slot = temporaries[k];
    if (slot.used != 0 || path.size() >= slot.path.size()) continue;
    path.copy(slot.path.data(), path.size());
    slot.path[path.size()] = '\0';
    std::atomic_signal_fence(std::memory_order_seq_cst);
    slot.used = 1;
    return static_cast<int>(k);
  }
  return -1;
}

// Takes a temporary file off the handler's list.
void UnlistTemporary(int slot) {
  if (slot >= 0) temporaries[static_cast<std::size_t>(slot)].used = 0;
}

}  // namespace

bool SameFile(const std::string& output, const std::string& input) {
  struct stat out {};
  struct stat in {};
  if (output.empty() || ::stat(output.c_str(), &out) != 0 || S_ISCHR(out.st_mode)) return false;
  if (input == "-") {
    if (::fstat(STDIN_FILENO, &in) != 0 || !S_ISREG(in.st_mode)) return false;
  } else if (::stat(input.c_str(), &in) != 0) {
    return false;
  }
  return in.st_dev == out.st_dev && in.st_ino == out.st_ino;
}

namespace {

// The canonical name of a missing file: its directory's real path, then
// its own name; "" when the directory cannot be resolved.
std::string CanonicalMissing(const std::string& path) {
  const std::string directory = DirectoryOf(path);
  std::vector<char> real(PATH_MAX);
  if (::realpath(directory.empty() ? "." : directory.c_str(), real.data()) == nullptr) return "";
  return std::string(real.data()) + "/" + path.substr(directory.size());
}

}  // namespace

bool SameDestination(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  Destination first;
  Destination second;
  try {
    first = Resolve(a);
    second = Resolve(b);
  } catch (const std::system_error&) {
    return false;  // a link that cannot be followed: opening the output says why
  }
  if (first.exists != second.exists) return false;
  if (first.exists) {
    return !S_ISCHR(first.status.st_mode) && first.status.st_dev == second.status.st_dev &&
           first.status.st_ino == second.status.st_ino;
  }
  const std::string canonical = CanonicalMissing(first.path);
  return !canonical.empty() && canonical == CanonicalMissing(second.path);
}

void WriteWhole(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t put = ::write(fd, text.data(), text.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) RaiseErrno();
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

TableOutput::TableOutput(const std::string& path) : path_(path) {
  buffer_.reserve(kBlock);
  if (path.empty()) {
    fd_ = STDOUT_FILENO;
    return;
  }
  const Destination destination = Resolve(path);
  if (destination.exists && !S_ISREG(destination.status.st_mode)) {
    // A device or FIFO is the reader itself: renaming over it would put a
    // plain file in its place. A directory fails here with EISDIR.
    fd_ = ::open(destination.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) RaiseErrno();
    return;
  }
  // As a file created the usual way, or as the file it replaces.
  mode_ = destination.exists ? destination.status.st_mode & 07777 : 0666 & ~CurrentUmask();
  target_ = destination.path;
  const std::string directory = DirectoryOf(target_);
  temporary_ = directory + "." + target_.substr(directory.size()) + ".XXXXXX";
  fd_ = ::mkstemp(temporary_.data());
  if (fd_ < 0) {
    temporary_.clear();
    RaiseErrno();
  }
  slot_ = ListTemporary(temporary_);
}

TableOutput::~TableOutput() {
  if (path_.empty()) return;
  if (fd_ >= 0) static_cast<void>(::close(fd_));
  if (!temporary_.empty()) static_cast<void>(::unlink(temporary_.c_str()));
  UnlistTemporary(slot_);
}

void TableOutput::Write(std::string_view text) {
  buffer_.append(text);
  if (buffer_.size() >= kBlock) Flush();
}

void TableOutput::Flush() {
  WriteWhole(fd_, buffer_);
  buffer_.clear();
}

void TableOutput::Commit() {
  Flush();
  if (path_.empty()) return;
  if (!temporary_.empty()) {
    if (::fchmod(fd_, mode_) != 0) RaiseErrno();
    if (::fsync(fd_) != 0) RaiseErrno();
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) RaiseErrno();  // a late write error on some file systems
  if (temporary_.empty()) return;
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) RaiseErrno();
  temporary_.clear();
  UnlistTemporary(slot_);
  slot_ = -1;
}

}  // namespace grafen::io
