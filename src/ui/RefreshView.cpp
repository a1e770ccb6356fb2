#include "ui/RefreshView.h"

#include "ui/AxisRange.h"

namespace erp::ui {

void ShowRefreshOnChart(Chart& chart, const RefreshResult& result, const PlotArrays& plot, double dateTimeOffset) {
  ChartAxis& bottom = chart.BottomAxis();
  bottom.SetIncrement(result.Window.Increment);
  bottom.SetMinorTickCount(result.Window.MinorTickCount);
  SetAxisRange(bottom, BottomAxisFarMaximum, result.Window.WindowStartMJD + dateTimeOffset,
               result.Window.WindowEndMJD + dateTimeOffset);

  for (int slot = 1; slot <= SeriesCount; ++slot) chart.SeriesList(slot - 1).Clear();
  if (result.Exit == RefreshExit::NoSeries) {
    bottom.SetAutomatic(false);
    return;
  }
  if (result.Exit != RefreshExit::Drawn) return;

  for (int slot = 1; slot <= SeriesCount; ++slot) {
    if (!result.SeriesDrawn[slot]) continue;
    ChartSeries& series = chart.SeriesList(slot - 1);
    const QColor color = series.SeriesColor();
    for (int n = 1; n <= plot.PlotCount[slot]; ++n) {
      series.AddXY(plot.PlotMJD(n, slot) + dateTimeOffset, plot.PlotValue(n, slot), QString(), color);
    }
  }
  if (result.Scale) {
    ChartAxis& left = chart.LeftAxis();
    left.SetIncrement(result.Scale->Increment);
    SetAxisRange(left, LeftAxisFarMaximum, result.Scale->Minimum, result.Scale->Maximum);
  }
}

}  // namespace erp::ui
