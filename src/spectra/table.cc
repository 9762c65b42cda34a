#include "spectra/table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// A row of the table but its cospectral mates and isomorphic_to.
struct PartialRow {
  std::string text;
  std::vector<std::size_t> ends;  // by matrix: where its cospectral mates go
  std::vector<char> integral;     // by matrix: whether the graph is integral
  std::vector<char> present;      // by matrix: whether the graph has it (HasMatrix)
};

// Appends the columns every table begins with, each followed by a comma:
// graph, nodes, edges, graph6, degrees.
void AppendCommonColumns(std::string& text, const ListedGraph& graph, int order) {
  AppendNumber(text, graph.number);
  text.push_back(',');
  AppendNumber(text, order);
  text.push_back(',');
  AppendNumber(text, static_cast<long long>(graph.edges.size()));
  text.push_back(',');
  text.append(Graph6(order, graph.edges)).push_back(',');
  AppendDegrees(text, order, graph.edges);
  text.push_back(',');
}

// s := the spectrum of the matrix of the graph (A's for G, and then
// complement := the complement's); whether the graph is integral for it.
// The graph has the matrix (HasMatrix).
bool SpectrumOf(SpectralMatrix matrix, const ListedGraph& graph, int order, int digits, Spectrum& s,
                Spectrum& complement) {
  const bool generalized = matrix == SpectralMatrix::kGeneralized;
  GraphSpectrum(generalized ? SpectralMatrix::kAdjacency : matrix, order, graph.edges, digits, s);
  if (!generalized) return s.integral;
  GraphSpectrum(SpectralMatrix::kAdjacency, order, spectral::ComplementEdges(order, graph.edges),
                digits, complement);
  return s.integral && complement.integral;
}

// Appends the joint set's integral cell, and notes where its mates go: the
// graph is integral for the set when it is for every member (from the row's
// cells of the matrices asked alone; the others worked out here).
void AppendJointIntegral(const std::vector<SpectralMatrix>& matrices,
                         const std::vector<SpectralMatrix>& joint, const ListedGraph& graph,
                         int order, int digits, PartialRow& row) {
  thread_local Spectrum s;
  thread_local Spectrum complement;
  bool present = true;
  bool integral = true;
  for (const SpectralMatrix m : joint) {
    present = present && spectral::HasMatrix(m, order, graph.edges);
    if (!present || !integral) continue;
    const auto asked = std::find(matrices.begin(), matrices.end(), m);
    integral = asked != matrices.end()
                   ? row.integral[static_cast<std::size_t>(asked - matrices.begin())] != 0
                   : SpectrumOf(m, graph, order, digits, s, complement);
  }
  row.present.back() = present ? 1 : 0;
  row.integral.back() = present && integral ? 1 : 0;
  row.text.append(!present ? ",," : integral ? ",1," : ",0,");
  row.ends.back() = row.text.size();
}

// The row of one graph for several matrices (and a joint set, when it has
// members), but the cospectral mates and isomorphic_to, into row (its room
// kept from batch to batch).
void SeveralRowOf(const std::vector<SpectralMatrix>& matrices,
                  const std::vector<SpectralMatrix>& joint, const ListedGraph& graph, int order,
                  int digits, PartialRow& row) {
  thread_local Spectrum s;  // their room kept from graph to graph
  thread_local Spectrum complement;
  thread_local std::string laplacian;  // the Laplacian's two columns
  std::string& text = row.text;
  for (std::size_t k = 0; k < matrices.size(); ++k) {
    const SpectralMatrix matrix = matrices[k];
    row.present[k] = spectral::HasMatrix(matrix, order, graph.edges) ? 1 : 0;
    if (k > 0) text.push_back(',');
    if (row.present[k] == 0) {  // four empty cells, the mates' one after
      text.append(",,,,");
      row.ends[k] = text.size();
      row.integral[k] = 0;
      if (k == 0) s.laplacian = spectral::GraphLaplacianFacts(order, graph.edges, digits);
    } else {
      const bool integral = SpectrumOf(matrix, graph, order, digits, s, complement);
      AppendSpectralValues(text, s, matrix == SpectralMatrix::kGeneralized ? &complement : nullptr);
      text.append(integral ? "1," : "0,");
      row.ends[k] = text.size();
      row.integral[k] = integral ? 1 : 0;
    }
    if (k == 0) {
      laplacian.clear();
      AppendConnectivity(laplacian, s.laplacian);
      AppendSpanningTrees(laplacian.append(","), s.laplacian);
    }
  }
  if (!joint.empty()) AppendJointIntegral(matrices, joint, graph, order, digits, row);
  text.append(",").append(laplacian).push_back(',');
}

