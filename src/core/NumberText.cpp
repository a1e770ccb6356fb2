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

// Reads the run of decimal digits starting at i into `digits` (which may wrap past 19 digits:
// it is used only for runs of at most kExactDigits in all); returns the run's length.
std::size_t ReadDigits(std::string_view s, std::size_t i, std::uint64_t& digits) {
  const char* const first = s.data() + i;
  const char* const end = s.data() + s.size();
  const char* p = first;
  for (; p != end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (digit > 9) break;
    digits = digits * 10 + digit;
  }
  return static_cast<std::size_t>(p - first);
}

}  // namespace

bool ParseReal(std::string_view text, double& value) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t numberStart = i;
  std::uint64_t digits = 0;  // every digit before and after the point, as one integer
  const std::size_t intDigits = ReadDigits(text, i, digits);
  i += intDigits;
  std::size_t fracDigits = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    fracDigits = ReadDigits(text, i, digits);
    i += fracDigits;
  }
  if (intDigits + fracDigits == 0) return false;
  const bool exponent = i < text.size() && (text[i] == 'e' || text[i] == 'E');
  if (exponent) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t expDigits = DigitRun(text, i);
    if (expDigits == 0) return false;
    i += expDigits;
  }
  if (i != text.size()) return false;
  const bool negative = numberStart > 0 && text[0] == '-';

  // The grammar is checked. A plain decimal of at most kExactDigits digits is its digits, an exact
  // integer, divided by an exact power of ten: a division of two exact doubles is correctly
  // rounded, so this is the double nearest to the decimal, as from_chars gives it, at a fraction
  // of its cost (the data files' values all take this way). Anything else goes to from_chars
  // (locale-independent), which does the rounding. It takes no "+".
  if (!exponent && intDigits + fracDigits <= kExactDigits) {
    const double quotient = static_cast<double>(digits) / kExactPowersOfTen[fracDigits];
    value = negative ? -quotient : quotient;
    return true;
  }
  double parsed = 0.0;
  const char* first = text.data() + numberStart;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (ec != std::errc() || end != last || !std::isfinite(parsed)) return false;
  value = negative ? -parsed : parsed;
  return true;
}

std::optional<double> ParseReal(std::string_view text) {
  double value = 0.0;
  if (!ParseReal(text, value)) return std::nullopt;
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
