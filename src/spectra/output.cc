#include "spectra/output.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
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

}  // namespace

InputText::InputText(const std::string& path) {
  const bool standardInput = path == "-";
  const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseErrno();
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
    void* mapped = ::mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ,
                          MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (mapped != MAP_FAILED) {
      mapped_ = mapped;
      size_ = static_cast<std::size_t>(status.st_size);
      if (!standardInput) static_cast<void>(::close(fd));
      return;
    }
  }
  std::vector<char> block(kBlock);
  for (;;) {
    const ssize_t got = ::read(fd, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      const int error = errno;
      if (!standardInput) static_cast<void>(::close(fd));
      if (got < 0) throw std::system_error(error, std::generic_category());
      return;
    }
    read_.append(block.data(), static_cast<std::size_t>(got));
  }
}

InputText::~InputText() {
  if (mapped_ != nullptr) static_cast<void>(::munmap(mapped_, size_));
}

std::string_view InputText::text() const {
  return mapped_ != nullptr ? std::string_view(static_cast<const char*>(mapped_), size_) : read_;
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
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  temporary_ = directory + "." + base + ".XXXXXX";
  fd_ = ::mkstemp(temporary_.data());
  if (fd_ < 0) {
    temporary_.clear();
    RaiseErrno();
  }
}

TableOutput::~TableOutput() {
  if (temporary_.empty()) return;
  if (fd_ >= 0) static_cast<void>(::close(fd_));
  static_cast<void>(::unlink(temporary_.c_str()));
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
  if (temporary_.empty()) return;
  // As a file created the usual way: readable by all that the umask allows.
  if (::fchmod(fd_, 0666 & ~CurrentUmask()) != 0) RaiseErrno();
  if (::fsync(fd_) != 0) RaiseErrno();
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) RaiseErrno();  // a late write error on some file systems
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) RaiseErrno();
  temporary_.clear();
}

}  // namespace grafen::spectra
