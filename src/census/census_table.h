// The census table: per matrix, order and edge count, how many graphs there
// are, how many distinct spectra, cospectral families and integral graphs;
// its CSV text both ways, and the merging of part tables into the census.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace grafen::census {

// The most parts an edge count is split into.
inline constexpr int kMaxParts = 10000;

// Which graphs of a stream a table counts: all, or part `index` (1-based)
// of `count`, the graphs whose spectral key (a scattered part: fingerprint)
// falls there. A scattered part ("scattered K/M") read only the records
// grafen-census --scatter routed to it, so its input is those records, not
// the whole stream's graphs.
struct Part {
  int index = 1;
  int count = 1;
  bool scattered = false;
  bool whole() const { return count == 1 && !scattered; }
  bool operator==(const Part&) const = default;
};

// The graphs of one order and edge count in the input: how many, and the
// sum of their graph6 texts' hashes. Every part of a split reads the same.
struct InputPrint {
  std::uint64_t graphs = 0;
  std::uint64_t hashSum = 0;
  bool operator==(const InputPrint&) const = default;
};

// One row: the counts of one matrix, order and edge count (of one part).
struct CensusRow {
  std::string matrix = "L";  // a matrix's short name, or a joint set's ("A+L")
  int order = 0;
  int edges = 0;
  std::int64_t graphs = 0;
  std::int64_t distinctSpectra = 0;
  std::int64_t withMate = 0;
  std::int64_t families = 0;
  std::int64_t largestFamily = 0;
  std::int64_t integral = 0;
  Part part;
  InputPrint input;
  // Graphs of the input isomorphic to one counted before them, set aside:
  // graphs + copies are the graphs of the input in the row's part.
  std::int64_t copies = 0;
  // How many families there are of each size (size -> families); unknown
  // (sizesKnown false) in a row read from a table made before they were
  // counted.
  std::map<std::int64_t, std::int64_t> familySizes;
  bool sizesKnown = true;
};

// The header line, with its CR LF.
extern const char* const kCensusHeader;

// Sorts the per-edge rows (matrix, order, edges) and appends the totals of
// each matrix and order, whose edges cell says which edge counts they sum:
// "all" for every one of the order, else their runs ("9-29;31-45"); returns
// the table's CSV text, header first.
std::string CensusText(std::vector<CensusRow> rows);

// For each matrix and order whose rows skip edge counts between their lowest
// and highest, a line naming the counts missing and those the totals cover:
// "L, order 10: no rows for 30 edges; the totals cover 9-29;31-45".
std::vector<std::string> EdgeGaps(std::vector<CensusRow> rows);

// Why a text is not a census table, and on which line (from 1).
class TableError : public std::runtime_error {
 public:
  TableError(std::int64_t line, const std::string& what) : std::runtime_error(what), line_(line) {}
  std::int64_t line() const { return line_; }

 private:
  std::int64_t line_;
};

// The per-edge rows of a census table's text (totals checked, then left
// out). A table written before copies and family sizes were counted (11
// columns) reads with copies 0 and the sizes unknown. Throws TableError.
std::vector<CensusRow> ReadCensusTable(std::string_view text);

// One row of a map task's print (grafen-census --scatter): the graphs of one
// order and edge count it read from slice `slice` of `slices` of the
// stream, and how it routed them: into `parts` parts for each of `matrices`.
struct SlicePrint {
  int slice = 0;  // 0-based, as nauty-geng's res/mod
  int slices = 1;
  int parts = 1;
  std::vector<decltype(CensusRow::matrix)> matrices;
  int order = 0;
  int edges = 0;
  InputPrint input;
};

// The header line of a print, with its CR LF.
extern const char* const kSlicePrintHeader;

// A print's CSV text, header first.
std::string SlicePrintText(const std::vector<SlicePrint>& rows);

// The rows of a print's text. Throws TableError.
std::vector<SlicePrint> ReadSlicePrint(std::string_view text);

// Adds part tables into the census: for each matrix, order and edge count,
// its parts K/M, K = 1..M, each once, all of the same input; a merged row's
// family sizes are known when every part's are. Scattered parts come with
// the prints of the map tasks that routed their records: each row then
// takes its input from the prints (each slice once), its parts' inputs must
// add up to it, and a part without records may be absent. Throws
// std::runtime_error naming what overlaps, differs or is missing.
std::vector<CensusRow> MergeParts(const std::vector<std::vector<CensusRow>>& tables,
                                  const std::vector<std::string>& names,
                                  const std::vector<std::vector<SlicePrint>>& prints = {},
                                  const std::vector<std::string>& printNames = {});

}  // namespace grafen::census
