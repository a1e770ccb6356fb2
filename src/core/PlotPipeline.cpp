#include "core/PlotPipeline.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/ScaleTables.h"

namespace erp {

namespace {

// value - round(value - reference): value moved by whole seconds next to reference.
double WithoutWholeSeconds(double value, double reference) {
  const double difference = value - reference;
  if (!std::isfinite(difference)) return reference;
  return value - std::nearbyint(difference);
}

// x (not NaN) held inside the finite doubles.
double Finite(double x) {
  constexpr double kLargest = std::numeric_limits<double>::max();
  return std::clamp(x, -kLargest, kLargest);
}

}  // namespace

void ExtractSeries(const ObservationStore& store, int parameter, const DisplayWindow& window, PlotArrays& plot) {
  plot.PlotCount.Fill(0);
  plot.SeriesEmpty.Fill(true);
  bool series1WithoutPoints = false;  // loaded, but nothing in the window to align to
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    if (!store.SeriesLoaded[slot]) continue;
    std::int32_t count = 0;
    for (int row = 1; row <= ObservationStore::Rows; ++row) {
      const double epoch = store.At(row, slot, StoreParameter::EpochMJD);
      if (epoch == MissingValue || epoch > window.WindowEndMJD) break;
      if (epoch < window.WindowStartMJD) continue;
      const double value = store.At(row, slot, parameter);
      if (value == MissingValue) continue;
      ++count;
      plot.PlotValue(count, slot) = value;
      plot.PlotMJD(count, slot) = epoch;
    }
    plot.PlotCount[slot] = count;
    if (count == 0) {
      series1WithoutPoints = series1WithoutPoints || slot == AlignmentReferenceSlot;
      continue;
    }
    plot.SeriesEmpty[slot] = false;
    if (IsUtParameter(parameter) && slot >= 2) AlignWholeSeconds(plot, slot, !series1WithoutPoints);
  }
}

void AlignWholeSeconds(PlotArrays& plot, int slot, bool toSeries1) {
  if (toSeries1) {
    plot.PlotValue(1, slot) = WithoutWholeSeconds(plot.PlotValue(1, slot), plot.PlotValue(1, AlignmentReferenceSlot));
  }
  for (int n = 2; n <= plot.PlotCount[slot]; ++n) {
    plot.PlotValue(n, slot) = WithoutWholeSeconds(plot.PlotValue(n, slot), plot.PlotValue(n - 1, slot));
  }
}

std::optional<double> TrendSlope(const PlotArrays& plot) {
  const int m = plot.PlotCount[TrendReferenceSlot];
  if (m < 2) return std::nullopt;
  const double span = plot.PlotMJD(m, TrendReferenceSlot) - plot.PlotMJD(1, TrendReferenceSlot);
  if (span == 0.0) return std::nullopt;
  const double slope = (plot.PlotValue(m, TrendReferenceSlot) - plot.PlotValue(1, TrendReferenceSlot)) / span;
  if (!std::isfinite(slope)) return std::nullopt;
  return slope;
}

double RemoveTrend(PlotArrays& plot, bool trendShown) {
  const std::optional<double> slope = TrendSlope(plot);
  if (!slope) return 0.0;
  if (trendShown) return *slope;
  const double anchor = plot.PlotMJD(1, TrendReferenceSlot);
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    for (int n = 1; n <= plot.PlotCount[slot]; ++n) {
      double& value = plot.PlotValue(n, slot);
      value -= (plot.PlotMJD(n, slot) - anchor) * *slope;
      if (!std::isfinite(value)) value = Finite(value);
    }
  }
  return *slope;
}

std::optional<ValueRange> DrawnValueRange(const PlotArrays& plot, const SlotArray<bool, SeriesCount>& seriesVisible) {
  std::optional<ValueRange> range;
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    if (!seriesVisible[slot] || plot.SeriesEmpty[slot]) continue;
    for (int n = 1; n <= plot.PlotCount[slot]; ++n) {
      const double value = plot.PlotValue(n, slot);
      if (!range) {
        range = ValueRange{value, value};
      } else {
        range->Minimum = std::min(range->Minimum, value);
        range->Maximum = std::max(range->Maximum, value);
      }
    }
  }
  return range;
}

VerticalScale ComputeVerticalScale(int parameter, int scaleIndex, int gridIndex, ValueRange range, bool differences) {
  const auto index = static_cast<std::size_t>(scaleIndex >= 0 && scaleIndex < ScaleCount ? scaleIndex : 0);
  VerticalScale scale;
  const bool ut = IsUtParameter(parameter);
  if (differences) {
    scale.Increment = ut ? DifferenceScaleIncrementsUT[index] : DifferenceScaleIncrementsXY[index];
    scale.Label = ut ? DifferenceScaleLabelsUT[index] : DifferenceScaleLabelsXY[index];
  } else if (ut) {
    scale.Increment = ScaleIncrementsUT[index];
    scale.Label = ScaleLabelsUT[index];
  } else {
    scale.Increment = ScaleIncrementsXY[index];
    scale.Label = ScaleLabelsXY[index];
  }
  const double inc = scale.Increment;
  const double middle = range.Minimum * 0.5 + range.Maximum * 0.5;
  const double steps = middle / inc;
  const double mid = std::isfinite(steps) ? std::nearbyint(steps) * inc : middle;
  const double h = std::max(gridIndex, -1) + 2;
  scale.Minimum = mid - h * inc;
  scale.Maximum = mid + h * inc;
  return scale;
}

}  // namespace erp
