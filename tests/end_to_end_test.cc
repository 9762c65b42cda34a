// Runs the built tool in fresh scratch directories and checks its exact
// console bytes, exit status and files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "test_support.h"

namespace grafen::testing {
namespace {

const std::string kUsage =
    Lines({"", "Sort out all Graphs of order N", "", "Syntax: [program] [N]", "",
           "Where N = order of Graphs", "        = number of interconnected nodes",
           "          restricted to  2 < N < 8", ""});

// The console of a complete run.
std::string RunReport(int order, int graphs) {
  const long long bytes[] = {4, 4, 4, 12, 132, 4100, 262148, 33554436};
  const int pairs = order * (order - 1) / 2;
  return Lines({"", "Saved to file: grafen" + std::to_string(order) + ".txt",
                "Saved to file: grafen" + std::to_string(order) + ".mws",
                "Maximum # edges = " + std::to_string(pairs),
                "Results Additional memory = " + std::to_string(bytes[order - 1]) + " bytes",
                std::string(static_cast<std::size_t>(graphs), '.')});
}

// Whether text is exactly one fault report of the kind and message.
bool IsFaultReport(const std::string& text, const std::string& kind, const std::string& message,
                   const std::string& module = "grafen") {
  return std::regex_match(text, std::regex("Exception " + kind + " in module " + module +
                                           " at [0-9A-F]{8}\\.\n" + message + "\\.\r\n"));
}

TEST(CommandLine, WrongArgumentCountShowsUsageWithStatusTwo) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {}, {"3", "4"}, {""}, {"", ""}, std::vector<std::string>(255, "3")}) {
    ScratchDir dir;
    const RunResult result = RunGrafen(dir, arguments);
    EXPECT_EQ(result.output, kUsage);
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(FileNames(dir.path()).empty());
  }
}

TEST(CommandLine, RejectedOrdersPrintTheExactNumberWithStatusTwo) {
  const std::map<std::string, std::string> cases = {
      {"0", "Graph has NOT ENOUGH nodes = 0"},
      {"abc", "Graph has NOT ENOUGH nodes = 0"},
      {"-0", "Graph has NOT ENOUGH nodes = 0"},
      {"-3", "Graph has NOT ENOUGH nodes = -3"},
      {"1-", "Graph has NOT ENOUGH nodes = -1"},
      {"--5", "Graph has NOT ENOUGH nodes = -5"},
      {"\xff\xfe", "Graph has NOT ENOUGH nodes = 0"},
      {"-12345678901", "Graph has NOT ENOUGH nodes = -12345678901"},
      {"9", "Graph has TOO MANY nodes = 9"},
      {"12345678901", "Graph has TOO MANY nodes = 12345678901"},
      {"4294967300", "Graph has TOO MANY nodes = 4294967300"},
  };
  for (const auto& [argument, line] : cases) {
    ScratchDir dir;
    const RunResult result = RunGrafen(dir, {argument});
    EXPECT_EQ(result.output, Lines({line})) << argument;
    EXPECT_EQ(result.status, 2) << argument;
    EXPECT_TRUE(FileNames(dir.path()).empty()) << argument;
  }
}

TEST(CommandLine, TooManyOrTooLongArgumentsAreARangeFault) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {std::string(256, '4')}, {std::string(300, 'x')}, std::vector<std::string>(256, "3")}) {
    ScratchDir dir;
    const RunResult result = RunGrafen(dir, arguments);
    EXPECT_TRUE(IsFaultReport(result.output, "ERangeError", "Range check error")) << result.output;
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(FileNames(dir.path()).empty());
  }
}

TEST(CommandLine, AcceptedSpellingsRunTheirOrder) {
  const std::map<std::string, int> cases = {{"+5", 5},
                                            {"x4", 4},
                                            {"3x", 3},
                                            {" 4 ", 4},
                                            {"0004", 4},
                                            {"\xc3\xa9"
                                             "2",
                                             2},
                                            {std::string(254, 'x').insert(0, 1, '4'), 4}};
  for (const auto& [argument, order] : cases) {
    ScratchDir dir;
    const int graphs[] = {1, 1, 2, 6, 21};
    const RunResult result = RunGrafen(dir, {argument});
    EXPECT_EQ(result.output, RunReport(order, graphs[order - 1])) << argument;
    EXPECT_EQ(result.status, 0);
  }
  ScratchDir dir;
  EXPECT_EQ(RunGrafen(dir, {"", "3"}).output, RunReport(3, 2));
}

