#include "spectra/graph6.h"

#include <cstddef>

namespace grafen::spectra {

std::string Graph6(int order, const std::vector<Edge>& edges) {
  const auto n = static_cast<std::size_t>(order);
  std::vector<bool> adjacent(n * n);
  for (const Edge& e : edges) {
    adjacent[static_cast<std::size_t>(e.i - 1) * n + static_cast<std::size_t>(e.j - 1)] = true;
  }
  // The size byte, then the upper triangle column by column, six bits a byte
  // (most significant first), each byte offset by 63.
  std::string text(1, static_cast<char>(63 + order));
  int bits = 0;
  int count = 0;
  for (std::size_t j = 1; j < n; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      bits = (bits << 1) | (adjacent[i * n + j] ? 1 : 0);
      if (++count == 6) {
        text.push_back(static_cast<char>(63 + bits));
        bits = 0;
        count = 0;
      }
    }
  }
  if (count > 0) text.push_back(static_cast<char>(63 + (bits << (6 - count))));
  return text;
}

}  // namespace grafen::spectra
