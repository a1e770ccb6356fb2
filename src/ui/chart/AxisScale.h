// Axis arithmetic of the chart layer, free of any widget: label steps and their enlargement,
// default label positions, minor ticks, and the label texts (numbers and dates).
#pragma once

#include <QLocale>
#include <QString>

#include <vector>

namespace erp::ui {

// Days of one month and one year in the step ladder of a date-time axis (days).
constexpr double DaysPerMonth = 30.4375;
constexpr double DaysPerYear = 365.25;
// Longest axis that labels are generated for: more labels than this are never made.
constexpr int MaxAxisLabels = 1000;

// The next larger step of a numeric axis: 1, 2, 5 times a power of ten, strictly above `step`.
double NextNumericStep(double step);

// The next larger step of a date-time axis (days), strictly above `step`: seconds, minutes and
// hours, then 1, 2, 3, 7 and 14 days, then 1, 2, 3, 4 and 6 months, then 1, 2, 5, 10, ... years
// (months and years counted as DaysPerMonth and DaysPerYear days).
double NextDateStep(double stepDays);

// Whole months (at least 1) of a date-time step of `stepDays` days, or 0 when the step is
// shorter than four weeks and counts in days.
int MonthsOfDateStep(double stepDays);

// The step between labels of an axis whose range `range` (axis units, > 0) spans `lengthPx`
// pixels, for labels `labelSizePx` pixels big that each want `separationPercent` % of their size
// as free space: `desired` (0: the smallest ladder step that fits), enlarged along the ladder of
// the axis kind while one step is shorter than the label with its separation. Never below
// `desired`. A degenerate axis (range or length not positive) keeps `desired` (or, for 0, takes
// the range, or 1).
double EnlargedIncrement(double desired, double range, double lengthPx, double labelSizePx,
                         double separationPercent, bool dateTime);

// Default label values of an axis from `min` to `max` (inclusive, with a relative tolerance of
// 1e-9 of the range) for the step `step`: the multiples of the step; on a date-time axis with a
// step of a month or more, the first days of every n-th month (January first of every n-th year
// for steps of whole years). At most MaxAxisLabels values.
std::vector<double> DefaultLabelValues(double min, double max, double step, bool dateTime);

// Minor tick values: `count` ticks evenly between each two neighbouring labels, and on from the
// first and last label towards the axis ends with the neighbouring gap (`fallbackGap` when there
// is only one label), kept within [min, max].
std::vector<double> MinorTickValues(const std::vector<double>& labels, int count, double min,
                                    double max, double fallbackGap);

// A value-axis label: exactly five decimals, "." as the decimal point and "," between groups of
// three integer digits, whatever the user's locale; "-" before negative values (never "-0.00000").
QString FormatAxisNumber(double value);

// The date separator of a locale (the first separator of its short date format), "/" when it
// has none.
QString LocaleDateSeparator(const QLocale& locale);

// The date-time value x (days since 30 December 1899, rounded to the millisecond) in `format`
// (notation: see ChartAxis::SetDateTimeFormat), with the names and separators of `locale`.
QString FormatDateTime(double x, const QString& format, const QLocale& locale);

// A label put on several lines: each blank-separated part on its own line.
QString MultiLineLabel(const QString& text);

}  // namespace erp::ui
