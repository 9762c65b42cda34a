// The CSV table of every graph's spectrum, and the counts of the summary.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/edge_list_reader.h"
#include "io/batch_pipeline.h"
#include "spectral/charpoly.h"
#include "spectral/cospectral_index.h"

namespace grafen::spectra {

// What the summary line reports of one matrix.
struct TableSummary {
  spectral::SpectralMatrix matrix = spectral::SpectralMatrix::kLaplacian;
  std::int64_t graphs = 0;
  std::int64_t integral = 0;
  std::int64_t withCospectralMate = 0;
  std::int64_t distinctSpectra = 0;
  std::int64_t copies = 0;   // graphs isomorphic to an earlier one
  std::int64_t without = 0;  // graphs without the matrix: disconnected, for a distance matrix
  std::string joint;         // a joint set's name ("A+L"); "": the matrix alone
};

// The table's header line, with its line end: the spectral columns named
// for the matrix they describe.
std::string TableHeader(spectral::SpectralMatrix matrix);

// The header of a table of these matrices (in the tables' order): one
// matrix's as above; for several, or with a joint set, the common columns,
// then each matrix's spectral columns named LETTER_, then the joint set's
// integral and cospectral_with named as A+L_, then the Laplacian's two and
// isomorphic_to.
std::string TableHeader(const std::vector<spectral::SpectralMatrix>& matrices,
                        const std::vector<spectral::SpectralMatrix>& joint = {});

// Writes the rows of a table whose cospectral families are known, in the
// order the graphs come, as RFC 4180 CSV with CR LF line ends, piece by
// piece to `write`: graphs are gathered in batches whose rows are computed
// on up to `threads` threads in the background while the next batch is
// gathered and the last one written. Eigenvalues to `digits` significant
// digits. One table of every matrix given (TableHeader's columns), each
// with its families at the same place in `families`.
class TableRows {
 public:
  // `joint`, when not empty, is a set of matrices whose graphs cospectral
  // for all at once the table tells (TableHeader), its families after the
  // matrices' in `families`.
  TableRows(std::vector<spectral::SpectralMatrix> matrices, int digits, unsigned threads,
            const std::vector<spectral::CospectralIndex>& families,
            std::function<void(std::string_view)> write,
            std::vector<spectral::SpectralMatrix> joint = {});
  ~TableRows();
  TableRows(const TableRows&) = delete;
  TableRows& operator=(const TableRows&) = delete;

  // The next graph, on nodes 1..order unless it states its own order.
  void Add(ListedGraph& graph, int order);
  // Writes what is gathered; returns the counts of the summary, by matrix.
  std::vector<TableSummary> Finish();

 private:
  struct Slot;
  // Writes a computed row, its cospectral mates added, and counts it.
  void Write(const Slot& slot);

  std::vector<spectral::SpectralMatrix> matrices_;
  std::vector<spectral::SpectralMatrix> joint_;
  int digits_;
  const std::vector<spectral::CospectralIndex>& families_;
  std::function<void(std::string_view)> write_;
  std::string line_;  // the row written, its room kept from row to row
  std::unique_ptr<io::BatchPipeline<Slot>> pipeline_;
  std::vector<TableSummary> summaries_;
};

// The whole table of graphs on nodes 1..order, header first, for graphs
// already in memory. Returns the counts of the summary.
TableSummary WriteSpectraTable(
    const std::vector<ListedGraph>& graphs, int order, int digits, unsigned threads,
    const std::function<void(std::string_view)>& write,
    spectral::SpectralMatrix matrix = spectral::SpectralMatrix::kLaplacian);

// The same for several matrices and a joint set (none when empty), as
// TableRows writes them; the counts of the summary, by matrix, then the set.
std::vector<TableSummary> WriteSpectraTable(const std::vector<ListedGraph>& graphs, int order,
                                            int digits, unsigned threads,
                                            const std::function<void(std::string_view)>& write,
                                            const std::vector<spectral::SpectralMatrix>& matrices,
                                            const std::vector<spectral::SpectralMatrix>& joint);

// The summary line, without a line end.
std::string SummaryText(const TableSummary& summary);

// The summary line of a table of one or more matrices, without a line end:
// one matrix's as above; for several, the graphs read, then each matrix's
// counts after its letter, then the isomorphic copies.
std::string SummaryText(const std::vector<TableSummary>& summaries);

}  // namespace grafen::spectra
