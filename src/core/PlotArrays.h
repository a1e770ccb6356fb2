// The plot arrays: the points of each series slot inside the display window, as the chart gets them.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/ObservationStore.h"
#include "core/SeriesConfig.h"
#include "core/SlotArray.h"

namespace erp {

// Point n (1..PlotCount[i]) of slot i (1..15): its value (the chosen parameter after alignment and
// trend removal; seconds or arcseconds) and its epoch (MJD). A slot holds as many points as the
// store holds rows, so no record inside the window is ever dropped. Entries beyond PlotCount keep
// what an earlier pass left there. 240 kB: keep it in a long-lived owner, not on a small stack.
struct PlotArrays {
  static constexpr int Capacity = ObservationStore::Rows;  // points per slot

  SlotArray<std::int32_t, SeriesCount> PlotCount{};  // points of the slot inside the window
  SlotArray<bool, SeriesCount> SeriesEmpty{};         // not loaded, or no point in the window

  double& PlotValue(int n, int slot) { return values_[Index(n, slot)]; }
  double PlotValue(int n, int slot) const { return values_[Index(n, slot)]; }
  double& PlotMJD(int n, int slot) { return epochs_[Index(n, slot)]; }
  double PlotMJD(int n, int slot) const { return epochs_[Index(n, slot)]; }
  // The epochs and the values of a slot's points, in point order.
  std::span<const double> Epochs(int slot) const {
    return {&epochs_[Index(1, slot)], static_cast<std::size_t>(PlotCount[slot])};
  }
  std::span<const double> Values(int slot) const {
    return {&values_[Index(1, slot)], static_cast<std::size_t>(PlotCount[slot])};
  }

 private:
  static std::size_t Index(int n, int slot) {
    assert(n >= 1 && n <= Capacity && slot >= 1 && slot <= SeriesCount);
    return static_cast<std::size_t>(slot - 1) * Capacity + static_cast<std::size_t>(n - 1);
  }

  std::array<double, static_cast<std::size_t>(Capacity) * SeriesCount> values_{};
  std::array<double, static_cast<std::size_t>(Capacity) * SeriesCount> epochs_{};
};

}  // namespace erp
