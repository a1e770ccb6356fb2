// Splitting and parsing data lines of the layout "j_xp_yp_u", as the loading pass does it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/ColumnFormat.h"

namespace {

std::vector<std::string> MakeLines(int count) {
  std::vector<std::string> lines;
  lines.reserve(count);
  char buffer[128];
  for (int i = 0; i < count; ++i) {
    std::snprintf(buffer, sizeof buffer, "%.2f %.6f %.6f %.7f", 49000.0 + i * 0.25, 0.1 + i * 1e-6,
                  0.3 - i * 1e-6, -0.2 + i * 1e-7);
    lines.emplace_back(buffer);
  }
  return lines;
}

void BM_ParseLines(benchmark::State& state) {
  const auto lines = MakeLines(100000);
  const erp::FormatTokens tokens = erp::SplitFormatSpec("j_xp_yp_u");
  for (auto _ : state) {
    double sum = 0.0;
    for (const std::string& line : lines) sum += erp::ParseDataLine(line, tokens).UT1;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
  state.counters["ns_per_line"] = benchmark::Counter(
      static_cast<double>(state.iterations() * lines.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ParseLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
