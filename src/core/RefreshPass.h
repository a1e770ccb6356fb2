// One refresh pass: from the view controls and the observation store to what the chart shows.
#pragma once

#include <optional>

#include "core/Differences.h"
#include "core/DisplayWindow.h"
#include "core/ObservationStore.h"
#include "core/PlotArrays.h"
#include "core/PlotPipeline.h"
#include "core/SeriesConfig.h"
#include "core/SlotArray.h"
#include "core/TimeBase.h"
#include "core/ViewState.h"

namespace erp {

// The main window's controls as a refresh pass reads them.
struct ViewControls {
  int ParameterIndex = 0;  // RadioGroupPVZ: 0 UT1, 1 UT1R, 2 Xp, 3 Yp
  int IntervalIndex = 0;   // RadioGroupInterval: 0 month, 1 year
  int TrendIndex = 0;      // RadioGroupTrend: 0 trend removed, 1 trend shown
  SlotArray<bool, SeriesCount> SeriesChecked{};  // the series checkbox whose Tag is the slot
  int ScaleIndex = 0;      // ComboBoxScaleY item, -1 when none is selected
  int GridIndex = 0;       // ComboBoxGrid item, -1 when its text matches no item
  // The differences view: every series minus the reference (see TakeDifferences); raw values
  // when empty.
  std::optional<DifferenceOptions> Differences;
};

// How a pass ended.
enum class RefreshExit {
  Drawn,         // the points of the drawn slots go to the chart
  NoSeries,      // no series checkbox checked: the chart is emptied and drawn over the window
  NothingDrawn,  // no checked slot with points in the window: the chart is emptied
};

struct RefreshResult {
  RefreshExit Exit = RefreshExit::NoSeries;
  bool ReferenceWithoutPoints = false;  // differences view: the reference has no point in the window
  DisplayWindow Window;             // the time axis's range and spacing (every pass)
  SlotArray<bool, SeriesCount> SeriesDrawn{};  // slots whose points go to the chart (Drawn only)
  double TrendSlope = 0.0;          // slope of series 3 (units per day); 0 when undefined
  ValueRange Visible;               // least and greatest value drawn (Drawn only)
  std::optional<VerticalScale> Scale;  // the value axis, when this pass rescaled
};

// Runs one refresh pass:
//   1. the display window (SelectedParameter = ParameterIndex + 1, TrendShown = TrendIndex == 1,
//      FirstWeek, AxisStartMJD, AxisEndMJD, the clamped TimeShiftDays);
//   2. SeriesVisible and AnySeriesVisible from the checkboxes; none checked: the no-series exit,
//      which empties the plot arrays' counts (PlotCount 0, SeriesEmpty true) and clears only
//      ShiftBusy and RecomputeRequested, so a pending rescale stays;
//   3. extraction with alignment, 4. trend removal, 5. the drawn slots and their value range;
//   6. when RescaleOnChange or RescaleOnChoice is set and something is drawn: the vertical scale;
//   7. at the end, also of the nothing-drawn exit: both rescale flags, ShiftBusy and
//      RecomputeRequested cleared.
// The plot arrays keep the points; the caller moves the result into the chart. Allocates nothing.
RefreshResult RefreshPass(TimeBase& timeBase, const ObservationStore& store, ViewState& view,
                          const ViewControls& controls, PlotArrays& plot);

}  // namespace erp
