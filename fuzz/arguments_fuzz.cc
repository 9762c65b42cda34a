// libFuzzer target over the command line: the input is an argument list,
// arguments separated by NUL bytes. Checks what CheckArguments decides
// against the rules it must keep, for any bytes at all.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/fault.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

std::vector<std::string_view> SplitArguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string_view> arguments;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\0', start);
    if (end == std::string_view::npos) end = input.size();
    arguments.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string_view> arguments = SplitArguments(data, size);
  std::vector<std::string_view> given;
  for (const std::string_view argument : arguments) {
    if (!argument.empty()) given.push_back(argument);
  }
  const bool tooMany = given.size() > grafen::MaxArguments;
  const bool tooLong = given.size() == 1 && given[0].size() > grafen::MaxArgumentLength;
  try {
    const grafen::ArgumentCheck check = grafen::CheckArguments(arguments);
    Require(!tooMany && !tooLong);
    Require((check.request == grafen::Request::Usage) == (given.size() != 1));
    if (check.request == grafen::Request::Usage) return 0;

    // The number printed is the digits of the argument, leading zeros dropped,
    // "-" only when the argument has one and the number is not zero.
    std::string digits;
    bool minus = false;
    for (const char c : given[0]) {
      if (c == '-') minus = true;
      if (c >= '0' && c <= '9' && !(digits.empty() && c == '0')) digits.push_back(c);
    }
    if (digits.empty()) digits = "0";
    const std::string number = (minus && digits != "0" ? "-" : "") + digits;
    switch (check.request) {
      case grafen::Request::Run:
        Require(number.size() == 1 && number[0] >= '1' && number[0] <= '8');
        Require(check.order == number[0] - '0');
        break;
      case grafen::Request::NotEnoughNodes:
        Require(check.number == number && (minus || digits == "0"));
        Require(grafen::RejectionText(check) == "Graph has NOT ENOUGH nodes = " + number + "\r\n");
        break;
      case grafen::Request::TooManyNodes:
        Require(check.number == number && !minus && (digits.size() > 1 || digits[0] == '9'));
        Require(grafen::RejectionText(check) == "Graph has TOO MANY nodes = " + number + "\r\n");
        break;
      case grafen::Request::Usage:
        break;
    }
  } catch (const grafen::Fault& fault) {
    Require(tooMany || tooLong);
    Require(fault.kind == "ERangeError" && fault.message == "Range check error");
  }
  return 0;
}
