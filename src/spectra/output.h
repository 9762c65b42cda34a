// Checked input and output: an input file or standard input taken whole, a
// text written whole to a descriptor, and the table's destination, either
// standard output or a file replaced atomically.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace grafen::spectra {

// The whole content of the file at path, or of standard input for "-": a
// regular file is mapped into memory (its pages come straight from the page
// cache, which is much cheaper here than filling fresh memory), anything
// else is read. Throws std::system_error.
class InputText {
 public:
  explicit InputText(const std::string& path);
  ~InputText();
  InputText(const InputText&) = delete;
  InputText& operator=(const InputText&) = delete;
  std::string_view text() const;

 private:
  void* mapped_ = nullptr;
  std::size_t size_ = 0;
  std::string read_;
};

// Writes all of text to the descriptor; throws std::system_error.
void WriteWhole(int fd, std::string_view text);

// Where the table goes: standard output (path ""), or a temporary file beside
// path that Commit renames onto path, so that path holds either its old
// content or the whole table, never a part. Written through a buffer.
// Throws std::system_error; an uncommitted temporary file is removed when
// the object goes.
class TableOutput {
 public:
  explicit TableOutput(const std::string& path);
  ~TableOutput();
  TableOutput(const TableOutput&) = delete;
  TableOutput& operator=(const TableOutput&) = delete;

  // Appends text; full buffers go to the file at once.
  void Write(std::string_view text);
  // Flushes; for a file, also sets its mode, syncs, closes and renames it.
  void Commit();

 private:
  void Flush();

  int fd_ = -1;
  std::string path_;
  std::string temporary_;
  std::string buffer_;
};

}  // namespace grafen::spectra
