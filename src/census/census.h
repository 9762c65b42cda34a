// The spectral census of a stream of graphs: for each chosen matrix, the
// graphs of each order and edge count grouped exactly by characteristic
// polynomial, and counted.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "census/census_table.h"
#include "io/input.h"
#include "spectral/charpoly.h"

namespace grafen::census {

// What is counted and how.
struct CensusRequest {
  std::vector<spectral::SpectralMatrix> matrices;  // in the tables' order: A, B, D, ...
  Part part;
  int order = 0;  // the order of an edge list's graphs (graph6 states its own)
  unsigned threads = 1;
  // Called now and then with the number of graphs read so far.
  std::function<void(std::int64_t)> progress;
  // Graphs counted cospectral when they are for all of these at once (two
  // or more, in the tables' order), as a set named A+L; none when empty.
  std::vector<spectral::SpectralMatrix> joint;
};

// The census rows of the input (graphs counted up to isomorphism: a graph
// isomorphic to one before it is set aside as a copy), and, when `families`
// is given, the families file (family_list.h) of every matrix. Reads the
// input two or three times. Throws std::system_error and EdgeListError.
std::vector<CensusRow> TakeCensus(io::ReplayableInput& input, const CensusRequest& request,
                                  std::string* families);

// The part of a split that a graph with this spectral key belongs to (1-based).
int PartOf(std::uint64_t key, int parts);

// The hash of a graph's graph6 text (without its line end), of which the
// prints of the input add up.
std::uint64_t TextHash(std::string_view text);

}  // namespace grafen::census
