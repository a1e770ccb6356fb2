// The steps of a refresh pass between the display window and the chart: extraction of the chosen
// parameter, whole-second alignment of the UT series, removal of the trend of series 3, the range
// of the drawn values and the vertical scale set from it. Plain functions on the plot arrays.
#pragma once

#include <optional>
#include <string_view>

#include "core/DisplayWindow.h"
#include "core/ObservationStore.h"
#include "core/PlotArrays.h"
#include "core/SeriesConfig.h"
#include "core/SlotArray.h"

namespace erp {

// The reference series: series 1 for the whole second, series 3 for the trend.
constexpr int AlignmentReferenceSlot = 1;
constexpr int TrendReferenceSlot = 3;

// True for the parameters drawn in seconds of UT (StoreParameter UT1 and UT1R), which take the
// UT scales and the whole-second alignment; Xp and Yp take neither.
constexpr bool IsUtParameter(int parameter) {
  return parameter == StoreParameter::UT1 || parameter == StoreParameter::UT1R;
}

// Fills the plot arrays with parameter `parameter` (StoreParameter 1..4) of every loaded slot, in
// slot order, from the epochs in [window.WindowStartMJD, window.WindowEndMJD] (both ends included):
//   1. PlotCount[i] = 0 and SeriesEmpty[i] = true for every slot first;
//   2. a slot's rows are scanned from row 1 and the scan stops at the first row whose epoch is
//      MissingValue (end of the slot) or later than the window; rows before the window, and rows
//      whose value is MissingValue, are passed over;
//   3. a slot with points gets SeriesEmpty false and, for a UT parameter and slot >= 2,
//      AlignWholeSeconds.
// Series 1 and series 3 without a point in the window (a series that ends before the window, a
// file of older records) take no other series with them: every series with points is drawn.
// Without points of series 1 the whole-second alignment to it is left out (each series keeps its
// own whole seconds, its leap-second steps still taken out), and without two points of series 3
// no trend is removed (TrendSlope).
void ExtractSeries(const ObservationStore& store, int parameter, const DisplayWindow& window, PlotArrays& plot);

// Puts slot `slot` (>= 2, with points) on the whole second of series 1 and takes out whole-second
// steps. round() is to the nearest whole number, halves to even.
//   1. When `toSeries1`: its first value is lowered by k = round(value - PlotValue(1, 1)),
//      series 1's first value of this pass (0 while series 1 has never been loaded), whatever
//      the two epochs are.
//   2. Each later value is lowered by round(value - previous value as corrected), so one leap
//      second lowers every later point by a second and the curve stays continuous.
// Whole-second counts stay doubles. Where a difference is too large for a double (values near the
// ends of the double range), the value becomes the one it is compared with: at that size every
// double is a whole number of seconds, so that is what the subtraction would give.
void AlignWholeSeconds(PlotArrays& plot, int slot, bool toSeries1 = true);

// The slope (parameter units per day) of the line through the first and last point of series 3, or
// nothing when it is not defined: series 3 without points, with one point or with its first and
// last points at one epoch, or a slope beyond the double range.
std::optional<double> TrendSlope(const PlotArrays& plot);

// When the trend is removed (trendShown false) and the slope is defined: every slot with points,
// drawn or not, is lowered by slope x (epoch - first epoch of series 3). Returns the slope used
// (0 when none). A corrected value beyond the double range is held at the largest finite value of
// its sign, so that the range and the scale computed from the values stay finite.
double RemoveTrend(PlotArrays& plot, bool trendShown);

// Least and greatest value of the points of the drawn slots: those with seriesVisible[i] true and
// SeriesEmpty[i] false. Nothing when no slot is drawn (the nothing-drawn exit).
struct ValueRange {
  double Minimum = 0.0;
  double Maximum = 0.0;
};
std::optional<ValueRange> DrawnValueRange(const PlotArrays& plot, const SlotArray<bool, SeriesCount>& seriesVisible);

// The value axis set by a rescale.
struct VerticalScale {
  double Increment = 0.0;    // one grid step (seconds or arcseconds)
  std::string_view Label;    // the scale's label, UTF-8 ("M: 1 мс")
  double Minimum = 0.0;      // mid - h x Increment
  double Maximum = 0.0;      // mid + h x Increment
};

// The value axis for the drawn values `range`, the scale item `scaleIndex` of the parameter's
// family (UT: seconds; Xp, Yp: arcseconds) and the grid item `gridIndex` (-1 when the typed grid
// text matches no item):
//   mid = round(((min + max) x 0.5) / inc) x inc, the middle of the values on the nearest grid
//   line (halves to even); h = gridIndex + 2 steps above and below it.
// A scale index outside 0..4 scales as index 0. The middle is formed as min/2 + max/2 (the same
// number wherever min + max does not overflow) and left unsnapped where the quotient by the step
// would overflow, so that the axis stays finite for any finite values.
// `differences`: the values are differences from a reference, and the steps are the differences
// view's (DifferenceScaleIncrementsUT, ...XY).
VerticalScale ComputeVerticalScale(int parameter, int scaleIndex, int gridIndex, ValueRange range,
                                   bool differences = false);

}  // namespace erp
