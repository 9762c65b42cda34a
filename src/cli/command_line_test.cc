#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/fault.h"

namespace grafen {
namespace {

std::string Parsed(std::string_view text) { return OrderNumberText(ParseOrder(text)); }

TEST(ParseOrder, TakesDigitsAnywhereAndAMinusAnywhere) {
  EXPECT_EQ(Parsed("5"), "5");
  EXPECT_EQ(Parsed("3x"), "3");
  EXPECT_EQ(Parsed("x4"), "4");
  EXPECT_EQ(Parsed(" 4 "), "4");
  EXPECT_EQ(Parsed("+5"), "5");
  EXPECT_EQ(Parsed("1-"), "-1");
  EXPECT_EQ(Parsed("-3"), "-3");
  EXPECT_EQ(Parsed("--5"), "-5");
  EXPECT_EQ(Parsed("4.5"), "45");
  EXPECT_EQ(Parsed("abc"), "0");
  EXPECT_EQ(Parsed("-"), "0");
}

TEST(ParseOrder, KeepsTheExactNumberWithoutWrapping) {
  EXPECT_EQ(Parsed("12345678901"), "12345678901");
  EXPECT_EQ(Parsed("-12345678901"), "-12345678901");
  EXPECT_EQ(Parsed("4294967300"), "4294967300");
  EXPECT_EQ(Parsed("0004"), "4");
  EXPECT_EQ(Parsed("-0"), "0");
  EXPECT_EQ(Parsed("-000"), "0");
  EXPECT_EQ(Parsed(std::string(255, '9')), std::string(255, '9'));
}

TEST(ParseOrder, ArgumentOver255BytesIsARangeFault) {
  EXPECT_NO_THROW(ParseOrder(std::string(255, 'x')));
  try {
    ParseOrder(std::string(256, '4'));
    FAIL() << "no fault raised";
  } catch (const Fault& fault) {
    EXPECT_EQ(fault.kind, "ERangeError");
    EXPECT_EQ(fault.message, "Range check error");
  }
}

ArgumentCheck Check(const std::vector<std::string>& arguments) {
  const std::vector<std::string_view> views(arguments.begin(), arguments.end());
  return CheckArguments(views);
}

TEST(CheckArguments, AcceptsExactlyOneArgumentWithOrderOneToEight) {
  for (int order = 1; order <= 8; ++order) {
    const ArgumentCheck check = Check({std::to_string(order)});
    EXPECT_EQ(check.request, Request::Run);
    EXPECT_EQ(check.order, order);
  }
  EXPECT_EQ(Check({"0004"}).order, 4);
  EXPECT_EQ(Check({"x4"}).order, 4);
  EXPECT_EQ(Check({"", "3"}).order, 3);
  EXPECT_EQ(Check({"3", ""}).request, Request::Run);
}

TEST(CheckArguments, WrongCountAsksForUsageAfterDroppingEmptyArguments) {
  EXPECT_EQ(Check({}).request, Request::Usage);
  EXPECT_EQ(Check({""}).request, Request::Usage);
  EXPECT_EQ(Check({"", ""}).request, Request::Usage);
  EXPECT_EQ(Check({"3", "4"}).request, Request::Usage);
  // A long second argument is never parsed: still the usage text.
  EXPECT_EQ(Check({"3", std::string(300, 'x')}).request, Request::Usage);
  EXPECT_EQ(Check(std::vector<std::string>(255, "3")).request, Request::Usage);
}

TEST(CheckArguments, MoreThan255ArgumentsIsARangeFault) {
  EXPECT_THROW(Check(std::vector<std::string>(256, "3")), Fault);
  std::vector<std::string> withEmpty(255, "3");
  withEmpty.insert(withEmpty.end(), 10, "");
  EXPECT_EQ(Check(withEmpty).request, Request::Usage);
}

TEST(CheckArguments, RejectsOrdersOutsideOneToEightWithTheExactNumber) {
  const struct {
    const char* argument;
    Request request;
    const char* line;
  } cases[] = {
      {"0", Request::NotEnoughNodes, "Graph has NOT ENOUGH nodes = 0\r\n"},
      {"abc", Request::NotEnoughNodes, "Graph has NOT ENOUGH nodes = 0\r\n"},
      {"-0", Request::NotEnoughNodes, "Graph has NOT ENOUGH nodes = 0\r\n"},
      {"-3", Request::NotEnoughNodes, "Graph has NOT ENOUGH nodes = -3\r\n"},
      {"1-", Request::NotEnoughNodes, "Graph has NOT ENOUGH nodes = -1\r\n"},
      {"--5", Request::NotEnoughNodes, "Graph has NOT ENOUGH nodes = -5\r\n"},
      {"-12345678901", Request::NotEnoughNodes, "Graph has NOT ENOUGH nodes = -12345678901\r\n"},
      {"9", Request::TooManyNodes, "Graph has TOO MANY nodes = 9\r\n"},
      {"10", Request::TooManyNodes, "Graph has TOO MANY nodes = 10\r\n"},
      {"12345678901", Request::TooManyNodes, "Graph has TOO MANY nodes = 12345678901\r\n"},
      {"4294967300", Request::TooManyNodes, "Graph has TOO MANY nodes = 4294967300\r\n"},
  };
  for (const auto& c : cases) {
    const ArgumentCheck check = Check({c.argument});
    EXPECT_EQ(check.request, c.request) << c.argument;
    EXPECT_EQ(RejectionText(check), c.line) << c.argument;
  }
}

TEST(UsageText, IsTheNineLinesWithCrLf) {
  EXPECT_EQ(UsageText(),
            "\r\nSort out all Graphs of order N\r\n\r\nSyntax: [program] [N]\r\n\r\n"
            "Where N = order of Graphs\r\n        = number of interconnected nodes\r\n"
            "          restricted to  2 < N < 8\r\n\r\n");
}

}  // namespace
}  // namespace grafen
