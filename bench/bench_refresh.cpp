// The computing part of one refresh pass in the year view: fifteen loaded series of daily records,
// every series checked, the UT1 view with alignment, trend removal and a rescale; and the same in
// the differences view. Target: under 1 ms, also with the differences.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchData.h"
#include "core/DisplayWindow.h"
#include "core/ObservationStore.h"
#include "core/RefreshPass.h"

namespace {

namespace fs = std::filesystem;

// A store filled by the loading pass from fifteen twenty-year files ending on the pinned day.
std::unique_ptr<erp::ObservationStore> LoadedStore(const erp::TimeBase& timeBase) {
  std::string pattern = (fs::temp_directory_path() / "orbelon-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  const fs::path folder = pattern;
  const erp::SeriesSlots slots = bench::WriteDailySeries(folder, 56600);  // beyond the window: a full year drawn
  auto store = std::make_unique<erp::ObservationStore>();
  store->DataDirectory = folder.string() + "/";
  bench::LoadSilently(slots, timeBase.BaseMJD, *store);
  fs::remove_all(folder);
  return store;
}

// state.range(0): 1 for the differences view (every series minus series 3, interpolated at its
// epochs, with its own bias and rate taken out), 0 for the values as they are.
void BM_RefreshPassYear(benchmark::State& state) {
  erp::TimeBase timeBase = erp::InitTimeBase(erp::EncodeDateTime(2013, 8, 5, 10, 0, 0, 0));
  static const std::unique_ptr<erp::ObservationStore> store = LoadedStore(timeBase);
  auto plot = std::make_unique<erp::PlotArrays>();
  erp::ViewState view;
  erp::ViewControls controls;
  if (state.range(0) == 1) controls.Differences = erp::DifferenceOptions{3, true};
  controls.IntervalIndex = erp::IntervalYear;
  controls.SeriesChecked.Fill(true);
  controls.ScaleIndex = 2;
  controls.GridIndex = 2;
  erp::RefreshResult result;
  for (auto _ : state) {
    view.RecomputeRequested = true;
    view.RescaleOnChange = true;
    result = erp::RefreshPass(timeBase, *store, view, controls, *plot);
    benchmark::DoNotOptimize(result);
  }
  // Every series must have been drawn with a year of points, or the figure means nothing.
  int points = 0;
  for (int slot = 1; slot <= erp::SeriesCount; ++slot) points += plot->PlotCount[slot];
  if (result.Exit != erp::RefreshExit::Drawn || points != 15 * 365) state.SkipWithError("not a full year drawn");
  state.counters["points"] = points;
}
BENCHMARK(BM_RefreshPassYear)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
