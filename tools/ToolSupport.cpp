#include "ToolSupport.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>

#include "core/TimeBase.h"

namespace erp::tools {
namespace {

constexpr int kMjdOfUnixEpoch = 40587;  // MJD of 1 January 1970

bool AllDigits(std::string_view s) {
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return !s.empty();
}

int Number(std::string_view digits) {
  int n = 0;
  for (const char c : digits) n = n * 10 + (c - '0');
  return n;
}

}  // namespace

std::optional<CalendarDate> ParseIsoDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const std::string_view y = text.substr(0, 4), m = text.substr(5, 2), d = text.substr(8, 2);
  if (!AllDigits(y) || !AllDigits(m) || !AllDigits(d)) return std::nullopt;
  const CalendarDate date{Number(y), Number(m), Number(d)};
  try {
    EncodeDate(date.Year, date.Month, date.Day);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return date;
}

std::string IsoDate(const CalendarDate& date) {
  return ZeroPadded(date.Year, 4) + '-' + ZeroPadded(date.Month, 2) + '-' + ZeroPadded(date.Day, 2);
}

double MjdOfDate(const CalendarDate& date) {
  return CalendarToMJD(static_cast<std::uint16_t>(date.Year), static_cast<std::uint16_t>(date.Month),
                       static_cast<std::uint16_t>(date.Day), 0);
}

CalendarDate DateOfMjd(double mjd) {
  using namespace std::chrono;
  const auto days = static_cast<int>(std::floor(mjd)) - kMjdOfUnixEpoch;
  const year_month_day ymd{sys_days{std::chrono::days{days}}};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

CalendarDate LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string ZeroPadded(int value, std::size_t width) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  std::string text(digits, end);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

std::string FixedDecimals(double value, int decimals) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return ec == std::errc() ? std::string(text, end) : std::string();
}

}  // namespace erp::tools
