// Calendar, Modified Julian Date and the Monday week grid; the time base of a program run.
#pragma once

#include <cstdint>

namespace erp {

// A date-time value counts days from 30 December 1899, 00:00; its fraction is the time of day,
// counted forward also for negative values (-1.25 is 29 December 1899, 06:00).

constexpr double MjdOfDateTimeZero = 15018.0;  // MJD of date-time 0 (days)
constexpr double JulianDateOfMjdZero = 2400000.5;  // JD of MJD 0 (days)
constexpr std::int32_t WeekEpochMJD = 42768;  // Monday 22 December 1975, 00:00: start of week 0 (MJD)

// The time base: fixed once per program run, before anything is loaded.
struct TimeBase {
  double ReferenceDateTime = 0.0;  // local date-time at start-up minus one day (date-time days)
  double ReferenceMJD = 0.0;       // ReferenceDateTime as MJD (days)
  double DateTimeOffset = 0.0;     // ReferenceDateTime - ReferenceMJD: MJD + offset = chart x (days)
  double BaseMJD = 0.0;            // ReferenceMJD - 750: day origin of the observation store (MJD)
  std::int32_t CurrentWeek = 0;    // week holding the reference moment (weeks from WeekEpochMJD)
  std::int32_t FirstWeek = 0;      // first week of the unshifted display window; 0 until the first refresh
  double AxisStartMJD = 0.0;       // Monday that begins the unshifted window (MJD)
  double AxisEndMJD = 0.0;         // Monday after the current week (MJD)
};

// Date encoding: the date-time value of year-month-day at 00:00 (a whole number of days).
// Valid: years 1..9999, months 1..12, days of the Gregorian month. Throws std::runtime_error
// "Invalid argument to date encode" for any other date.
double EncodeDate(int year, int month, int day);

// The date-time value of a local calendar reading (the clock's fields), as the clock reports it.
// Hours 0..23, minutes and seconds 0..59, milliseconds 0..999. Throws like EncodeDate.
double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond);

// Julian Date (days) of a date-time value x, by the integer formula of Fliegel and Van Flandern
// on the calendar date of trunc(x), plus |x - trunc(x)| as the time of day. The sum is formed in
// extended precision and rounded once to double. Valid for dates of years 1..9999.
double DateTimeToJulianDate(double x);

// MJD (days) of a date-time value: DateTimeToJulianDate(x) - 2400000.5. Present-day results are
// multiples of 2^-31 day because the Julian Date is rounded to double first.
double DateTimeToMJD(double x);

// MJD (days) of a calendar date and whole hour read from a data file. The hour is not range-checked
// (30 is a day and a quarter). Throws std::runtime_error "Invalid argument to date encode" when the
// date does not exist.
double CalendarToMJD(std::uint16_t year, std::uint16_t month, std::uint16_t day, std::uint16_t hour);

// First day of week n: 42768 + 7n (MJD), in 32-bit arithmetic.
double WeekStartMJD(std::int32_t n);

// The time base for a program started at the local date-time `localNow` (date-time days).
// FirstWeek stays 0; AxisStartMJD is the start of the four weeks ending with the current week.
TimeBase InitTimeBase(double localNow);

}  // namespace erp
