#include "io/input.h"

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

#include "io/output.h"

namespace grafen::io {
namespace {

[[noreturn]] void RaiseErrno() { throw std::system_error(errno, std::generic_category()); }

// Input comes in blocks of this size.
constexpr std::size_t kBlock = 1 << 16;

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
}  // namespace grafen::io
