// Checked input: a file or standard input taken whole, block by block, and
// an input read more than once, the same bytes each time.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace grafen::io {

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

}  // namespace grafen::io
