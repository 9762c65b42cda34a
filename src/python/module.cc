// The extension module _grafen: the exact core as Python sees it. Graphs
// come in as a Graphs list (graph6, an edge list or node pairs), results go
// out as plain Python values (ints of any size, text made by the table code,
// intervals as "p/q" text); the package grafen (grafen/__init__.py) gives them
// their types. Long computations run without the GIL.
#include <Python.h>
#include <flint/fmpq.h>
#include <flint/fmpz.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "census/census.h"
#include "census/census_table.h"
#include "formats/edge_list_reader.h"
#include "formats/graph6.h"
#include "formats/graph_reader.h"
#include "io/input.h"
#include "io/parallel.h"
#include "spectra/options.h"
#include "spectra/row_text.h"
#include "spectra/table.h"
#include "spectral/cospectral_index.h"
#include "spectral/matrix.h"
#include "spectral/spectrum.h"

namespace py = pybind11;

namespace grafen::python {
namespace {

using spectral::SpectralMatrix;

// A list of graphs held in C++, each with its order and edges (nodes 1..n),
// numbered 1, 2, ... by their place: what every computation takes.
class Graphs {
 public:
  // Adds the graph of order n (1..kMaxOrder) on nodes 0..n-1 with these node
  // pairs, each unordered pair once and no loop. Throws ValueError.
  void AddPairs(int order, const std::vector<std::pair<long, long>>& pairs) {
    if (order < 1 || order > kMaxOrder) {
      throw py::value_error("a graph of order " + std::to_string(order) + ", outside 1.." +
                            std::to_string(kMaxOrder));
    }
    ListedGraph graph;
    graph.order = order;
    graph.edges.reserve(pairs.size());
    for (const auto& [a, b] : pairs) {
      for (const long node : {a, b}) {
        if (node < 0 || node >= order) {
          throw py::value_error("node " + std::to_string(node) + " outside 0.." +
                                std::to_string(order - 1));
        }
      }
      if (a == b)
        throw py::value_error("loop at node " + std::to_string(a) + ": graphs are simple");
      graph.edges.push_back(
          {static_cast<int>(std::min(a, b)) + 1, static_cast<int>(std::max(a, b)) + 1});
    }
    std::sort(graph.edges.begin(), graph.edges.end(),
              [](const Edge& x, const Edge& y) { return x.i != y.i ? x.i < y.i : x.j < y.j; });
    for (std::size_t k = 1; k < graph.edges.size(); ++k) {
      const Edge& e = graph.edges[k];
      if (e.i == graph.edges[k - 1].i && e.j == graph.edges[k - 1].j) {
        throw py::value_error("edge " + std::to_string(e.i - 1) + " " + std::to_string(e.j - 1) +
                              " given twice");
      }
    }
    Take(graph);
  }

  // Adds the graph of one graph6 text (no line end). Throws ValueError with
  // the readers' message.
  void AddGraph6(std::string_view text) {
    ListedGraph graph;
    const std::string wrong = DecodeGraph6(text, kMaxOrder, graph);
    if (!wrong.empty()) throw py::value_error(wrong);
    Take(graph);
  }

  // Adds every graph of a text in either format the programs read (graph6
  // lines or an edge list); an edge list's graphs have order `order`, else
  // that of its largest node. Throws ValueError "NAME:LINE: what is wrong".
  void Read(std::string_view text, int order, const std::string& name) {
    if (order < 0 || order > kMaxOrder) {
      throw py::value_error("order " + std::to_string(order) + " outside 1.." +
                            std::to_string(kMaxOrder));
    }
    const std::size_t first = graphs_.size();
    try {
      GraphReader reader(order == 0 ? kMaxOrder : order, [this](const ListedGraph& graph) {
        ListedGraph taken;
        taken.order = graph.order;
        taken.edges = graph.edges;
        graphs_.push_back(std::move(taken));
      });
      reader.Feed(text);
      reader.Finish();
    } catch (const EdgeListError& e) {
      graphs_.resize(first);
      throw py::value_error(name + ":" + std::to_string(e.line()) + ": " + e.what());
    }
    int widest = order;
    for (std::size_t k = first; k < graphs_.size() && order == 0; ++k) {
      for (const Edge& e : graphs_[k].edges) widest = std::max(widest, e.j);
    }
    for (std::size_t k = first; k < graphs_.size(); ++k) {
      ListedGraph& graph = graphs_[k];
      graph.number = static_cast<std::int64_t>(k) + 1;
      if (graph.order == 0) graph.order = std::max(widest, 1);
    }
  }

