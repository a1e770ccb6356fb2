// The loading pass over fifteen data files of twenty years of daily records each: most lines are
// parsed and dropped before the day window, the last 749 of each file are stored.
// Target: at most 50 ms for all fifteen files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchData.h"
#include "core/ObservationStore.h"

namespace {

namespace fs = std::filesystem;

constexpr double kReferenceMJD = 56508.0 + 10.0 / 24.0;
constexpr double kBaseMJD = kReferenceMJD - 750.0;
constexpr int kLastMJD = 56508;
using bench::kDays;

// Fifteen files in a temporary folder, removed at exit.
struct DataFolder {
  DataFolder() {
    std::string pattern = (fs::temp_directory_path() / "orbelon-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
    slots = bench::WriteDailySeries(path, kLastMJD);
  }
  ~DataFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
  erp::SeriesSlots slots;
};

struct SilentUi : erp::LoadUi {
  void ShowStatus(const std::string&) override {}
  void ShowMessage(const std::string&) override {}
  std::optional<std::string> ChooseDirectory(const std::string&) override { return std::nullopt; }
};

void BM_LoadObservations(benchmark::State& state) {
  static const DataFolder folder;
  auto store = std::make_unique<erp::ObservationStore>();
  store->DataDirectory = folder.path.string() + "/";
  erp::SlotArray<bool, erp::SeriesCount> visible{};
  bool rescale = false;
  double shift = 0.0;
  SilentUi ui;
  for (auto _ : state) {
    erp::LoadObservations(kBaseMJD, folder.slots, *store, visible, rescale, shift, ui);
    benchmark::DoNotOptimize(store->Values.data());
  }
  // Every file must have given the window's records, or the figure means nothing.
  int rows = 0;
  while (rows < erp::ObservationStore::Rows && store->At(rows + 1, 15, erp::StoreParameter::EpochMJD) != erp::MissingValue) ++rows;
  if (rows != 749) state.SkipWithError("unexpected number of stored rows");
  state.counters["rows_per_series"] = rows;
  state.counters["lines"] = erp::SeriesCount * (kDays + 1);
}
BENCHMARK(BM_LoadObservations)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
