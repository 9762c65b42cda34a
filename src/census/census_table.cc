#include "census/census_table.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "census/facts.h"
#include "formats/edge_list_reader.h"
#include "spectral/matrix.h"

namespace grafen::census {

const char* const kCensusHeader =
    "matrix,order,edges,graphs,distinct_spectra,with_mate,families,largest_family,integral,"
    "part,input,copies,family_sizes\r\n";

namespace {

// The header of the tables written before copies and family sizes were
// counted: the same columns, less the last two. Stored part tables of long
// runs still merge.
constexpr std::string_view kOldHeader =
    "matrix,order,edges,graphs,distinct_spectra,with_mate,families,largest_family,integral,"
    "part,input";

// Which header a table has.
enum class Layout { kCurrent, kOld };

// The part column: "all", K/M, or "scattered K/M".
std::string PartText(const Part& part) {
  if (part.whole()) return "all";
  std::string text = part.scattered ? "scattered " : "";
  return text.append(std::to_string(part.index)).append("/").append(std::to_string(part.count));
}

// The input column: the graphs read, then the sum of their hashes in 16 hex digits.
std::string InputText(const InputPrint& input) {
  std::string hex(16, '0');
  for (std::size_t k = 0; k < 16; ++k) {
    hex[15 - k] = "0123456789abcdef"[(input.hashSum >> (4 * k)) & 15U];
  }
  return std::to_string(input.graphs) + ":" + hex;
}

// The family_sizes column: "SIZE:FAMILIES" ascending by size, separated by
// spaces; empty when there are none or they are not known.
std::string SizesText(const CensusRow& row) {
  std::string text;
  if (!row.sizesKnown) return text;
  for (const auto& [size, families] : row.familySizes) {
    if (!text.empty()) text.push_back(' ');
    text.append(std::to_string(size)).append(":").append(std::to_string(families));
  }
  return text;
}

// The row's CSV line, with its CR LF; `edges` is its edges cell.
std::string RowText(const CensusRow& row, const std::string& edges) {
  std::string text(row.matrix);
  text.append(",").append(std::to_string(row.order)).append(",").append(edges);
  for (const std::int64_t value : {row.graphs, row.distinctSpectra, row.withMate, row.families,
                                   row.largestFamily, row.integral}) {
    text.append(",").append(std::to_string(value));
  }
  text.append(",").append(PartText(row.part)).append(",").append(InputText(row.input));
  text.append(",").append(std::to_string(row.copies)).append(",").append(SizesText(row));
  return text.append("\r\n");
}

auto Key(const CensusRow& row) { return std::make_tuple(row.matrix, row.order, row.edges); }

// Adds the counts of `row` to `into`: sums, the largest family the larger;
// the family sizes stay known only if both rows' are.
void AddCounts(CensusRow& into, const CensusRow& row) {
  into.graphs += row.graphs;
  into.distinctSpectra += row.distinctSpectra;
  into.withMate += row.withMate;
  into.families += row.families;
  into.largestFamily = std::max(into.largestFamily, row.largestFamily);
  into.integral += row.integral;
  into.copies += row.copies;
  into.sizesKnown = into.sizesKnown && row.sizesKnown;
  if (!into.sizesKnown) {
    into.familySizes.clear();
    return;
  }
  for (const auto& [size, families] : row.familySizes) into.familySizes[size] += families;
}

// The totals of one matrix and order: the sums of its rows, and the runs of
// edge counts they have (first, last).
struct Total {
  CensusRow sums;
  std::vector<std::pair<int, int>> runs;
};

// The totals of each matrix and order, from its per-edge rows (sorted).
std::vector<Total> Totals(const std::vector<CensusRow>& rows) {
  std::vector<Total> totals;
  for (const CensusRow& row : rows) {
    if (totals.empty() || totals.back().sums.matrix != row.matrix ||
        totals.back().sums.order != row.order) {
      Total total;
      total.sums.matrix = row.matrix;
      total.sums.order = row.order;
      total.sums.part = row.part;
      totals.push_back(total);
    }
    Total& total = totals.back();
    AddCounts(total.sums, row);
    total.sums.input.graphs += row.input.graphs;
    total.sums.input.hashSum += row.input.hashSum;
    if (total.runs.empty() || total.runs.back().second + 1 != row.edges) {
      total.runs.emplace_back(row.edges, row.edges);
    } else {
      total.runs.back().second = row.edges;
    }
  }
  return totals;
}

// A totals row's edges cell: "all" when its rows hold every edge count of
// the order, else their runs "L-H" separated by ';'.
std::string EdgesCell(const Total& total) {
  const int order = total.sums.order;
  if (total.runs.size() == 1 && total.runs[0] == std::make_pair(0, order * (order - 1) / 2)) {
    return "all";
  }
  std::string cell;
  for (const auto& [low, high] : total.runs) {
    if (!cell.empty()) cell.push_back(';');
    cell.append(std::to_string(low)).append("-").append(std::to_string(high));
  }
  return cell;
}

// Sorts the rows by matrix (A, G, L, Q, S), order and edge count.
void SortRows(std::vector<CensusRow>& rows) {
  std::sort(rows.begin(), rows.end(),
            [](const CensusRow& a, const CensusRow& b) { return Key(a) < Key(b); });
}

// The value of a decimal field of at most 15 digits (so that the totals of
// any table stay far within 64 bits); nothing otherwise.
std::optional<std::int64_t> Number(std::string_view text) {
  if (text.empty() || text.size() > 15) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Whether the row's families may hold graphs of other rows: Seidel mates
// may differ in edge count (switching changes it), so an S-family is
// counted in the row of its first graph, its graphs each in their own, and
// only the totals of an order hold all of them.
bool FamiliesSpanRows(const CensusRow& row) {
  const std::vector<spectral::SpectralMatrix> members = *MembersNamed(row.matrix);
  return std::none_of(members.begin(), members.end(), spectral::SpectrumFixesEdges) &&
         row.edges >= 0;
}

// Whether the row counts every graph of its input (or its part): not a
// distance matrix's, which leaves the disconnected graphs out.
bool CountsEveryGraph(const CensusRow& row) {
  const std::vector<spectral::SpectralMatrix> members = *MembersNamed(row.matrix);
  return std::none_of(members.begin(), members.end(), spectral::IsDistanceMatrix);
}

// Which relation between a row's counts fails, nullptr when none does. A
// family has two graphs or more and the families share no graph, so the
// graphs with a mate are at least two per family, at least the largest
// family and two more for each other, at most families x largest_family
// (when the row holds its families' graphs).
const char* Contradiction(const CensusRow& row) {
  if (row.withMate > row.graphs || row.integral > row.graphs) {
    return "with_mate or integral above graphs";
  }
  if (row.families == 0 && row.largestFamily != 0) return "largest_family above 0 with no families";
  if (row.families > 0 && row.largestFamily < 2) return "largest_family below 2";
  if (!FamiliesSpanRows(row)) {
    if ((row.families == 0) != (row.withMate == 0)) {
      return "families and with_mate not both 0 or both above 0";
    }
  }
  if (row.families > 0 && !FamiliesSpanRows(row)) {
    if (row.largestFamily + 2 * (row.families - 1) > row.withMate) {
      return "with_mate below largest_family + 2 x (families - 1)";
    }
    // families x largest_family, which may not fit in 64 bits, divided out.
    if ((row.withMate + row.largestFamily - 1) / row.largestFamily > row.families) {
      return "with_mate above families x largest_family";
    }
  }
  if (row.distinctSpectra != row.graphs - row.withMate + row.families) {
    return "distinct_spectra is not graphs - with_mate + families";
  }
  return nullptr;
}

// Which relation between a row's family sizes and its counts fails, nullptr
// when none does or the sizes are not known: the families of every size add
// up to families, their graphs to with_mate, and the largest size is
// largest_family. Each field is below 10^15, so no sum can overflow. A row
// whose families span rows holds no count of their graphs.
const char* SizesContradiction(const CensusRow& row) {
  if (!row.sizesKnown) return nullptr;
  const std::int64_t withMate =
      FamiliesSpanRows(row) ? std::numeric_limits<std::int64_t>::max() : row.withMate;
  std::int64_t families = 0;
  std::int64_t graphs = 0;
  for (const auto& [size, count] : row.familySizes) {
    if (size < 2) return "family_sizes hold a size below 2";
    families += count;
    if (families > row.families) return "family_sizes hold more families than families";
    // size x count, which may not fit in 64 bits, divided out.
    if (count > (withMate - graphs) / size) return "family_sizes hold more graphs than with_mate";
    graphs += size * count;
  }
  if (families != row.families) return "family_sizes hold fewer families than families";
  if (graphs != withMate && !FamiliesSpanRows(row)) {
    return "family_sizes hold fewer graphs than with_mate";
  }
  const std::int64_t largest = row.familySizes.empty() ? 0 : row.familySizes.rbegin()->first;
  if (largest != row.largestFamily)
    return "family_sizes hold a largest size other than largest_family";
  return nullptr;
}

// The part field of line `number`: "all", K/M (M at least 2) or
// "scattered K/M" (M at least 1). Throws TableError.
Part ParsePart(std::string_view text, std::int64_t number) {
  if (text == "all") return Part{};
  constexpr std::string_view kScattered = "scattered ";
  const bool scattered = text.starts_with(kScattered);
  if (scattered) text.remove_prefix(kScattered.size());
  const std::size_t slash = text.find('/');
  const std::optional<std::int64_t> k = Number(text.substr(0, slash));
  const std::optional<std::int64_t> m =
      slash == std::string_view::npos ? std::nullopt : Number(text.substr(slash + 1));
  if (!k || !m || *k < 1 || *k > *m || *m < (scattered ? 1 : 2) || *m > kMaxParts) {
    throw TableError(number, "the part is neither 'all' nor K/M nor 'scattered K/M'");
  }
  return Part{static_cast<int>(*k), static_cast<int>(*m), scattered};
}

// The input field of line `number`: COUNT:HASH, the hash in 16 hex digits.
// Throws TableError.
InputPrint ParseInput(std::string_view text, std::int64_t number) {
  const std::size_t colon = text.find(':');
  const std::optional<std::int64_t> count = Number(text.substr(0, colon));
  const std::string_view hex = colon == std::string_view::npos ? "" : text.substr(colon + 1);
  if (!count || hex.size() != 16 || hex.find_first_not_of("0123456789abcdef") != hex.npos) {
    throw TableError(number, "the input is not COUNT:HASH");
  }
  InputPrint input;
  input.graphs = static_cast<std::uint64_t>(*count);
  for (const char c : hex) {
    input.hashSum =
        input.hashSum * 16 + static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
  }
  return input;
}

// The family_sizes field of line `number`: SIZE:FAMILIES pairs, sizes
// ascending, families above 0, separated by single spaces; empty for none.
// Throws TableError.
std::map<std::int64_t, std::int64_t> ParseSizes(std::string_view text, std::int64_t number) {
  std::map<std::int64_t, std::int64_t> sizes;
  for (std::size_t start = 0; !text.empty();) {
    const std::size_t space = text.find(' ', start);
    const std::string_view pair = text.substr(start, space - start);
    const std::size_t colon = pair.find(':');
    const std::optional<std::int64_t> size = Number(pair.substr(0, colon));
    const std::optional<std::int64_t> families =
        colon == std::string_view::npos ? std::nullopt : Number(pair.substr(colon + 1));
    if (!size || !families || *families == 0 ||
        (!sizes.empty() && sizes.rbegin()->first >= *size)) {
      throw TableError(number, "the family sizes are not SIZE:FAMILIES pairs ascending by size");
    }
    sizes.emplace(*size, *families);
    if (space == std::string_view::npos) break;
    start = space + 1;
  }
  return sizes;
}

// A line's comma-separated fields.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

// Whether an edges field is a totals row's: "all", or runs of edge counts
// (whether the right ones is checked against the rows).
bool IsTotalsEdges(std::string_view text) {
  return text == "all" || (text.find('-') != text.npos &&
                           text.find_first_not_of("0123456789-;") == std::string_view::npos);
}

// The counts of line `number` (its fields checked in number) into `row`;
// the message says what is wrong.
void ParseCounts(const std::vector<std::string_view>& fields, std::int64_t number, Layout layout,
                 CensusRow& row) {
  const auto field = [&](std::size_t k) -> std::int64_t {
    const std::optional<std::int64_t> value = Number(fields[k]);
    if (!value) throw TableError(number, "field " + std::to_string(k + 1) + " is not a count");
    return *value;
  };
  row.graphs = field(3);
  row.distinctSpectra = field(4);
  row.withMate = field(5);
  row.families = field(6);
  row.largestFamily = field(7);
  row.integral = field(8);
  if (layout == Layout::kCurrent) {
    row.copies = field(11);
    row.familySizes = ParseSizes(fields[12], number);
    // Merged from tables of both layouts, a row's sizes may be unknown.
    row.sizesKnown = !(fields[12].empty() && row.families > 0);
  } else {
    row.sizesKnown = false;
  }
  const char* wrong = Contradiction(row);
  if (wrong == nullptr) wrong = SizesContradiction(row);
  if (wrong != nullptr) {
    throw TableError(number, std::string("the counts do not fit together: ") + wrong);
  }
}

// One line's row, edges -1 for a totals row; the message says what is wrong.
CensusRow ParseRow(const std::vector<std::string_view>& fields, std::int64_t number,
                   Layout layout) {
  const std::size_t columns = layout == Layout::kCurrent ? 13 : 11;
  if (fields.size() != columns) {
    throw TableError(number, "expected " + std::to_string(columns) + " fields, not " +
                                 std::to_string(fields.size()));
  }
  CensusRow row;
  if (!MembersNamed(fields[0])) {
    throw TableError(
        number, "the matrix is none of A, B, D, DL, DQ, G, L, N, Q, S nor a joint set of them");
  }
  row.matrix = fields[0];
  const std::optional<std::int64_t> order = Number(fields[1]);
  const std::optional<std::int64_t> edges =
      IsTotalsEdges(fields[2]) ? std::optional<std::int64_t>(-1) : Number(fields[2]);
  if (!order || !edges) {
    throw TableError(number, std::string("field ") + (order ? "3" : "2") + " is not a count");
  }
  if (*order < 1 || *order > kMaxOrder || *edges > *order * (*order - 1) / 2) {
    throw TableError(number, "no graph has this order and edge count");
  }
  row.order = static_cast<int>(*order);
  row.edges = static_cast<int>(*edges);
  ParseCounts(fields, number, layout, row);
  row.part = ParsePart(fields[9], number);
  row.input = ParseInput(fields[10], number);
  const auto count = static_cast<std::int64_t>(row.input.graphs);
  if (row.graphs + row.copies > count) throw TableError(number, "more graphs counted than read");
  if (row.part.whole() && row.graphs + row.copies != count && CountsEveryGraph(row)) {
    throw TableError(number, "a whole row that counts fewer graphs than its input holds");
  }
  if (row.part.scattered && row.graphs + row.copies != count) {
    throw TableError(number, "a scattered row that counts fewer graphs than its records");
  }
  return row;
}

// A totals row as read: its sums, its edges cell, its line.
struct ReadTotal {
  CensusRow sums;
  std::string edges;
  std::int64_t line = 0;
};

// Throws TableError unless the totals rows read are those the rows give;
// a table of the old layout states "all" as the edges of each.
void CheckTotals(const std::vector<CensusRow>& rows, const std::vector<ReadTotal>& totals,
                 Layout layout, std::int64_t lines) {
  const std::vector<Total> expected = Totals(rows);
  if (expected.size() != totals.size()) {
    throw TableError(lines, "the totals rows do not match the rows");
  }
  for (std::size_t k = 0; k < expected.size(); ++k) {
    const std::string edges = layout == Layout::kOld ? "all" : EdgesCell(expected[k]);
    if (RowText(expected[k].sums, edges) != RowText(totals[k].sums, edges)) {
      throw TableError(totals[k].line, "the totals do not add up");
    }
    if (totals[k].edges != edges) {
      throw TableError(totals[k].line, "the totals' edges are not the rows' (" + edges + ")");
    }
  }
}

// The layout the header line states. Throws TableError.
Layout HeaderLayout(std::string_view line) {
  if (std::string(line) + "\r\n" == kCensusHeader) return Layout::kCurrent;
  if (line == kOldHeader) return Layout::kOld;
  throw TableError(1, "not a grafen-census table (its header differs)");
}

}  // namespace

std::string CensusText(std::vector<CensusRow> rows) {
  SortRows(rows);
  std::string text = kCensusHeader;
  for (const CensusRow& row : rows) text.append(RowText(row, std::to_string(row.edges)));
  for (const Total& total : Totals(rows)) text.append(RowText(total.sums, EdgesCell(total)));
  return text;
}

std::vector<std::string> EdgeGaps(std::vector<CensusRow> rows) {
  SortRows(rows);
  std::vector<std::string> gaps;
  for (const Total& total : Totals(rows)) {
    if (total.runs.size() < 2) continue;
    std::string missing;
    for (std::size_t k = 1; k < total.runs.size(); ++k) {
      const int low = total.runs[k - 1].second + 1;
      const int high = total.runs[k].first - 1;
      if (!missing.empty()) missing.append(", ");
      missing.append(std::to_string(low));
      if (high > low) missing.append("-").append(std::to_string(high));
    }
    std::string gap(total.sums.matrix);
    gap.append(", order ").append(std::to_string(total.sums.order)).append(": no rows for ");
    gap.append(missing).append(missing == "1" ? " edge" : " edges");
    gaps.push_back(gap.append("; the totals cover ").append(EdgesCell(total)));
  }
  return gaps;
}

const char* const kSlicePrintHeader = "slice,matrices,parts,order,edges,input\r\n";

std::string SlicePrintText(const std::vector<SlicePrint>& rows) {
  std::string text = kSlicePrintHeader;
  for (const SlicePrint& row : rows) {
    std::string matrices;
    for (const std::string& matrix : row.matrices) {
      if (!matrices.empty()) matrices.push_back(' ');
      matrices.append(matrix);
    }
    text.append(std::to_string(row.slice)).append("/").append(std::to_string(row.slices));
    text.append(",").append(matrices).append(",").append(std::to_string(row.parts));
    text.append(",").append(std::to_string(row.order)).append(",");
    text.append(std::to_string(row.edges)).append(",").append(InputText(row.input));
    text.append("\r\n");
  }
  return text;
}

namespace {

// The matrices field of a print's line `number`: names separated by spaces,
// each once. Throws TableError.
std::vector<decltype(CensusRow::matrix)> ParseMatrices(std::string_view text, std::int64_t number) {
  std::vector<decltype(CensusRow::matrix)> matrices;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t space = std::min(text.find(' ', start), text.size());
    const std::string_view name = text.substr(start, space - start);
    const std::optional<spectral::SpectralMatrix> matrix = spectral::MatrixNamed(name);
    if (!matrix || spectral::MatrixLetter(*matrix) != name ||
        std::find(matrices.begin(), matrices.end(), name) != matrices.end()) {
      throw TableError(number, "the matrices are not short names of matrices, each once");
    }
    matrices.emplace_back(name);
    start = space + 1;
  }
  return matrices;
}

// One line of a print. Throws TableError.
SlicePrint ParsePrintRow(const std::vector<std::string_view>& fields, std::int64_t number) {
  if (fields.size() != 6) {
    throw TableError(number, "expected 6 fields, not " + std::to_string(fields.size()));
  }
  SlicePrint row;
  const std::size_t slash = fields[0].find('/');
  const std::optional<std::int64_t> slice = Number(fields[0].substr(0, slash));
  const std::optional<std::int64_t> slices =
      slash == std::string_view::npos ? std::nullopt : Number(fields[0].substr(slash + 1));
  if (!slice || !slices || *slice >= *slices || *slices > kMaxParts) {
    throw TableError(number, "the slice is not R/S with 0 <= R < S");
  }
  const std::optional<std::int64_t> parts = Number(fields[2]);
  const std::optional<std::int64_t> order = Number(fields[3]);
  const std::optional<std::int64_t> edges = Number(fields[4]);
  if (!parts || *parts < 1 || *parts > kMaxParts) throw TableError(number, "parts is not 1 to M");
  if (!order || !edges || *order < 1 || *order > kMaxOrder || *edges > *order * (*order - 1) / 2) {
    throw TableError(number, "no graph has this order and edge count");
  }
  row.slice = static_cast<int>(*slice);
  row.slices = static_cast<int>(*slices);
  row.matrices = ParseMatrices(fields[1], number);
  row.parts = static_cast<int>(*parts);
  row.order = static_cast<int>(*order);
  row.edges = static_cast<int>(*edges);
  row.input = ParseInput(fields[5], number);
  return row;
}

}  // namespace

std::vector<SlicePrint> ReadSlicePrint(std::string_view text) {
  std::vector<SlicePrint> rows;
  std::int64_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) throw TableError(number + 1, "the last line has no end");
    std::string_view line = text.substr(0, end + 1);
    text.remove_prefix(end + 1);
    if (++number == 1) {
      if (line != kSlicePrintHeader) throw TableError(1, "not a grafen-census print");
      continue;
    }
    line.remove_suffix(line.ends_with("\r\n") ? 2 : 1);
    rows.push_back(ParsePrintRow(Fields(line), number));
    const auto at = [](const SlicePrint& r) { return std::make_pair(r.order, r.edges); };
    if (rows.size() > 1 && at(rows[rows.size() - 2]) >= at(rows.back())) {
      throw TableError(number, "rows out of order or repeated");
    }
  }
  if (number == 0) throw TableError(1, "empty: not a grafen-census print");
  return rows;
}

