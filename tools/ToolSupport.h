// Shared by the tools: calendar dates of their command lines (YYYY-MM-DD, MJD of a date and back,
// today's local date) and number texts for the data files ("." always, whatever the locale).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace erp::tools {

struct CalendarDate {
  int Year = 0;
  int Month = 0;
  int Day = 0;

  friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

// A date written YYYY-MM-DD (four, two and two digits). Empty when the text is not in that form
// or names no day of the Gregorian calendar (2025-02-30).
std::optional<CalendarDate> ParseIsoDate(std::string_view text);

// YYYY-MM-DD of a date.
std::string IsoDate(const CalendarDate& date);

// MJD (days) of the date at 00:00, as the loading pass computes it for a dated record.
double MjdOfDate(const CalendarDate& date);

// The calendar date of the day that holds an MJD (days).
CalendarDate DateOfMjd(double mjd);

// Today's date by the local clock.
CalendarDate LocalToday();

// A whole number of at least `width` digits, zeros in front ("05" for 5 and width 2).
std::string ZeroPadded(int value, std::size_t width);

// A real number with exactly `decimals` digits after the "." (std::to_chars, no locale).
std::string FixedDecimals(double value, int decimals);

}  // namespace erp::tools
