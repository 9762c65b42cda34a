// What a census works out of each graph for what it counts: a matrix, or a
// joint set of matrices whose graphs count as cospectral only when they are
// for every matrix of the set at once. Exact keys (equal exactly for equal
// polynomials), the first reading's hashes, integrality and the key that
// places a graph in a part.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/edge_list_reader.h"
#include "spectral/matrix.h"
#include "spectral/trace_keys.h"

namespace grafen::census {

// What one cospectral index of a census counts, and its name in the table:
// a matrix's short name, or a joint set's joined by '+' ("A+L").
struct Counted {
  std::vector<spectral::SpectralMatrix> members;  // in the tables' order
  std::string name;
};

// The sets a census counts: each matrix alone, then the joint set (two or
// more matrices) when there is one.
std::vector<Counted> CountedSets(const std::vector<spectral::SpectralMatrix>& matrices,
                                 const std::vector<spectral::SpectralMatrix>& joint);

// The matrices a table's name names: one short name, or two or more in the
// tables' order joined by '+'; nothing for anything else.
std::optional<std::vector<spectral::SpectralMatrix>> MembersNamed(std::string_view name);

// Whether the graph has every matrix of the set (HasMatrix).
bool HasAll(const Counted& counted, int order, const std::vector<Edge>& edges);

// The exact key of the graph's polynomial for the set (for a joint set, each
// member's key after its length, so that equal keys are equal for every
// member) and whether it is integral for every member. `adjacency`, when
// given, is A's key and integrality for the graph, which G's begin with.
void ExactFacts(const Counted& counted, const ListedGraph& graph, int order, std::string& key,
                bool& integral, const std::pair<std::string, bool>* adjacency = nullptr);

// The first reading's hash of the graph for the set, equal for graphs with
// equal exact keys, and its integrality; `key` gets the exact key where the
// hash is made from it (not for N and B, hashed cheaply). `adjacency` as
// for ExactFacts.
std::uint64_t HashedFacts(const Counted& counted, const ListedGraph& graph, int order,
                          std::string& key, bool& integral,
                          const std::pair<std::string, bool>* adjacency);

// The key that places a graph that has the set in a part: its members'
// trace keys (`traces`, with complement keys when S or G is among the
// request's matrices), or hashes where they have none, mixed.
std::uint64_t PartKey(const Counted& counted, const ListedGraph& graph, int order,
                      const spectral::TraceKeys& traces);

}  // namespace grafen::census
