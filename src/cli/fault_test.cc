#include "cli/fault.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>
#include <regex>

#include "cli/text_out.h"
#include "test_support.h"

namespace grafen {
namespace {

TEST(IoError, MapsSystemErrorsToTheToolsCodesAndMessages) {
  const struct {
    int error;
    const char* message;
  } cases[] = {
      {ENOENT, "File not found"},      {ENAMETOOLONG, "Invalid filename"},
      {ENOTDIR, "Invalid filename"},   {EINVAL, "Invalid filename"},
      {EMFILE, "Too many open files"}, {ENFILE, "Too many open files"},
      {EACCES, "File access denied"},  {EPERM, "File access denied"},
      {EROFS, "File access denied"},   {EISDIR, "File access denied"},
      {ENOSPC, "Disk full"},           {EPIPE, "I/O error 32"},
      {EFBIG, "I/O error 27"},         {EIO, "I/O error 5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IoErrorMessage(c.error), c.message) << c.error;
  }
  // Unmapped errors keep their own number, even where it equals a tool code.
  EXPECT_EQ(IoErrorMessage(ESRCH), "I/O error 3");
  EXPECT_EQ(IoErrorMessage(ENETUNREACH), "I/O error 101");
}

TEST(FaultReport, HasKindModuleAddressAndMessageEndingInOneDot) {
  EXPECT_EQ(FaultReport(Fault{"EInOutError", "Disk full", 0x00AB12CDU}, "grafen"),
            "Exception EInOutError in module grafen at 00AB12CD.\nDisk full.\r\n");
  EXPECT_EQ(FaultReport(Fault{"ERangeError", "Done.", 0xFFFFFFFFU}, "g"),
            "Exception ERangeError in module g at FFFFFFFF.\nDone.\r\n");
  EXPECT_EQ(FaultReport(Fault{"EOutOfMemory", "", 0}, "grafen"),
            "Exception EOutOfMemory in module grafen at 00000000.\n\r\n");
}

TEST(Raise, ThrowsTheFaultWithAnAddressNamingTheLine) {
  try {
    RaiseIoError(EACCES, 77, "/some/dir/file.cc");
    FAIL() << "no fault raised";
  } catch (const Fault& fault) {
    EXPECT_EQ(fault.kind, "EInOutError");
    EXPECT_EQ(fault.message, "File access denied");
    EXPECT_EQ(fault.address, SiteAddress("file.cc", 77));
    EXPECT_EQ(fault.address & 0xFFFFU, 77U);
  }
  EXPECT_NE(SiteAddress("a.cc", 5), SiteAddress("b.cc", 5));
  EXPECT_THROW(RaiseOutOfMemory(), Fault);
}

// Whatever ends the body, the entry point's status and the one report on the
// console say what it was; an allocation that fails anywhere is "Out of memory".
TEST(FaultPath, EveryFailureBecomesOneReportWithStatusOne) {
  const struct {
    std::function<void()> body;
    int status;
    const char* console;
  } cases[] = {
      {[] { Write(Console, "ok"); }, 0, "ok"},
      {[] {
         Write(Console, "Results ");
         throw std::bad_alloc();
       },
       1,
       "Results Exception EOutOfMemory in module grafen at [0-9A-F]{8}\\.\nOut of memory\\.\r\n"},
      {[] { RaiseIoError(ENOSPC); }, 1,
       "Exception EInOutError in module grafen at [0-9A-F]{8}\\.\nDisk full\\.\r\n"},
  };
  for (const auto& c : cases) {
    testing::CapturedConsole console;
    EXPECT_EQ(RunReportingFaults(c.body), c.status);
    const std::string text = console.Text();
    EXPECT_TRUE(std::regex_match(text, std::regex(c.console))) << text;
  }
}

// Reads what the terminal shows within a short wait, without a flush.
std::string ReadTerminal(int master) {
  pollfd ready{master, POLLIN, 0};
  std::string text;
  char chunk[64];
  while (::poll(&ready, 1, 200) == 1) {
    const ssize_t got = ::read(master, chunk, sizeof chunk);
    if (got <= 0) break;
    text.append(chunk, static_cast<std::size_t>(got));
  }
  return text;
}

TEST(TextOut, ConsoleOnATerminalShowsEveryWriteAtOnce) {
  int master = -1;
  int terminal = -1;
  ASSERT_EQ(::openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
  const int savedStdout = ::dup(STDOUT_FILENO);
  ASSERT_GE(savedStdout, 0);
  ASSERT_EQ(::dup2(terminal, STDOUT_FILENO), STDOUT_FILENO);
  OpenConsole();
  Write(Console, ".");
  const std::string first = ReadTerminal(master);
  Write(Console, "..");
  const std::string next = ReadTerminal(master);
  Console = TextOut{};
  ::dup2(savedStdout, STDOUT_FILENO);  // restored before any check can print
  ::close(savedStdout);
  ::close(terminal);
  ::close(master);
  EXPECT_EQ(first, ".");
  EXPECT_EQ(next, "..");
}

TEST(TextOut, WritesReachTheFileOnlyInFullBuffersOrOnFlush) {
  char path[] = "/tmp/grafen-textout-XXXXXX";
  const int fd = ::mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  TextOut out = CreateTextFile(path);
  Write(out, std::string(127, 'a'));
  EXPECT_EQ(std::filesystem::file_size(path), 0U);
  Write(out, "bc");
  EXPECT_EQ(std::filesystem::file_size(path), 128U);
  Flush(out);
  EXPECT_EQ(std::filesystem::file_size(path), 129U);
  Close(out);
  EXPECT_EQ(::unlink(path), 0);
  EXPECT_EQ(PaddedInt(7, 5), "    7");
  EXPECT_EQ(PaddedInt(-1, 2), "-1");
  EXPECT_EQ(PaddedInt(123456, 5), "123456");
}

TEST(TextOut, FailedWriteAndCreationAreFaults) {
  TextOut full = CreateTextFile("/dev/full");
  Write(full, "x");
  try {
    Flush(full);
    FAIL() << "no fault raised";
  } catch (const Fault& fault) {
    EXPECT_EQ(fault.message, "Disk full");
  }
  try {
    CreateTextFile("/nonexistent-dir/grafen4.txt");
    FAIL() << "no fault raised";
  } catch (const Fault& fault) {
    EXPECT_EQ(fault.message, "File not found");
  }
}

}  // namespace
}  // namespace grafen
