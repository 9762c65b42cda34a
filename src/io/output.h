// Checked output: a text written whole to a descriptor, and the table's
// destination: standard output, a file replaced atomically, or a device or
// FIFO written directly.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace grafen::io {

// Whether output, its symbolic links followed, is the file that input names
// ("-": standard input, when it is a regular file): the same device and
// inode. A missing output and a character device (/dev/null) never are.
bool SameFile(const std::string& output, const std::string& input);

// Whether two outputs, their symbolic links followed, would be one file:
// the same device and inode, or, not there yet, the same name in the same
// directory. Character devices (/dev/null) never are, nor a path whose
// links cannot be followed (opening it tells why).
bool SameDestination(const std::string& a, const std::string& b);

// Writes all of text to the descriptor; throws std::system_error.
void WriteWhole(int fd, std::string_view text);

// Where the table goes: standard output (path ""), or the file at path. A
// symbolic link is followed to the file it finally names, which is then the
// destination. A regular or missing file is written as a temporary file
// beside it that Commit renames into place, so it holds either its old
// content or the whole table, never a part; an existing file keeps its
// permission bits, a new one gets 0666 less the umask. Anything else (a
// device, a FIFO, a socket) is opened and written directly. Written through
// a buffer. Throws std::system_error; an uncommitted temporary file is
// removed when the object goes, and when SIGTERM, SIGINT or SIGHUP ends the
// program.
class TableOutput {
 public:
  explicit TableOutput(const std::string& path);
  ~TableOutput();
  TableOutput(const TableOutput&) = delete;
  TableOutput& operator=(const TableOutput&) = delete;

  // Appends text; full buffers go to the file at once.
  void Write(std::string_view text);
  // Flushes; for a regular file, also sets its mode, syncs, closes and
  // renames it; for anything else, closes it.
  void Commit();

 private:
  void Flush();

  int fd_ = -1;
  std::string path_;
  std::string target_;     // where a temporary file is renamed to
  std::string temporary_;  // "" unless writing through a temporary file
  int slot_ = -1;          // its place in the list the signal handler removes
  mode_t mode_ = 0;
  std::string buffer_;
};

}  // namespace grafen::io