  std::size_t size() const { return graphs_.size(); }
  const ListedGraph& at(std::size_t k) const {
    if (k >= graphs_.size()) throw py::index_error("no graph " + std::to_string(k));
    return graphs_[k];
  }
  const std::vector<ListedGraph>& all() const { return graphs_; }
  // The largest order among the graphs (1 when there are none).
  int LargestOrder() const {
    int order = 1;
    for (const ListedGraph& g : graphs_) order = std::max(order, g.order);
    return order;
  }

 private:
  void Take(ListedGraph& graph) {
    graph.number = static_cast<std::int64_t>(graphs_.size()) + 1;
    graphs_.push_back(std::move(graph));
  }

  std::vector<ListedGraph> graphs_;
};

// The matrix a name or letter names; ValueError naming every one known.
SpectralMatrix MatrixOf(const std::string& name) {
  if (const auto matrix = spectral::MatrixNamed(name)) return *matrix;
  std::string names;
  std::string letters;
  for (const SpectralMatrix known : spectral::AllMatrices()) {
    names.append(names.empty() ? "" : ", ").append(spectral::MatrixName(known));
    letters.append(letters.empty() ? "" : ", ").append(spectral::MatrixLetter(known));
  }
  throw py::value_error("matrix takes " + names + " (" + letters + "), not '" + name + "'");
}

// The matrices that comma-separated names name, each once, in the tables'
// order; none for "".
std::vector<SpectralMatrix> MatricesOf(const std::string& names) {
  std::vector<SpectralMatrix> matrices;
  std::string_view left = names;
  for (std::size_t comma = 0; !names.empty() && comma != std::string_view::npos;
       left.remove_prefix(comma + 1)) {
    comma = left.find(',');
    const SpectralMatrix matrix = MatrixOf(std::string(left.substr(0, comma)));
    if (std::find(matrices.begin(), matrices.end(), matrix) == matrices.end()) {
      matrices.push_back(matrix);
    }
  }
  std::sort(matrices.begin(), matrices.end(), [](SpectralMatrix a, SpectralMatrix b) {
    return spectral::MatrixRank(a) < spectral::MatrixRank(b);
  });
  return matrices;
}

// The digits asked, checked as --digits checks them.
int DigitsOf(int digits) {
  if (digits < 1 || digits > spectra::kMaxDigits) {
    throw py::value_error("digits takes a whole number from 1 to " +
                          std::to_string(spectra::kMaxDigits) + ", not '" + std::to_string(digits) +
                          "'");
  }
  return digits;
}

// The threads to use: every usable core unless a number is given.
unsigned ThreadsOf(const py::object& threads) {
  if (threads.is_none()) return io::UsableCores();
  const long n = threads.cast<long>();
  if (n < 1 || n > 1024) {
    throw py::value_error("threads takes a whole number from 1 to 1024, not '" + std::to_string(n) +
                          "'");
  }
  return static_cast<unsigned>(n);
}

// An exact integer as a Python int.
py::object IntOf(const fmpz* value) {
  if (fmpz_fits_si(value) != 0) return py::int_(fmpz_get_si(value));
  char* digits = fmpz_get_str(nullptr, 10, value);
  PyObject* number = PyLong_FromString(digits, nullptr, 10);
  flint_free(digits);
  if (number == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(number);
}

// A rational as "p/q" (or "p"), which fractions.Fraction reads.
std::string RationalText(const fmpq* value) {
  char* text = fmpq_get_str(nullptr, 10, value);
  std::string copy(text);
  flint_free(text);
  return copy;
}

// A polynomial's coefficients, highest power first, as Python ints.
py::list CoefficientsOf(const algebra::Coefficients& p) {
  py::list list;
  for (std::size_t k = p.degree() + 1; k > 0; --k) {
    if (p.inWords()) {
      list.append(py::int_(p.word(k - 1)));
    } else {
      list.append(IntOf(p.exact(k - 1)));
    }
  }
  return list;
}

// The polynomial of graph k's matrix (det(xI - M); N's primitive one, B's of
// degree 2m) as Python ints, highest power first: no factoring, no roots.
py::list CharpolyOf(const Graphs& graphs, std::size_t k, const std::string& matrixName) {
  const SpectralMatrix matrix = MatrixOf(matrixName);
  const ListedGraph& graph = graphs.at(k);
  if (matrix == SpectralMatrix::kGeneralized) {
    throw py::value_error(
        "the generalized spectrum is two polynomials: take A's of the graph "
        "and of its complement");
  }
  if (!spectral::HasMatrix(matrix, graph.order, graph.edges)) {
    throw py::value_error("a disconnected graph has no " +
                          std::string(spectral::MatrixName(matrix)) + " matrix");
  }
  py::list list;
  if (std::array<std::int64_t, spectral::kWrappingOrder + 1> small{};
      spectral::SmallCharpoly(matrix, graph.order, graph.edges, small)) {
    for (int c = 0; c <= graph.order; ++c)
      list.append(py::int_(small[static_cast<std::size_t>(c)]));
    return list;
  }
  const algebra::Polynomial p = spectral::Charpoly(matrix, graph.order, graph.edges);
  for (long c = p.degree(); c >= 0; --c) list.append(IntOf(p.coefficient(c)));
  return list;
}

// The spectrum of graph k as plain values: a dict the package types.
py::dict SpectrumOf(const Graphs& graphs, std::size_t k, const std::string& matrixName,
                    int digits) {
  const SpectralMatrix matrix = MatrixOf(matrixName);
  const int checked = DigitsOf(digits);
  const ListedGraph& graph = graphs.at(k);
  if (!spectral::HasMatrix(matrix, graph.order, graph.edges)) {
    throw py::value_error("a disconnected graph has no " +
                          std::string(spectral::MatrixName(matrix)) + " matrix");
  }
  spectral::Spectrum s;
  {
    py::gil_scoped_release released;
    spectral::GraphSpectrum(matrix, graph.order, graph.edges, checked, s);
  }
  py::dict out;
  out["matrix"] = std::string(spectral::MatrixLetter(matrix));
  out["order"] = graph.order;
  out["charpoly"] = CoefficientsOf(s.charpoly);
  std::string text;
  spectra::AppendFactored(text, s);
  out["factored"] = text;
  text.clear();
  spectra::AppendEigenvalues(text, s);
  out["eigenvalues"] = text;
  text.clear();
  spectra::AppendConnectivity(text, s.laplacian);
  out["algebraic_connectivity"] = text;
  out["spanning_trees"] = IntOf(s.laplacian.spanningTrees.get());
  out["integral"] = s.integral;
  py::list integers;
  for (const algebra::IntegerRoot& root : s.integerRoots) {
    integers.append(py::make_tuple(root.value, root.multiplicity));
  }
  out["integer_roots"] = integers;
  py::list factors;
  for (const spectral::Factor& factor : s.factors) {
    py::list roots;
    for (const spectral::FactorRoot& root : factor.roots) {
      if (root.inDoubles) {
        roots.append(py::make_tuple(root.low, root.high));
      } else {
        roots.append(py::make_tuple(RationalText(root.exact.low.get()),
                                    RationalText(root.exact.high.get())));
      }
    }
    factors.append(py::make_tuple(CoefficientsOf(factor.polynomial), factor.multiplicity, roots));
  }
  out["factors"] = factors;
  py::list refs;
  for (const spectral::EigenvalueRef& e : s.eigenvalues) {
    refs.append(py::make_tuple(
        e.factor == spectral::EigenvalueRef::kInteger ? -1L : static_cast<long>(e.factor),
        static_cast<long>(e.index)));
  }
  out["eigenvalue_refs"] = refs;
  return out;
}

// grafen-spectra's table of the graphs, header first, as CSV text: of the
// matrices named (comma-separated) and the joint set named, if any.
std::string SpectraTable(const Graphs& graphs, const std::string& matrixNames, int digits,
                         const py::object& threadsAsked, const std::string& jointNames) {
  const std::vector<SpectralMatrix> joint = MatricesOf(jointNames);
  std::vector<SpectralMatrix> matrices = MatricesOf(matrixNames);
  if (!jointNames.empty() && joint.size() < 2) {
    throw py::value_error("joint takes two or more matrices, not '" + jointNames + "'");
  }
  if (matrices.empty()) matrices = joint.empty() ? std::vector{SpectralMatrix::kLaplacian} : joint;
  const int checked = DigitsOf(digits);
  const unsigned threads = ThreadsOf(threadsAsked);
  std::string table;
  py::gil_scoped_release released;
  spectra::WriteSpectraTable(
      graphs.all(), graphs.LargestOrder(), checked, threads,
      [&table](std::string_view piece) { table.append(piece); }, matrices, joint);
  return table;
}

// The cospectral families of the graphs for the matrix: each the places
// (from 0) of pairwise non-isomorphic graphs with one characteristic
// polynomial, two or more, by first member; a graph isomorphic to an earlier
// one is left out.
std::vector<std::vector<std::size_t>> Families(const Graphs& graphs,
                                               const std::string& matrixName) {
  const SpectralMatrix matrix = MatrixOf(matrixName);
  std::vector<std::vector<std::size_t>> families;
  py::gil_scoped_release released;
  const spectral::CospectralIndex index =
      spectral::GroupCospectral(matrix, graphs.all(), graphs.LargestOrder());
  for (std::size_t k = 0; k < graphs.size(); ++k) {
    const auto number = static_cast<std::int64_t>(k) + 1;
    const std::span<const std::uint32_t> family = index.Family(number);
    if (family.empty() || family.front() != number || index.Kinds(number) < 2) continue;
    std::vector<std::size_t> members;
    for (const std::uint32_t member : family) {
      if (index.CopyOf(member) == 0) members.push_back(member - 1);
    }
    families.push_back(std::move(members));
  }
  return families;
}

// An integer's decimal text as a Python int, of any size.
py::object IntOfText(std::string_view text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc() && end == text.data() + text.size()) return py::int_(value);
  const std::string copy(text);
  PyObject* number = PyLong_FromString(copy.c_str(), nullptr, 10);
  if (number == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(number);
}

// The cells of a space-separated list, each made a value by `make`.
template <typename Make>
py::list ListOf(std::string_view cell, Make make) {
  py::list list;
  while (!cell.empty()) {
    const std::size_t space = cell.find(' ');
    list.append(make(cell.substr(0, space)));
    if (space == std::string_view::npos) break;
    cell.remove_prefix(space + 1);
  }
  return list;
}

// The columns of a CSV table the core wrote (CR LF line ends, no field
// quoted, header first and left out), each cell made a value by its
// column's kind: 'i' an int, 'n' an int or None when empty, 'b' a bool (1
// or 0), 's' a str, 'o' a str or None when empty, 'I' a list of ints, 'S' a
// list of str.
std::vector<py::list> Columns(std::string_view text, const std::string& kinds) {
  std::vector<py::list> columns(kinds.size());
  const std::size_t headerEnd = text.find("\r\n");
  if (headerEnd == std::string_view::npos) return columns;
  text.remove_prefix(headerEnd + 2);
  while (!text.empty()) {
    const std::size_t lineEnd = text.find("\r\n");
    std::string_view line = text.substr(0, lineEnd);
    text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd + 2);
    for (std::size_t k = 0; k < kinds.size(); ++k) {
      const std::size_t comma = line.find(',');
      if (comma == std::string_view::npos && k + 1 < kinds.size()) {
        throw std::invalid_argument("a table row with too few cells");
      }
      const std::string_view cell = line.substr(0, comma);
      line.remove_prefix(comma == std::string_view::npos ? line.size() : comma + 1);
      const auto str = [](std::string_view c) { return py::str(c.data(), c.size()); };
      switch (kinds[k]) {
        case 'i':
          columns[k].append(IntOfText(cell));
          break;
        case 'n':
          columns[k].append(cell.empty() ? py::none() : IntOfText(cell));
          break;
        case 'b':  // empty: no such matrix (a distance matrix, disconnected)
          columns[k].append(cell.empty() ? py::object(py::none())
                                         : py::object(py::bool_(cell == "1")));
          break;
        case 'o':
          columns[k].append(cell.empty() ? py::object(py::none()) : py::object(str(cell)));
          break;
        case 'I':
          columns[k].append(ListOf(cell, IntOfText));
          break;
        case 'S':
          columns[k].append(ListOf(cell, str));
          break;
        default:
          columns[k].append(str(cell));
      }
    }
  }
  return columns;
}

// The census table of the graph file at `path` as CSV text, header first;
// `matrices` names them, comma-separated.
std::string CensusTable(const std::string& path, const std::string& matrices, int partIndex,
                        int partCount, int order, const py::object& threadsAsked,
                        const std::string& joint) {
  census::CensusRequest request;
  request.matrices = MatricesOf(matrices);
  if (request.matrices.empty()) throw py::value_error("matrices names no matrix");
  request.joint = MatricesOf(joint);
  if (!joint.empty() && request.joint.size() < 2) {
    throw py::value_error("joint takes two or more matrices, not '" + joint + "'");
  }
  if (partCount < 1 || partCount > census::kMaxParts || partIndex < 1 || partIndex > partCount) {
    throw py::value_error("part takes K/M with 1 <= K <= M <= " +
                          std::to_string(census::kMaxParts));
  }
  request.part = census::Part{partIndex, partCount};
  request.order = order;
  request.threads = ThreadsOf(threadsAsked);
  py::gil_scoped_release released;
  io::ReplayableInput input(path);
  try {
    return census::CensusText(census::TakeCensus(input, request, nullptr));
  } catch (const EdgeListError& e) {
    throw std::invalid_argument(path + ":" + std::to_string(e.line()) + ": " + e.what());
  }
}

}  // namespace
}  // namespace grafen::python

