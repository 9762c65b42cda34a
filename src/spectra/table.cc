#include "spectra/table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <string_view>
#include <utility>

#include "formats/graph6.h"
#include "io/text.h"
#include "spectra/row_text.h"
#include "spectral/spectrum.h"

namespace grafen::spectra {

using spectral::CospectralIndex;
using spectral::GraphSpectrum;
using spectral::SpectralMatrix;
using spectral::Spectrum;

using io::AppendNumber;
using io::AppendNumberItem;
using io::Counted;

namespace {

// Appends the degree sequence, largest first, space-separated.
void AppendDegrees(std::string& text, int order, const std::vector<Edge>& edges) {
  std::array<int, 64> degrees{};
  for (const Edge& e : edges) {
    ++degrees[static_cast<std::size_t>(e.i - 1)];
    ++degrees[static_cast<std::size_t>(e.j - 1)];
  }
  const auto end = degrees.begin() + order;
  std::sort(degrees.begin(), end, std::greater<>());
  for (auto d = degrees.begin(); d != end; ++d) {
    if (d != degrees.begin()) text.push_back(' ');
    AppendNumber(text, *d);
  }
}

// A row of the table but its last column (the cospectral mates).
struct PartialRow {
  std::string text;
  bool integral = false;
};

// The row of one graph up to and including the comma before its last
// column, into row (its room kept from batch to batch).
void RowOf(SpectralMatrix matrix, const ListedGraph& graph, int order, int digits,
           PartialRow& row) {
  thread_local Spectrum s;  // its room kept from graph to graph
  thread_local Spectrum complement;
  const bool generalized = matrix == SpectralMatrix::kGeneralized;
  GraphSpectrum(generalized ? SpectralMatrix::kAdjacency : matrix, order, graph.edges, digits, s);
  if (generalized) {
    GraphSpectrum(SpectralMatrix::kAdjacency, order, spectral::ComplementEdges(order, graph.edges),
                  digits, complement);
  }
  std::string& text = row.text;
  text.clear();
  AppendNumber(text, graph.number);
  text.push_back(',');
  AppendNumber(text, order);
  text.push_back(',');
  AppendNumber(text, static_cast<long long>(graph.edges.size()));
  text.push_back(',');
  text.append(Graph6(order, graph.edges)).push_back(',');
  AppendDegrees(text, order, graph.edges);
  text.push_back(',');
  if (generalized) {
    AppendGeneralizedColumns(text, s, complement);
  } else {
    AppendSpectrumColumns(text, s);
  }
  row.integral = s.integral && (!generalized || complement.integral);
}

// Graphs gathered before their rows are computed: enough to keep every
// thread busy, few enough that the batch's memory stays small.
constexpr std::size_t kBatchGraphs = 16384;

}  // namespace

// One graph of a batch and its row.
struct TableRows::Slot {
  ListedGraph graph;  // room kept from batch to batch
  int order = 0;
  PartialRow row;
};

std::string TableHeader(SpectralMatrix matrix) {
  std::string prefix;  // none for L, whose columns came first
  if (matrix != SpectralMatrix::kLaplacian) prefix.append(spectral::MatrixName(matrix)).append("_");
  const std::string integral = matrix == SpectralMatrix::kLaplacian ? "laplacian_" : prefix;
  return "graph,nodes,edges,graph6,degrees," + prefix + "charpoly," + prefix + "factored," +
         prefix + "eigenvalues,algebraic_connectivity,spanning_trees," + integral + "integral," +
         prefix + "cospectral_with,isomorphic_to\r\n";
}

TableRows::TableRows(SpectralMatrix matrix, int digits, unsigned threads,
                     const CospectralIndex& families, std::function<void(std::string_view)> write)
    : digits_(digits), families_(families), write_(std::move(write)) {
  summary_.matrix = matrix;
  pipeline_ = std::make_unique<io::BatchPipeline<Slot>>(
      kBatchGraphs, threads, io::Taking::kWhileComputing,
      io::BatchPipeline<Slot>::Steps{
          [this, matrix](Slot& slot) { RowOf(matrix, slot.graph, slot.order, digits_, slot.row); },
          [this](const Slot& slot) { Write(slot); },
          {}});
  write_(TableHeader(matrix));
}

// The pipeline goes first: it waits for its helpers.
TableRows::~TableRows() = default;

void TableRows::Add(ListedGraph& graph, int order) {
  // The reader gets the slot's old edges back, room and all.
  Slot& slot = pipeline_->Add();
  std::swap(slot.graph.edges, graph.edges);
  slot.graph.number = graph.number;
  slot.order = graph.order != 0 ? graph.order : order;
}

void TableRows::Write(const Slot& slot) {
  mates_.clear();
  const std::int64_t number = slot.graph.number;
  families_.ForEachMate(number, [this](std::uint32_t other) { AppendNumberItem(mates_, other); });
  mates_.push_back(',');
  if (const std::int64_t original = families_.CopyOf(number)) AppendNumber(mates_, original);
  mates_.append("\r\n");
  write_(slot.row.text);
  write_(mates_);
  ++summary_.graphs;
  summary_.integral += slot.row.integral ? 1 : 0;
}

TableSummary TableRows::Finish() {
  pipeline_->Finish();
  summary_.withCospectralMate = families_.withMate();
  summary_.copies = families_.copies();
  summary_.distinctSpectra = families_.distinct();
  return summary_;
}

TableSummary WriteSpectraTable(const std::vector<ListedGraph>& graphs, int order, int digits,
                               unsigned threads, const std::function<void(std::string_view)>& write,
                               SpectralMatrix matrix) {
  const CospectralIndex families = spectral::GroupCospectral(matrix, graphs, order);
  TableRows rows(matrix, digits, threads, families, write);
  for (const ListedGraph& graph : graphs) {
    ListedGraph copy = graph;
    rows.Add(copy, order);
  }
  return rows.Finish();
}

std::string SummaryText(const TableSummary& summary) {
  const std::string integral =
      summary.matrix == SpectralMatrix::kLaplacian     ? "Laplacian-integral"
      : summary.matrix == SpectralMatrix::kSignless    ? "signless-Laplacian-integral"
      : summary.matrix == SpectralMatrix::kSeidel      ? "Seidel-integral"
      : summary.matrix == SpectralMatrix::kGeneralized ? "adjacency-integral with their complements"
                                                       : "adjacency-integral";
  return Counted(summary.graphs, "graph") + " read, " + std::to_string(summary.integral) + " " +
         integral + ", " + std::to_string(summary.withCospectralMate) +
         " with a cospectral mate, " +
         Counted(summary.distinctSpectra, "distinct spectrum", "distinct spectra") +
         (summary.copies == 0
              ? ""
              : ", " + Counted(summary.copies, "isomorphic copy", "isomorphic copies"));
}

}  // namespace grafen::spectra