// The row of one graph but its cospectral mates and isomorphic_to, into row
// (its room kept from batch to batch); the joint set's columns when it has
// members.
void RowOf(const std::vector<SpectralMatrix>& matrices, const std::vector<SpectralMatrix>& joint,
           const ListedGraph& graph, int order, int digits, PartialRow& row) {
  thread_local Spectrum s;  // their room kept from graph to graph
  thread_local Spectrum complement;
  row.text.clear();
  const std::size_t sets = matrices.size() + (joint.empty() ? 0 : 1);
  row.ends.resize(sets);
  row.integral.resize(sets);
  row.present.resize(sets);
  AppendCommonColumns(row.text, graph, order);
  if (matrices.size() > 1 || !joint.empty()) {
    SeveralRowOf(matrices, joint, graph, order, digits, row);
    return;
  }
  row.present[0] = spectral::HasMatrix(matrices[0], order, graph.edges) ? 1 : 0;
  if (row.present[0] == 0) {  // empty spectral cells, the Laplacian's facts
    row.text.append(",,,");
    const spectral::LaplacianFacts facts =
        spectral::GraphLaplacianFacts(order, graph.edges, digits);
    AppendConnectivity(row.text, facts);
    AppendSpanningTrees(row.text.append(","), facts);
    row.text.append(",,");
    row.ends[0] = row.text.size();
    row.integral[0] = 0;
    row.text.push_back(',');
    return;
  }
  const bool integral = SpectrumOf(matrices[0], graph, order, digits, s, complement);
  if (matrices[0] == SpectralMatrix::kGeneralized) {
    AppendGeneralizedColumns(row.text, s, complement);
  } else {
    AppendSpectrumColumns(row.text, s);
  }
  row.ends[0] = row.text.size();
  row.integral[0] = integral ? 1 : 0;
  row.text.push_back(',');
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
  if (matrix != SpectralMatrix::kLaplacian) {
    prefix.append(spectral::MatrixName(matrix)).append("_");
    std::replace(prefix.begin(), prefix.end(), '-', '_');  // distance_laplacian_
  }
  const std::string integral = matrix == SpectralMatrix::kLaplacian ? "laplacian_" : prefix;
  return "graph,nodes,edges,graph6,degrees," + prefix + "charpoly," + prefix + "factored," +
         prefix + "eigenvalues,algebraic_connectivity,spanning_trees," + integral + "integral," +
         prefix + "cospectral_with,isomorphic_to\r\n";
}

std::string TableHeader(const std::vector<SpectralMatrix>& matrices,
                        const std::vector<SpectralMatrix>& joint) {
  if (matrices.size() == 1 && joint.empty()) return TableHeader(matrices[0]);
  std::string header = "graph,nodes,edges,graph6,degrees,";
  for (const SpectralMatrix matrix : matrices) {
    for (const char* column :
         {"charpoly,", "factored,", "eigenvalues,", "integral,", "cospectral_with,"}) {
      header.append(spectral::MatrixLetter(matrix));
      header.append("_").append(column);
    }
  }
  if (!joint.empty()) {
    const std::string name = spectral::JointName(joint);
    header.append(name).append("_integral,").append(name).append("_cospectral_with,");
  }
  header.append("algebraic_connectivity,spanning_trees,isomorphic_to\r\n");
  return header;
}

TableRows::TableRows(std::vector<SpectralMatrix> matrices, int digits, unsigned threads,
                     const std::vector<CospectralIndex>& families,
                     std::function<void(std::string_view)> write, std::vector<SpectralMatrix> joint)
    : matrices_(std::move(matrices)),
      joint_(std::move(joint)),
      digits_(digits),
      families_(families),
      write_(std::move(write)),
      summaries_(families.size()) {
  for (std::size_t k = 0; k < matrices_.size(); ++k) summaries_[k].matrix = matrices_[k];
  if (!joint_.empty()) summaries_.back().joint = spectral::JointName(joint_);
  pipeline_ = std::make_unique<io::BatchPipeline<Slot>>(
      kBatchGraphs, threads, io::Taking::kWhileComputing,
      io::BatchPipeline<Slot>::Steps{[this](Slot& slot) {
                                       RowOf(matrices_, joint_, slot.graph, slot.order, digits_,
                                             slot.row);
                                     },
                                     [this](const Slot& slot) { Write(slot); },
                                     {}});
  write_(TableHeader(matrices_, joint_));
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
  line_.clear();
  const std::int64_t number = slot.graph.number;
  const std::string& text = slot.row.text;
  std::size_t from = 0;
  for (std::size_t k = 0; k < families_.size(); ++k) {
    const std::size_t end = slot.row.ends[k];
    line_.append(text, from, end - from);
    const std::size_t mates = line_.size();
    families_[k].ForEachMate(number, [this, mates](std::uint32_t other) {
      if (line_.size() > mates) line_.push_back(' ');
      AppendNumber(line_, other);
    });
    from = end;
    ++summaries_[k].graphs;
    summaries_[k].integral += slot.row.integral[k];
    summaries_[k].without += slot.row.present[k] != 0 ? 0 : 1;
  }
  line_.append(text, from, std::string::npos);
  if (const std::int64_t original = families_[0].CopyOf(number)) AppendNumber(line_, original);
  line_.append("\r\n");
  write_(line_);
}

