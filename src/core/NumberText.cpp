#include "core/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace erp {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the run of decimal digits starting at i.
std::size_t DigitRun(std::string_view s, std::size_t i) {
  std::size_t n = 0;
  while (i + n < s.size() && IsDigit(s[i + n])) ++n;
  return n;
}

// Exact powers of ten as doubles: every one up to 10^22 is representable without rounding.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// Digits that always form an integer below 2^53, so that the integer is exact as a double.
constexpr std::size_t kExactDigits = 15;

// The value of a plain decimal "ddd.ddd" (no sign, no exponent) of at most kExactDigits digits,
// of which `fracDigits` follow the point: the digits as one exact integer divided by an exact
// power of ten. A division of two exact doubles is correctly rounded, so the result is the double
// nearest to the decimal, as from_chars gives it, at a fraction of its cost; the data files' values
// all take this way.
double PlainDecimal(std::string_view digitsAndPoint, std::size_t fracDigits) {
  std::uint64_t mantissa = 0;
  for (const char c : digitsAndPoint) {
    if (c != '.') mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return static_cast<double>(mantissa) / kExactPowersOfTen[fracDigits];
}

}  // namespace

std::optional<double> ParseReal(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t numberStart = i;
  const std::size_t intDigits = DigitRun(text, i);
  i += intDigits;
  std::size_t fracDigits = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    fracDigits = DigitRun(text, i);
    i += fracDigits;
  }
  if (intDigits + fracDigits == 0) return std::nullopt;
  const bool exponent = i < text.size() && (text[i] == 'e' || text[i] == 'E');
  if (exponent) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t expDigits = DigitRun(text, i);
    if (expDigits == 0) return std::nullopt;
    i += expDigits;
  }
  if (i != text.size()) return std::nullopt;

  // The grammar is checked. A plain decimal of few digits is converted exactly here; anything else
  // goes to from_chars (locale-independent), which does the rounding. It takes no "+".
  if (!exponent && intDigits + fracDigits <= kExactDigits) {
    const double value = PlainDecimal(text.substr(numberStart), fracDigits);
    return numberStart > 0 && text[0] == '-' ? -value : value;
  }
  double value = 0.0;
  const char* first = text.data() + numberStart;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  if (numberStart > 0 && text[0] == '-') value = -value;
  return value;
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size() || DigitRun(text, i) != text.size() - i) return std::nullopt;
  // Accumulate the magnitude in 64 bits, stopping as soon as it leaves the 32-bit range.
  std::int64_t magnitude = 0;
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;  // |INT32_MIN|
  for (; i < text.size(); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) return std::nullopt;
  }
  if (!negative && magnitude == kLimit) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string FormatShortest(double value) {
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string();
}

void AppendInt32(std::string& out, std::int32_t value) {
  char digits[16];  // "-2147483648" at most
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

}  // namespace erp
