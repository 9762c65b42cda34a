// The characteristic polynomial det(xI - L) of a graph's Laplacian L.
#pragma once

#include <vector>

#include "results/edge_list_reader.h"
#include "spectra/flint_values.h"

namespace grafen::spectra {

// det(xI - L) for the Laplacian L of the graph on nodes 1..order.
Polynomial LaplacianCharpoly(int order, const std::vector<Edge>& edges);

}  // namespace grafen::spectra
