#include "spectra/output.h"

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

namespace grafen::spectra {
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

// Hands what fd holds from its current offset on to `take`, block by block.
void ReadDescriptor(int fd, const std::function<void(std::string_view)>& take) {
  std::vector<char> block(kBlock);
  for (;;) {
    const ssize_t got = ::read(fd, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) RaiseErrno();
    if (got == 0) return;
    take(std::string_view(block.data(), static_cast<std::size_t>(got)));
  }
}

// A digest of a byte stream that any change of a byte or of the bytes'
// order alters with near certainty: FNV-1a over 64 bits.
class StreamDigest {
 public:
  void Add(std::string_view bytes) {
    for (const char c : bytes) value_ = (value_ ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  }
  std::uint64_t value() const { return value_; }

 private:
  std::uint64_t value_ = 0xcbf29ce484222325ULL;
};

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

void ReadBlocks(const std::string& path, const std::function<void(std::string_view)>& take) {
  const bool standardInput = path == "-";
  const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseErrno();
  struct Closer {
    int fd;
    bool owned;
    ~Closer() {
      if (owned) static_cast<void>(::close(fd));
    }
  } closer{fd, !standardInput};
  ReadDescriptor(fd, take);
}

namespace {

// The directory of the spool, and how the messages name it.
struct SpoolDirectory {
  std::string path;
  std::string named;
};

SpoolDirectory SpoolDirectoryOf() {
  const char* dir = std::getenv("TMPDIR");
  if (dir != nullptr && *dir != '\0') return {dir, std::string("$TMPDIR (") + dir + ")"};
  return {"/tmp", "/tmp"};
}

// What a failure of the spool of path says: the spool and its directory.
[[noreturn]] void RaiseSpoolError(const std::string& path, int error) {
  throw SpoolError("the spool (the temporary copy) of " + (path == "-" ? "<stdin>" : path) +
                   " in " + SpoolDirectoryOf().named + ": " +
                   std::generic_category().message(error));
}

// An unnamed file for the copy of an input: gone once closed. Throws
// SpoolError.
int UnnamedTemporaryFile(const std::string& input) {
  const std::string directory = SpoolDirectoryOf().path;
  const int fd = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  // A file system without O_TMPFILE: a named file, unlinked at once.
  std::string name = directory + "/grafen-spectra-XXXXXX";
  const int named = ::mkostemp(name.data(), O_CLOEXEC);
  if (named < 0) RaiseSpoolError(input, errno);
  static_cast<void>(::unlink(name.c_str()));
  return named;
}

}  // namespace

ReplayableInput::ReplayableInput(std::string path) : path_(std::move(path)) {}

ReplayableInput::~ReplayableInput() {
  if (sourceOwned_) static_cast<void>(::close(source_));
  if (owned_) static_cast<void>(::close(fd_));
}

void ReplayableInput::Open() {
  opened_ = true;
  const bool standardInput = path_ == "-";
  const int source = standardInput ? STDIN_FILENO : ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) RaiseErrno();
  struct stat status {};
  if (::fstat(source, &status) != 0) {
    const int error = errno;
    if (!standardInput) static_cast<void>(::close(source));
    throw std::system_error(error, std::generic_category());
  }
  const off_t at = S_ISREG(status.st_mode) ? ::lseek(source, 0, SEEK_CUR) : -1;
  if (at >= 0) {
    fd_ = source;
    owned_ = !standardInput;
    start_ = at;
    return;
  }
  source_ = source;
  sourceOwned_ = !standardInput;
  fd_ = UnnamedTemporaryFile(path_);
  owned_ = true;
}

void ReplayableInput::Pass(const std::function<void(std::string_view)>& take) {
  if (!opened_) Open();
  if (::lseek(fd_, start_, SEEK_SET) < 0) RaiseErrno();
  ReadDescriptor(fd_, take);
  if (source_ < 0) return;
  // The spool ends where the source was left: the rest is copied as it is
  // read (a pass stopped early leaves the spool a whole prefix of it).
  ReadDescriptor(source_, [&](std::string_view block) {
    try {
      WriteWhole(fd_, block);
    } catch (const std::system_error& e) {
      RaiseSpoolError(path_, e.code().value());
    }
    take(block);
  });
  if (sourceOwned_) static_cast<void>(::close(source_));
  source_ = -1;
  sourceOwned_ = false;
}

void ReplayableInput::Read(const std::function<void(std::string_view)>& take) {
  ++readings_;
  StreamDigest digest;
  Pass([&](std::string_view block) {
    digest.Add(block);
    take(block);
  });
  if (readings_ == 1) {
    digest_ = digest.value();
  } else if (digest.value() != digest_) {
    throw std::runtime_error("changed while being read");
  }
}

int ReplayableInput::FirstByteNotIn(std::string_view skipped) {
  struct Found {
    int byte;
  };
  try {
    Pass([skipped](std::string_view block) {
      const std::size_t at = block.find_first_not_of(skipped);
      if (at != std::string_view::npos) throw Found{static_cast<unsigned char>(block[at])};
    });
  } catch (const Found& found) {
    return found.byte;
  }
  return -1;
}

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

}  // namespace grafen::spectra
