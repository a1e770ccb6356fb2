#include "core/Interpolation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace erp {

std::optional<double> InterpolateReference(std::span<const double> epochs, std::span<const double> values,
                                           double epoch, bool wholeSeconds) {
  if (epochs.empty() || !(epoch >= epochs.front() && epoch <= epochs.back())) return std::nullopt;
  // The first point at or after the epoch: its right neighbour, or the point itself.
  const std::size_t right = static_cast<std::size_t>(std::lower_bound(epochs.begin(), epochs.end(), epoch) - epochs.begin());
  if (epochs[right] == epoch) return values[right];
  const std::size_t left = right - 1;
  const auto close = [&](std::size_t a, std::size_t b) { return epochs[b] - epochs[a] <= MaxReferenceGapDays; };
  if (!close(left, right)) return std::nullopt;

  // Two points on each side where they are there and close enough; the two neighbours otherwise.
  std::size_t first = left;
  std::size_t count = 2;
  // (Outer points at the epoch of their neighbour, which a file may repeat, would divide by zero.)
  if (left >= 1 && right + 1 < epochs.size() && close(left - 1, left) && close(right, right + 1) &&
      epochs[left - 1] < epochs[left] && epochs[right] < epochs[right + 1]) {
    first = left - 1;
    count = 4;
  }
  std::array<double, 4> v{};
  for (std::size_t k = 0; k < count; ++k) {
    v[k] = values[first + k];
    if (wholeSeconds) v[k] -= std::nearbyint(v[k] - values[left]);
  }
  double result = 0.0;
  for (std::size_t k = 0; k < count; ++k) {
    double weight = 1.0;
    for (std::size_t m = 0; m < count; ++m) {
      if (m != k) weight *= (epoch - epochs[first + m]) / (epochs[first + k] - epochs[first + m]);
    }
    result += weight * v[k];
  }
  if (!std::isfinite(result)) return std::nullopt;  // values near the ends of the double range
  return result;
}

}  // namespace erp
