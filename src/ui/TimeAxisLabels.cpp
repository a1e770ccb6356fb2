#include "ui/TimeAxisLabels.h"

#include "core/DisplayWindow.h"
#include "core/WeekLabels.h"
#include "ui/chart/Chart.h"

namespace erp::ui {

void DrawWeekNumbers(Chart& chart, const TimeAxisView& view) {
  const PixelRect plot = chart.ChartRect();
  const int plotWidth = plot.Right - plot.Left + 1;
  const int y = plot.Bottom + 20;
  if (view.IntervalIndex != IntervalMonth) return;
  ChartCanvas& canvas = chart.Canvas();
  canvas.Font().SetStyle(FontStyles{.Bold = true});
  canvas.Font().SetHeight(20);
  for (const WeekNumberLabel& label : WeekNumbers(plot.Left, plotWidth, view.TimeShiftDays, view.CurrentWeek)) {
    canvas.TextOut(label.X, y, QString::number(label.Week));
  }
}

void InstallTimeAxisLabels(Chart& chart, const std::function<TimeAxisView()>& view) {
  chart.SetOnGetNextAxisLabel([&chart, view](ChartAxis& sender, int, double& labelValue, bool& stop) {
    if (&sender != &chart.BottomAxis()) return;
    const TimeAxisView v = view();
    if (v.IntervalIndex == IntervalYear) return;
    labelValue = NextWeekLabel(WeekLabelStart(v.TimeShiftDays, v.AxisStartMJD, v.DateTimeOffset), labelValue);
    stop = false;
  });
  chart.SetOnBeforeDrawAxes([&chart, view] { DrawWeekNumbers(chart, view()); });
}

}  // namespace erp::ui
