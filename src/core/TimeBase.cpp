#include "core/TimeBase.h"

#include <cmath>
#include <stdexcept>

namespace erp {
namespace {

constexpr const char* kInvalidDate = "Invalid argument to date encode";

// Days from 1970-01-01 to 1899-12-30 (date-time 0) and to 1858-11-17 (MJD 0).
constexpr std::int64_t kDateTimeZeroUnixDay = -25569;
constexpr std::int64_t kMjdZeroUnixDay = -40587;

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && IsLeapYear(y)) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (valid for all years used here).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct CivilDate {
  std::int32_t year;
  std::int32_t month;
  std::int32_t day;
};

// Calendar date of a day counted from 1970-01-01.
CivilDate CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<std::int32_t>(y + (m <= 2)), static_cast<std::int32_t>(m), static_cast<std::int32_t>(d)};
}

}  // namespace

double EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
    throw std::runtime_error(kInvalidDate);
  }
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                             kDateTimeZeroUnixDay);
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  const double date = EncodeDate(year, month, day);
  const double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / 86400000.0;
  // Before date-time 0 the fraction still counts the time of day forward.
  return date >= 0 ? date + time : date - time;
}

double DateTimeToJulianDate(double x) {
  const double whole = std::trunc(x);
  const double f = std::fabs(x - whole);  // time of day, exact
  const CivilDate c = CivilFromDays(static_cast<std::int64_t>(whole) + kDateTimeZeroUnixDay);

  // Fliegel and Van Flandern, in 32-bit integers with divisions truncating toward zero.
  const std::int32_t Y = c.year;
  const std::int32_t M = c.month;
  const std::int32_t D = c.day;
  const std::int32_t b = (M - 14) / 12;
  const std::int32_t J = (1461 * (Y + 4800 + b)) / 4 + (367 * (M - 2 - 12 * b)) / 12 -
                         (3 * ((Y + 4900 + b) / 100)) / 4 + D;

  const long double jd = (static_cast<long double>(J) - 32075.5L) + static_cast<long double>(f);
  return static_cast<double>(jd);
}

double DateTimeToMJD(double x) { return DateTimeToJulianDate(x) - JulianDateOfMjdZero; }

double CalendarToMJD(std::uint16_t year, std::uint16_t month, std::uint16_t day, std::uint16_t hour) {
  // DateTimeToMJD(EncodeDate(year, month, day)) without the round trip through a long double
  // Julian Date: a date's Julian Date is a whole number less a half, so its MJD is its date-time
  // value (whole days since 30 December 1899) plus the whole days from 17 November 1858, exactly.
  double m = EncodeDate(year, month, day) + static_cast<double>(kDateTimeZeroUnixDay - kMjdZeroUnixDay);
  if (hour != 0) m = m + static_cast<double>(hour) / 24.0;
  return m;
}

double WeekStartMJD(std::int32_t n) { return static_cast<double>(WeekEpochMJD + 7 * n); }

TimeBase InitTimeBase(double localNow) {
  TimeBase tb;
  tb.ReferenceDateTime = localNow - 1.0;
  tb.ReferenceMJD = DateTimeToMJD(tb.ReferenceDateTime);
  tb.DateTimeOffset = tb.ReferenceDateTime - tb.ReferenceMJD;
  tb.BaseMJD = tb.ReferenceMJD - 750.0;
  // Both steps truncate toward zero: the whole days since the epoch, then whole weeks.
  const auto days = static_cast<std::int64_t>(std::trunc(tb.ReferenceMJD - WeekEpochMJD));
  tb.CurrentWeek = static_cast<std::int32_t>(days / 7);
  tb.AxisStartMJD = WeekStartMJD(tb.CurrentWeek - 3);
  tb.AxisEndMJD = static_cast<double>(WeekEpochMJD + 7 + 7 * tb.CurrentWeek);
  return tb;
}

}  // namespace erp
