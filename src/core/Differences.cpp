#include "core/Differences.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>

#include "core/Interpolation.h"
#include "core/PlotPipeline.h"

namespace erp {
namespace {

// Takes the least-squares line over the epochs out of a slot's values (its mean for one point).
void RemoveBiasAndRate(PlotArrays& plot, int slot) {
  const int n = plot.PlotCount[slot];
  if (n == 0) return;
  double meanT = 0.0, meanV = 0.0;
  for (int k = 1; k <= n; ++k) {
    meanT += plot.PlotMJD(k, slot) / n;
    meanV += plot.PlotValue(k, slot) / n;
  }
  double stt = 0.0, stv = 0.0;
  for (int k = 1; k <= n; ++k) {
    const double t = plot.PlotMJD(k, slot) - meanT;
    stt += t * t;
    stv += t * (plot.PlotValue(k, slot) - meanV);
  }
  const double rate = stt > 0.0 ? stv / stt : 0.0;
  if (!std::isfinite(meanV) || !std::isfinite(rate)) return;  // values near the ends of the double range
  for (int k = 1; k <= n; ++k) {
    const double value = plot.PlotValue(k, slot) - (meanV + rate * (plot.PlotMJD(k, slot) - meanT));
    if (std::isfinite(value)) plot.PlotValue(k, slot) = value;
  }
}

}  // namespace

bool TakeDifferences(PlotArrays& plot, int parameter, const DifferenceOptions& options) {
  const int ref = options.ReferenceSlot;
  const bool valid = ref >= 1 && ref <= SeriesCount;
  if (!valid || plot.PlotCount[ref] == 0) {
    plot.PlotCount.Fill(0);
    plot.SeriesEmpty.Fill(true);
    return false;
  }
  // The reference's points, kept aside in the order of their epochs (a file may hold one out of
  // order): its own values become the zero line.
  const auto count = static_cast<std::size_t>(plot.PlotCount[ref]);
  std::array<std::size_t, PlotArrays::Capacity> order{};
  for (std::size_t k = 0; k < count; ++k) order[k] = k;
  const std::span<const double> refEpochsAsRead = plot.Epochs(ref);
  std::stable_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count),
                   [&](std::size_t a, std::size_t b) { return refEpochsAsRead[a] < refEpochsAsRead[b]; });
  std::array<double, PlotArrays::Capacity> epochs{};
  std::array<double, PlotArrays::Capacity> values{};
  for (std::size_t k = 0; k < count; ++k) {
    epochs[k] = plot.PlotMJD(static_cast<int>(order[k]) + 1, ref);
    values[k] = plot.PlotValue(static_cast<int>(order[k]) + 1, ref);
  }
  const std::span<const double> refEpochs(epochs.data(), count);
  const std::span<const double> refValues(values.data(), count);
  const bool ut = IsUtParameter(parameter);

  for (int slot = 1; slot <= SeriesCount; ++slot) {
    int kept = 0;
    for (int n = 1; n <= plot.PlotCount[slot]; ++n) {
      const double epoch = plot.PlotMJD(n, slot);
      const std::optional<double> reference = InterpolateReference(refEpochs, refValues, epoch, ut);
      if (!reference) continue;
      double difference = slot == ref ? 0.0 : plot.PlotValue(n, slot) - *reference;
      if (ut) difference -= std::nearbyint(difference);
      difference *= DifferenceUnitsPerValue;
      if (!std::isfinite(difference)) continue;  // values near the ends of the double range
      ++kept;
      plot.PlotMJD(kept, slot) = epoch;
      plot.PlotValue(kept, slot) = difference;
    }
    plot.PlotCount[slot] = kept;
    plot.SeriesEmpty[slot] = kept == 0;
    if (options.BiasRateRemoved && slot != ref) RemoveBiasAndRate(plot, slot);
  }
  return true;
}

}  // namespace erp
