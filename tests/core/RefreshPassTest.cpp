// The refresh pass and its steps: display window, extraction, whole-second alignment, trend
// removal, drawn range and vertical scale, on a store built in memory.
#include "core/RefreshPass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace erp {
namespace {

// Monday 5 August 2013, 10:00 local time: CurrentWeek 1962, BaseMJD 55758.4166...
TimeBase Pinned() { return InitTimeBase(EncodeDateTime(2013, 8, 5, 10, 0, 0, 0)); }

constexpr double kMonthStart = 56481.0;  // Monday 8 July 2013
constexpr double kMonthEnd = 56509.0;    // Monday 5 August 2013

// A store with the records a test names; slots are loaded as they get records (or by Load).
struct Store {
  std::unique_ptr<ObservationStore> store = std::make_unique<ObservationStore>();

  void Load(int slot) { store->SeriesLoaded[slot] = true; }
  // Appends a record: UT1 (and UT1R the same), Xp, Yp at `epoch`.
  void Add(int slot, double epoch, double ut1, double xp = 0.1, double yp = 0.3) {
    Load(slot);
    int row = 1;
    while (store->At(row, slot, StoreParameter::EpochMJD) != MissingValue) ++row;
    store->At(row, slot, StoreParameter::UT1) = ut1;
    store->At(row, slot, StoreParameter::UT1R) = ut1;
    store->At(row, slot, StoreParameter::Xp) = xp;
    store->At(row, slot, StoreParameter::Yp) = yp;
    store->At(row, slot, StoreParameter::EpochMJD) = epoch;
  }
  // Daily records at 00:00 from `first` to `last`, UT1 = ut1(epoch).
  template <class Value>
  void Daily(int slot, double first, double last, Value ut1) {
    for (double e = first; e <= last; e += 1.0) Add(slot, e, ut1(e));
  }
};

DisplayWindow Window(double start, double end) { return DisplayWindow{start, end, 7.0, 6}; }

std::vector<double> Values(const PlotArrays& plot, int slot) {
  std::vector<double> v;
  for (int n = 1; n <= plot.PlotCount[slot]; ++n) v.push_back(plot.PlotValue(n, slot));
  return v;
}

// ---------------------------------------------------------------------------------------------

TEST(ComputeDisplayWindow, IntervalsShiftsAndClamping) {
  struct Case {
    const char* name;
    int interval;
    double shift;
    double start, end;  // MJD
    double shiftAfter;
  } const cases[] = {
      {"month, no shift", IntervalMonth, 0, 56481, 56509, 0},
      {"year, no shift", IntervalYear, 0, 56145, 56509, 0},
      {"month, back as far as it goes", IntervalMonth, -721, 55760, 55788, -721},
      {"month, one week too far back", IntervalMonth, -728, 55760, 55788, -721},
      {"year, shift carried over from the month", IntervalYear, -721, 55760, 56124, -385},
      {"month, four weeks forward", IntervalMonth, 28, 56502, 56530, 21},
      {"year, a year forward", IntervalYear, 364, 56166, 56530, 21},
      {"month, exactly three weeks forward", IntervalMonth, 21, 56502, 56530, 21},
      {"unknown interval item counts as the month", 5, 0, 56481, 56509, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TimeBase tb = Pinned();
    double shift = c.shift;
    const DisplayWindow w = ComputeDisplayWindow(tb, c.interval, shift);
    EXPECT_EQ(w.WindowStartMJD, c.start);
    EXPECT_EQ(w.WindowEndMJD, c.end);
    EXPECT_EQ(shift, c.shiftAfter);
  }
}

TEST(ComputeDisplayWindow, AxisVariablesAndTickSpacing) {
  TimeBase tb = Pinned();
  double shift = 0;
  const DisplayWindow month = ComputeDisplayWindow(tb, IntervalMonth, shift);
  EXPECT_EQ(tb.FirstWeek, 1959);
  EXPECT_EQ(tb.AxisStartMJD, 56481.0);
  EXPECT_EQ(tb.AxisEndMJD, 56509.0);
  EXPECT_EQ(month.Increment, 7.0);
  EXPECT_EQ(month.MinorTickCount, 6);
  const DisplayWindow year = ComputeDisplayWindow(tb, IntervalYear, shift);
  EXPECT_EQ(tb.FirstWeek, 1911);
  EXPECT_EQ(tb.AxisStartMJD, 56145.0);
  EXPECT_EQ(year.Increment, 30.0);
  EXPECT_EQ(year.MinorTickCount, 3);
}

TEST(ComputeDisplayWindow, StartClampIsStrict) {
  // A store origin exactly on a grid Monday, 103 weeks before the month window's start.
  TimeBase tb = Pinned();
  tb.BaseMJD = kMonthStart - 7 * 103;
  double shift = -721;  // would start exactly at BaseMJD: moved, onto the same day
  EXPECT_EQ(ComputeDisplayWindow(tb, IntervalMonth, shift).WindowStartMJD, tb.BaseMJD);
  EXPECT_EQ(shift, -721);
  shift = -714;
  EXPECT_EQ(ComputeDisplayWindow(tb, IntervalMonth, shift).WindowStartMJD, tb.BaseMJD + 7);
}

// ---------------------------------------------------------------------------------------------

TEST(ExtractSeries, ClosedWindowAndScanEnd) {
  Store s;
  s.Daily(1, kMonthStart - 10, kMonthEnd + 10, [](double) { return 0.1; });
  s.Daily(3, kMonthStart, kMonthEnd, [](double) { return 0.2; });
  // Slot 4: in the window, a value missing, a record beyond the window, then an earlier one.
  s.Add(4, kMonthStart + 1, 0.3);
  s.Add(4, kMonthStart + 2, MissingValue);
  s.Add(4, kMonthStart + 3, 0.31);
  s.Add(4, kMonthEnd, 0.32);
  s.Add(4, kMonthEnd + 0.5, 0.33);
  s.Add(4, kMonthStart + 4, 0.34);
  PlotArrays plot;
  ExtractSeries(*s.store, StoreParameter::UT1, Window(kMonthStart, kMonthEnd), plot);
  EXPECT_EQ(plot.PlotCount[1], 29);  // both bounding Mondays
  EXPECT_EQ(plot.PlotMJD(1, 1), kMonthStart);
  EXPECT_EQ(plot.PlotMJD(29, 1), kMonthEnd);
  EXPECT_EQ(plot.PlotCount[4], 3);
  EXPECT_EQ(plot.PlotMJD(3, 4), kMonthEnd);
  EXPECT_FALSE(plot.SeriesEmpty[4]);
  EXPECT_TRUE(plot.SeriesEmpty[2]);  // not loaded
}

// Series 1 or 3 loaded without a point in the window takes no other series with it: series 2 is
// drawn, on its own whole seconds (no series 1 to align to, its leap second still taken out) and
// without a trend where series 3 has none.
TEST(ExtractSeries, ReferenceSeriesWithoutPointsOnlyLoseTheirOwnRole) {
  for (int reference : {1, 3}) {
    SCOPED_TRACE(reference);
    Store s;
    s.Add(1, kMonthStart + 1, 0.1);  // an earlier pass's series 1, a second away from series 2
    PlotArrays plot;
    ExtractSeries(*s.store, StoreParameter::UT1, Window(kMonthStart, kMonthEnd), plot);
    ASSERT_EQ(plot.PlotValue(1, 1), 0.1);

    Store t;
    t.Add(reference, kMonthStart - 100, 0.1);  // loaded, but before the window
    t.Add(2, kMonthStart, 0.7);
    t.Add(2, kMonthStart + 1, -0.29);  // a leap second
    t.Daily(reference == 1 ? 3 : 1, kMonthStart, kMonthEnd, [](double) { return 0.7; });
    ExtractSeries(*t.store, StoreParameter::UT1, Window(kMonthStart, kMonthEnd), plot);
    EXPECT_TRUE(plot.SeriesEmpty[reference]);
    EXPECT_FALSE(plot.SeriesEmpty[2]);
    EXPECT_EQ(Values(plot, 2), (std::vector<double>{0.7, -0.29 - -1.0}));
    if (reference == 3) {
      EXPECT_EQ(RemoveTrend(plot, false), 0.0);
    }
  }
  Store s;
  s.Daily(2, kMonthStart, kMonthEnd, [](double) { return 0.1; });
  s.Load(5);  // an empty file: loaded, no points, no reference
  PlotArrays plot;
  ExtractSeries(*s.store, StoreParameter::UT1, Window(kMonthStart, kMonthEnd), plot);
  EXPECT_TRUE(plot.SeriesEmpty[5]);
}

TEST(AlignWholeSeconds, AlignmentAndLeapSeconds) {
  struct Case {
    const char* name;
    int parameter;
    std::vector<double> series1, series2;
    std::vector<double> expected1, expected2;
  } const cases[] = {
      {"series 2 a second above series 1", StoreParameter::UT1, {-0.5001, -0.5002}, {0.4997, 0.4996},
       {-0.5001, -0.5002}, {0.4997 - 1, 0.4996 - 1}},
      {"leap second: series 1 keeps its step, series 2 loses it", StoreParameter::UT1, {-0.3, 0.6997, 0.6995},
       {-0.3, 0.6997, 0.6995}, {-0.3, 0.6997, 0.6995}, {-0.3, 0.6997 - 1, 0.6995 - 1}},
      {"UT1R is aligned too", StoreParameter::UT1R, {0.25}, {-1.75}, {0.25}, {0.25}},
      {"half-way differences round to even", StoreParameter::UT1, {0.0}, {2.5}, {0.0}, {0.5}},
      {"minus one half rounds to zero", StoreParameter::UT1, {0.0}, {-0.5}, {0.0}, {-0.5}},
      {"pole coordinates are never aligned", StoreParameter::Xp, {0.1}, {0.9}, {0.1}, {0.9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store s;
    for (std::size_t n = 0; n < c.series1.size(); ++n) {
      s.Add(1, kMonthStart + n, c.series1[n], c.series1[n], 0.3);
      s.Add(3, kMonthStart + n, 0.0, 0.0, 0.0);
    }
    for (std::size_t n = 0; n < c.series2.size(); ++n) s.Add(2, kMonthStart + n, c.series2[n], c.series2[n], 0.3);
    PlotArrays plot;
    ExtractSeries(*s.store, c.parameter, Window(kMonthStart, kMonthEnd), plot);
    EXPECT_EQ(Values(plot, 1), c.expected1);
    EXPECT_EQ(Values(plot, 2), c.expected2);
  }
}

TEST(AlignWholeSeconds, WithoutSeries1TheReferenceIsZero) {
  Store s;
  s.Daily(3, kMonthStart, kMonthStart + 1, [](double) { return 3.25; });
  PlotArrays plot;
  ExtractSeries(*s.store, StoreParameter::UT1, Window(kMonthStart, kMonthEnd), plot);
  EXPECT_EQ(Values(plot, 3), (std::vector<double>{0.25, 0.25}));
}

TEST(AlignWholeSeconds, ValuesAtTheEndsOfTheDoubleRangeStayFinite) {
  constexpr double big = std::numeric_limits<double>::max();
  PlotArrays plot;
  plot.PlotValue(1, 1) = -big;
  plot.PlotCount[2] = 3;
  plot.PlotValue(1, 2) = big;
  plot.PlotValue(2, 2) = -big;
  plot.PlotValue(3, 2) = 0.25;
  AlignWholeSeconds(plot, 2);
  EXPECT_EQ(plot.PlotValue(1, 2), -big);
  EXPECT_EQ(plot.PlotValue(2, 2), -big);
  EXPECT_TRUE(std::isfinite(plot.PlotValue(3, 2)));
}

// ---------------------------------------------------------------------------------------------

TEST(RemoveTrend, RemovedShownAndUndefined) {
  // Series 3 rises 1 ms a day from day 0; series 5 lies 0.1 s above it.
  Store s;
  s.Daily(1, kMonthStart, kMonthEnd, [](double e) { return 0.001 * (e - kMonthStart); });
  s.Daily(3, kMonthStart + 1, kMonthEnd - 1, [](double e) { return 0.001 * (e - kMonthStart); });
  s.Daily(5, kMonthStart, kMonthEnd, [](double e) { return 0.1 + 0.001 * (e - kMonthStart); });
  const DisplayWindow window = Window(kMonthStart, kMonthEnd);

  PlotArrays removed;
  ExtractSeries(*s.store, StoreParameter::UT1, window, removed);
  EXPECT_NEAR(RemoveTrend(removed, false), 0.001, 1e-15);
  const int m = removed.PlotCount[3];
  EXPECT_NEAR(removed.PlotValue(1, 3), removed.PlotValue(m, 3), 1e-15);
  for (int n = 1; n <= removed.PlotCount[5]; ++n) EXPECT_NEAR(removed.PlotValue(n, 5), 0.101, 1e-12);
  EXPECT_NEAR(removed.PlotValue(1, 1), 0.001, 1e-12);  // anchored at series 3's first epoch

  PlotArrays shown;
  ExtractSeries(*s.store, StoreParameter::UT1, window, shown);
  EXPECT_NEAR(RemoveTrend(shown, true), 0.001, 1e-15);
  EXPECT_EQ(shown.PlotValue(29, 1), s.store->At(29, 1, StoreParameter::UT1));

  // One point of series 3, or none: no slope, nothing removed.
  for (int points : {0, 1}) {
    SCOPED_TRACE(points);
    PlotArrays plot;
    plot.PlotCount[3] = points;
    plot.PlotMJD(1, 3) = kMonthStart;
    plot.PlotCount[1] = 1;
    plot.PlotValue(1, 1) = 0.5;
    plot.PlotMJD(1, 1) = kMonthEnd;
    EXPECT_FALSE(TrendSlope(plot));
    EXPECT_EQ(RemoveTrend(plot, false), 0.0);
    EXPECT_EQ(plot.PlotValue(1, 1), 0.5);
  }
  PlotArrays sameEpoch;
  sameEpoch.PlotCount[3] = 2;
  sameEpoch.PlotMJD(1, 3) = sameEpoch.PlotMJD(2, 3) = kMonthStart;
  sameEpoch.PlotValue(2, 3) = 1.0;
  EXPECT_FALSE(TrendSlope(sameEpoch));
}

// ---------------------------------------------------------------------------------------------

TEST(ComputeVerticalScale, CentreOnAGridLine) {
  struct Case {
    const char* name;
    int parameter, scale, grid;
    double lo, hi;
    double minimum, maximum;
    const char* label;
  } const cases[] = {
      {"1 ms, grid 8", 1, 2, 2, -0.0123, -0.0051, -0.013, -0.005, "M: 1 мс"},
      {"1 ms, grid 4", 1, 2, 0, -0.0123, -0.0051, -0.011, -0.007, "M: 1 мс"},
      {"2.5 steps round to 2", 2, 2, 0, 2.5 * 0.001, 2.5 * 0.001, 0.0, 0.004, "M: 1 мс"},
      {"3.5 steps round to 4", 2, 2, 0, 3.5 * 0.001, 3.5 * 0.001, 0.002, 0.006, "M: 1 мс"},
      {"-2.5 steps round to -2", 2, 2, 0, -2.5 * 0.001, -2.5 * 0.001, -0.004, 0.0, "M: 1 мс"},
      {"grid text that matches no item: one step each way", 1, 0, -1, 0.0, 0.0, -0.003, 0.003, "M: 3 мс"},
      {"remembered index outside the list scales as index 0", 1, 7, 0, 0.0, 0.0, -0.006, 0.006, "M: 3 мс"},
      {"no selection (-1) scales as index 0", 3, -1, 0, 0.3, 0.3, 0.24, 0.36, "M: 0,030\""},
      {"Yp, 0.0025 arcseconds, grid 16", 4, 4, 6, 0.35, 0.35, 0.33, 0.37, "M: 0,0025\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const VerticalScale v = ComputeVerticalScale(c.parameter, c.scale, c.grid, {c.lo, c.hi});
    EXPECT_NEAR(v.Minimum, c.minimum, 1e-15);
    EXPECT_NEAR(v.Maximum, c.maximum, 1e-15);
    EXPECT_EQ(v.Label, c.label);
  }
}

TEST(ComputeVerticalScale, ExtremeValuesGiveAFiniteAxis) {
  constexpr double big = std::numeric_limits<double>::max();
  for (const ValueRange range : {ValueRange{-big, big}, ValueRange{big, big}, ValueRange{-1e300, -1e300}}) {
    const VerticalScale v = ComputeVerticalScale(1, 4, 6, range);
    EXPECT_TRUE(std::isfinite(v.Minimum));
    EXPECT_TRUE(std::isfinite(v.Maximum));
    EXPECT_LE(v.Minimum, v.Maximum);
  }
}

// ---------------------------------------------------------------------------------------------

struct PassRun {
  TimeBase tb = Pinned();
  Store s;
  ViewState view;
  ViewControls controls;
  std::unique_ptr<PlotArrays> plot = std::make_unique<PlotArrays>();

  PassRun() {
    controls.SeriesChecked.Fill(true);
    controls.ScaleIndex = 2;  // 1 ms
  }
  RefreshResult Run() { return RefreshPass(tb, *s.store, view, controls, *plot); }
};

TEST(RefreshPass, DrawsAndRescalesOnRequest) {
  PassRun r;
  r.s.Daily(1, kMonthStart - 50, kMonthEnd + 50, [](double e) { return -0.0123 + 0.0072 * (e - kMonthStart) / 28; });
  r.s.Daily(3, kMonthStart - 50, kMonthEnd + 50, [](double e) { return -0.0123 + 0.0072 * (e - kMonthStart) / 28; });
  r.view.RescaleOnChange = true;
  r.controls.TrendIndex = 1;
  r.controls.GridIndex = 2;
  r.controls.SeriesChecked[3] = false;

  RefreshResult result = r.Run();
  EXPECT_EQ(result.Exit, RefreshExit::Drawn);
  EXPECT_EQ(r.view.SelectedParameter, 1);
  EXPECT_TRUE(r.view.TrendShown);
  EXPECT_TRUE(result.SeriesDrawn[1]);
  EXPECT_FALSE(result.SeriesDrawn[3]);  // unchecked
  EXPECT_FALSE(result.SeriesDrawn[2]);  // not loaded
  EXPECT_NEAR(result.Visible.Minimum, -0.0123, 1e-15);
  EXPECT_NEAR(result.Visible.Maximum, -0.0051, 1e-15);
  ASSERT_TRUE(result.Scale);
  EXPECT_NEAR(result.Scale->Minimum, -0.013, 1e-15);
  EXPECT_NEAR(result.Scale->Maximum, -0.005, 1e-15);
  EXPECT_FALSE(r.view.RescaleOnChange || r.view.RescaleOnChoice || r.view.RecomputeRequested || r.view.ShiftBusy);

  // No rescale asked for: the axis stays.
  EXPECT_FALSE(r.Run().Scale);
  // Xp of the same records: no UT scale, no alignment.
  r.controls.ParameterIndex = 2;
  r.view.RescaleOnChoice = true;
  result = r.Run();
  EXPECT_EQ(r.view.SelectedParameter, 3);
  ASSERT_TRUE(result.Scale);
  EXPECT_EQ(result.Scale->Label, "M: 0,010\"");
}

TEST(RefreshPass, EarlyExitsAndWhatTheyClear) {
  PassRun r;
  r.s.Daily(1, kMonthStart, kMonthEnd, [](double) { return 0.1; });
  r.s.Daily(3, kMonthStart, kMonthEnd, [](double) { return 0.1; });
  r.s.Daily(7, kMonthStart - 100, kMonthStart - 50, [](double) { return 0.1; });

  // No series checked: the pending rescale stays for a later pass.
  r.controls.SeriesChecked.Fill(false);
  r.view.RescaleOnChange = r.view.RescaleOnChoice = r.view.ShiftBusy = true;
  RefreshResult result = r.Run();
  EXPECT_EQ(result.Exit, RefreshExit::NoSeries);
  EXPECT_FALSE(r.view.AnySeriesVisible);
  EXPECT_TRUE(r.view.RescaleOnChange && r.view.RescaleOnChoice);
  EXPECT_FALSE(r.view.ShiftBusy || r.view.RecomputeRequested);

  // Only series 7, without points in the window: nothing drawn, the rescale request dropped.
  r.controls.SeriesChecked[7] = true;
  result = r.Run();
  EXPECT_EQ(result.Exit, RefreshExit::NothingDrawn);
  EXPECT_TRUE(r.view.AnySeriesVisible);
  EXPECT_TRUE(r.view.SeriesVisible[7]);
  EXPECT_FALSE(r.view.RescaleOnChange || r.view.RescaleOnChoice);
  EXPECT_FALSE(result.Scale);

  // A month later no series has a point in the window: nothing drawn.
  r.controls.SeriesChecked.Fill(true);
  EXPECT_EQ(r.Run().Exit, RefreshExit::Drawn);
  r.tb = InitTimeBase(EncodeDateTime(2013, 9, 5, 10, 0, 0, 0));
  EXPECT_EQ(r.Run().Exit, RefreshExit::NothingDrawn);
}

TEST(RefreshPass, NoSeriesAfterADrawnPassEmptiesTheCounts) {
  PassRun r;
  r.s.Daily(1, kMonthStart, kMonthEnd, [](double) { return 0.1; });
  r.s.Daily(3, kMonthStart, kMonthEnd, [](double) { return 0.1; });
  ASSERT_EQ(r.Run().Exit, RefreshExit::Drawn);
  ASSERT_EQ(r.plot->PlotCount[1], 29);

  r.controls.SeriesChecked.Fill(false);
  ASSERT_EQ(r.Run().Exit, RefreshExit::NoSeries);
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    SCOPED_TRACE(slot);
    EXPECT_EQ(r.plot->PlotCount[slot], 0);
    EXPECT_TRUE(r.plot->SeriesEmpty[slot]);
  }
}

TEST(RefreshPass, ExtremeValuesStayFinite) {
  constexpr double big = std::numeric_limits<double>::max();
  for (int parameter : {0, 2}) {  // UT1 with alignment; Xp without
    SCOPED_TRACE(parameter);
    PassRun r;
    r.s.Add(1, kMonthStart, big, big, big);
    r.s.Add(1, kMonthStart + 1, -big, -big, -big);
    r.s.Add(3, kMonthStart, -1e300, -1e300, -1e300);
    r.s.Add(3, kMonthStart + 0.001, 1e300, 1e300, 1e300);
    r.s.Add(4, kMonthStart + 20, 1e300, 1e300, 1e300);
    r.controls.ParameterIndex = parameter;
    r.view.RescaleOnChange = true;
    const RefreshResult result = r.Run();
    ASSERT_EQ(result.Exit, RefreshExit::Drawn);
    EXPECT_TRUE(std::isfinite(result.TrendSlope));
    EXPECT_TRUE(std::isfinite(result.Visible.Minimum) && std::isfinite(result.Visible.Maximum));
    ASSERT_TRUE(result.Scale);
    EXPECT_TRUE(std::isfinite(result.Scale->Minimum) && std::isfinite(result.Scale->Maximum));
    for (int slot : {1, 3, 4}) {
      for (double v : Values(*r.plot, slot)) EXPECT_TRUE(std::isfinite(v));
    }
  }
}

}  // namespace
}  // namespace erp
