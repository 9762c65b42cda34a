#include "enumeration/connectivity.h"

#include "cli/command_line.h"
#include "enumeration/codes.h"

namespace grafen {

bool SameMatrix(const AdjMatrix& a, const AdjMatrix& b) {
  for (int i = 1; i <= Order; ++i) {
    for (int j = 1; j <= Order; ++j) {
      if (a(i, j) != b(i, j)) return false;
    }
  }
  return true;
}

AdjMatrix BoolProduct(AdjMatrix a, AdjMatrix b) {
  AdjMatrix c;
  for (int i = 1; i <= Order; ++i) {
    for (int j = 1; j <= Order; ++j) {
      c(i, j) = 0;
      for (int k = 1; k <= Order; ++k) {
        if (a(i, k) != 0 && b(k, j) != 0) {
          c(i, j) = 1;
          break;
        }
      }
    }
  }
  return c;
}

bool IsConnected(const AdjMatrix& m) {
  AdjMatrix r = m;
  AdjMatrix s = OnesMatrix();
  while (!SameMatrix(s, r)) {
    s = r;
    r = BoolProduct(s, s);
  }
  return SameMatrix(r, OnesMatrix());
}

}  // namespace grafen
