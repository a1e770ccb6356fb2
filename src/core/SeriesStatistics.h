// Comparison statistics of the drawn series against a reference series: for every drawn slot the
// differences from the reference at common epochs, on the points as the refresh pass left them in
// the plot arrays (after whole-second alignment and trend removal).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/PlotArrays.h"
#include "core/SeriesConfig.h"
#include "core/SlotArray.h"

namespace erp {

// Statistics are given in thousandths of the parameter's unit: milliseconds for UT1 and UT1R,
// milliarcseconds for Xp and Yp.
constexpr double StatisticsUnitsPerValue = 1000.0;

// Days of one year for the drift of the differences (Julian year).
constexpr double DaysPerYear = 365.25;

// One row of the table: a drawn slot.
struct SeriesStatisticsRow {
  int Slot = 0;               // series slot 1..15
  int Points = 0;             // points of the slot inside the display window
  bool Reference = false;     // the reference row: only Points and LatestEpoch are meaningful
  int CommonEpochs = 0;       // points whose epoch equals an epoch of the reference to 1 ms
  int Differences = 0;        // points compared with the reference (interpolated at their epochs)
  double LatestEpoch = 0.0;   // the latest epoch of the slot's points in the window (MJD)
  // Over the differences d = value - reference interpolated at the point's epoch, in thousandths
  // of the unit; empty without differences. Every result is finite: a result beyond the double range
  // is held at the largest finite value of its sign.
  std::optional<double> Mean;          // mean of d
  std::optional<double> StdDev;        // standard deviation of d about the mean (divisor n)
  std::optional<double> Rms;           // sqrt(mean of d squared)
  std::optional<double> Minimum;       // least d
  std::optional<double> Maximum;       // greatest d
  std::optional<double> DriftPerYear;  // slope of the least-squares line of d over the epoch, per
                                       // year; empty with fewer than two distinct epochs
};

// The table: one row per drawn slot, in slot order.
struct SeriesStatisticsTable {
  int Parameter = 0;      // StoreParameter 1..4 the values are of
  int ReferenceSlot = 1;  // the slot compared against
  int RowCount = 0;
  std::array<SeriesStatisticsRow, SeriesCount> Rows{};
};

// Computes the table for the slots with drawn[i] set and points in `plot` (PlotCount > 0). The
// reference's points are taken from the plot arrays whether or not its slot is drawn. Each point
// of a series is compared with the reference interpolated at its epoch (InterpolateReference; for
// UT without the whole seconds between them), so that series observed at other epochs than the
// reference's are compared too; points where the reference has no value (outside its points, in
// a gap) are left out. CommonEpochs still counts the points whose epoch equals one of the
// reference's to the millisecond (MJD x 86 400 000, rounded). Points need not be in ascending
// epoch order. With `valuesAreDifferences` the values are those of the differences view, in
// thousandths of their unit (ms, mas), and are compared in their unit as any others: against the
// view's own reference (the zero line) they are the statistics of the differences drawn.
// Allocates nothing.
SeriesStatisticsTable ComputeSeriesStatistics(const PlotArrays& plot, const SlotArray<bool, SeriesCount>& drawn,
                                              int parameter, int referenceSlot, bool valuesAreDifferences = false);

// A statistic as the table shows it: "." as decimal point, four decimals, exponent notation
// beyond 1e12; empty for an empty statistic.
std::string StatisticText(const std::optional<double>& value);

// The unit of the table's statistics, UTF-8: "мс" for UT1 and UT1R, "мсд" (milliarcseconds)
// for Xp and Yp.
std::string_view StatisticsUnit(int parameter);

// The column titles of the table (UTF-8), with the unit of the parameter: "Ряд" (series),
// "Точек" (points), "Общих эпох" (common epochs), "Среднее" (mean), "СКО" (standard deviation),
// "RMS", "Мин." (minimum), "Макс." (maximum), "Дрейф" (drift, per year), then "Разностей" (the
// number of differences) and "Последняя эпоха" (the latest epoch, MJD).
constexpr int StatisticsColumns = 11;
std::array<std::string, StatisticsColumns> SeriesStatisticsHeader(int parameter);

// The fields of one row as the table shows them: title, points, then empty fields for the
// reference row, else common epochs and the statistics and the number of differences; last the
// latest epoch (MJD, two decimals), for the reference row too.
std::array<std::string, StatisticsColumns> SeriesStatisticsFields(const SeriesStatisticsRow& row, const std::string& title);

// The table as text: a header line and one line per row (title, points, common epochs, mean,
// standard deviation, RMS, minimum, maximum, drift per year, differences, latest epoch), fields
// separated by `separator`,
// lines ending CR LF. `titles[i]` is the title of slot i (UTF-8). With ',' (CSV) a field holding
// a comma, a quote or a line end is quoted and its quotes doubled; with any other separator such
// characters in a title become blanks. The reference row gives only its title, points and latest
// epoch.
std::string SeriesStatisticsText(const SeriesStatisticsTable& table, const SlotArray<std::string, SeriesCount>& titles,
                                 char separator);

}  // namespace erp
