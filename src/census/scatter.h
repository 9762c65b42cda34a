// The map step of a census past one machine: a slice of the graph stream
// routed, graph by graph, to the part its spectral key falls in, matrix by
// matrix, as graph6 records in a spool directory that appears whole, with
// the slice's print (the graphs it read of each order and edge count).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "census/census_table.h"
#include "spectral/charpoly.h"

namespace grafen::census {

// What a map task does: the matrices and parts it routes graphs to, which
// slice of the stream it reads (as nauty-geng's res/mod), and where the
// spool goes.
struct ScatterRequest {
  std::vector<spectral::SpectralMatrix> matrices;
  int parts = 1;
  int slice = 0;  // 0 <= slice < slices
  int slices = 1;
  int order = 0;  // the order of an edge list's graphs (graph6 states its own)
  unsigned threads = 1;
  std::string spool;  // the directory to make; it must not be there yet
};

// The name of the records of a matrix's part k (1-based) in a spool:
// "L-3.g6".
std::string RecordsName(spectral::SpectralMatrix matrix, int part);

// The name of the print in a spool.
inline constexpr const char* kPrintName = "print.csv";

// The spool cannot be made or written, or is there already; the message
// names the file.
class ScatterError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the graphs of the input (a path, "-" for standard input) once, and
// makes the spool directory: every matrix's records of every part (empty
// files too) and the print, written in a temporary directory beside it
// that is renamed into place once all are written and synced. Returns the
// print's rows. Throws ScatterError, std::system_error for the input,
// EdgeListError; the temporary directory is removed on failure.
std::vector<SlicePrint> Scatter(const std::string& input, const ScatterRequest& request);

}  // namespace grafen::census
