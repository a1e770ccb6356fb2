// What a refresh pass decided, moved into the chart: the window and the points for any caller of
// the refresh pass (the main window, or a run without a window).
#pragma once

#include "core/PlotArrays.h"
#include "core/RefreshPass.h"
#include "ui/chart/Chart.h"

namespace erp::ui {

// Puts the result of one refresh pass on `chart` (chart x = MJD + dateTimeOffset):
//   1. the time axis gets the window's increment, minor tick count and range;
//   2. all fifteen series are emptied; after the no-series exit the time axis's automatic range is
//      switched off, so that the empty chart is drawn over the window;
//   3. after a pass that drew, the points of the drawn slots go to their series, in the series'
//      colours, and when the pass rescaled, the value axis gets the scale's increment and range.
void ShowRefreshOnChart(Chart& chart, const RefreshResult& result, const PlotArrays& plot, double dateTimeOffset);

}  // namespace erp::ui
