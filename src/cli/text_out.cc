#include "cli/text_out.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "cli/fault.h"

namespace grafen {

TextOut Console;

namespace {

// Writes all bytes, retrying short writes; returns 0 or the failing errno.
int WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

int FlushBuffer(TextOut& out) {
  const int error = WriteAll(out.fd, out.buffer.data(), out.buffer.size());
  out.buffer.clear();
  return error;
}

}  // namespace

void OpenConsole() {
  Console.fd = STDOUT_FILENO;
  Console.capacity = 128;
  Console.flushEveryWrite = ::isatty(STDOUT_FILENO) == 1;
  Console.buffer.reserve(Console.capacity);
}

void Write(TextOut& out, std::string_view text) {
  while (!text.empty()) {
    const std::size_t room = out.capacity - out.buffer.size();
    const std::size_t taken = text.size() < room ? text.size() : room;
    out.buffer.append(text.substr(0, taken));
    text.remove_prefix(taken);
    if (out.buffer.size() >= out.capacity) Flush(out);
  }
  if (out.flushEveryWrite) Flush(out);
}

void WriteLine(TextOut& out, std::string_view text) {
  std::string line(text);
  line += LineEnd;
  Write(out, line);
}

void Flush(TextOut& out) {
  if (out.buffer.empty()) return;
  const int error = FlushBuffer(out);
  if (error != 0) RaiseIoError(error);
}

bool TryWriteNow(TextOut& out, std::string_view text) {
  const bool flushed = out.buffer.empty() || FlushBuffer(out) == 0;
  return WriteAll(out.fd, text.data(), text.size()) == 0 && flushed;
}

TextOut CreateTextFile(const std::string& name) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) RaiseIoError(errno);
  TextOut out;
  out.fd = fd;
  out.buffer.reserve(out.capacity);
  return out;
}

void Close(TextOut& out) {
  Flush(out);
  const int fd = out.fd;
  out.fd = -1;
  if (::close(fd) != 0) RaiseIoError(errno);
}

std::string IntText(long long value) { return std::to_string(value); }

std::string PaddedInt(long long value, std::size_t width) {
  std::string text = IntText(value);
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

}  // namespace grafen
