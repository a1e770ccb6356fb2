#include "core/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace erp {
namespace {

using number_text::IsDigit;

// Length of the run of decimal digits starting at i.
std::size_t DigitRun(std::string_view s, std::size_t i) {
  std::size_t n = 0;
  while (i + n < s.size() && IsDigit(s[i + n])) ++n;
  return n;
}

}  // namespace

std::optional<double> ParseReal(std::string_view text) {
  // The data files' numbers are plain decimals; anything else takes the general way below.
  const char* p = text.data();
  const char* const end = p + text.size();
  if (double plain = 0.0; ReadPlainDecimal(p, end, plain) && p == end) return plain;
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
  const bool negative = numberStart > 0 && text[0] == '-';

  // The grammar is checked; from_chars (locale-independent) does the rounding. It takes no "+".
  double parsed = 0.0;
  const char* first = text.data() + numberStart;
  const auto [stop, ec] = std::from_chars(first, end, parsed, std::chars_format::general);
  if (ec != std::errc() || stop != end || !std::isfinite(parsed)) return std::nullopt;
  return negative ? -parsed : parsed;
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  std::int32_t value = 0;
  if (!ReadInt32(p, end, value) || p != end) return std::nullopt;
  return value;
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
