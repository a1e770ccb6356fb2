#include "core/SeriesStatistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "core/ObservationStore.h"

namespace erp {
namespace {

constexpr double kMillisecondsPerDay = 86400000.0;
constexpr double kLargest = std::numeric_limits<double>::max();

// The epoch to the millisecond, or nothing for an epoch too large to count in milliseconds.
std::optional<std::int64_t> EpochKey(double mjd) {
  const double ms = std::nearbyint(mjd * kMillisecondsPerDay);
  if (!(std::fabs(ms) < 9.0e18)) return std::nullopt;
  return static_cast<std::int64_t>(ms);
}

// A result held inside the double range.
double Held(double x) { return std::clamp(x, -kLargest, kLargest); }

struct KeyedPoint {
  std::int64_t Key = 0;
  int N = 0;  // point number 1..PlotCount
};

// The reference's points sorted by epoch key; among equal keys the first point comes first.
struct ReferenceIndex {
  std::array<KeyedPoint, PlotArrays::Capacity> Points{};
  int Count = 0;

  ReferenceIndex(const PlotArrays& plot, int slot) {
    if (slot < 1 || slot > SeriesCount || plot.SeriesEmpty[slot]) return;
    const int count = std::min<int>(plot.PlotCount[slot], PlotArrays::Capacity);
    for (int n = 1; n <= count; ++n) {
      if (const auto key = EpochKey(plot.PlotMJD(n, slot))) Points[static_cast<std::size_t>(Count++)] = {*key, n};
    }
    std::stable_sort(Points.begin(), Points.begin() + Count,
                     [](const KeyedPoint& a, const KeyedPoint& b) { return a.Key < b.Key; });
  }

  // The reference point at epoch key `key`, or 0 when there is none.
  int Find(std::int64_t key) const {
    const auto end = Points.begin() + Count;
    const auto at = std::lower_bound(Points.begin(), end, key,
                                     [](const KeyedPoint& p, std::int64_t k) { return p.Key < k; });
    return at != end && at->Key == key ? at->N : 0;
  }
};

// The statistics of differences given as halves h = value/2 - reference/2 (which cannot overflow
// for finite values and equal half the difference exactly where the difference is finite) at
// epochs t. The sums are taken over h / max|h|, all within [-1, 1], and scaled back at the end.
void DifferenceStatistics(const double* h, const double* t, int n, SeriesStatisticsRow& row) {
  const double toUnits = 2.0 * StatisticsUnitsPerValue;
  double scale = 0.0;
  double least = h[0];
  double greatest = h[0];
  for (int k = 0; k < n; ++k) {
    scale = std::max(scale, std::fabs(h[k]));
    least = std::min(least, h[k]);
    greatest = std::max(greatest, h[k]);
  }
  row.Minimum = Held(least * toUnits);
  row.Maximum = Held(greatest * toUnits);
  const double divisor = scale > 0.0 ? scale : 1.0;
  const auto back = [&](double u) { return Held(Held(u * divisor) * toUnits); };

  double sum = 0.0, sumSquares = 0.0, sumEpochs = 0.0;
  for (int k = 0; k < n; ++k) {
    const double u = h[k] / divisor;
    sum += u;
    sumSquares += u * u;
    sumEpochs += t[k];
  }
  const double mean = sum / n;
  const double meanEpoch = sumEpochs / n;
  double spread = 0.0, stt = 0.0, stu = 0.0;
  for (int k = 0; k < n; ++k) {
    const double du = h[k] / divisor - mean;
    const double dt = t[k] - meanEpoch;
    spread += du * du;
    stt += dt * dt;
    stu += dt * du;
  }
  row.Mean = back(mean);
  row.StdDev = back(std::sqrt(spread / n));
  row.Rms = back(std::sqrt(sumSquares / n));
  if (stt > 0.0 && std::isfinite(stt) && std::isfinite(stu)) {
    row.DriftPerYear = Held(back(stu / stt) * DaysPerYear);
  }
}

void AppendField(std::string& out, std::string_view field, char separator) {
  if (separator == ',') {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
      out += field;
      return;
    }
    out += '"';
    for (char c : field) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
    return;
  }
  for (char c : field) out += (c == separator || c == '\r' || c == '\n') ? ' ' : c;
}

}  // namespace

