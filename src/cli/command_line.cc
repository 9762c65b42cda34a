#include "cli/command_line.h"

#include <cstdlib>

#include "cli/fault.h"
#include "cli/text_out.h"

namespace grafen {

std::int32_t Order = 0;
std::string ProgramName = "grafen";

OrderNumber ParseOrder(std::string_view text) {
  if (text.size() > MaxArgumentLength) RaiseRangeError();
  OrderNumber number;
  std::string digits;
  for (const char c : text) {
    if (c == '-') {
      number.negative = true;
    } else if (c >= '0' && c <= '9' && !(digits.empty() && c == '0')) {
      digits.push_back(c);
    }
  }
  if (!digits.empty()) number.digits = digits;
  return number;
}

std::string OrderNumberText(const OrderNumber& number) {
  const bool minus = number.negative && number.digits != "0";
  return (minus ? "-" : "") + number.digits;
}

ArgumentCheck CheckArguments(const std::vector<std::string_view>& arguments) {
  std::vector<std::string_view> given;
  for (const std::string_view argument : arguments) {
    if (!argument.empty()) given.push_back(argument);
  }
  if (given.size() > MaxArguments) RaiseRangeError();
  ArgumentCheck check;
  if (given.size() != 1) return check;

  const OrderNumber number = ParseOrder(given.front());
  check.number = OrderNumberText(number);
  if (number.negative || number.digits == "0") {
    check.request = Request::NotEnoughNodes;
  } else if (number.digits.size() > 1 || number.digits[0] > '0' + MaxOrder) {
    check.request = Request::TooManyNodes;
  } else {
    check.request = Request::Run;
    check.order = number.digits[0] - '0';
  }
  return check;
}

std::string UsageText() {
  std::string text;
  for (const char* line : {"", "Sort out all Graphs of order N", "", "Syntax: [program] [N]", "",
                           "Where N = order of Graphs", "        = number of interconnected nodes",
                           "          restricted to  2 < N < 8", ""}) {
    text += line;
    text += LineEnd;
  }
  return text;
}

std::string RejectionText(const ArgumentCheck& check) {
  const char* lead = check.request == Request::TooManyNodes ? "Graph has TOO MANY nodes = "
                                                            : "Graph has NOT ENOUGH nodes = ";
  return lead + check.number + std::string(LineEnd);
}

void EndProcess(int status) {
  Flush(Console);
  std::exit(status);
}

void ShowUsage() {
  Write(Console, UsageText());
  EndProcess(UsageExitStatus);
}

void ReadArguments(const std::vector<std::string_view>& arguments) {
  const ArgumentCheck check = CheckArguments(arguments);
  if (check.request == Request::Usage) ShowUsage();
  if (check.request != Request::Run) {
    Write(Console, RejectionText(check));
    EndProcess(UsageExitStatus);
  }
  Order = check.order;
}

}  // namespace grafen
