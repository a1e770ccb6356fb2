// Preparing the chart before anything is loaded, shared by the main window and the batch export:
// the time axis's first range and format, and the look of each series from its row of series.ini.
#pragma once

#include "core/SeriesConfig.h"
#include "core/TimeBase.h"
#include "ui/chart/Chart.h"

namespace erp::ui {

// The axes as start-up leaves them: the time axis explicit, labelled, multi-line, a label every
// 7 days with 6 minor ticks, the four weeks ending with the current week (AxisStartMJD ..
// AxisEndMJD + DateTimeOffset), format "mmm/dd yyyy"; the value axis explicit.
void SetUpChartAxes(Chart& chart, const TimeBase& timeBase);

// Gives `series` the colour, marker and line that `row` asks for (see LookOfSeries) and its title
// (CP1251 in the row, converted for display).
void ApplySeriesLook(ChartSeries& series, const SeriesConfig& row);

}  // namespace erp::ui
