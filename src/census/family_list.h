// The families file of a census: every cospectral family of each matrix, a
// CSV row per graph of it (copies of a graph left out), so that a family can
// be found by its identifier, its size, and its graphs by their numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace grafen::census {

// The header line, with its CR LF.
extern const char* const kFamilyListHeader;

// One graph of a family: the matrix, where the family is counted, the
// family's identifier (1, 2, ... through the file) and size, and the graph's
// number in the input and graph6 text.
struct FamilyMember {
  std::string_view matrix = "A";  // its short name, or its joint set's ("A+L")
  int order = 0;
  int edges = 0;
  std::int64_t family = 0;
  std::int64_t size = 0;
  std::int64_t graph = 0;
  std::string_view graph6;
};

// Appends the member's CSV line, with its CR LF, to text.
void AppendFamilyMember(std::string& text, const FamilyMember& member);

}  // namespace grafen::census
