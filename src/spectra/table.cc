#include "spectra/table.h"

#include <flint/flint.h>

#include <algorithm>
#include <cstddef>
#include <exception>
#include <functional>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>

#include "spectra/graph6.h"
#include "spectra/spectrum.h"
#include "spectra/text.h"

namespace grafen::spectra {
namespace {

constexpr const char* kHeader =
    "graph,nodes,edges,graph6,degrees,charpoly,factored,eigenvalues,algebraic_connectivity,"
    "spanning_trees,laplacian_integral,cospectral_with\r\n";

// The degree sequence, largest first, space-separated.
std::string DegreesText(int order, const std::vector<Edge>& edges) {
  std::vector<int> degrees(static_cast<std::size_t>(order));
  for (const Edge& e : edges) {
    ++degrees[static_cast<std::size_t>(e.i - 1)];
    ++degrees[static_cast<std::size_t>(e.j - 1)];
  }
  std::sort(degrees.begin(), degrees.end(), std::greater<>());
  std::string text;
  for (const int d : degrees) AppendItem(text, std::to_string(d));
  return text;
}

// A row of the table but its last column, and the characteristic
// polynomial that decides that column (cospectral mates).
struct PartialRow {
  std::string text;
  std::string charpoly;
  bool laplacianIntegral = false;
};

// The row of one graph up to and including the comma before its last column.
PartialRow RowOf(const ListedGraph& graph, int order, int digits) {
  Spectrum s = LaplacianSpectrum(order, graph.edges, digits);
  PartialRow row;
  std::string& text = row.text;
  for (const std::string& field :
       {std::to_string(graph.number), std::to_string(order), std::to_string(graph.edges.size()),
        Graph6(order, graph.edges), DegreesText(order, graph.edges), s.charpoly, s.factored,
        s.eigenvalues, s.algebraicConnectivity, s.spanningTrees,
        std::string(s.laplacianIntegral ? "1" : "0")}) {
    text.append(field).push_back(',');
  }
  row.charpoly = std::move(s.charpoly);
  row.laplacianIntegral = s.laplacianIntegral;
  return row;
}

// Computes rows[k] for every k = first, first + step, ... (one worker).
void ComputeRows(const std::vector<ListedGraph>& graphs, int order, int digits, std::size_t first,
                 std::size_t step, std::vector<PartialRow>& rows) {
  for (std::size_t k = first; k < graphs.size(); k += step)
    rows[k] = RowOf(graphs[k], order, digits);
}

// Graphs per thread below which another thread is not worth starting.
constexpr std::size_t kGraphsPerThread = 64;

}  // namespace

TableSummary WriteSpectraTable(const std::vector<ListedGraph>& graphs, int order, int digits,
                               unsigned threads,
                               const std::function<void(std::string_view)>& write) {
  std::vector<PartialRow> rows(graphs.size());
  const std::size_t workers =
      std::clamp<std::size_t>(graphs.size() / kGraphsPerThread, 1, std::max(threads, 1U));
  {
    // Interleaved, so that the denser graphs at the end are shared out too.
    // Each helper frees FLINT's per-thread caches before it ends.
    // A helper's failure (out of memory) is raised again here.
    std::vector<std::exception_ptr> failures(workers);
    {
      std::vector<std::jthread> helpers;
      for (std::size_t w = 1; w < workers; ++w) {
        helpers.emplace_back([&, w] {
          try {
            ComputeRows(graphs, order, digits, w, workers, rows);
          } catch (...) {
            failures[w] = std::current_exception();
          }
          flint_cleanup();
        });
      }
      ComputeRows(graphs, order, digits, 0, workers, rows);
    }
    for (const std::exception_ptr& failure : failures) {
      if (failure) std::rethrow_exception(failure);
    }
  }

  std::unordered_map<std::string_view, std::vector<std::int64_t>> bySpectrum;
  for (std::size_t k = 0; k < graphs.size(); ++k) {
    bySpectrum[rows[k].charpoly].push_back(graphs[k].number);
  }
  TableSummary summary{static_cast<std::int64_t>(graphs.size()), 0, 0,
                       static_cast<std::int64_t>(bySpectrum.size())};
  write(kHeader);
  std::string mates;
  for (std::size_t k = 0; k < graphs.size(); ++k) {
    mates.clear();
    for (const std::int64_t number : bySpectrum[rows[k].charpoly]) {
      if (number != graphs[k].number) AppendItem(mates, std::to_string(number));
    }
    mates.append("\r\n");
    write(rows[k].text);
    write(mates);
    summary.laplacianIntegral += rows[k].laplacianIntegral ? 1 : 0;
    summary.withCospectralMate += mates.size() > 2 ? 1 : 0;
  }
  return summary;
}

std::string SummaryText(const TableSummary& summary) {
  return std::to_string(summary.graphs) + " graphs read, " +
         std::to_string(summary.laplacianIntegral) + " Laplacian-integral, " +
         std::to_string(summary.withCospectralMate) + " with a cospectral mate, " +
         std::to_string(summary.distinctSpectra) + " distinct spectra";
}

}  // namespace grafen::spectra
