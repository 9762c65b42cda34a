// Building the space- or star-separated lists of the table's columns.
#pragma once

#include <string>
#include <string_view>

namespace grafen::spectra {

// Appends item to list, after the separator unless list is empty.
inline void AppendItem(std::string& list, std::string_view item, char separator = ' ') {
  if (!list.empty()) list.push_back(separator);
  list.append(item);
}

}  // namespace grafen::spectra
