// Moving a chart axis to a new range in the order the chart accepts whatever the old range was.
#pragma once

#include <algorithm>

#include "ui/chart/Chart.h"

namespace erp::ui {

// Far maxima that lift an axis's maximum out of the way before its minimum is set.
constexpr double BottomAxisFarMaximum = 1000000.0;  // date-time days: the year 4637
constexpr double LeftAxisFarMaximum = 10000000.0;   // seconds or arcseconds

// Sets `axis` to minimum..maximum (minimum <= maximum): the maximum first goes to `farMaximum` (or
// higher, where the axis's present minimum or the new minimum lies above it, so that no step is
// refused), then the minimum is set, then the maximum. The chart refuses a minimum above its
// maximum and a maximum below its minimum; in this order neither can happen.
inline void SetAxisRange(ChartAxis& axis, double farMaximum, double minimum, double maximum) {
  axis.SetMaximum(std::max({farMaximum, axis.Minimum(), minimum}));
  axis.SetMinimum(minimum);
  axis.SetMaximum(maximum);
}

}  // namespace erp::ui
