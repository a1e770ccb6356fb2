// Locale-independent conversion of field texts to numbers, with "." as the only decimal point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace erp {

// A real number: optional sign, then digits with an optional "." and fraction (at least one digit
// before or after the point), then an optional exponent "e"/"E" with optional sign and digits.
// Nothing else is accepted: no blanks, "nan", "inf", hex or ",". Empty when the text is not such a
// number or its value is out of the range of a double.
std::optional<double> ParseReal(std::string_view text);

// A whole number: optional sign and decimal digits only. Empty when the text is not one or its
// value is out of the 32-bit signed range.
std::optional<std::int32_t> ParseInt32(std::string_view text);

// The shortest decimal text that reads back to the same value ("." as decimal point).
std::string FormatShortest(double value);

// Appends a whole number in decimal as the settings files hold it: no leading blanks or zeros, a
// minus sign when negative.
void AppendInt32(std::string& out, std::int32_t value);

namespace number_text {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Exact powers of ten as doubles: every one up to 10^22 is representable without rounding.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// Digits that always form an integer below 2^53, so that the integer is exact as a double.
inline constexpr std::size_t kExactDigits = 15;

}  // namespace number_text

// The readers of a number at the start of a text [p, end), as a data line is read in one walk
// (defined here: they run for every field of every line). On success `p` is moved past the
// number, which may be followed by anything; false (with `p` and `value` anywhere) otherwise.

// A plain decimal: optional sign, digits with an optional "." and fraction (at least one digit),
// at most 15 digits, no exponent; its value is ParseReal's. Any other real number is ParseReal's
// to read.
inline bool ReadPlainDecimal(const char*& p, const char* end, double& value) {
  using number_text::IsDigit;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  std::uint64_t digits = 0;  // every digit before and after the point, as one integer
  std::size_t count = 0;
  for (; p < end && IsDigit(*p); ++p, ++count) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
  std::size_t fraction = 0;
  if (p < end && *p == '.') {
    for (++p; p < end && IsDigit(*p); ++p, ++fraction) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  count += fraction;
  if (count == 0 || count > number_text::kExactDigits || (p < end && (*p == 'e' || *p == 'E'))) return false;
  // The digits are an exact integer and the power of ten is exact: their quotient is correctly
  // rounded, the double nearest to the decimal, as from_chars gives it, at a fraction of its cost.
  const double quotient = static_cast<double>(digits) / number_text::kExactPowersOfTen[fraction];
  value = negative ? -quotient : quotient;
  return true;
}

// ReadPlainDecimal's check without its value: true for the same texts, with `p` moved past the
// same number; cheaper where the value is not needed.
inline bool SkipPlainDecimal(const char*& p, const char* end) {
  using number_text::IsDigit;
  if (p < end && (*p == '+' || *p == '-')) ++p;
  const char* const whole = p;
  while (p < end && IsDigit(*p)) ++p;
  std::size_t count = static_cast<std::size_t>(p - whole);
  if (p < end && *p == '.') {
    const char* const fraction = ++p;
    while (p < end && IsDigit(*p)) ++p;
    count += static_cast<std::size_t>(p - fraction);
  }
  return count != 0 && count <= number_text::kExactDigits && !(p < end && (*p == 'e' || *p == 'E'));
}

// A whole number: optional sign and digits, in the 32-bit signed range.
inline bool ReadInt32(const char*& p, const char* end, std::int32_t& value) {
  using number_text::IsDigit;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p == end || !IsDigit(*p)) return false;
  // The magnitude in 64 bits, given up as soon as it leaves the 32-bit range.
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;  // |INT32_MIN|
  std::int64_t magnitude = 0;
  for (; p < end && IsDigit(*p); ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > kLimit) return false;
  }
  if (!negative && magnitude == kLimit) return false;
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace erp
