#include "spectral/cospectral_index.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>

#include "io/text.h"
#include "spectral/canonical.h"
#include "spectral/charpoly.h"

namespace grafen::spectral {

using algebra::IntegerText;
using algebra::Polynomial;
using io::AppendNumber;

void PolynomialKey(int order, const Polynomial& charpoly, std::string& key) {
  key.assign(std::to_string(order));
  long k = 0;
  while (k < charpoly.degree() && fmpz_is_zero(charpoly.coefficient(k)) != 0) ++k;
  for (; k <= charpoly.degree(); ++k) {
    key.push_back(',');
    const fmpz* c = charpoly.coefficient(k);
    key.append(fmpz_fits_si(c) != 0 ? std::to_string(fmpz_get_si(c)) : IntegerText(c));
  }
}

void PolynomialKey(int order, const std::int64_t* highestFirst, int n, std::string& key) {
  key.clear();
  AppendNumber(key, order);
  int k = n;
  while (k > 0 && highestFirst[k] == 0) --k;
  for (; k >= 0; --k) {
    key.push_back(',');
    AppendNumber(key, highestFirst[k]);
  }
}

void CospectralIndex::AddHashed(std::uint64_t hash) {
  if (hashes_.size() >= kNone) throw std::length_error("more than 4294967294 graphs");
  hashes_.push_back(hash);
}

bool CospectralIndex::Group() {
  // The hashes met twice, from a sorted copy (plain words sort fast, where
  // numbers sorted through their hashes would jump about in memory); the
  // graphs with one of them are the candidates.
  std::vector<std::uint64_t> sorted = hashes_;
  std::sort(sorted.begin(), sorted.end());
  std::size_t shared = 0;
  for (std::size_t k = 0; k < sorted.size();) {
    std::size_t end = k + 1;
    while (end < sorted.size() && sorted[end] == sorted[k]) ++end;
    if (end - k >= 2) sorted[shared++] = sorted[k];
    k = end;
  }
  sorted.resize(shared);
  // The shared hashes in an open-addressed table at most half full, found
  // by their top bits (the hashes are well mixed): one probe or two a
  // graph, where a binary search would miss the cache at every step.
  int bits = 1;
  while ((std::size_t{1} << bits) < 2 * shared + 2) ++bits;
  const std::size_t mask = (std::size_t{1} << bits) - 1;
  const auto slotOf = [bits](std::uint64_t h) {
    return static_cast<std::size_t>(h >> (64 - bits));
  };
  std::vector<std::uint64_t> table(mask + 1, 0);
  bool zeroShared = false;  // 0 marks an empty slot, so the hash 0 is kept aside
  for (const std::uint64_t h : sorted) {
    if (h == 0) {
      zeroShared = true;
      continue;
    }
    std::size_t slot = slotOf(h);
    while (table[slot] != 0) slot = (slot + 1) & mask;
    table[slot] = h;
  }
  sorted = {};
  // The table's slot of a shared hash (mask + 1 for the hash 0), or none.
  const auto sharedSlot = [&](std::uint64_t h) -> std::optional<std::size_t> {
    if (h == 0) return zeroShared ? std::optional<std::size_t>(mask + 1) : std::nullopt;
    for (std::size_t slot = slotOf(h);; slot = (slot + 1) & mask) {
      if (table[slot] == h) return slot;
      if (table[slot] == 0) return std::nullopt;
    }
  };
  // Each candidate starts out owning the key of the first with its hash.
  std::vector<std::uint32_t> firstWith(mask + 2, kNone);
  for (std::size_t k = 0; k < hashes_.size(); ++k) {
    if (const std::optional<std::size_t> slot = sharedSlot(hashes_[k])) {
      const auto candidate = static_cast<std::uint32_t>(candidates_.size());
      if (firstWith[*slot] == kNone) firstWith[*slot] = candidate;
      keyOwner_.push_back(firstWith[*slot]);
      candidates_.push_back(static_cast<std::uint32_t>(k + 1));
    }
  }
  keyEnds_.reserve(candidates_.size());
  return !candidates_.empty();
}

std::string_view CospectralIndex::KeyOf(std::size_t candidate) const {
  const std::size_t owner = keyOwner_[candidate];
  const std::uint64_t start = owner == 0 ? 0 : keyEnds_[owner - 1];
  return std::string_view(keys_).substr(start, keyEnds_[owner] - start);
}

bool CospectralIndex::WantsKey(std::int64_t number) const {
  return std::binary_search(candidates_.begin(), candidates_.end(), number,
                            [](std::int64_t a, std::int64_t b) { return a < b; });
}

void CospectralIndex::AddKey(std::int64_t number, std::string_view key, std::string_view form) {
  if (keyEnds_.size() >= candidates_.size() || candidates_[keyEnds_.size()] != number) {
    throw std::runtime_error("the input changed between its readings");
  }
  // Copies of one graph, or graphs that share a polynomial, keep its key
  // once: the first with the hash owns it, and the others with the same key
  // point to it (an empty span of their own).
  const std::size_t candidate = keyEnds_.size();
  const std::uint32_t first = keyOwner_[candidate];
  const bool known = first != candidate && KeyOf(first) == key;
  if (known) {
    keyOwner_[candidate] = keyOwner_[first];
  } else {
    keys_.append(key);
    keyOwner_[candidate] = static_cast<std::uint32_t>(candidate);
  }
  keyEnds_.push_back(keys_.size());
  forms_.append(form);
  formEnds_.push_back(forms_.size());
}

std::string_view CospectralIndex::FormOf(std::size_t candidate) const {
  const std::uint64_t start = candidate == 0 ? 0 : formEnds_[candidate - 1];
  return std::string_view(forms_).substr(start, formEnds_[candidate] - start);
}

std::size_t CospectralIndex::ClassifyForms(std::span<const std::uint32_t> slots,
                                           std::size_t start) {
  // The members by canonical form, then place: each run of one form is a
  // graph and its copies, the first of them the earliest. Sorted, not
  // compared pairwise, so that a million copies of one graph stay quick.
  std::vector<std::uint32_t> byForm(slots.size());
  for (std::size_t k = 0; k < byForm.size(); ++k) byForm[k] = static_cast<std::uint32_t>(k);
  std::sort(byForm.begin(), byForm.end(), [&](std::uint32_t a, std::uint32_t b) {
    const int order = FormOf(slots[a]).compare(FormOf(slots[b]));
    return order != 0 ? order < 0 : a < b;
  });
  formClass_.resize(start + slots.size());
  std::size_t copiesFound = 0;
  std::uint32_t first = 0;
  for (std::size_t k = 0; k < byForm.size(); ++k) {
    const std::string_view form = FormOf(slots[byForm[k]]);
    if (k == 0 || form.empty() || form != FormOf(slots[byForm[k - 1]])) {
      first = byForm[k];
    } else {
      ++copiesFound;
    }
    formClass_[start + byForm[k]] = static_cast<std::uint32_t>(start + first);
  }
  return copiesFound;
}

void CospectralIndex::Seal() {
  if (keyEnds_.size() != candidates_.size()) {
    throw std::runtime_error("the input changed between its readings");
  }
  // The candidates ordered by hash, then exact key, then number: each run of
  // equal keys is a family.
  std::vector<std::uint32_t> slots(candidates_.size());
  for (std::size_t k = 0; k < slots.size(); ++k) slots[k] = static_cast<std::uint32_t>(k);
  const auto keyOf = [this](std::uint32_t slot) { return KeyOf(slot); };
  std::sort(slots.begin(), slots.end(), [&](std::uint32_t a, std::uint32_t b) {
    const std::uint64_t ha = hashes_[candidates_[a] - 1];
    const std::uint64_t hb = hashes_[candidates_[b] - 1];
    if (ha != hb) return ha < hb;
    const int order = keyOf(a).compare(keyOf(b));
    return order != 0 ? order < 0 : a < b;
  });
  familyOf_.assign(hashes_.size(), kNone);
  std::int64_t inFamilies = 0;  // graphs in families of two or more
  std::int64_t mated = 0;       // those with a non-isomorphic one among them
  std::size_t k = 0;
  while (k < slots.size()) {
    std::size_t end = k + 1;
    while (end < slots.size() && keyOf(slots[end]) == keyOf(slots[k])) ++end;
    if (end - k >= 2) {
      const auto family = static_cast<std::uint32_t>(familyStart_.size());
      familyStart_.push_back(static_cast<std::uint32_t>(members_.size()));
      const std::size_t start = members_.size();
      for (std::size_t m = k; m < end; ++m) {
        members_.push_back(candidates_[slots[m]]);
        familyOf_[candidates_[slots[m]] - 1] = family;
      }
      const std::size_t found =
          ClassifyForms(std::span<const std::uint32_t>(slots).subspan(k, end - k), start);
      copies_ += static_cast<std::int64_t>(found);
      familyKinds_.push_back(static_cast<std::uint32_t>(end - k - found));
      // Copies of one graph alone are no mates of each other.
      if (found + 1 < end - k) mated += static_cast<std::int64_t>(end - k);
      inFamilies += static_cast<std::int64_t>(end - k);
    }
    k = end;
  }
  familyStart_.push_back(static_cast<std::uint32_t>(members_.size()));
  withMate_ = mated;
  distinct_ = graphs() - inFamilies + static_cast<std::int64_t>(familyStart_.size() - 1);
  const std::int64_t total = graphs();
  hashes_ = {};
  candidates_ = {};
  keys_ = {};
  keyEnds_ = {};
  keyOwner_ = {};
  forms_ = {};
  formEnds_ = {};
  count_ = total;
}

std::span<const std::uint32_t> CospectralIndex::Family(std::int64_t number) const {
  const std::uint32_t family = familyOf_[static_cast<std::size_t>(number - 1)];
  if (family == kNone) return {};
  return std::span<const std::uint32_t>(members_).subspan(
      familyStart_[family], familyStart_[family + 1] - familyStart_[family]);
}

std::size_t CospectralIndex::PlaceOf(std::int64_t number) const {
  const std::uint32_t family = familyOf_[static_cast<std::size_t>(number - 1)];
  const auto first = members_.begin() + familyStart_[family];
  const auto last = members_.begin() + familyStart_[family + 1];
  return static_cast<std::size_t>(
      std::lower_bound(first, last, static_cast<std::uint32_t>(number)) - members_.begin());
}

std::int64_t CospectralIndex::CopyOf(std::int64_t number) const {
  if (familyOf_[static_cast<std::size_t>(number - 1)] == kNone) return 0;
  const std::size_t place = PlaceOf(number);
  return formClass_[place] != place ? members_[formClass_[place]] : 0;
}

std::int64_t CospectralIndex::Kinds(std::int64_t number) const {
  const std::uint32_t family = familyOf_[static_cast<std::size_t>(number - 1)];
  return family == kNone ? 0 : familyKinds_[family];
}

namespace {

// key := the key of det(xI - M) for the matrix M (not G) of the graph.
void OneCharpolyKey(SpectralMatrix matrix, int order, const std::vector<Edge>& edges, int nodes,
                    std::string& key) {
  if (std::array<std::int64_t, kWrappingOrder + 1> small{};
      SmallCharpoly(matrix, nodes, edges, small)) {
    PolynomialKey(order, small.data(), nodes, key);
  } else {
    const algebra::Polynomial charpoly = Charpoly(matrix, nodes, edges);
    PolynomialKey(order, charpoly, key);
    // B's degree, 2m, is not the order: the key states it.
    if (matrix == SpectralMatrix::kNonBacktracking)
      key.append(":").append(std::to_string(charpoly.degree()));
  }
}

}  // namespace

void CharpolyKey(SpectralMatrix matrix, const ListedGraph& graph, int nodes, std::string& key) {
  OneCharpolyKey(matrix, graph.order, graph.edges, nodes, key);
  if (matrix != SpectralMatrix::kGeneralized) return;
  // Each key names its order first: equal pairs, and only they, give equal keys.
  thread_local std::string complement;
  OneCharpolyKey(SpectralMatrix::kAdjacency, graph.order, ComplementEdges(nodes, graph.edges),
                 nodes, complement);
  key.append(";").append(complement);
}

void SetKey(const std::vector<SpectralMatrix>& set, const ListedGraph& graph, int nodes,
            std::string& key) {
  for (const SpectralMatrix m : set) {
    if (!HasMatrix(m, nodes, graph.edges)) {
      key = "none " + std::to_string(graph.number);
      return;
    }
  }
  if (set.size() == 1) {
    CharpolyKey(set[0], graph, nodes, key);
    return;
  }
  thread_local std::string member;
  key.clear();
  for (const SpectralMatrix m : set) {
    CharpolyKey(m, graph, nodes, member);
    io::AppendWithLength(key, member);
  }
}

CospectralIndex GroupCospectral(const std::vector<SpectralMatrix>& set,
                                const std::vector<ListedGraph>& graphs, int order) {
  CospectralIndex families;
  std::string key;
  const auto keyOf = [&](const ListedGraph& graph) -> const std::string& {
    SetKey(set, graph, graph.order != 0 ? graph.order : order, key);
    return key;
  };
  for (const ListedGraph& graph : graphs) families.AddHash(keyOf(graph));
  if (families.Group()) {
    for (std::size_t k = 0; k < graphs.size(); ++k) {
      const auto number = static_cast<std::int64_t>(k + 1);
      if (!families.WantsKey(number)) continue;
      const ListedGraph& graph = graphs[k];
      families.AddKey(number, keyOf(graph),
                      CanonicalForm(graph.order != 0 ? graph.order : order, graph.edges));
    }
  }
  families.Seal();
  return families;
}

}  // namespace grafen::spectral
