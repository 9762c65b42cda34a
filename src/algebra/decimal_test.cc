#include "algebra/decimal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace grafen::algebra {
namespace {

TEST(Decimal, RoundsRationalsHalfUpAcrossPowersOfTen) {
  struct Case {
    long numerator;
    long denominator;
    int digits;
    std::string text;
  };
  const std::vector<Case> cases = {
      {999996, 10000, 5, "100.00"},
      {99994, 1000, 5, "99.994"},
      {9999995, 10000000, 6, "1.00000"},
      {1, 3, 5, "0.33333"},
      {2, 3, 5, "0.66667"},
      {1, 700, 3, "0.00143"},
      {125, 100, 2, "1.3"},
      {132, 10, 2, "1.3e1"},
      {132, 10, 1, "1e1"},
      {1, 8, 1, "0.1"},
      {5858, 10000, 3, "0.586"},
  };
  for (const Case& c : cases) {
    Rational q;
    fmpq_set_si(q.get(), c.numerator, static_cast<ulong>(c.denominator));
    EXPECT_EQ(DecimalText(RoundRational(q.get(), c.digits)), c.text)
        << c.numerator << "/" << c.denominator;
  }
  EXPECT_EQ(DecimalText(RoundDouble(3.41421356, 5)), "3.4142");
}

TEST(Decimal, RoundingCellHoldsExactlyWhatRoundsToIt) {
  // 1.0000 takes [0.999995, 1.00005): below it the decimals are ten times finer.
  for (const auto& [mantissa, low, high] : std::vector<std::tuple<std::string, double, double>>{
           {"10000", 0.999995, 1.00005}, {"58579", 0.585785, 0.585795}}) {
    Rational lowQ;
    Rational highQ;
    RoundingCell(Decimal{mantissa, -4 - (mantissa[0] == '5' ? 1 : 0)}, lowQ.get(), highQ.get());
    EXPECT_DOUBLE_EQ(fmpq_get_d(lowQ.get()), low);
    EXPECT_DOUBLE_EQ(fmpq_get_d(highQ.get()), high);
  }
  EXPECT_LT(CompareDecimals(Decimal{"99994", -3}, IntegerDecimal(100)), 0);
  EXPECT_EQ(CompareDecimals(Decimal{"10000", -2}, IntegerDecimal(100)), 0);
  EXPECT_GT(CompareDecimals(Decimal{"10001", -2}, IntegerDecimal(100)), 0);
  EXPECT_LT(CompareDecimals(IntegerDecimal(0), Decimal{"10000", -9}), 0);
}

}  // namespace
}  // namespace grafen::algebra
