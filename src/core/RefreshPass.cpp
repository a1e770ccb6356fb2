#include "core/RefreshPass.h"

namespace erp {

RefreshResult RefreshPass(TimeBase& timeBase, const ObservationStore& store, ViewState& view,
                          const ViewControls& controls, PlotArrays& plot) {
  RefreshResult result;

  view.SelectedParameter = controls.ParameterIndex + 1;
  view.TrendShown = controls.TrendIndex == 1;
  result.Window = ComputeDisplayWindow(timeBase, controls.IntervalIndex, view.TimeShiftDays);

  view.AnySeriesVisible = false;
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    view.SeriesVisible[slot] = controls.SeriesChecked[slot];
    if (controls.SeriesChecked[slot]) view.AnySeriesVisible = true;
  }
  if (!view.AnySeriesVisible) {
    result.Exit = RefreshExit::NoSeries;
    // Nothing is extracted: the counts of an earlier pass would otherwise stay in the arrays.
    plot.PlotCount.Fill(0);
    plot.SeriesEmpty.Fill(true);
    view.ShiftBusy = false;
    view.RecomputeRequested = false;
    return result;
  }

  result.Exit = RefreshExit::NothingDrawn;
  // Only UT1, UT1R, Xp and Yp are plotted; any other parameter draws nothing.
  const int parameter = view.SelectedParameter;
  const bool plottable = parameter >= StoreParameter::UT1 && parameter <= StoreParameter::Yp;
  if (plottable) {
    ExtractSeries(store, parameter, result.Window, plot);
    result.TrendSlope = RemoveTrend(plot, view.TrendShown);
    // Differences: the same line is removed from every series or none, so the trend leaves them as
    // they are.
    if (controls.Differences) result.ReferenceWithoutPoints = !TakeDifferences(plot, parameter, *controls.Differences);
    if (const std::optional<ValueRange> range = DrawnValueRange(plot, view.SeriesVisible)) {
      result.Exit = RefreshExit::Drawn;
      result.Visible = *range;
      for (int slot = 1; slot <= SeriesCount; ++slot) {
        result.SeriesDrawn[slot] = view.SeriesVisible[slot] && !plot.SeriesEmpty[slot];
      }
      if (view.RescaleOnChange || view.RescaleOnChoice) {
        result.Scale = ComputeVerticalScale(parameter, controls.ScaleIndex, controls.GridIndex, *range,
                                            controls.Differences.has_value());
      }
    }
  }

  view.RescaleOnChoice = false;
  view.RescaleOnChange = false;
  view.ShiftBusy = false;
  view.RecomputeRequested = false;
  return result;
}

}  // namespace erp
