#include "core/NumberText.h"

#include <charconv>
#include <cmath>
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
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t expDigits = DigitRun(text, i);
    if (expDigits == 0) return std::nullopt;
    i += expDigits;
  }
  if (i != text.size()) return std::nullopt;

  // The grammar is checked; from_chars (locale-independent) does the rounding. It takes no "+".
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
