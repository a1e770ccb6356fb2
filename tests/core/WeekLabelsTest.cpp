// Week labels and numbers of the month view, and the texts of the scale and crosshair readouts.
#include "core/WeekLabels.h"

#include <gtest/gtest.h>

namespace erp {
namespace {

constexpr double kAxisStart = 56481.0;  // Monday 8 July 2013, CurrentWeek 1962
constexpr double kOffset = 41463.0 - 56481.0;  // chart x of that Monday minus its MJD

TEST(WeekLabelStart, FirstWeekBoundaryOfTheShiftedWindow) {
  struct Case {
    double shift;
    double mjd;
  };
  const Case cases[] = {
      {0, kAxisStart}, {-7, kAxisStart - 7}, {21, kAxisStart + 21}, {-3, kAxisStart}, {4, kAxisStart + 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shift);
    const double start = WeekLabelStart(c.shift, kAxisStart, kOffset);
    EXPECT_EQ(start, c.mjd + kOffset);
    // From an axis minimum before the start: the start, then every 7 days.
    EXPECT_EQ(NextWeekLabel(start, start - 0.4), start);
    EXPECT_EQ(NextWeekLabel(start, start), start + 7);
  }
}

TEST(WeekNumbers, WeeksAndPlaces) {
  struct Case {
    const char* name;
    double shift;
    std::int32_t first;  // week for i = -1
    int shiftPixels;
  };
  const Case cases[] = {
      {"no shift", 0, 1958, 0},
      {"a week back", -7, 1957, 0},
      {"three weeks on", 21, 1961, 0},
      {"half a week back", -3.5, 1958, -100},  // Round(-0.5 * 7 * 801 / 28) = Round(-100.125)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto labels = WeekNumbers(50, 801, c.shift, 1962);
    for (int i = -1; i <= 3; ++i) {
      const WeekNumberLabel& label = labels[static_cast<std::size_t>(i + 1)];
      EXPECT_EQ(label.Week, c.first + i + 1);
      EXPECT_EQ(label.X, 100 * (2 * i + 1) + 50 - 10 - c.shiftPixels);
    }
  }
}

TEST(ScaleReadout, StepsOfTheScaleTablesAndLarger) {
  struct Case {
    double increment;
    const char* text;
  };
  const Case cases[] = {
      {0.003, "M: 3.0 мс"},   {0.002, "M: 2.0 мс"},  {0.001, "M: 1.0 мс"},   {0.0005, "M: 0.50 мс"},
      {0.00025, "M: 0.25 мс"}, {0.03, "M: 30.0 мс"}, {0.02, "M: 20.0 мс"},  {0.01, "M: 10.0 мс"},
      {0.005, "M: 5.0 мс"},   {0.0025, "M: 2.50 мс"}, {0.05, "M: 50.0 мс"}, {0.5, "M: 500.0 мс"},
      {1.0, "M: 0.0 мс"},     {2.0, "M: 0.0 мс"},
  };
  for (const Case& c : cases) EXPECT_EQ(ScaleReadout(c.increment), c.text) << c.increment;
}

TEST(ReadoutNumber, FixedPointWithEightSignificantDigits) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {56491.5, 1, "56491.5"},      {56491.46, 1, "56491.5"},    {-0.30000012, 5, "-0.30000"},
      {0.000004, 5, "0.00000"},     {-0.000004, 5, "0.00000"},   {1234.567891, 5, "1234.56790"},
      {0.1234567891, 5, "0.12346"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadoutNumber(c.value, c.decimals), c.text) << c.value;
}

}  // namespace
}  // namespace erp
