// libFuzzer target over the census table reader. Checks, for any bytes at
// all, that a rejection names a line of the text; that a table read is
// written out as a text that reads back to the same table; and that merging
// the table alone gives the table itself when it is whole, and is refused
// when it is one part of a split (its other parts are missing). A map
// task's print (its header first) is read and written back the same way.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "census/census_table.h"

namespace {

namespace census = grafen::census;

void Require(bool condition) {
  if (!condition) std::abort();
}

// A map task's print: the same checks of its reader and writer.
void CheckPrint(std::string_view text) {
  std::vector<census::SlicePrint> rows;
  try {
    rows = census::ReadSlicePrint(text);
  } catch (const census::TableError& e) {
    const auto lines = static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n'));
    Require(e.line() >= 1 && e.line() <= lines + 1);
    return;
  }
  const std::string written = census::SlicePrintText(rows);
  try {
    Require(census::SlicePrintText(census::ReadSlicePrint(written)) == written);
  } catch (const census::TableError&) {
    Require(false);  // the print's own text is refused
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (text.starts_with(census::kSlicePrintHeader)) {
    CheckPrint(text);
    return 0;
  }
  std::vector<census::CensusRow> rows;
  try {
    rows = census::ReadCensusTable(text);
  } catch (const census::TableError& e) {
    const auto lines = static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n'));
    Require(e.line() >= 1 && e.line() <= lines + 1);
    return 0;
  }
  const std::string written = census::CensusText(rows);
  try {
    Require(census::CensusText(census::ReadCensusTable(written)) == written);
  } catch (const census::TableError&) {
    Require(false);  // the table's own text is refused
  }
  const bool whole = std::all_of(rows.begin(), rows.end(),
                                 [](const census::CensusRow& row) { return row.part.whole(); });
  try {
    const std::string merged = census::CensusText(census::MergeParts({rows}, {"t"}));
    Require(whole && merged == written);
  } catch (const std::runtime_error&) {
    Require(!whole);
  }
  return 0;
}
