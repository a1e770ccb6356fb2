// Where the month view puts its date labels and week numbers, and the texts of the readouts under
// the chart: the value-axis step in milliseconds and the crosshair's MJD and value.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace erp {

// Chart x (date-time days) of the first week boundary at or after the shifted window start:
// 7 Ceil(timeShiftDays / 7) + axisStartMJD + dateTimeOffset. With whole-week shifts this is the
// window start itself.
double WeekLabelStart(double timeShiftDays, double axisStartMJD, double dateTimeOffset);

// The next date label of the month view after `labelValue` (chart x): WeekLabelStart when that
// lies beyond it, else 7 days on.
double NextWeekLabel(double weekLabelStart, double labelValue);

// One week number drawn under the plot: its text's left edge (chart pixels) and the week.
struct WeekNumberLabel {
  int X = 0;
  std::int32_t Week = 0;
};

// The five week numbers of the month view, for i = -1..3: week CurrentWeek - 3 + i +
// Trunc(timeShiftDays / 7) at X = (plotWidth div 8)(2i + 1) + plotLeft - 10 - Shift, Shift =
// Round(Frac(timeShiftDays / 7) 7 plotWidth / 28) the pixels of a part-week shift (halves to
// even). i = 0..3 are the four weeks of the plot, i = -1 the week before it, left of the plot.
//   plotLeft, plotWidth  the plot's left edge and its width counted with both edge pixels
std::array<WeekNumberLabel, 5> WeekNumbers(int plotLeft, int plotWidth, double timeShiftDays, std::int32_t currentWeek);

// The value-axis step as the scale readout shows it: "M: " + Trunc(A) + "." + Trunc(B) + " мс"
// with A = Frac(increment) 1000 and B = Frac(A) 100 (UTF-8). Only the fractional part of the step
// counts, so a step of a whole unit shows "M: 0.0 мс".
std::string ScaleReadout(double increment);

// The scale readout of the differences view, whose values are in ms (UT1, UT1R) or mas (Xp, Yp)
// already: "M: 0.025 мс", "M: 0.250 мсд" (three decimals). `parameter` is StoreParameter 1..4.
std::string DifferenceScaleReadout(double increment, int parameter);

// A readout number: fixed point with `decimals` decimals and "." as decimal point, rounded to at
// most 8 significant digits first (the further decimals are then zeros), "-" before negatives.
std::string ReadoutNumber(double value, int decimals);

}  // namespace erp
