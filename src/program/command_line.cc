#include "program/command_line.h"

#include <algorithm>

namespace grafen::program {

bool GivenBefore(std::vector<std::string_view>& given, std::string_view option) {
  if (std::find(given.begin(), given.end(), option) != given.end()) return true;
  given.push_back(option);
  return false;
}

}  // namespace grafen::program
