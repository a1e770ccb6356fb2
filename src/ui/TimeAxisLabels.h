// The time axis of the month view: date labels on the Mondays and the week number under each
// week. The handlers read the view at every drawing and keep no state, so any chart can carry
// them, with or without the main window.
#pragma once

#include <cstdint>
#include <functional>

namespace erp::ui {

class Chart;

// What the labels read from the view at a drawing.
struct TimeAxisView {
  int IntervalIndex = 0;        // 0 month: custom labels and week numbers; 1 year: the chart's own
  double TimeShiftDays = 0.0;   // the operator's shift (days)
  double AxisStartMJD = 0.0;    // Monday that starts the unshifted window (MJD)
  double DateTimeOffset = 0.0;  // chart x = MJD + DateTimeOffset (days)
  std::int32_t CurrentWeek = 0; // week of the reference day (weeks from the week epoch)
};

// Installs on `chart` the next-label handler (month view, bottom axis: labels from WeekLabelStart
// every 7 days) and the before-draw-axes handler (month view: the five week numbers, bold, 20
// pixels high, 20 pixels under the plot, drawn under the axes). `view` is asked at every drawing.
void InstallTimeAxisLabels(Chart& chart, const std::function<TimeAxisView()>& view);

// The before-draw-axes part alone: the week numbers of `view` on the canvas of `chart`.
void DrawWeekNumbers(Chart& chart, const TimeAxisView& view);

}  // namespace erp::ui