std::vector<CensusRow> ReadCensusTable(std::string_view text) {
  std::vector<CensusRow> rows;
  std::vector<ReadTotal> totals;
  Layout layout = Layout::kCurrent;
  std::int64_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) throw TableError(number + 1, "the last line has no end");
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    ++number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (number == 1) {
      layout = HeaderLayout(line);
      continue;
    }
    const std::vector<std::string_view> fields = Fields(line);
    CensusRow row = ParseRow(fields, number, layout);
    if (row.edges < 0) {
      totals.push_back(ReadTotal{row, std::string(fields[2]), number});
    } else {
      if (!rows.empty() && Key(rows.back()) >= Key(row)) {
        throw TableError(number, "rows out of order or repeated");
      }
      if (!totals.empty()) throw TableError(number, "a row after the totals");
      if (!rows.empty() && !(rows.back().part == row.part)) {
        throw TableError(number, "rows of different parts in one table");
      }
      rows.push_back(row);
    }
  }
  if (number == 0) throw TableError(1, "empty: not a grafen-census table");
  CheckTotals(rows, totals, layout, number);
  return rows;
}

namespace {

// A row of the merged table as its parts come in.
struct Seen {
  CensusRow merged;
  int parts = 1;                    // M
  bool scattered = false;           // its parts read only their records
  std::map<int, std::size_t> from;  // part index -> the table it came from
};
using SeenRows = std::map<std::tuple<std::string, int, int>, Seen>;

// How messages name a row: "L, order 9, 12 edges".
std::string Where(const CensusRow& row) {
  return std::string(row.matrix) + ", order " + std::to_string(row.order) + ", " +
         std::to_string(row.edges) + (row.edges == 1 ? " edge" : " edges");
}

// Adds the row of table t to its merged row; throws naming what does not fit.
void AddPart(SeenRows& seen, const CensusRow& row, std::size_t t,
             const std::vector<std::string>& names) {
  auto [at, fresh] = seen.try_emplace(Key(row));
  Seen& s = at->second;
  if (fresh) {
    s.merged = CensusRow{};
    s.merged.matrix = row.matrix;
    s.merged.order = row.order;
    s.merged.edges = row.edges;
    s.merged.input = row.part.scattered ? InputPrint{} : row.input;
    s.parts = row.part.count;
    s.scattered = row.part.scattered;
  }
  if (s.scattered != row.part.scattered) {
    throw std::runtime_error(names[t] + ": " + Where(row) + " is scattered " +
                             (s.scattered ? "elsewhere, not there" : "there, not elsewhere"));
  }
  if (s.parts != row.part.count) {
    const auto parts = [](int count) { return std::to_string(count) + " parts"; };
    const std::string there =
        row.part.whole() ? "whole there" : "split into " + parts(row.part.count) + " there";
    const std::string elsewhere =
        s.parts == 1
            ? "whole elsewhere"
            : (row.part.whole() ? "into " + parts(s.parts) : "into " + std::to_string(s.parts)) +
                  " elsewhere";
    throw std::runtime_error(names[t] + ": " + Where(row) + " is " + there + ", " + elsewhere);
  }
  if (s.scattered) {  // its input: the records its parts read, added up
    s.merged.input.graphs += row.input.graphs;
    s.merged.input.hashSum += row.input.hashSum;
  } else if (!(s.merged.input == row.input)) {
    throw std::runtime_error(names[t] + ": " + Where(row) +
                             " comes from another input than in the tables before");
  }
  const auto [slot, added] = s.from.try_emplace(row.part.index, t);
  if (!added) {
    throw std::runtime_error(names[t] + ": part " + PartText(row.part) + " of " + Where(row) +
                             " is in " + names[slot->second] + " too");
  }
  AddCounts(s.merged, row);
}

// Throws naming the parts no table holds: each once, with how many rows lack
// it and the first (up to ten missing parts a row, so that a table split a
// thousandfold still gives a short answer quickly).
void CheckComplete(const SeenRows& seen) {
  std::map<std::pair<int, int>, std::pair<std::size_t, std::string>> missing;
  for (const auto& [key, s] : seen) {
    if (s.scattered) continue;  // the prints account for its graphs
    int found = 0;
    for (int k = 1; k <= s.parts && found < 10 && static_cast<int>(s.from.size()) < s.parts; ++k) {
      if (s.from.count(k) != 0) continue;
      ++found;
      auto [at, fresh] = missing.try_emplace({s.parts, k}, 0, Where(s.merged));
      ++at->second.first;
    }
  }
  if (missing.empty()) return;
  std::string text = "missing parts:";
  std::size_t named = 0;
  for (const auto& [part, rows] : missing) {
    if (++named > 10) {
      text.append("; and " + std::to_string(missing.size() - 10) + " more");
      break;
    }
    text.append(text.back() == ':' ? " " : "; ");
    text.append(std::to_string(part.second) + "/" + std::to_string(part.first) + " (" +
                std::to_string(rows.first) + (rows.first == 1 ? " row: " : " rows, from ") +
                rows.second + ")");
  }
  throw std::runtime_error(text);
}

// Throws naming the first complete row whose parts together count other
// than the graphs of its input (those counted and the copies set aside),
// and the tables that hold them.
void CheckCounted(const SeenRows& seen, const std::vector<std::string>& names) {
  for (const auto& [key, s] : seen) {
    const CensusRow& merged = s.merged;
    if (static_cast<std::uint64_t>(merged.graphs + merged.copies) == merged.input.graphs ||
        !CountsEveryGraph(merged)) {
      continue;
    }
    std::set<std::size_t> holding;
    for (const auto& [index, t] : s.from) holding.insert(t);
    std::string tables;
    for (const std::size_t t : holding) tables.append(tables.empty() ? "" : ", ").append(names[t]);
    std::string message = tables;
    message.append(": ").append(Where(merged)).append(" counts ");
    message.append(std::to_string(merged.graphs)).append(merged.graphs == 1 ? " graph" : " graphs");
    if (merged.copies > 0) {
      message.append(" and ").append(std::to_string(merged.copies));
      message.append(merged.copies == 1 ? " copy" : " copies");
    }
    message.append(" in all its parts, not the ").append(std::to_string(merged.input.graphs));
    throw std::runtime_error(message.append(" of its input"));
  }
}

// The graphs the map tasks routed of one order and edge count: their
// print added up over the slices, each slice once, and the matrices routed.
struct Routed {
  InputPrint input;
  int slices = 0;
  std::map<int, std::size_t> from;  // slice -> the print it came from
  std::set<decltype(CensusRow::matrix)> matrices;
};

// How messages name an edge count: "order 9, 12 edges".
std::string EdgesWhere(int order, int edges) {
  return "order " + std::to_string(order) + ", " + std::to_string(edges) +
         (edges == 1 ? " edge" : " edges");
}

// Adds print row `row` of print p to `routed`, and an empty scattered row to
// `seen` for each of its matrices that no table holds, so that graphs no
// part counted are missed. Throws naming what does not fit.
void AddSlice(std::map<std::pair<int, int>, Routed>& routed, SeenRows& seen, const SlicePrint& row,
              std::size_t p, const std::vector<std::string>& names) {
  const std::string where = names[p] + ": " + EdgesWhere(row.order, row.edges);
  Routed& r = routed[{row.order, row.edges}];
  if (r.slices == 0) r.slices = row.slices;
  if (r.slices != row.slices) {
    throw std::runtime_error(where + " is cut into " + std::to_string(row.slices) +
                             " slices there, into " + std::to_string(r.slices) + " elsewhere");
  }
  const auto [slot, added] = r.from.try_emplace(row.slice, p);
  if (!added) {
    throw std::runtime_error(where + ": slice " + std::to_string(row.slice) + "/" +
                             std::to_string(row.slices) + " is in " + names[slot->second] + " too");
  }
  r.input.graphs += row.input.graphs;
  r.input.hashSum += row.input.hashSum;
  for (const std::string& matrix : row.matrices) {
    r.matrices.insert(matrix);
    auto [at, fresh] = seen.try_emplace(std::make_tuple(matrix, row.order, row.edges));
    Seen& s = at->second;
    if (fresh) {
      s.merged.matrix = matrix;
      s.merged.order = row.order;
      s.merged.edges = row.edges;
      s.parts = row.parts;
      s.scattered = true;
    }
    if (!s.scattered || s.parts != row.parts) {
      throw std::runtime_error(where + " is scattered into " + std::to_string(row.parts) +
                               " parts there, not so in the tables of " + Where(s.merged));
    }
  }
}

// Gives each scattered row the input the prints routed to it, once its
// parts' records add up to that input. Throws naming the first that does
// not.
void ApplyPrints(SeenRows& seen, const std::vector<std::vector<SlicePrint>>& prints,
                 const std::vector<std::string>& names) {
  std::map<std::pair<int, int>, Routed> routed;
  for (std::size_t p = 0; p < prints.size(); ++p) {
    for (const SlicePrint& row : prints[p]) AddSlice(routed, seen, row, p, names);
  }
  for (auto& [key, s] : seen) {
    if (!s.scattered) continue;
    const auto at = routed.find({s.merged.order, s.merged.edges});
    if (at == routed.end() || at->second.matrices.count(s.merged.matrix) == 0) {
      throw std::runtime_error(Where(s.merged) + " is scattered, and no map print routed it");
    }
    const InputPrint& input = at->second.input;
    if (!(s.merged.input == input)) {
      throw std::runtime_error(Where(s.merged) + ": its parts read " +
                               std::to_string(s.merged.input.graphs) + " records, not the " +
                               std::to_string(input.graphs) +
                               " graphs the map tasks routed (or other graphs)");
    }
  }
}

}  // namespace

std::vector<CensusRow> MergeParts(const std::vector<std::vector<CensusRow>>& tables,
                                  const std::vector<std::string>& names,
                                  const std::vector<std::vector<SlicePrint>>& prints,
                                  const std::vector<std::string>& printNames) {
  SeenRows seen;
  for (std::size_t t = 0; t < tables.size(); ++t) {
    for (const CensusRow& row : tables[t]) AddPart(seen, row, t, names);
  }
  ApplyPrints(seen, prints, printNames);
  CheckComplete(seen);
  CheckCounted(seen, names);
  std::vector<CensusRow> merged;
  for (const auto& [key, s] : seen) merged.push_back(s.merged);
  return merged;
}

}  // namespace grafen::census
