// Which graphs of a whole input share their characteristic polynomial, kept
// in a few bytes a graph, so that the cospectral_with column of a stream of
// millions of graphs can be written row by row. Built in two readings of the
// input: the first gives every graph's polynomial as a 64-bit hash, the
// second gives the exact polynomial of just the graphs whose hash another
// graph shares; graphs count as cospectral only when those are equal.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "algebra/flint_values.h"
#include "formats/edge_list_reader.h"
#include "spectral/matrix.h"

namespace grafen::spectral {

class CospectralIndex {
 public:
  // First reading: the key of graph number graphs() + 1 (numbers run 1, 2, ...),
  // or its HashOf, worked out beforehand.
  void AddHash(std::string_view key) { AddHashed(HashOf(key)); }
  void AddHashed(std::uint64_t hash);
  static std::uint64_t HashOf(std::string_view key) { return std::hash<std::string_view>{}(key); }
  // Ends the first reading; true when a second one is wanted.
  bool Group();
  // Second reading: whether graph `number` must give its key; the keys
  // wanted, in the graphs' order.
  bool WantsKey(std::int64_t number) const;
  void AddKey(std::int64_t number, std::string_view key);
  // Ends the second reading (or follows Group when none was wanted).
  void Seal();

  // The graphs with the same polynomial as graph `number`, itself included,
  // ascending; empty when it has none.
  std::span<const std::uint32_t> Family(std::int64_t number) const;

  std::int64_t graphs() const {
    return count_ != 0 ? count_ : static_cast<std::int64_t>(hashes_.size());
  }
  std::int64_t withMate() const { return withMate_; }
  std::int64_t distinct() const { return distinct_; }

 private:
  // The key of candidate slot `candidate`, once it has been added.
  std::string_view KeyOf(std::size_t candidate) const;

  std::vector<std::uint64_t> hashes_;       // by number - 1; freed once sealed
  std::vector<std::uint32_t> candidates_;   // numbers whose hash is shared, ascending
  std::string keys_;                        // the candidates' keys, end to end
  std::vector<std::uint64_t> keyEnds_;      // where each candidate's own key ends
  std::vector<std::uint32_t> keyOwner_;     // by candidate: whose key bytes are its key
  std::vector<std::uint32_t> familyOf_;     // by number - 1: family index, or kNone
  std::vector<std::uint32_t> members_;      // the families' numbers, family by family
  std::vector<std::uint32_t> familyStart_;  // family f: members_[start[f], start[f+1])
  std::int64_t count_ = 0;                  // graphs, once the hashes are freed
  std::int64_t withMate_ = 0;
  std::int64_t distinct_ = 0;
  static constexpr std::uint32_t kNone = 0xffffffffU;
};

// key := the exact key of a characteristic polynomial: the order it belongs
// to (0 when every graph of the input has the same), then its coefficients
// from the lowest that is not zero, so that the powers of x that isolated
// nodes add, alike for a common order, do not matter.
void PolynomialKey(int order, const algebra::Polynomial& charpoly, std::string& key);
// The same for the coefficients of a polynomial of degree n in machine
// integers, highest power first.
void PolynomialKey(int order, const std::int64_t* highestFirst, int n, std::string& key);

// key := the exact key of the characteristic polynomial of the matrix of
// the graph, on `nodes` nodes (its own order, when it states one): the
// PolynomialKey of its order (0 when it states none) and its polynomial.
void CharpolyKey(SpectralMatrix matrix, const ListedGraph& graph, int nodes, std::string& key);

// The cospectral families, for one matrix, of graphs in memory, each on its
// own order when it states one, else on `order` nodes; both readings are
// made here. The graphs are numbered by their place, 1, 2, ...
CospectralIndex GroupCospectral(SpectralMatrix matrix, const std::vector<ListedGraph>& graphs,
                                int order);

}  // namespace grafen::spectral