std::vector<TableSummary> TableRows::Finish() {
  pipeline_->Finish();
  for (std::size_t k = 0; k < families_.size(); ++k) {
    summaries_[k].withCospectralMate = families_[k].withMate();
    summaries_[k].copies = families_[k].copies();
    // A graph without the matrix has a key of its own, not a spectrum.
    summaries_[k].distinctSpectra = families_[k].distinct() - summaries_[k].without;
  }
  return summaries_;
}

TableSummary WriteSpectraTable(const std::vector<ListedGraph>& graphs, int order, int digits,
                               unsigned threads, const std::function<void(std::string_view)>& write,
                               SpectralMatrix matrix) {
  return WriteSpectraTable(graphs, order, digits, threads, write, {matrix}, {})[0];
}

std::vector<TableSummary> WriteSpectraTable(const std::vector<ListedGraph>& graphs, int order,
                                            int digits, unsigned threads,
                                            const std::function<void(std::string_view)>& write,
                                            const std::vector<SpectralMatrix>& matrices,
                                            const std::vector<SpectralMatrix>& joint) {
  std::vector<CospectralIndex> families;
  families.reserve(matrices.size() + 1);
  for (const SpectralMatrix m : matrices)
    families.push_back(spectral::GroupCospectral(m, graphs, order));
  if (!joint.empty()) families.push_back(spectral::GroupCospectral(joint, graphs, order));
  TableRows rows(matrices, digits, threads, families, write, joint);
  for (const ListedGraph& graph : graphs) {
    ListedGraph copy = graph;
    rows.Add(copy, order);
  }
  return rows.Finish();
}

namespace {

// The word the summary gives the graphs integral for the matrix.
std::string_view IntegralWord(SpectralMatrix matrix) {
  return matrix == SpectralMatrix::kLaplacian     ? "Laplacian-integral"
         : matrix == SpectralMatrix::kSignless    ? "signless-Laplacian-integral"
         : matrix == SpectralMatrix::kSeidel      ? "Seidel-integral"
         : matrix == SpectralMatrix::kGeneralized ? "adjacency-integral with their complements"
         : matrix == SpectralMatrix::kDistance    ? "distance-integral"
         : matrix == SpectralMatrix::kDistanceLaplacian ? "distance-Laplacian-integral"
         : matrix == SpectralMatrix::kDistanceSignless  ? "distance-signless-Laplacian-integral"
         : matrix == SpectralMatrix::kNormalized        ? "normalized-Laplacian-integral"
         : matrix == SpectralMatrix::kNonBacktracking   ? "non-backtracking-integral"
                                                        : "adjacency-integral";
}

// ", N disconnected graphs without it" for a distance matrix; "" when none.
std::string WithoutText(const TableSummary& summary) {
  if (summary.without == 0) return "";
  return ", " + Counted(summary.without, "disconnected graph") + " without it";
}

}  // namespace

std::string SummaryText(const TableSummary& summary) {
  const std::string integral(IntegralWord(summary.matrix));
  return Counted(summary.graphs, "graph") + " read, " + std::to_string(summary.integral) + " " +
         integral + ", " + std::to_string(summary.withCospectralMate) +
         " with a cospectral mate, " +
         Counted(summary.distinctSpectra, "distinct spectrum", "distinct spectra") +
         (summary.copies == 0
              ? ""
              : ", " + Counted(summary.copies, "isomorphic copy", "isomorphic copies")) +
         WithoutText(summary);
}

std::string SummaryText(const std::vector<TableSummary>& summaries) {
  if (summaries.size() == 1 && summaries[0].joint.empty()) return SummaryText(summaries[0]);
  std::string text = Counted(summaries.empty() ? 0 : summaries[0].graphs, "graph") + " read";
  for (const TableSummary& summary : summaries) {
    const bool joint = !summary.joint.empty();
    text.append("; ").append(joint ? summary.joint : spectral::MatrixLetter(summary.matrix));
    text.append(": ").append(std::to_string(summary.integral)).append(" ");
    text.append(joint ? "integral for all" : IntegralWord(summary.matrix));
    text.append(", ").append(std::to_string(summary.withCospectralMate));
    text.append(" with a cospectral mate, ");
    text.append(Counted(summary.distinctSpectra, "distinct spectrum", "distinct spectra"));
    text.append(WithoutText(summary));
  }
  if (!summaries.empty() && summaries[0].copies != 0) {
    text.append("; ").append(Counted(summaries[0].copies, "isomorphic copy", "isomorphic copies"));
  }
  return text;
}

}  // namespace grafen::spectra
