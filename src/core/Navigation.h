// The navigation buttons without their widgets: which buttons are held, the week-step state of the
// time buttons (Timer2) and the pan and zoom steps of the value axis (Timer1). The window turns
// presses, releases and timer ticks into calls here and applies the results to the chart.
#pragma once

#include <array>
#include <optional>

#include "core/ViewState.h"

namespace erp {

// Tags of the navigation buttons.
constexpr int ButtonBack = 1;     // window 7 days earlier, repeating
constexpr int ButtonForward = 2;  // window 7 days later, repeating
constexpr int ButtonPanUp = 3;    // value range down by 4 % per tick: the curves rise
constexpr int ButtonPanDown = 4;  // value range up by 4 % per tick: the curves sink
constexpr int ButtonStretch = 5;  // each end of the value range in by 1.5 % per tick
constexpr int ButtonCompress = 6; // each end of the value range out by 1.5 % per tick

// Timer2 intervals (milliseconds): the first step of a held time button, then its repeats.
constexpr int WeekStepFirstInterval = 210;
constexpr int WeekStepRepeatInterval = 70;
constexpr double WeekStepDays = 7.0;

struct NavigationState {
  std::array<bool, 7> ButtonHeld{};  // [1..6]: that button is held with the left mouse button
  bool ShiftReleased = false;        // the time button was let go
  bool ShiftFast = false;            // the week step is repeating (Timer2 at 70 ms)
};

// A mouse button went down on navigation button `tag` (1..6). The left button holds it; a press of
// a time button with any mouse button clears ShiftReleased.
void ButtonDown(NavigationState& nav, int tag, bool leftButton);

// A mouse button came up on navigation button `tag` (1..6); only the left button counts. A value
// button is let go at once; a time button only marks the release, Timer2 lets it go.
void ButtonUp(NavigationState& nav, int tag, bool leftButton);

// What one Timer2 tick asks of the window.
struct WeekTick {
  std::optional<int> Interval;       // Timer2's interval from now on (ms), when the tick sets one
  bool LeftAxisManual = false;       // the value axis's automatic range goes off
  std::optional<double> AxisShift;   // the time axis moves by this many days from its range as it
                                     // was at the start of the tick
};

// One Timer2 tick. Nothing happens while ShiftBusy (a step waits for its refresh pass). A held
// back button stops, without a step, once the window would start at or before `baseMJD`, the day
// origin of the store: TimeShiftDays - 7 + axisStartMJD <= baseMJD. A step moves TimeShiftDays by
// 7 days, requests a refresh pass (rescaled by choice: RescaleOnChange = !choiseChecked) and sets
// ShiftBusy. Forward steps have no limit here: the refresh pass clamps the window.
//   nav           the held buttons and the repeat state
//   view          TimeShiftDays, the request flags and ShiftBusy
//   axisStartMJD  Monday that starts the unshifted window (MJD)
//   baseMJD       day origin of the store (MJD)
//   choiseChecked "Выбрать:" is checked
WeekTick Timer2Tick(NavigationState& nav, ViewState& view, double axisStartMJD, double baseMJD, bool choiseChecked);

// A new value-axis range after one Timer1 tick of value button `tag` (3..6), from the range
// minimum..maximum. Set the maximum first, then the minimum: neither order of the ends is then
// refused. Stretch and compress also check "Выбрать:".
struct ValueAxisStep {
  double Minimum = 0.0;
  double Maximum = 0.0;
  bool ChecksChoise = false;
};
std::optional<ValueAxisStep> ValueAxisStepOf(int tag, double minimum, double maximum);

}  // namespace erp
