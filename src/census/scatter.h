// The map step of a census past one machine: a slice of the graph stream
// routed, graph by graph, to the part its fingerprint falls in, matrix by
// matrix, as records (graph6 and the fingerprint) in a spool directory that
// appears whole, with the slice's print (the graphs it read of each order
// and edge count). Each graph's polynomials are worked out here, once.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
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

// A graph's fingerprint for a matrix, as its records carry it: the low 35
// bits of the census's first-reading hash of its polynomial (HashedFacts:
// equal polynomials, equal fingerprints) and whether it is integral for
// the matrix, worked out exactly by the map task. A reducer groups by it,
// so that only graphs sharing one have their polynomials worked out again,
// exactly, to settle whether they are cospectral. 35 bits keep the records
// of order 12's largest edge count under 1 TB, and cost little: the 6 x 10^7
// graphs of one of its 256 parts share about 10^5 fingerprints by chance,
// against millions of cospectral mates.
struct Fingerprint {
  std::uint64_t hash = 0;  // below 2^35
  bool integral = false;
};

// A fingerprint of the census's hash, and its integrality.
Fingerprint FingerprintOf(std::uint64_t hash, bool integral);

// Appends a record of a graph for a matrix, without its line's end, to
// `out`: its graph6 text, a space and the fingerprint in 6 bytes of graph6's
// alphabet (6 bits a byte, highest first; the last bit the integrality),
// so 20 bytes with the line's end at order 12.
void AppendRecord(std::string& out, std::string_view graph6, Fingerprint fingerprint);

// The fingerprint of a record's tail (what follows the graph6 text and the
// space); nothing when it is not one.
std::optional<Fingerprint> FingerprintNamed(std::string_view tail);

// The part (1..parts) whose reducer counts graphs with this fingerprint.
int PartOfFingerprint(const Fingerprint& fingerprint, int parts);

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
