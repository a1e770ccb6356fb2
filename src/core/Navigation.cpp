#include "core/Navigation.h"

namespace erp {

namespace {

bool IsNavigationTag(int tag) { return tag >= ButtonBack && tag <= ButtonCompress; }

}  // namespace

void ButtonDown(NavigationState& nav, int tag, bool leftButton) {
  if (!IsNavigationTag(tag)) return;
  if (leftButton) nav.ButtonHeld[static_cast<std::size_t>(tag)] = true;
  if (tag <= ButtonForward) nav.ShiftReleased = false;
}

void ButtonUp(NavigationState& nav, int tag, bool leftButton) {
  if (!IsNavigationTag(tag) || !leftButton) return;
  if (tag > ButtonForward) {
    nav.ButtonHeld[static_cast<std::size_t>(tag)] = false;
  } else {
    nav.ShiftReleased = true;
  }
}

WeekTick Timer2Tick(NavigationState& nav, ViewState& view, double axisStartMJD, double baseMJD, bool choiseChecked) {
  WeekTick tick;
  if (view.ShiftBusy) return tick;
  tick.Interval = nav.ShiftFast ? WeekStepRepeatInterval : WeekStepFirstInterval;
  if (nav.ShiftFast && nav.ShiftReleased) {
    // The repeat ends: the next press starts again with the slower first step.
    nav.ShiftFast = false;
    nav.ShiftReleased = false;
    tick.Interval = WeekStepFirstInterval;
    nav.ButtonHeld[ButtonBack] = false;
    nav.ButtonHeld[ButtonForward] = false;
    return tick;
  }
  tick.LeftAxisManual = true;
  for (int t = ButtonBack; t <= ButtonForward; ++t) {
    if (!nav.ButtonHeld[static_cast<std::size_t>(t)]) continue;
    const double step = t == ButtonBack ? -WeekStepDays : WeekStepDays;
    if (t == ButtonBack && !(view.TimeShiftDays - WeekStepDays + axisStartMJD > baseMJD)) {
      // The window would reach day 0 of the store: the button stops acting until pressed again.
      nav.ButtonHeld[ButtonBack] = false;
      return tick;
    }
    tick.AxisShift = step;
    view.TimeShiftDays += step;
    view.RescaleOnChoice = true;
    view.RescaleOnChange = !choiseChecked;
    view.RecomputeRequested = true;
    view.ShiftBusy = true;
    if (nav.ShiftReleased) {
      nav.ButtonHeld[static_cast<std::size_t>(t)] = false;
      nav.ShiftFast = false;
    } else {
      nav.ShiftFast = true;
    }
  }
  return tick;
}

std::optional<ValueAxisStep> ValueAxisStepOf(int tag, double minimum, double maximum) {
  const double span = maximum - minimum;
  switch (tag) {
    case ButtonPanUp: {
      const double d = span * 0.04;
      return ValueAxisStep{minimum - d, maximum - d, false};
    }
    case ButtonPanDown: {
      const double d = span * 0.04;
      return ValueAxisStep{minimum + d, maximum + d, false};
    }
    case ButtonStretch: {
      const double d = span * 0.015;
      return ValueAxisStep{minimum + d, maximum - d, true};
    }
    case ButtonCompress: {
      const double d = span * 0.015;
      return ValueAxisStep{minimum - d, maximum + d, true};
    }
    default: return std::nullopt;
  }
}

}  // namespace erp
