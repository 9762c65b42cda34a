// Connectivity by boolean matrix algebra: square the matrix (true diagonal)
// until it stops changing; that is reachability.
#pragma once

#include "UTypes/UTypes.h"

namespace grafen {

// Whether a and b agree on every entry of the Order by Order block.
bool SameMatrix(const AdjMatrix& a, const AdjMatrix& b);

// The boolean product: c[i][j] true when some k has a[i][k] and b[k][j].
AdjMatrix BoolProduct(AdjMatrix a, AdjMatrix b);

// Whether every node reaches every node in a matrix made by MatrixFromCode.
bool IsConnected(const AdjMatrix& m);

// The same answer as IsConnected, found by growing node 1's component over
// neighbour sets: for the run's hot path.
bool ReachesEveryNode(const AdjMatrix& m);

}  // namespace grafen