SeriesStatisticsTable ComputeSeriesStatistics(const PlotArrays& plot, const SlotArray<bool, SeriesCount>& drawn,
                                              int parameter, int referenceSlot) {
  SeriesStatisticsTable table;
  table.Parameter = parameter;
  table.ReferenceSlot = referenceSlot;
  const ReferenceIndex reference(plot, referenceSlot);

  std::array<double, PlotArrays::Capacity> halves{};
  std::array<double, PlotArrays::Capacity> epochs{};
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    if (!drawn[slot] || plot.SeriesEmpty[slot] || plot.PlotCount[slot] <= 0) continue;
    SeriesStatisticsRow& row = table.Rows[static_cast<std::size_t>(table.RowCount++)];
    row.Slot = slot;
    row.Points = std::min<int>(plot.PlotCount[slot], PlotArrays::Capacity);
    if (slot == referenceSlot) {
      row.Reference = true;
      continue;
    }
    int common = 0;
    for (int n = 1; n <= row.Points; ++n) {
      const auto key = EpochKey(plot.PlotMJD(n, slot));
      const int r = key ? reference.Find(*key) : 0;
      if (r == 0) continue;
      halves[static_cast<std::size_t>(common)] = plot.PlotValue(n, slot) / 2.0 - plot.PlotValue(r, referenceSlot) / 2.0;
      epochs[static_cast<std::size_t>(common)] = plot.PlotMJD(n, slot);
      ++common;
    }
    row.CommonEpochs = common;
    if (common > 0) DifferenceStatistics(halves.data(), epochs.data(), common, row);
  }
  return table;
}

std::string StatisticText(const std::optional<double>& value) {
  if (!value) return {};
  char buffer[64];
  const double v = *value;
  const auto result = std::fabs(v) < 1e12 ? std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 4)
                                          : std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific, 6);
  return std::string(buffer, result.ptr);
}

std::string_view StatisticsUnit(int parameter) {
  return parameter == StoreParameter::Xp || parameter == StoreParameter::Yp ? "мсд" : "мс";
}

std::array<std::string, StatisticsColumns> SeriesStatisticsHeader(int parameter) {
  const std::string unit(StatisticsUnit(parameter));
  return {"Ряд", "Точек", "Общих эпох", "Среднее (" + unit + ")", "СКО (" + unit + ")", "RMS (" + unit + ")",
          "Мин. (" + unit + ")", "Макс. (" + unit + ")", "Дрейф (" + unit + "/год)"};
}

std::array<std::string, StatisticsColumns> SeriesStatisticsFields(const SeriesStatisticsRow& row, const std::string& title) {
  if (row.Reference) return {title, std::to_string(row.Points)};
  return {title,
          std::to_string(row.Points),
          std::to_string(row.CommonEpochs),
          StatisticText(row.Mean),
          StatisticText(row.StdDev),
          StatisticText(row.Rms),
          StatisticText(row.Minimum),
          StatisticText(row.Maximum),
          StatisticText(row.DriftPerYear)};
}

std::string SeriesStatisticsText(const SeriesStatisticsTable& table, const SlotArray<std::string, SeriesCount>& titles,
                                 char separator) {
  std::string out;
  const auto appendLine = [&](const std::array<std::string, StatisticsColumns>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) out += separator;
      AppendField(out, fields[i], separator);
    }
    out += "\r\n";
  };
  appendLine(SeriesStatisticsHeader(table.Parameter));
  for (int i = 0; i < table.RowCount; ++i) {
    const SeriesStatisticsRow& row = table.Rows[static_cast<std::size_t>(i)];
    appendLine(SeriesStatisticsFields(row, titles[row.Slot]));
  }
  return out;
}

}  // namespace erp
