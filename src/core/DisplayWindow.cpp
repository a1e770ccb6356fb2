#include "core/DisplayWindow.h"

#include <cmath>

namespace erp {

namespace {

struct IntervalRow {
  std::int32_t WeeksBeforeCurrent;  // FirstWeek = CurrentWeek - this
  double Increment;                 // time-axis label step (days)
  std::int32_t MinorTickCount;
};

constexpr IntervalRow kMonth{3, 7.0, 6};
constexpr IntervalRow kYear{51, 30.0, 3};
constexpr double kForwardLimitDays = 21.0;  // the window may end three weeks after AxisEndMJD

}  // namespace

DisplayWindow ComputeDisplayWindow(TimeBase& timeBase, int interval, double& timeShiftDays) {
  const IntervalRow& row = interval == IntervalYear ? kYear : kMonth;
  DisplayWindow window;
  window.Increment = row.Increment;
  window.MinorTickCount = row.MinorTickCount;

  timeBase.FirstWeek = timeBase.CurrentWeek - row.WeeksBeforeCurrent;
  timeBase.AxisStartMJD = WeekStartMJD(timeBase.FirstWeek);
  timeBase.AxisEndMJD = static_cast<double>(WeekEpochMJD + 7 + 7 * timeBase.CurrentWeek);
  const double axisStart = timeBase.AxisStartMJD;
  const double axisEnd = timeBase.AxisEndMJD;

  window.WindowStartMJD = axisStart + timeShiftDays;
  window.WindowEndMJD = axisEnd + timeShiftDays;

  if (!(window.WindowStartMJD > timeBase.BaseMJD)) {
    const double k = std::floor((axisStart - timeBase.BaseMJD) / 7.0);
    window.WindowStartMJD = axisStart - 7.0 * k;
    window.WindowEndMJD = axisEnd - axisStart + window.WindowStartMJD;
    timeShiftDays = window.WindowStartMJD - axisStart;
  }
  if (!(axisEnd + kForwardLimitDays >= window.WindowEndMJD)) {
    window.WindowEndMJD = axisEnd + kForwardLimitDays;
    window.WindowStartMJD = window.WindowEndMJD - (axisEnd - axisStart);
    timeShiftDays = window.WindowEndMJD - axisEnd;
  }
  return window;
}

}  // namespace erp
