// The command line: one argument, the order of the graphs to enumerate.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace grafen {

// The number of nodes, 1 to 8 once accepted. Written once, by ReadArguments;
// read by the whole run.
extern std::int32_t Order;

// The program's file name without directory, for the fault report. Set by the
// entry point from the first word of the command line.
extern std::string ProgramName;

// Most arguments and longest argument the command line accepts; beyond them
// is a range fault.
inline constexpr std::size_t MaxArguments = 255;
inline constexpr std::size_t MaxArgumentLength = 255;

// The exact number an order argument spells: the digits found anywhere in it,
// negative when a "-" occurs anywhere. Digits without leading zeros ("0" for none).
struct OrderNumber {
  bool negative = false;
  std::string digits = "0";
};

// The argument text to its number; other characters are skipped. A text of
// more than 255 bytes is a range fault.
OrderNumber ParseOrder(std::string_view text);

// The number as the console shows it: "-" first when negative and not zero.
std::string OrderNumberText(const OrderNumber& number);

// What the command line asks for.
enum class Request { Run, Usage, NotEnoughNodes, TooManyNodes };

struct ArgumentCheck {
  Request request = Request::Usage;
  std::int32_t order = 0;  // the accepted order, for Request::Run
  std::string number;      // the rejected number's text, for the rejections
};

// Decides what the arguments (program name excluded) ask for; empty arguments
// are dropped first. More than 255 arguments, or an argument longer than 255
// bytes, is a range fault. Pure: writes nothing and never ends the process.
ArgumentCheck CheckArguments(const std::vector<std::string_view>& arguments);

// The nine lines of the usage text, each ending in CR LF.
std::string UsageText();

// The rejection line for a rejected order, ending in CR LF.
std::string RejectionText(const ArgumentCheck& check);

// Exit status of a command-line error (usage text or rejected order).
inline constexpr int UsageExitStatus = 2;

// Writes the usage text and ends the process with status 2.
[[noreturn]] void ShowUsage();

// Sets Order from the arguments, or writes the usage text or a rejection
// message and ends the process with status 2.
void ReadArguments(const std::vector<std::string_view>& arguments);

// Flushes the console (a failure is a fault) and ends the process.
[[noreturn]] void EndProcess(int status);

}  // namespace grafen
