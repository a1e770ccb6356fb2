// A refresh pass over any store and any view: it ends, and what it hands to the chart is finite
// (the window, every plotted value, the drawn range and the value axis), inside the plot arrays,
// with its request flags cleared as the pass decides. Input: a few bytes of view controls, then
// records of 33 bytes each (slot, then epoch, UT1, Xp and Yp as raw doubles) appended to their
// slots in order; values that are not finite numbers (which no data file can give) count as absent.
#include <cmath>
#include <cstring>
#include <memory>

#include "FuzzSupport.h"
#include "core/RefreshPass.h"

namespace {

double FiniteOrMissing(const std::uint8_t* bytes) {
  double value = 0.0;
  std::memcpy(&value, bytes, sizeof value);
  return std::isfinite(value) ? value : erp::MissingValue;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kControls = 8;
  constexpr std::size_t kRecord = 1 + 4 * sizeof(double);
  if (size < kControls) return 0;

  static auto store = std::make_unique<erp::ObservationStore>();
  static auto plot = std::make_unique<erp::PlotArrays>();
  *store = erp::ObservationStore();
  erp::SlotArray<int, erp::SeriesCount> rows{};
  for (std::size_t at = kControls; at + kRecord <= size; at += kRecord) {
    const int slot = data[at] % erp::SeriesCount + 1;
    if (rows[slot] == erp::ObservationStore::Rows) continue;
    const int row = ++rows[slot];
    store->SeriesLoaded[slot] = true;
    const double ut1 = FiniteOrMissing(data + at + 9);
    store->At(row, slot, erp::StoreParameter::EpochMJD) = FiniteOrMissing(data + at + 1);
    store->At(row, slot, erp::StoreParameter::UT1) = ut1;
    store->At(row, slot, erp::StoreParameter::UT1R) = ut1;
    store->At(row, slot, erp::StoreParameter::Xp) = FiniteOrMissing(data + at + 17);
    store->At(row, slot, erp::StoreParameter::Yp) = FiniteOrMissing(data + at + 25);
  }
  for (int slot = 1; slot <= erp::SeriesCount; ++slot) store->SeriesLoaded[slot] |= (data[7] >> (slot % 8)) & 1;

  // A start-up day between 2013 and 2040, and the view as the controls can set it.
  erp::TimeBase timeBase = erp::InitTimeBase(erp::EncodeDate(2013, 8, 5) + data[0] * 40 + 0.5);
  erp::ViewState view;
  view.TimeShiftDays = 7.0 * static_cast<std::int8_t>(data[1]);
  view.RescaleOnChange = data[2] & 1;
  view.RescaleOnChoice = data[2] & 2;
  erp::ViewControls controls;
  controls.ParameterIndex = data[2] >> 2 & 3;
  controls.IntervalIndex = data[2] >> 4 & 1;
  controls.TrendIndex = data[2] >> 5 & 1;
  for (int slot = 1; slot <= erp::SeriesCount; ++slot) controls.SeriesChecked[slot] = (data[3 + slot / 8] >> (slot % 8)) & 1;
  controls.ScaleIndex = static_cast<std::int8_t>(data[5]) % 8;
  controls.GridIndex = data[6] % 8 - 1;

  const bool rescaleAsked = view.RescaleOnChange || view.RescaleOnChoice;
  const erp::RefreshResult result = erp::RefreshPass(timeBase, *store, view, controls, *plot);

  FUZZ_CHECK(!view.RecomputeRequested && !view.ShiftBusy);
  FUZZ_CHECK(std::isfinite(view.TimeShiftDays));
  FUZZ_CHECK(result.Window.WindowStartMJD < result.Window.WindowEndMJD);
  FUZZ_CHECK(result.Window.WindowStartMJD > timeBase.BaseMJD);
  FUZZ_CHECK(std::isfinite(result.TrendSlope));
  if (result.Exit == erp::RefreshExit::NoSeries) {
    FUZZ_CHECK(view.RescaleOnChange || view.RescaleOnChoice || !rescaleAsked);  // a pending rescale stays
    return 0;
  }
  FUZZ_CHECK(!view.RescaleOnChange && !view.RescaleOnChoice);
  if (result.Exit != erp::RefreshExit::Drawn) return 0;
  FUZZ_CHECK(std::isfinite(result.Visible.Minimum) && std::isfinite(result.Visible.Maximum));
  FUZZ_CHECK(result.Visible.Minimum <= result.Visible.Maximum);
  FUZZ_CHECK(result.Scale.has_value() == rescaleAsked);
  if (result.Scale) {
    FUZZ_CHECK(std::isfinite(result.Scale->Minimum) && std::isfinite(result.Scale->Maximum));
    FUZZ_CHECK(result.Scale->Minimum <= result.Scale->Maximum);
  }
  for (int slot = 1; slot <= erp::SeriesCount; ++slot) {
    FUZZ_CHECK(plot->PlotCount[slot] >= 0 && plot->PlotCount[slot] <= rows[slot]);
    if (!result.SeriesDrawn[slot]) continue;
    for (int n = 1; n <= plot->PlotCount[slot]; ++n) {
      const double value = plot->PlotValue(n, slot);
      FUZZ_CHECK(std::isfinite(value));
      FUZZ_CHECK(value >= result.Visible.Minimum && value <= result.Visible.Maximum);
      FUZZ_CHECK(plot->PlotMJD(n, slot) >= result.Window.WindowStartMJD &&
                 plot->PlotMJD(n, slot) <= result.Window.WindowEndMJD);
    }
  }
  return 0;
}