TEST(Grafen, EveryOrderReportsAndWritesTheKnownSizes) {
  const int graphs[] = {1, 1, 2, 6, 21, 112, 853, 11117};
  const std::map<int, std::pair<std::size_t, std::size_t>> sizes = {{4, {330, 1143}},
                                                                    {5, {1677, 4806}},
                                                                    {6, {12088, 30951}},
                                                                    {7, {120487, 282382}},
                                                                    {8, {2011587, 4357903}}};
  for (int order = 1; order <= 8; ++order) {
    ScratchDir dir;
    const RunResult result = RunGrafen(dir, {std::to_string(order)});
    EXPECT_EQ(result.output, RunReport(order, graphs[order - 1])) << order;
    EXPECT_EQ(result.status, 0);
    if (sizes.count(order) != 0) {
      EXPECT_EQ(ReadFile(dir / ("grafen" + std::to_string(order) + ".txt")).size(),
                sizes.at(order).first);
      EXPECT_EQ(ReadFile(dir / ("grafen" + std::to_string(order) + ".mws")).size(),
                sizes.at(order).second);
    }
  }
}

TEST(Grafen, SmallestOrdersWriteTheirWholeFiles) {
  const std::string header = Lines({"with(linalg);", "assume(A,symmetric);", ""});
  ScratchDir dir;
  ASSERT_EQ(RunGrafen(dir, {"1"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "grafen1.txt"), Lines({"1", ""}));
  EXPECT_EQ(ReadFile(dir / "grafen1.mws"),
            header + Lines({"A := array([[ 0]]);", "det(A); S := eigenvals(A);",
                            "for i from 1 to 1 do evalf(S[i],5) od;", ""}));
  ASSERT_EQ(RunGrafen(dir, {"2"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "grafen2.txt"), Lines({"1", "    1    2", ""}));
  ASSERT_EQ(RunGrafen(dir, {"3"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "grafen3.txt"), Lines({"1", "    1    2", "    1    3", "", "2",
                                                  "    1    2", "    1    3", "    2    3", ""}));
  EXPECT_EQ(
      ReadFile(dir / "grafen3.mws"),
      header +
          Lines({"A := array([[ 2,-1,-1],", "            [-1, 1, 0],", "            [-1, 0, 1]]);",
                 "det(A); S := eigenvals(A);", "for i from 1 to 3 do evalf(S[i],5) od;", "",
                 "A := array([[ 2,-1,-1],", "            [-1, 2,-1],", "            [-1,-1, 2]]);",
                 "det(A); S := eigenvals(A);", "for i from 1 to 3 do evalf(S[i],5) od;", ""}));
}

TEST(Grafen, ExistingResultFilesAreOverwrittenAndNewOnesFollowTheUmask) {
  ScratchDir dir;
  const std::string junk(5000, 'j');
  for (const char* name : {"grafen4.txt", "grafen4.mws"}) {
    FILE* file = std::fopen((dir / name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fwrite(junk.data(), 1, junk.size(), file), junk.size());
    EXPECT_EQ(std::fclose(file), 0);
  }
  ASSERT_EQ(RunGrafen(dir, {"4"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "grafen4.txt").size(), 330U);
  EXPECT_EQ(ReadFile(dir / "grafen4.mws").size(), 1143U);
  // New files are created for everyone, less what the umask takes away.
  RunOptions options;
  options.dir = dir.path();
  ASSERT_EQ(
      RunBinary("/bin/sh", {"-c", "umask 027 && exec \"$0\" 5", GrafenBinary()}, options).status,
      0);
  for (const char* name : {"grafen5.txt", "grafen5.mws"}) {
    struct stat info {};
    ASSERT_EQ(::stat((dir / name).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777U, 0640U) << name;
  }
}

// The build with the literal sieve, every relabelling of every
// representative, writes the same console and files as the tool.
TEST(Grafen, LiteralSieveBuildWritesTheSameBytes) {
  for (int order = 1; order <= 6; ++order) {
    const std::string argument = std::to_string(order);
    ScratchDir fast;
    ScratchDir literal;
    RunOptions options;
    options.dir = literal.path();
    const RunResult expected = RunGrafen(fast, {argument});
    const RunResult result = RunBinary(LiteralBinary(), {argument}, options);
    EXPECT_EQ(result.status, 0) << order;
    EXPECT_EQ(result.output, expected.output) << order;
    for (const char* suffix : {".txt", ".mws"}) {
      const std::string name = "grafen" + argument + suffix;
      EXPECT_EQ(ReadFile(literal / name), ReadFile(fast / name)) << name;
    }
  }
}

TEST(Grafen, KeepingEveryClassWritesDisconnectedGraphsToo) {
  const int graphs[] = {1, 2, 4, 11, 34, 156, 1044, 12346};
  for (int order = 1; order <= 8; ++order) {
    ScratchDir dir;
    RunOptions options;
    options.dir = dir.path();
    const RunResult result = RunBinary(AllClassesBinary(), {std::to_string(order)}, options);
    EXPECT_EQ(result.output, RunReport(order, graphs[order - 1]));
    EXPECT_EQ(result.status, 0);
    if (order == 4) {
      EXPECT_TRUE(
          ReadFile(dir / "grafen4.txt").starts_with(Lines({"1", "", "2", "    1    2", ""})));
    }
  }
}

// The lines of a file written with CR LF line ends.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find("\r\n"); end != std::string::npos;
       end = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// Every Laplacian block of the script matches its graph in the edge list:
// -1 exactly for the edges, the degrees on the diagonal, so symmetric with
// rows that sum to zero.
TEST(Grafen, LaplacianBlocksMatchTheEdgeLists) {
  for (const int order : {5, 8}) {
    ScratchDir dir;
    ASSERT_EQ(RunGrafen(dir, {std::to_string(order)}).status, 0);
    const std::vector<std::string> edgeLines =
        SplitLines(ReadFile(dir / ("grafen" + std::to_string(order) + ".txt")));
    const std::vector<std::string> scriptLines =
        SplitLines(ReadFile(dir / ("grafen" + std::to_string(order) + ".mws")));
    std::size_t edgeAt = 0;
    std::size_t scriptAt = 3;  // after the header
    int graphs = 0;
    while (edgeAt < edgeLines.size()) {
      ++graphs;
      ASSERT_EQ(edgeLines[edgeAt++], std::to_string(graphs));
      std::vector<std::vector<int>> expected(8, std::vector<int>(8, 0));
      for (; !edgeLines[edgeAt].empty(); ++edgeAt) {
        const std::size_t i = std::stoul(edgeLines[edgeAt].substr(0, 5)) - 1;
        const std::size_t j = std::stoul(edgeLines[edgeAt].substr(5, 5)) - 1;
        expected[i][j] = expected[j][i] = -1;
        ++expected[i][i];
        ++expected[j][j];
      }
      ++edgeAt;
      for (std::size_t i = 0; i < static_cast<std::size_t>(order); ++i) {
        const std::string& row = scriptLines[scriptAt++];
        const std::size_t entries = row.rfind('[') + 1;  // each entry: 2 characters and "," or "]"
        for (std::size_t j = 0; j < static_cast<std::size_t>(order); ++j) {
          EXPECT_EQ(std::stoi(row.substr(entries + 3 * j, 2)), expected[i][j])
              << "graph " << graphs << " row " << i + 1 << ": " << row;
        }
      }
      EXPECT_EQ(scriptLines[scriptAt++], "det(A); S := eigenvals(A);");
      EXPECT_EQ(scriptLines[scriptAt++],
                "for i from 1 to " + std::to_string(order) + " do evalf(S[i],5) od;");
      EXPECT_EQ(scriptLines[scriptAt++], "");
    }
    EXPECT_EQ(scriptAt, scriptLines.size());
    EXPECT_EQ(graphs, order == 5 ? 21 : 11117);
  }
}

// Graphs per edge count in an edge-list file.
std::map<int, int> EdgeCountHistogram(const std::string& text) {
  std::map<int, int> histogram;
  int edges = -1;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "no CR LF after byte " << start;
      break;
    }
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    if (line.empty()) {
      ++histogram[edges];
      edges = -1;
    } else {
      ++edges;  // the number line, then one line per edge
    }
  }
  return histogram;
}

// nauty's geng, an independent generator, counts the connected classes by
// edge count; the tool must write exactly as many graphs of each size.
TEST(Grafen, AgreesWithNautyGengOnGraphsPerEdgeCount) {
  ASSERT_TRUE(FileExists("/usr/bin/nauty-geng"))
      << "nauty-geng is missing: install Debian's nauty (tools/setup does)";
  for (int order = 2; order <= 8; ++order) {
    ScratchDir dir;
    ASSERT_EQ(RunGrafen(dir, {std::to_string(order)}).status, 0);
    const std::map<int, int> histogram =
        EdgeCountHistogram(ReadFile(dir / ("grafen" + std::to_string(order) + ".txt")));
    for (int edges = order - 1; edges <= order * (order - 1) / 2; ++edges) {
      RunOptions options;
      options.dir = dir.path();
      const std::string range = std::to_string(edges) + ":" + std::to_string(edges);
      const RunResult geng = RunBinary(
          "/bin/sh",
          {"-c", "/usr/bin/nauty-geng -c -u \"$0\" \"$1\" 2>&1", std::to_string(order), range},
          options);
      std::smatch count;
      ASSERT_TRUE(std::regex_search(geng.output, count, std::regex(">Z (\\d+) graphs")))
          << geng.output;
      const int expected = std::stoi(count[1]);
      EXPECT_EQ(histogram.count(edges) != 0 ? histogram.at(edges) : 0, expected)
          << "order " << order << ", " << edges << " edges";
    }
  }
}

}  // namespace
}  // namespace grafen::testing