namespace grafen::python {
namespace {

// Binds the class Graphs, the graphs a call hands to the core.
void BindGraphs(py::module_& m) {
  py::class_<Graphs>(m, "Graphs", "Graphs held by the core, numbered by their place.")
      .def(py::init<>())
      .def("add_pairs", &Graphs::AddPairs, py::arg("order"), py::arg("pairs"),
           "Adds the graph of this order on nodes 0..order-1 with these node pairs.")
      .def(
          "add_graph6",
          [](Graphs& graphs, const py::bytes& text) { graphs.AddGraph6(std::string(text)); },
          py::arg("text"), "Adds the graph of one graph6 text.")
      .def(
          "read",
          [](Graphs& graphs, const py::bytes& text, int order, const std::string& name) {
            graphs.Read(std::string(text), order, name);
          },
          py::arg("text"), py::arg("order"), py::arg("name"),
          "Adds every graph of graph6 lines or an edge list.")
      .def("__len__", &Graphs::size)
      .def(
          "graph6",
          [](const Graphs& graphs, std::size_t k) {
            const grafen::ListedGraph& g = graphs.at(k);
            return grafen::Graph6(g.order, g.edges);
          },
          py::arg("index"), "The graph6 text of graph `index` (from 0).")
      .def(
          "order", [](const Graphs& graphs, std::size_t k) { return graphs.at(k).order; },
          py::arg("index"), "The order of graph `index` (from 0).");
}

}  // namespace
}  // namespace grafen::python

