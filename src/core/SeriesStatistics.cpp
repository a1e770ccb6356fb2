#include "core/SeriesStatistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <utility>

#include "core/Interpolation.h"
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

// The reference's points sorted by epoch (among equal epochs the first point comes first), with
// their epoch keys, for counting common epochs and interpolating between them.
struct ReferencePoints {
  std::array<double, PlotArrays::Capacity> Epochs{};
  std::array<double, PlotArrays::Capacity> Values{};
  std::array<std::int64_t, PlotArrays::Capacity> Keys{};
  std::size_t Count = 0;

  ReferencePoints(const PlotArrays& plot, int slot, double scale) {
    if (slot < 1 || slot > SeriesCount || plot.SeriesEmpty[slot]) return;
    const std::span<const double> epochs = plot.Epochs(slot);
    const std::span<const double> values = plot.Values(slot);
    std::array<std::size_t, PlotArrays::Capacity> order{};
    for (std::size_t k = 0; k < epochs.size(); ++k) {
      if (std::isfinite(epochs[k]) && std::isfinite(values[k])) order[Count++] = k;
    }
    std::stable_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(Count),
                     [&](std::size_t a, std::size_t b) { return epochs[a] < epochs[b]; });
    for (std::size_t k = 0; k < Count; ++k) {
      Epochs[k] = epochs[order[k]];
      Values[k] = values[order[k]] * scale;
      Keys[k] = EpochKey(Epochs[k]).value_or(std::numeric_limits<std::int64_t>::min());
    }
  }

  bool HasEpoch(double mjd) const {
    const auto key = EpochKey(mjd);
    const auto end = Keys.begin() + static_cast<std::ptrdiff_t>(Count);
    return key && std::binary_search(Keys.begin(), end, *key);
  }
  std::optional<double> At(double mjd, bool wholeSeconds) const {
    return InterpolateReference(std::span<const double>(Epochs.data(), Count),
                                std::span<const double>(Values.data(), Count), mjd, wholeSeconds);
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
                                              int parameter, int referenceSlot, bool valuesAreDifferences) {
  SeriesStatisticsTable table;
  table.Parameter = parameter;
  table.ReferenceSlot = referenceSlot;
  // Values of the differences view are in thousandths: compared in the values' own unit.
  const double scale = valuesAreDifferences ? 1.0 / StatisticsUnitsPerValue : 1.0;
  const ReferencePoints reference(plot, referenceSlot, scale);
  const bool ut = parameter == StoreParameter::UT1 || parameter == StoreParameter::UT1R;

  std::array<double, PlotArrays::Capacity> halves{};
  std::array<double, PlotArrays::Capacity> epochs{};
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    if (!drawn[slot] || plot.SeriesEmpty[slot] || plot.PlotCount[slot] <= 0) continue;
    SeriesStatisticsRow& row = table.Rows[static_cast<std::size_t>(table.RowCount++)];
    row.Slot = slot;
    row.Points = std::min<int>(plot.PlotCount[slot], PlotArrays::Capacity);
    row.LatestEpoch = *std::max_element(plot.Epochs(slot).begin(), plot.Epochs(slot).end());
    if (slot == referenceSlot) {
      row.Reference = true;
      continue;
    }
    int n = 0;
    for (int k = 1; k <= row.Points; ++k) {
      const double epoch = plot.PlotMJD(k, slot);
      const double value = plot.PlotValue(k, slot) * scale;
      if (reference.HasEpoch(epoch)) ++row.CommonEpochs;
      const std::optional<double> r = reference.At(epoch, ut);
      if (!r) continue;
      double half = value / 2.0 - *r / 2.0;
      if (ut) {
        const double d = value - *r;
        if (!std::isfinite(d)) continue;
        half = (d - std::nearbyint(d)) / 2.0;  // no leap second between the two
      }
      if (!std::isfinite(half)) continue;
      halves[static_cast<std::size_t>(n)] = half;
      epochs[static_cast<std::size_t>(n)] = epoch;
      ++n;
    }
    row.Differences = n;
    if (n > 0) DifferenceStatistics(halves.data(), epochs.data(), n, row);
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
          "Мин. (" + unit + ")", "Макс. (" + unit + ")", "Дрейф (" + unit + "/год)", "Разностей", "Последняя эпоха"};
}

std::array<std::string, StatisticsColumns> SeriesStatisticsFields(const SeriesStatisticsRow& row, const std::string& title) {
  char latest[64];
  const auto [end, error] = std::to_chars(latest, latest + sizeof latest, row.LatestEpoch, std::chars_format::fixed, 2);
  const std::string latestText = error == std::errc() ? std::string(latest, end) : std::string();
  if (row.Reference) return {title, std::to_string(row.Points), {}, {}, {}, {}, {}, {}, {}, {}, latestText};
  return {title,
          std::to_string(row.Points),
          std::to_string(row.CommonEpochs),
          StatisticText(row.Mean),
          StatisticText(row.StdDev),
          StatisticText(row.Rms),
          StatisticText(row.Minimum),
          StatisticText(row.Maximum),
          StatisticText(row.DriftPerYear),
          std::to_string(row.Differences),
          latestText};
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
