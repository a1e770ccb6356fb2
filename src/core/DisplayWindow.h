// The display window: the run of whole Monday-aligned weeks that the chart shows, and the time
// axis's tick spacing for it.
#pragma once

#include <cstdint>

#include "core/TimeBase.h"

namespace erp {

// Items of the interval choice.
constexpr int IntervalMonth = 0;  // four weeks ending with the current week
constexpr int IntervalYear = 1;   // fifty-two weeks ending with the current week

// What a refresh pass decided about time. Chart x values are these MJDs + DateTimeOffset.
struct DisplayWindow {
  double WindowStartMJD = 0.0;  // first epoch shown, after the shift (MJD)
  double WindowEndMJD = 0.0;    // last epoch shown, after the shift (MJD)
  double Increment = 7.0;       // desired step between time-axis labels (days)
  std::int32_t MinorTickCount = 6;  // minor ticks between two time-axis labels
};

// The window for interval item `interval` (IntervalMonth or IntervalYear; anything else counts as
// the month) and the operator's shift `timeShiftDays` (days, a whole number of weeks).
//
// Sets timeBase.FirstWeek (CurrentWeek - 3 or - 51), AxisStartMJD = 42768 + 7 FirstWeek and
// AxisEndMJD = 42775 + 7 CurrentWeek (both in 32-bit integers), then moves both ends by the shift.
// Notes:
//   1. The shifted window may not start at or before BaseMJD, the store's day origin: it is then
//      moved to the earliest grid Monday after BaseMJD (k = floor((AxisStart - Base) / 7) weeks
//      before AxisStart), and timeShiftDays becomes -7k. A start exactly at BaseMJD is moved too.
//   2. It may not end later than AxisEndMJD + 21 days: it is then moved to end there, and
//      timeShiftDays becomes 21. An end exactly at AxisEndMJD + 21 stays.
//   3. The time axis is set from the result as: maximum far out of the way, minimum, maximum.
DisplayWindow ComputeDisplayWindow(TimeBase& timeBase, int interval, double& timeShiftDays);

}  // namespace erp
