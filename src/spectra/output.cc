#include "spectra/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
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

// An unnamed file for the copy of an input: gone once closed.
int UnnamedTemporaryFile() {
  const char* dir = std::getenv("TMPDIR");
  const std::string directory = dir != nullptr && *dir != '\0' ? dir : "/tmp";
  const int fd = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  // A file system without O_TMPFILE: a named file, unlinked at once.
  std::string name = directory + "/grafen-spectra-XXXXXX";
  const int named = ::mkostemp(name.data(), O_CLOEXEC);
  if (named < 0) RaiseErrno();
  static_cast<void>(::unlink(name.c_str()));
  return named;
}

}  // namespace

ReplayableInput::ReplayableInput(std::string path) : path_(std::move(path)) {}

ReplayableInput::~ReplayableInput() {
  if (owned_) static_cast<void>(::close(fd_));
}

void ReplayableInput::Read(const std::function<void(std::string_view)>& take) {
  if (readOnce_) {
    if (::lseek(fd_, start_, SEEK_SET) < 0) RaiseErrno();
    StreamDigest again;
    ReadDescriptor(fd_, [&](std::string_view block) {
      again.Add(block);
      take(block);
    });
    if (again.value() != digest_) throw std::runtime_error("changed while being read");
    return;
  }
  readOnce_ = true;
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
    StreamDigest first;
    ReadDescriptor(fd_, [&](std::string_view block) {
      first.Add(block);
      take(block);
    });
    digest_ = first.value();
    return;
  }
  struct Closer {
    int fd;
    bool owned;
    ~Closer() {
      if (owned) static_cast<void>(::close(fd));
    }
  } closer{source, !standardInput};
  fd_ = UnnamedTemporaryFile();
  owned_ = true;
  StreamDigest copied;
  ReadDescriptor(source, [&](std::string_view block) {
    WriteWhole(fd_, block);
    copied.Add(block);
    take(block);
  });
  digest_ = copied.value();
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
}

TableOutput::~TableOutput() {
  if (path_.empty()) return;
  if (fd_ >= 0) static_cast<void>(::close(fd_));
  if (!temporary_.empty()) static_cast<void>(::unlink(temporary_.c_str()));
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
}

}  // namespace grafen::spectra
