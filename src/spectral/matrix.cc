#include "spectral/matrix.h"

namespace grafen::spectral {

char MatrixLetter(SpectralMatrix matrix) {
  switch (matrix) {
    case SpectralMatrix::kAdjacency:
      return 'A';
    case SpectralMatrix::kSignless:
      return 'Q';
    case SpectralMatrix::kLaplacian:
      break;
  }
  return 'L';
}

std::string_view MatrixName(SpectralMatrix matrix) {
  switch (matrix) {
    case SpectralMatrix::kAdjacency:
      return "adjacency";
    case SpectralMatrix::kSignless:
      return "signless";
    case SpectralMatrix::kLaplacian:
      break;
  }
  return "laplacian";
}

std::optional<SpectralMatrix> MatrixNamed(std::string_view name) {
  for (const SpectralMatrix matrix :
       {SpectralMatrix::kAdjacency, SpectralMatrix::kLaplacian, SpectralMatrix::kSignless}) {
    if (name.size() == 1 && name[0] == MatrixLetter(matrix)) return matrix;
    if (name == MatrixName(matrix)) return matrix;
  }
  return std::nullopt;
}

EigenvalueRange RangeOf(SpectralMatrix matrix, long order) {
  switch (matrix) {
    case SpectralMatrix::kAdjacency:
      return {-(order - 1), order - 1};
    case SpectralMatrix::kSignless:
      return {0, 2 * order - 2};
    case SpectralMatrix::kLaplacian:
      break;
  }
  return {0, order};
}

}  // namespace grafen::spectral
