// Checked input and output: an input file or standard input taken whole, a
// text written whole to a descriptor, and the table's destination: standard
// output, a file replaced atomically, or a device or FIFO written directly.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace grafen::spectra {

// Hands the content of the file at path, or of standard input for "-", to
// `take` block by block as it arrives, so that nothing more than a block is
// held here. Throws std::system_error, and whatever `take` throws.
void ReadBlocks(const std::string& path, const std::function<void(std::string_view)>& take);

// The spool of an input (its temporary copy) cannot be made or written: the
// message names it and its directory rather than the input.
class SpoolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An input read more than once, whole each time. A regular file (named, or
// as standard input) is read again from where it started; anything else (a
// pipe, a terminal, a FIFO) is copied, as the first reading goes, to an
// unnamed temporary file, the spool, in $TMPDIR (else /tmp) that later
// readings take instead, and that goes when the object does. A later
// reading must give the same bytes in the same order as the first, or it
// ends in std::runtime_error("changed while being read"): later readings
// find graphs by their place. Throws std::system_error, and SpoolError for
// the spool.
class ReplayableInput {
 public:
  explicit ReplayableInput(std::string path);
  ~ReplayableInput();
  ReplayableInput(const ReplayableInput&) = delete;
  ReplayableInput& operator=(const ReplayableInput&) = delete;

  // Hands the whole content to `take` block by block, as ReadBlocks does.
  void Read(const std::function<void(std::string_view)>& take);
  // The readings begun so far, FirstByteNotIn's aside.
  int readings() const { return readings_; }
  // The first byte of the content that is not in `skipped`, -1 when there is
  // none; every reading still gets the whole content.
  int FirstByteNotIn(std::string_view skipped);

 private:
  void Open();
  void Pass(const std::function<void(std::string_view)>& take);

  std::string path_;
  int fd_ = -1;         // what readings take: the file, or the spool
  bool owned_ = false;  // fd_ is ours to close
  off_t start_ = 0;     // where the content starts in fd_
  int source_ = -1;     // a pipe or the like, not yet copied whole to the spool
  bool sourceOwned_ = false;
  bool opened_ = false;
  int readings_ = 0;
  std::uint64_t digest_ = 0;  // of the bytes of the first whole reading
};

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

}  // namespace grafen::spectra
