// The CSV table of every graph's spectrum, and the counts of the summary.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "results/edge_list_reader.h"

namespace grafen::spectra {

// What the summary line reports.
struct TableSummary {
  std::int64_t graphs = 0;
  std::int64_t laplacianIntegral = 0;
  std::int64_t withCospectralMate = 0;
  std::int64_t distinctSpectra = 0;
};

// Writes the table as RFC 4180 CSV with CR LF line ends to `write`, piece by
// piece: a header line, then one row per graph (graphs on nodes 1..order),
// eigenvalues to `digits` significant digits. Works on up to `threads`
// threads. Returns the counts of the summary.
TableSummary WriteSpectraTable(const std::vector<ListedGraph>& graphs, int order, int digits,
                               unsigned threads,
                               const std::function<void(std::string_view)>& write);

// The summary line, without a line end.
std::string SummaryText(const TableSummary& summary);

}  // namespace grafen::spectra
