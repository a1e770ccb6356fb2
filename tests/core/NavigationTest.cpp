// The week step of the time buttons driven tick by tick, with the refresh pass's part in it (the
// display window and the cleared ShiftBusy), and the value-axis steps of the other buttons.
#include "core/Navigation.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "core/DisplayWindow.h"
#include "core/TimeBase.h"

namespace erp {
namespace {

// A time button, its Timer2 and the refresh passes that follow its steps.
struct Stepper {
  TimeBase timeBase = InitTimeBase(EncodeDateTime(2013, 8, 5, 10, 0, 0, 0));  // Monday: CurrentWeek 1962
  NavigationState nav;
  ViewState view;
  int interval = IntervalMonth;
  int steps = 0;

  Stepper() { RefreshPass(); }

  // One Timer2 tick: the interval it sets (nullopt: none) and whether it stepped.
  std::optional<int> Tick() {
    const double before = view.TimeShiftDays;
    const WeekTick tick = Timer2Tick(nav, view, timeBase.AxisStartMJD, timeBase.BaseMJD, true);
    if (view.TimeShiftDays != before) ++steps;
    return tick.Interval;
  }
  // The part of a refresh pass that the week steps depend on.
  void RefreshPass() {
    ComputeDisplayWindow(timeBase, interval, view.TimeShiftDays);
    view.ShiftBusy = false;
    view.RecomputeRequested = false;
  }
};

TEST(Timer2Tick, ClickShorterThanATickMakesOneStep) {
  Stepper s;
  ButtonDown(s.nav, ButtonBack, true);
  ButtonUp(s.nav, ButtonBack, true);
  EXPECT_EQ(s.Tick(), WeekStepFirstInterval);
  EXPECT_EQ(s.view.TimeShiftDays, -7.0);
  EXPECT_TRUE(s.view.ShiftBusy && s.view.RecomputeRequested && s.view.RescaleOnChoice);
  EXPECT_FALSE(s.view.RescaleOnChange);  // "Выбрать:" checked
  EXPECT_FALSE(s.nav.ButtonHeld[ButtonBack] || s.nav.ShiftFast);
  EXPECT_EQ(s.Tick(), std::nullopt);  // busy until the refresh pass
  s.RefreshPass();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(s.Tick(), WeekStepFirstInterval);
  EXPECT_EQ(s.steps, 1);
}

TEST(Timer2Tick, HoldRepeatsOncePerRefreshPassThenStops) {
  Stepper s;
  ButtonDown(s.nav, ButtonForward, true);
  // Each row: refresh pass before the tick, the interval the tick sets, steps made so far.
  struct Row {
    bool refreshFirst;
    std::optional<int> interval;
    int steps;
  };
  const Row rows[] = {
      {false, WeekStepFirstInterval, 1},   // first step at the first tick after the press
      {false, std::nullopt, 1},            // busy: waits for the refresh pass
      {true, WeekStepRepeatInterval, 2},   // then repeats every 70 ms
      {false, std::nullopt, 2},
      {false, std::nullopt, 2},
      {true, WeekStepRepeatInterval, 3},
  };
  for (const Row& row : rows) {
    if (row.refreshFirst) s.RefreshPass();
    EXPECT_EQ(s.Tick(), row.interval);
    EXPECT_EQ(s.steps, row.steps);
  }
  ButtonUp(s.nav, ButtonForward, true);
  s.RefreshPass();
  EXPECT_EQ(s.Tick(), WeekStepFirstInterval);  // the release ends the repeat without a step
  EXPECT_EQ(s.steps, 3);
  EXPECT_FALSE(s.nav.ButtonHeld[ButtonForward] || s.nav.ShiftFast || s.nav.ShiftReleased);
  EXPECT_EQ(s.view.TimeShiftDays, 21.0);
  for (int i = 0; i < 3; ++i) s.Tick();
  EXPECT_EQ(s.steps, 3);
}

TEST(Timer2Tick, RightButtonStartsNothing) {
  Stepper s;
  s.nav.ShiftReleased = true;
  ButtonDown(s.nav, ButtonBack, false);
  EXPECT_FALSE(s.nav.ShiftReleased);
  ButtonDown(s.nav, ButtonStretch, false);
  ButtonUp(s.nav, ButtonBack, false);
  for (int i = 0; i < 3; ++i) s.Tick();
  EXPECT_EQ(s.steps, 0);
  EXPECT_EQ(s.nav.ButtonHeld, (std::array<bool, 7>{}));
}

// Holding the back button from no shift steps until the window would start at or before BaseMJD;
// the refresh pass never has to correct a step.
TEST(Timer2Tick, BackLimitAtTheStoreOrigin) {
  struct Case {
    const char* name;
    int day;  // August 2013, 10:00
    int interval;
    int steps;
  };
  const Case cases[] = {
      {"Wednesday start, month", 7, IntervalMonth, 103},
      {"Wednesday start, year", 7, IntervalYear, 55},
      {"Tuesday start (reference day a Monday), month", 6, IntervalMonth, 104},
      {"Tuesday start (reference day a Monday), year", 6, IntervalYear, 56},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Stepper s;
    s.timeBase = InitTimeBase(EncodeDateTime(2013, 8, c.day, 10, 0, 0, 0));
    s.interval = c.interval;
    s.RefreshPass();
    ButtonDown(s.nav, ButtonBack, true);
    for (int tick = 0; tick < 1000 && s.nav.ButtonHeld[ButtonBack]; ++tick) {
      s.Tick();
      const double shift = s.view.TimeShiftDays;
      if (s.view.ShiftBusy) s.RefreshPass();
      ASSERT_EQ(s.view.TimeShiftDays, shift);
    }
    EXPECT_EQ(s.steps, c.steps);
    EXPECT_EQ(s.view.TimeShiftDays, -7.0 * c.steps);
    EXPECT_GT(s.timeBase.AxisStartMJD + s.view.TimeShiftDays, s.timeBase.BaseMJD);
    // Held out at the limit: repeating ticks without a step until the release stops the repeat.
    EXPECT_EQ(s.Tick(), WeekStepRepeatInterval);
    ButtonUp(s.nav, ButtonBack, true);
    EXPECT_EQ(s.Tick(), WeekStepFirstInterval);
    EXPECT_FALSE(s.nav.ShiftFast);
    // Pressed again at the limit: no step, and the button stops acting.
    ButtonDown(s.nav, ButtonBack, true);
    s.Tick();
    EXPECT_EQ(s.steps, c.steps);
    EXPECT_FALSE(s.nav.ButtonHeld[ButtonBack]);
  }
}

TEST(ValueAxisStepOf, PanKeepsTheSizeStretchAndCompressScaleIt) {
  struct Case {
    int tag;
    double minimum, maximum;
    bool checksChoise;
  };
  const Case cases[] = {
      {ButtonPanUp, -0.04, 0.96, false},
      {ButtonPanDown, 0.04, 1.04, false},
      {ButtonStretch, 0.015, 0.985, true},
      {ButtonCompress, -0.015, 1.015, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    const std::optional<ValueAxisStep> step = ValueAxisStepOf(c.tag, 0.0, 1.0);
    ASSERT_TRUE(step);
    EXPECT_DOUBLE_EQ(step->Minimum, c.minimum);
    EXPECT_DOUBLE_EQ(step->Maximum, c.maximum);
    EXPECT_EQ(step->ChecksChoise, c.checksChoise);
  }
  EXPECT_FALSE(ValueAxisStepOf(ButtonBack, 0.0, 1.0));
}

TEST(ButtonUp, ValueButtonsFollowTheLeftButtonOnly) {
  NavigationState nav;
  ButtonDown(nav, ButtonPanUp, true);
  ButtonUp(nav, ButtonPanUp, false);
  EXPECT_TRUE(nav.ButtonHeld[ButtonPanUp]);
  ButtonUp(nav, ButtonPanUp, true);
  EXPECT_FALSE(nav.ButtonHeld[ButtonPanUp]);
}

}  // namespace
}  // namespace erp
