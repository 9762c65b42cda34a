#include "spectra/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

namespace grafen::spectra {
namespace {

[[noreturn]] void RaiseErrno() { throw std::system_error(errno, std::generic_category()); }

// Closes a descriptor when it goes, unless released.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) static_cast<void>(::close(fd_));
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, reporting a failed close (a late write error on some file systems).
  void Close() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) RaiseErrno();
  }

 private:
  int fd_;
};

// The process's file-creation mask, read without changing it for good.
mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

std::string ReadWhole(const std::string& path) {
  const bool standardInput = path == "-";
  Descriptor owned(standardInput ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  const int fd = standardInput ? STDIN_FILENO : owned.get();
  if (fd < 0) RaiseErrno();
  std::string text;
  std::vector<char> block(1 << 16);
  for (;;) {
    const ssize_t got = ::read(fd, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) RaiseErrno();
    if (got == 0) return text;
    text.append(block.data(), static_cast<std::size_t>(got));
  }
}

void WriteWhole(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t put = ::write(fd, text.data(), text.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) RaiseErrno();
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

void ReplaceFile(const std::string& path, std::string_view text) {
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temporary = directory + "." + base + ".XXXXXX";
  Descriptor file(::mkstemp(temporary.data()));
  if (file.get() < 0) RaiseErrno();
  try {
    WriteWhole(file.get(), text);
    // As a file created the usual way: readable by all that the umask allows.
    if (::fchmod(file.get(), 0666 & ~CurrentUmask()) != 0) RaiseErrno();
    if (::fsync(file.get()) != 0) RaiseErrno();
    file.Close();
    if (::rename(temporary.c_str(), path.c_str()) != 0) RaiseErrno();
  } catch (...) {
    static_cast<void>(::unlink(temporary.c_str()));
    throw;
  }
}

}  // namespace grafen::spectra