PYBIND11_MODULE(_grafen, m) {
  m.doc() = "The exact core of grafen; use the package grafen, which types its results.";
  grafen::python::BindGraphs(m);
  m.def(
      "matrices",
      [] {
        std::vector<std::pair<std::string, std::string>> known;
        for (const auto matrix : grafen::spectral::AllMatrices()) {
          known.emplace_back(grafen::spectral::MatrixLetter(matrix),
                             grafen::spectral::MatrixName(matrix));
        }
        return known;
      },
      "The matrices known, as (short name, long name) pairs.");
  m.def(
      "matrix_letter",
      [](const std::string& name) {
        return std::string(grafen::spectral::MatrixLetter(grafen::python::MatrixOf(name)));
      },
      py::arg("name"), "The letter of the matrix a letter or name names.");
  m.def("charpoly", &grafen::python::CharpolyOf, py::arg("graphs"), py::arg("index"),
        py::arg("matrix"), "The characteristic polynomial of one graph, highest power first.");
  m.def("spectrum", &grafen::python::SpectrumOf, py::arg("graphs"), py::arg("index"),
        py::arg("matrix"), py::arg("digits"), "The spectrum of one graph as plain values.");
  m.def(
      "spectra_table", &grafen::python::SpectraTable, py::arg("graphs"), py::arg("matrix"),
      py::arg("digits"), py::arg("threads"), py::arg("joint") = "",
      "grafen-spectra's table of the graphs (comma-separated matrices, and a joint set), as CSV.");
  m.def(
      "columns",
      [](const std::string& text, const std::string& kinds) {
        return grafen::python::Columns(text, kinds);
      },
      py::arg("text"), py::arg("kinds"), "The typed columns of a CSV table the core wrote.");
  m.def("families", &grafen::python::Families, py::arg("graphs"), py::arg("matrix"),
        "The cospectral families of the graphs, as places from 0.");
  m.def("census_table", &grafen::python::CensusTable, py::arg("path"), py::arg("matrices"),
        py::arg("part_index"), py::arg("part_count"), py::arg("order"), py::arg("threads"),
        py::arg("joint") = "", "grafen-census's table of a graph file, as CSV.");
}
