// The comparison statistics of fifteen drawn series of 1000 points each against series 1, with
// epochs in ascending order and a few missing days in every series. Target: under 1 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "core/ObservationStore.h"
#include "core/SeriesStatistics.h"

namespace {

void BM_SeriesStatistics(benchmark::State& state) {
  auto plot = std::make_unique<erp::PlotArrays>();
  erp::SlotArray<bool, erp::SeriesCount> drawn{};
  for (int slot = 1; slot <= erp::SeriesCount; ++slot) {
    drawn[slot] = true;
    plot->SeriesEmpty[slot] = false;
    plot->PlotCount[slot] = erp::PlotArrays::Capacity;
    int day = 0;
    for (int n = 1; n <= erp::PlotArrays::Capacity; ++n, ++day) {
      if ((day + slot) % 97 == 0) ++day;  // a gap now and then, so that not every epoch is common
      plot->PlotMJD(n, slot) = 55000.0 + day;
      plot->PlotValue(n, slot) = -0.3 + 1e-4 * slot + 2e-3 * std::sin(day * 0.01 + slot);
    }
  }
  for (auto _ : state) {
    erp::SeriesStatisticsTable table = erp::ComputeSeriesStatistics(*plot, drawn, erp::StoreParameter::UT1, 1);
    benchmark::DoNotOptimize(table);
  }
}
BENCHMARK(BM_SeriesStatistics)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
