#include "core/TimeBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

namespace erp {
namespace {

TEST(DateTimeToMJD, KnownDates) {
  struct Case {
    const char* name;
    double dateTime;
    double mjd;
  } const cases[] = {
      {"date-time zero", 0.0, 15018.0},
      {"17 November 1858", -15018.0, 0.0},
      {"1 January 2000 noon", 36526.5, 51544.5},
      {"before 1899 the fraction counts forward", -1.25, 15017.25},
      {"22 December 1975, start of week 0", EncodeDate(1975, 12, 22), 42768.0},
      {"29 December 1975, start of week 1", EncodeDate(1975, 12, 29), 42775.0},
      {"29 February 2000 (b = -1)", EncodeDate(2000, 2, 29), 51603.0},
      {"1 March 2000 (b = 0)", EncodeDate(2000, 3, 1), 51604.0},
      {"1 January 0001", EncodeDate(1, 1, 1), -678575.0},
      {"31 December 9999", EncodeDate(9999, 12, 31), 2973483.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DateTimeToMJD(c.dateTime), c.mjd);
  }
  EXPECT_EQ(DateTimeToJulianDate(0.0), 2415018.5);
}

TEST(DateTimeToMJD, RoundsTheJulianDateOnceToDouble) {
  // 4 August 2013, 10:00 (5 August less a day). Its Julian Date, 2456508.5 plus the time of day,
  // is rounded once to a double near 2.46e6, whose step is 2^-31 day; the MJD taken from that is
  // not 56508.416666666664, the MJD formed directly from the fraction.
  const double x = EncodeDateTime(2013, 8, 5, 10, 0, 0, 0) - 1.0;
  EXPECT_EQ(x, 41490.416666666664);
  EXPECT_EQ(DateTimeToJulianDate(x), 2456508.9166666665);
  EXPECT_EQ(DateTimeToMJD(x), 56508.41666666651);
  EXPECT_EQ(std::ldexp(DateTimeToMJD(x), 31), std::trunc(std::ldexp(DateTimeToMJD(x), 31)));
}

TEST(CalendarToMJD, DatesAndHours) {
  EXPECT_EQ(CalendarToMJD(2013, 8, 4, 6), 56508.25);
  EXPECT_EQ(CalendarToMJD(2012, 2, 29, 0), 55986.0);
  EXPECT_EQ(CalendarToMJD(2013, 8, 4, 30), 56509.25);  // hours are not range-checked
  EXPECT_EQ(CalendarToMJD(2013, 8, 4, 1), 56508.0 + 1.0 / 24.0);
}

// The MJD of a date is that of its date-time value, for every day of the years a data file can
// name (a 16-bit year after its normalisation) and every first of a month of years 1..9999.
TEST(CalendarToMJD, IsTheMJDOfTheDatesDateTime) {
  const auto check = [](int y, int m, int d) {
    for (int hour : {0, 7}) {
      const double expected = DateTimeToMJD(EncodeDate(y, m, d)) + (hour != 0 ? hour / 24.0 : 0.0);
      ASSERT_EQ(CalendarToMJD(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m),
                              static_cast<std::uint16_t>(d), static_cast<std::uint16_t>(hour)),
                expected)
          << y << "-" << m << "-" << d;
    }
  };
  const int daysIn[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int y = 1800; y <= 2180; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= daysIn[m - 1]; ++d) {
        if (m == 2 && d == 29 && !((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) continue;
        check(y, m, d);
      }
    }
  }
  for (int y = 1; y <= 9999; ++y) {
    for (int m = 1; m <= 12; ++m) check(y, m, 1);
  }
}

TEST(CalendarToMJD, ImpossibleDatesFail) {
  struct Case {
    int y, m, d;
  } const cases[] = {{2013, 2, 29}, {1900, 2, 29}, {2013, 13, 1}, {2013, 0, 1}, {2013, 4, 31},
                     {2013, 1, 0},  {0, 1, 1},     {10000, 1, 1}, {65535, 65535, 65535}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
    try {
      CalendarToMJD(static_cast<std::uint16_t>(c.y), static_cast<std::uint16_t>(c.m),
                    static_cast<std::uint16_t>(c.d), 0);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Invalid argument to date encode");
    }
  }
  EXPECT_EQ(CalendarToMJD(2000, 2, 29, 0), 51603.0);  // century divisible by 400 is a leap year
}

TEST(WeekStartMJD, Grid) {
  EXPECT_EQ(WeekStartMJD(0), 42768.0);
  EXPECT_EQ(WeekStartMJD(1), 42775.0);
  EXPECT_EQ(WeekStartMJD(-1), 42761.0);
  EXPECT_EQ(WeekStartMJD(1962), 56502.0);
}

TEST(InitTimeBase, StartedAtKnownMoments) {
  // Expected values worked out apart from the code: the reference moment is the start-up less a
  // day; its MJD is the Julian Date of that day (2400000.5 + days since 17 November 1858) plus the
  // time of day, rounded once to a double; BaseMJD is 750 days earlier.
  struct Case {
    const char* name;
    double now;
    double referenceDateTime;
    double referenceMJD;
    double offset;
    double baseMJD;
    std::int32_t week;
    double axisStart;
    double axisEnd;
  } const cases[] = {
      {"Monday 10:00 counts the week that just ended", EncodeDateTime(2013, 8, 5, 10, 0, 0, 0), 41490.416666666664,
       56508.41666666651, -15017.999999999847, 55758.41666666651, 1962, 56481, 56509},
      {"Monday 00:30", EncodeDateTime(2013, 8, 5, 0, 30, 0, 0), 41490.020833333336, 56508.02083333349,
       -15018.000000000153, 55758.02083333349, 1962, 56481, 56509},
      {"Tuesday 00:30", EncodeDateTime(2013, 8, 6, 0, 30, 0, 0), 41491.020833333336, 56509.02083333349,
       -15018.000000000153, 55759.02083333349, 1963, 56488, 56516},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TimeBase tb = InitTimeBase(c.now);
    EXPECT_EQ(tb.ReferenceDateTime, c.referenceDateTime);
    EXPECT_EQ(tb.ReferenceMJD, c.referenceMJD);
    EXPECT_EQ(tb.DateTimeOffset, c.offset);
    EXPECT_EQ(tb.BaseMJD, c.baseMJD);
    EXPECT_EQ(tb.CurrentWeek, c.week);
    EXPECT_EQ(tb.FirstWeek, 0);
    EXPECT_EQ(tb.AxisStartMJD, c.axisStart);
    EXPECT_EQ(tb.AxisEndMJD, c.axisEnd);
  }
}

TEST(EncodeDateTime, TimeOfDay) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 30, 12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  EXPECT_EQ(EncodeDateTime(2000, 1, 1, 12, 0, 0, 0), 36526.5);
}

}  // namespace
}  // namespace erp
