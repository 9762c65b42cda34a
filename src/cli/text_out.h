// Checked, buffered text output: the console and both result files go through
// it. Every failed write, flush, creation or close raises EInOutError.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace grafen {

// An output stream over a file descriptor. Bytes collect in the buffer and
// reach the descriptor when the buffer fills, on Flush and on Close; with
// flushEveryWrite set (a terminal), at the end of every write as well.
struct TextOut {
  int fd = -1;
  std::size_t capacity = 128;
  bool flushEveryWrite = false;
  std::string buffer;
};

// Line end of every line the tool writes: CR LF.
inline constexpr std::string_view LineEnd = "\r\n";

// The console: standard output, flushed at every write when it is a terminal.
// Owned by the process, from the first write to the final flush.
extern TextOut Console;

// Prepares Console for standard output (terminal or redirected).
void OpenConsole();

// Appends text to the stream; full buffers reach the descriptor at once.
void Write(TextOut& out, std::string_view text);

// Appends text and CR LF.
void WriteLine(TextOut& out, std::string_view text);

// Sends everything buffered to the descriptor.
void Flush(TextOut& out);

// Flushes, then writes text straight to the descriptor, without raising:
// false when any of it could not be written. For the fault report, the last
// thing a failing process writes.
bool TryWriteNow(TextOut& out, std::string_view text);

// Creates (or truncates) a file for writing, with a 128-byte buffer.
TextOut CreateTextFile(const std::string& name);

// Flushes and closes a file stream.
void Close(TextOut& out);

// Decimal text of a number, "-" first when negative.
std::string IntText(long long value);

// The number right-aligned in a field of the given width (wider numbers whole).
std::string PaddedInt(long long value, std::size_t width);

}  // namespace grafen
