#include "spectral/matrix.h"

#include <array>
#include <cstddef>
#include <vector>

namespace grafen::spectral {
namespace {

// A matrix with its letter and long name.
struct Named {
  SpectralMatrix matrix;
  char letter;
  std::string_view name;
};

// In the order tables list them.
constexpr std::array<Named, 5> kNames{{{SpectralMatrix::kAdjacency, 'A', "adjacency"},
                                       {SpectralMatrix::kGeneralized, 'G', "generalized"},
                                       {SpectralMatrix::kLaplacian, 'L', "laplacian"},
                                       {SpectralMatrix::kSignless, 'Q', "signless"},
                                       {SpectralMatrix::kSeidel, 'S', "seidel"}}};

// The entry of kNames for the matrix.
const Named& NamesOf(SpectralMatrix matrix) {
  for (const Named& named : kNames) {
    if (named.matrix == matrix) return named;
  }
  return kNames[1];
}

}  // namespace

char MatrixLetter(SpectralMatrix matrix) { return NamesOf(matrix).letter; }

std::string_view MatrixName(SpectralMatrix matrix) { return NamesOf(matrix).name; }

int MatrixRank(SpectralMatrix matrix) { return static_cast<int>(&NamesOf(matrix) - kNames.data()); }

std::optional<SpectralMatrix> MatrixNamed(std::string_view name) {
  for (const Named& named : kNames) {
    if ((name.size() == 1 && name[0] == named.letter) || name == named.name) return named.matrix;
  }
  return std::nullopt;
}

EigenvalueRange RangeOf(SpectralMatrix matrix, long order) {
  switch (matrix) {
    case SpectralMatrix::kAdjacency:
    case SpectralMatrix::kSeidel:
    case SpectralMatrix::kGeneralized:
      return {-(order - 1), order - 1};
    case SpectralMatrix::kSignless:
      return {0, 2 * order - 2};
    case SpectralMatrix::kLaplacian:
      break;
  }
  return {0, order};
}

std::vector<Edge> ComplementEdges(int order, const std::vector<Edge>& edges) {
  const auto n = static_cast<std::size_t>(order);
  std::vector<char> joined(n * n, 0);
  for (const Edge& e : edges) {
    joined[static_cast<std::size_t>(e.i - 1) * n + static_cast<std::size_t>(e.j - 1)] = 1;
    joined[static_cast<std::size_t>(e.j - 1) * n + static_cast<std::size_t>(e.i - 1)] = 1;
  }
  std::vector<Edge> complement;
  for (int i = 1; i <= order; ++i) {
    for (int j = i + 1; j <= order; ++j) {
      if (joined[static_cast<std::size_t>(i - 1) * n + static_cast<std::size_t>(j - 1)] == 0) {
        complement.push_back(Edge{i, j});
      }
    }
  }
  return complement;
}

}  // namespace grafen::spectral
