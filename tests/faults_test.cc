// Faults as a user meets them: unwritable directories, a full disk, a console
// that fails, memory that cannot be had. One report, status 1, and files that
// keep every completed graph.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "test_support.h"

namespace grafen::testing {
namespace {

// The report of a fault, matched with any code address.
std::string ReportPattern(const std::string& kind, const std::string& message) {
  return "Exception " + kind + " in module grafen at [0-9A-F]{8}\\.\n" + message + "\\.\r\n";
}

const std::string kHead4 =
    Lines({"", "Saved to file: grafen4.txt", "Saved to file: grafen4.mws", "Maximum # edges = 6"}) +
    "Results Additional memory = 12 bytes\r\n";
const std::string kFirstGraph4 = Lines({"1", "    1    2", "    1    3", "    1    4", ""});

TEST(Faults, UnwritableDirectoryIsAccessDenied) {
  ScratchDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  RunOptions options;
  options.asUnprivilegedUser = true;  // root would write anyway
  const RunResult result = RunGrafen(dir, {"4"}, options);
  EXPECT_TRUE(std::regex_match(result.output,
                               std::regex("\r\nSaved to file: grafen4\\.txt\r\n" +
                                          ReportPattern("EInOutError", "File access denied"))))
      << result.output;
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(FileNames(dir.path()).empty());
}

TEST(Faults, ScriptFileThatIsADirectoryLeavesTheEdgeFileEmpty) {
  ScratchDir dir;
  ASSERT_EQ(::mkdir((dir / "grafen4.mws").c_str(), 0755), 0);
  const RunResult result = RunGrafen(dir, {"4"});
  EXPECT_TRUE(std::regex_match(
      result.output,
      std::regex("\r\nSaved to file: grafen4\\.txt\r\nSaved to file: grafen4\\.mws\r\n" +
                 ReportPattern("EInOutError", "File access denied"))))
      << result.output;
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(FileExists(dir / "grafen4.txt"));
  EXPECT_EQ(ReadFile(dir / "grafen4.txt"), "");
}

TEST(Faults, FullDiskUnderTheEdgeFileStopsAtTheFirstGraph) {
  ScratchDir dir;
  ASSERT_EQ(::symlink("/dev/full", (dir / "grafen4.txt").c_str()), 0);
  const RunResult result = RunGrafen(dir, {"4"});
  EXPECT_EQ(result.output.substr(0, kHead4.size() + 1), kHead4 + ".");
  EXPECT_TRUE(std::regex_match(result.output.substr(kHead4.size() + 1),
                               std::regex(ReportPattern("EInOutError", "Disk full"))))
      << result.output;
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(ReadFile(dir / "grafen4.mws"), "");  // its header was never flushed
}

TEST(Faults, FullDiskUnderTheScriptFileKeepsTheCompletedEdgeBlock) {
  ScratchDir dir;
  ASSERT_EQ(::symlink("/dev/full", (dir / "grafen4.mws").c_str()), 0);
  const RunResult result = RunGrafen(dir, {"4"});
  EXPECT_TRUE(std::regex_match(
      result.output, std::regex(std::regex_replace(kHead4, std::regex("[.#]"), "\\$&") + "\\." +
                                ReportPattern("EInOutError", "Disk full"))))
      << result.output;
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(ReadFile(dir / "grafen4.txt"), kFirstGraph4);
}

#if !defined(GRAFEN_SANITIZED)
TEST(Faults, SeenSetThatCannotBeHadIsOutOfMemoryWithEmptyFiles) {
  ScratchDir dir;
  RunOptions options;
  options.addressSpaceLimit = 24L << 20;  // below the 32 MiB the order-8 set needs
  const RunResult result = RunGrafen(dir, {"8"}, options);
  const std::string head = Lines({"", "Saved to file: grafen8.txt", "Saved to file: grafen8.mws",
                                  "Maximum # edges = 28"}) +
                           "Results ";
  EXPECT_EQ(result.output.substr(0, head.size()), head);
  EXPECT_TRUE(std::regex_match(result.output.substr(head.size()),
                               std::regex(ReportPattern("EOutOfMemory", "Out of memory"))))
      << result.output;
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(ReadFile(dir / "grafen8.txt"), "");
  EXPECT_EQ(ReadFile(dir / "grafen8.mws"), "");
}
#endif

// Graph blocks of an edge-list file, each with its number line and empty line.
std::vector<std::string> Blocks(const std::string& text) {
  std::vector<std::string> blocks;
  std::size_t start = 0;
  std::size_t end = text.find("\r\n\r\n");
  while (end != std::string::npos) {
    blocks.push_back(text.substr(start, end + 4 - start));
    start = end + 4;
    end = text.find("\r\n\r\n", start);
  }
  return blocks;
}

TEST(Faults, FileSizeLimitKeepsEveryCompletedGraph) {
  ScratchDir complete;
  ASSERT_EQ(RunGrafen(complete, {"6"}).status, 0);
  const std::string edges = ReadFile(complete / "grafen6.txt");
  const std::string script = ReadFile(complete / "grafen6.mws");
  for (const long limit : {5000L, 20000L}) {
    ScratchDir dir;
    RunOptions options;
    options.fileSizeLimit = limit;
    const RunResult result = RunGrafen(dir, {"6"}, options);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.signal, 0);
    std::smatch report;
    ASSERT_TRUE(
        std::regex_search(result.output, report,
                          std::regex("\r\n(\\.*)" + ReportPattern("EInOutError", "I/O error 27"))))
        << result.output;
    const auto started = static_cast<std::size_t>(report[1].length());
    const std::string keptEdges = ReadFile(dir / "grafen6.txt");
    const std::string keptScript = ReadFile(dir / "grafen6.mws");
    // The script file, the larger, meets the limit first, in the block of the
    // graph whose dot was the last: it holds exactly the bytes up to the
    // limit, the start of the complete file, with every earlier block whole.
    EXPECT_EQ(keptScript.size(), static_cast<std::size_t>(limit));
    EXPECT_EQ(script.compare(0, keptScript.size(), keptScript), 0);
    std::size_t scriptBlocks = 0;
    for (std::size_t at = 0; (at = keptScript.find("od;\r\n\r\n", at)) != std::string::npos; ++at) {
      ++scriptBlocks;
    }
    EXPECT_EQ(scriptBlocks, started - 1);
    // The edge list was flushed before, with the failing graph's block.
    EXPECT_EQ(Blocks(keptEdges).size(), started);
    EXPECT_EQ(edges.compare(0, keptEdges.size(), keptEdges), 0);
  }
}

TEST(Faults, ConsoleThatFailsEndsWithStatusOne) {
  RunOptions full;
  full.stdoutPath = "/dev/full";
  RunOptions closedPipe;
  closedPipe.stdoutClosedPipe = true;
  // A run, a run that fails at its first write, and the usage text: none of
  // them is a success when the console did not take it.
  const struct {
    RunOptions options;
    std::vector<std::string> arguments;
  } cases[] = {{full, {"5"}}, {closedPipe, {"8"}}, {full, {}}};
  for (const auto& c : cases) {
    ScratchDir dir;
    const RunResult result = RunGrafen(dir, c.arguments, c.options);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.signal, 0);
  }
}

TEST(Faults, ReaderThatLeavesEarlyNeitherHangsNorKills) {
  ScratchDir dir;
  RunOptions options;
  options.dir = dir.path();
  const RunResult result = RunBinary(
      "/bin/bash",
      {"-c", "\"$0\" 8 | head -c 1 >/dev/null; echo \"${PIPESTATUS[0]}\"", GrafenBinary()},
      options);
  // Status 0 when all output fit in the pipe before the reader left, 1 when
  // a write met the closed pipe; never death by SIGPIPE (141) or a hang.
  EXPECT_TRUE(result.output == "0\n" || result.output == "1\n") << result.output;
}

}  // namespace
}  // namespace grafen::testing
