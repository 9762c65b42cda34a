// Which graphs of a whole input share their characteristic polynomial, kept
// in a few bytes a graph, so that the cospectral_with column of a stream of
// millions of graphs can be written row by row. Built in two readings of the
// input: the first gives every graph's polynomial as a 64-bit hash, the
// second gives the exact polynomial of just the graphs whose hash another
// graph shares; graphs count as cospectral only when those are equal. The
// second reading also gives those graphs' canonical forms, so that a graph
// isomorphic to another (a relabelled copy) is told apart from a mate: a
// cospectral mate is a graph with the same polynomial that is not isomorphic.
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
  // wanted, in the graphs' order, each with the graph's canonical form
  // (CanonicalForm: equal exactly for isomorphic graphs); without one, the
  // graph is taken as isomorphic to none of the others.
  bool WantsKey(std::int64_t number) const;
  void AddKey(std::int64_t number, std::string_view key, std::string_view form = {});
  // Ends the second reading (or follows Group when none was wanted).
  void Seal();

  // The graphs with the same polynomial as graph `number`, itself included,
  // ascending; empty when it has none.
  std::span<const std::uint32_t> Family(std::int64_t number) const;
  // The graphs of graph `number`'s family that are not isomorphic to it,
  // its cospectral mates, ascending, to `take` one by one.
  template <typename Take>
  void ForEachMate(std::int64_t number, Take take) const {
    const std::uint32_t family = familyOf_[static_cast<std::size_t>(number - 1)];
    if (family == kNone) return;
    const std::uint32_t mine = formClass_[PlaceOf(number)];
    for (std::uint32_t k = familyStart_[family]; k < familyStart_[family + 1]; ++k) {
      if (formClass_[k] != mine) take(members_[k]);
    }
  }
  // The first graph isomorphic to graph `number`, when that is an earlier
  // one; 0 otherwise.
  std::int64_t CopyOf(std::int64_t number) const;
  // How many graphs of graph `number`'s family are pairwise not isomorphic
  // (its copies counted once); 0 when it has no family.
  std::int64_t Kinds(std::int64_t number) const;

  std::int64_t graphs() const {
    return count_ != 0 ? count_ : static_cast<std::int64_t>(hashes_.size());
  }
  // The graphs with a cospectral mate (a non-isomorphic one).
  std::int64_t withMate() const { return withMate_; }
  // The graphs isomorphic to an earlier one.
  std::int64_t copies() const { return copies_; }
  std::int64_t distinct() const { return distinct_; }

 private:
  // The key of candidate slot `candidate`, once it has been added.
  std::string_view KeyOf(std::size_t candidate) const;
  // The canonical form of candidate slot `candidate`, once it has been added.
  std::string_view FormOf(std::size_t candidate) const;
  // Where graph `number`, a member of a family, stands in members_.
  std::size_t PlaceOf(std::int64_t number) const;
  // formClass_ for the family of the candidate slots `slots` (ascending,
  // members_ from `start` on); returns how many of them are copies.
  std::size_t ClassifyForms(std::span<const std::uint32_t> slots, std::size_t start);

  std::vector<std::uint64_t> hashes_;       // by number - 1; freed once sealed
  std::vector<std::uint32_t> candidates_;   // numbers whose hash is shared, ascending
  std::string keys_;                        // the candidates' keys, end to end
  std::vector<std::uint64_t> keyEnds_;      // where each candidate's own key ends
  std::vector<std::uint32_t> keyOwner_;     // by candidate: whose key bytes are its key
  std::string forms_;                       // the candidates' canonical forms, end to end
  std::vector<std::uint64_t> formEnds_;     // where each candidate's form ends
  std::vector<std::uint32_t> formClass_;    // by member: the first isomorphic one's place
  std::vector<std::uint32_t> familyOf_;     // by number - 1: family index, or kNone
  std::vector<std::uint32_t> members_;      // the families' numbers, family by family
  std::vector<std::uint32_t> familyStart_;  // family f: members_[start[f], start[f+1])
  std::vector<std::uint32_t> familyKinds_;  // family f: its members up to isomorphism
  std::int64_t count_ = 0;                  // graphs, once the hashes are freed
  std::int64_t withMate_ = 0;
  std::int64_t copies_ = 0;
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
// PolynomialKey of its order (0 when it states none) and its polynomial;
// for G, A's key, ';' and the complement's A key.
void CharpolyKey(SpectralMatrix matrix, const ListedGraph& graph, int nodes, std::string& key);

// key := the key of the graph's polynomials for a matrix or a joint set of
// matrices (graphs cospectral for all at once): a matrix's CharpolyKey, or
// each member's after its length; a key of the graph's own, in no family,
// when it lacks one of them (a distance matrix, disconnected).
void SetKey(const std::vector<SpectralMatrix>& set, const ListedGraph& graph, int nodes,
            std::string& key);

// The cospectral families, for one matrix or a joint set, of graphs in
// memory, each on its own order when it states one, else on `order` nodes;
// both readings are made here. The graphs are numbered by their place, 1,
// 2, ...
CospectralIndex GroupCospectral(const std::vector<SpectralMatrix>& set,
                                const std::vector<ListedGraph>& graphs, int order);

// The same for one matrix.
inline CospectralIndex GroupCospectral(SpectralMatrix matrix,
                                       const std::vector<ListedGraph>& graphs, int order) {
  return GroupCospectral(std::vector<SpectralMatrix>{matrix}, graphs, order);
}

}  // namespace grafen::spectral
