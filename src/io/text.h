// Building the space- or star-separated lists of the table's columns, and
// the texts of polynomials and their factors.
#pragma once

#include <charconv>
#include <cstdlib>
#include <string>
#include <string_view>

namespace grafen::io {

// "1 graph", "2 graphs": the count and its noun, singular for 1.
inline std::string Counted(long long n, std::string_view singular, std::string_view plural = {}) {
  std::string text = std::to_string(n) + " ";
  if (n == 1) return text.append(singular);
  if (plural.empty()) return text.append(singular).append("s");
  return text.append(plural);
}

// Appends item to list, after the separator unless list is empty.
inline void AppendItem(std::string& list, std::string_view item, char separator = ' ') {
  if (!list.empty()) list.push_back(separator);
  list.append(item);
}

// Appends the decimal text of n, with no string made for it on the way
// (the rows are written on a hot path).
inline void AppendNumber(std::string& text, long long n) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, n);
  text.append(digits, end.ptr);
}

// Appends the piece after its length in base-128 digits that mark their
// end: pieces so appended one after another compare equal exactly when
// each does.
inline void AppendWithLength(std::string& text, std::string_view piece) {
  std::size_t size = piece.size();
  for (; size >= 0x80; size >>= 7) text.push_back(static_cast<char>(0x80 | (size & 0x7f)));
  text.push_back(static_cast<char>(size));
  text.append(piece);
}

// Appends the decimal text of n to list, after the separator unless list is
// empty.
inline void AppendNumberItem(std::string& list, long long n, char separator = ' ') {
  if (!list.empty()) list.push_back(separator);
  AppendNumber(list, n);
}

// base, or base^exponent for an exponent above 1.
inline std::string PowerText(std::string base, long exponent) {
  if (exponent != 1) base.append("^").append(std::to_string(exponent));
  return base;
}

// The factor (x - c)^multiplicity of an integer root c: "x", "(x - 4)^2",
// "(x + 1)".
inline std::string RootFactorText(long c, long multiplicity) {
  std::string base = "x";
  if (c != 0) base = std::string(c > 0 ? "(x - " : "(x + ") + std::to_string(std::labs(c)) + ")";
  return PowerText(std::move(base), multiplicity);
}

// The polynomial of this degree in plain infix, highest power first
// ("x^2 - 4*x + 2"); coefficient(k) is the signed decimal text of the
// coefficient of x^k.
template <typename CoefficientText>
std::string PolynomialText(long degree, CoefficientText coefficient) {
  std::string text;
  for (long k = degree; k >= 0; --k) {
    const std::string a = coefficient(k);
    if (a == "0") continue;
    const bool negative = a[0] == '-';
    if (!text.empty()) {
      text.append(negative ? " - " : " + ");
    } else if (negative) {
      text.push_back('-');
    }
    const std::string_view magnitude = std::string_view(a).substr(negative ? 1 : 0);
    const bool unit = magnitude == "1";
    if (k == 0 || !unit) text += magnitude;
    if (k > 0 && !unit) text.push_back('*');
    if (k > 0) text.push_back('x');
    if (k > 1) text.append("^").append(std::to_string(k));
  }
  return text;
}

}  // namespace grafen::io
