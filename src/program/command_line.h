// What the companions' command lines share: the checks of their options.
#pragma once

#include <string_view>
#include <vector>

namespace grafen::program {

// Whether an option with a value (named as its messages name it) was
// given before, as `given` lists them; it is listed now. One value an
// option: a second would silently replace the first.
bool GivenBefore(std::vector<std::string_view>& given, std::string_view option);

}  // namespace grafen::program
