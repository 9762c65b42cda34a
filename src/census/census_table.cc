#include "census/census_table.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "formats/edge_list_reader.h"

namespace grafen::census {

const char* const kCensusHeader =
    "matrix,order,edges,graphs,distinct_spectra,with_mate,families,largest_family,integral,"
    "part,input\r\n";

namespace {

// The part column: "all", or K/M.
std::string PartText(const Part& part) {
  return part.whole() ? "all" : std::to_string(part.index) + "/" + std::to_string(part.count);
}

// The input column: the graphs read, then the sum of their hashes in 16 hex digits.
std::string InputText(const InputPrint& input) {
  std::string hex(16, '0');
  for (std::size_t k = 0; k < 16; ++k) {
    hex[15 - k] = "0123456789abcdef"[(input.hashSum >> (4 * k)) & 15U];
  }
  return std::to_string(input.graphs) + ":" + hex;
}

// The row's CSV line, with its CR LF.
std::string RowText(const CensusRow& row) {
  std::string text(1, row.matrix);
  for (const std::int64_t value :
       {std::int64_t{row.order}, std::int64_t{row.edges}, row.graphs, row.distinctSpectra,
        row.withMate, row.families, row.largestFamily, row.integral}) {
    text.push_back(',');
    text.append(value < 0 ? std::string("all") : std::to_string(value));
  }
  text.append(",").append(PartText(row.part)).append(",").append(InputText(row.input));
  return text.append("\r\n");
}

auto Key(const CensusRow& row) { return std::make_tuple(row.matrix, row.order, row.edges); }

// The totals row of each matrix and order, from its per-edge rows (sorted).
std::vector<CensusRow> Totals(const std::vector<CensusRow>& rows) {
  std::vector<CensusRow> totals;
  for (const CensusRow& row : rows) {
    if (totals.empty() || totals.back().matrix != row.matrix || totals.back().order != row.order) {
      CensusRow total;
      total.matrix = row.matrix;
      total.order = row.order;
      total.edges = -1;
      total.part = row.part;
      totals.push_back(total);
    }
    CensusRow& total = totals.back();
    total.graphs += row.graphs;
    total.distinctSpectra += row.distinctSpectra;
    total.withMate += row.withMate;
    total.families += row.families;
    total.largestFamily = std::max(total.largestFamily, row.largestFamily);
    total.integral += row.integral;
    total.input.graphs += row.input.graphs;
    total.input.hashSum += row.input.hashSum;
  }
  return totals;
}

// Sorts the rows by matrix (A, L, Q), order and edge count.
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

// Which relation between a row's counts fails, nullptr when none does. A
// family has two graphs or more and the families share no graph, so the
// graphs with a mate are at least two per family, at least the largest
// family and two more for each other, at most families x largest_family.
const char* Contradiction(const CensusRow& row) {
  if (row.withMate > row.graphs || row.integral > row.graphs) {
    return "with_mate or integral above graphs";
  }
  if ((row.families == 0) != (row.withMate == 0)) {
    return "families and with_mate not both 0 or both above 0";
  }
  if (row.families == 0 && row.largestFamily != 0) return "largest_family above 0 with no families";
  if (row.families > 0) {
    if (row.largestFamily < 2) return "largest_family below 2";
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

// The part field of line `number`: "all" or K/M. Throws TableError.
Part ParsePart(std::string_view text, std::int64_t number) {
  if (text == "all") return Part{};
  const std::size_t slash = text.find('/');
  const std::optional<std::int64_t> k = Number(text.substr(0, slash));
  const std::optional<std::int64_t> m =
      slash == std::string_view::npos ? std::nullopt : Number(text.substr(slash + 1));
  if (!k || !m || *k < 1 || *k > *m || *m < 2 || *m > kMaxParts) {
    throw TableError(number, "the part is neither 'all' nor K/M");
  }
  return Part{static_cast<int>(*k), static_cast<int>(*m)};
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

// One line's row; the message says what is wrong.
CensusRow ParseRow(std::string_view line, std::int64_t number) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (fields.size() != 11) {
    throw TableError(number, "expected 11 fields, not " + std::to_string(fields.size()));
  }
  CensusRow row;
  if (fields[0] != "A" && fields[0] != "L" && fields[0] != "Q") {
    throw TableError(number, "the matrix is none of A, L, Q");
  }
  row.matrix = fields[0][0];
  const auto field = [&](std::size_t k, bool allowAll) -> std::int64_t {
    if (allowAll && fields[k] == "all") return -1;
    const std::optional<std::int64_t> value = Number(fields[k]);
    if (!value) throw TableError(number, "field " + std::to_string(k + 1) + " is not a count");
    return *value;
  };
  const std::int64_t order = field(1, false);
  const std::int64_t edges = field(2, true);
  if (order < 1 || order > kMaxOrder || edges > order * (order - 1) / 2) {
    throw TableError(number, "no graph has this order and edge count");
  }
  row.order = static_cast<int>(order);
  row.edges = static_cast<int>(edges);
  row.graphs = field(3, false);
  row.distinctSpectra = field(4, false);
  row.withMate = field(5, false);
  row.families = field(6, false);
  row.largestFamily = field(7, false);
  row.integral = field(8, false);
  if (const char* const wrong = Contradiction(row)) {
    throw TableError(number, std::string("the counts do not fit together: ") + wrong);
  }
  row.part = ParsePart(fields[9], number);
  row.input = ParseInput(fields[10], number);
  const auto count = static_cast<std::int64_t>(row.input.graphs);
  if (row.graphs > count) throw TableError(number, "more graphs counted than read");
  if (row.part.whole() && row.graphs != count) {
    throw TableError(number, "a whole row that counts fewer graphs than its input holds");
  }
  return row;
}

}  // namespace

std::string CensusText(std::vector<CensusRow> rows) {
  SortRows(rows);
  std::string text = kCensusHeader;
  for (const CensusRow& row : rows) text.append(RowText(row));
  for (const CensusRow& total : Totals(rows)) text.append(RowText(total));
  return text;
}

std::vector<CensusRow> ReadCensusTable(std::string_view text) {
  std::vector<CensusRow> rows;
  std::vector<std::pair<CensusRow, std::int64_t>> totals;
  std::int64_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) throw TableError(number + 1, "the last line has no end");
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    ++number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (number == 1) {
      if (std::string(line) + "\r\n" != kCensusHeader) {
        throw TableError(1, "not a grafen-census table (its header differs)");
      }
      continue;
    }
    CensusRow row = ParseRow(line, number);
    if (row.edges < 0) {
      totals.emplace_back(row, number);
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
  const std::vector<CensusRow> expected = Totals(rows);
  if (expected.size() != totals.size()) {
    throw TableError(number, "the totals rows do not match the rows");
  }
  for (std::size_t k = 0; k < expected.size(); ++k) {
    if (RowText(expected[k]) != RowText(totals[k].first)) {
      throw TableError(totals[k].second, "the totals do not add up");
    }
  }
  return rows;
}

namespace {

// A row of the merged table as its parts come in.
struct Seen {
  CensusRow merged;
  int parts = 1;                    // M
  std::map<int, std::size_t> from;  // part index -> the table it came from
};
using SeenRows = std::map<std::tuple<char, int, int>, Seen>;

// How messages name a row: "L, order 9, 12 edges".
std::string Where(const CensusRow& row) {
  return std::string(1, row.matrix) + ", order " + std::to_string(row.order) + ", " +
         std::to_string(row.edges) + (row.edges == 1 ? " edge" : " edges");
}

// Adds the row of table t to its merged row; throws naming what does not fit.
void AddPart(SeenRows& seen, const CensusRow& row, std::size_t t,
             const std::vector<std::string>& names) {
  auto [at, fresh] = seen.try_emplace(Key(row));
  Seen& s = at->second;
  if (fresh) {
    s.merged = row;
    s.merged.graphs = s.merged.distinctSpectra = s.merged.withMate = s.merged.families =
        s.merged.largestFamily = s.merged.integral = 0;
    s.merged.part = Part{};
    s.parts = row.part.count;
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
  if (!(s.merged.input == row.input)) {
    throw std::runtime_error(names[t] + ": " + Where(row) +
                             " comes from another input than in the tables before");
  }
  const auto [slot, added] = s.from.try_emplace(row.part.index, t);
  if (!added) {
    throw std::runtime_error(names[t] + ": part " + PartText(row.part) + " of " + Where(row) +
                             " is in " + names[slot->second] + " too");
  }
  s.merged.graphs += row.graphs;
  s.merged.distinctSpectra += row.distinctSpectra;
  s.merged.withMate += row.withMate;
  s.merged.families += row.families;
  s.merged.largestFamily = std::max(s.merged.largestFamily, row.largestFamily);
  s.merged.integral += row.integral;
}

// Throws naming the parts no table holds: each once, with how many rows lack
// it and the first (up to ten missing parts a row, so that a table split a
// thousandfold still gives a short answer quickly).
void CheckComplete(const SeenRows& seen) {
  std::map<std::pair<int, int>, std::pair<std::size_t, std::string>> missing;
  for (const auto& [key, s] : seen) {
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
// than the graphs of its input, and the tables that hold them.
void CheckCounted(const SeenRows& seen, const std::vector<std::string>& names) {
  for (const auto& [key, s] : seen) {
    if (static_cast<std::uint64_t>(s.merged.graphs) == s.merged.input.graphs) continue;
    std::set<std::size_t> holding;
    for (const auto& [index, t] : s.from) holding.insert(t);
    std::string tables;
    for (const std::size_t t : holding) tables.append(tables.empty() ? "" : ", ").append(names[t]);
    throw std::runtime_error(
        tables + ": " + Where(s.merged) + " counts " + std::to_string(s.merged.graphs) +
        (s.merged.graphs == 1 ? " graph" : " graphs") + " in all its parts, not the " +
        std::to_string(s.merged.input.graphs) + " of its input");
  }
}

}  // namespace

std::vector<CensusRow> MergeParts(const std::vector<std::vector<CensusRow>>& tables,
                                  const std::vector<std::string>& names) {
  SeenRows seen;
  for (std::size_t t = 0; t < tables.size(); ++t) {
    for (const CensusRow& row : tables[t]) AddPart(seen, row, t, names);
  }
  CheckComplete(seen);
  CheckCounted(seen, names);
  std::vector<CensusRow> merged;
  for (const auto& [key, s] : seen) merged.push_back(s.merged);
  return merged;
}

}  // namespace grafen::census
