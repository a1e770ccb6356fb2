// The loading pass over fifteen data files of twenty years of daily records each: most lines are
// parsed and dropped before the day window, the last 749 of each file are stored.
// Target: at most 50 ms for all fifteen files.
//
// Also the loading pass over one data file of 100 MB of records older than the day window (every
// line is read, parsed and dropped): the window is frozen while the pass runs, so this is the
// longest wait such a file causes. Target: under two seconds.
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

void BM_LoadObservations(benchmark::State& state) {
  static const DataFolder folder;
  auto store = std::make_unique<erp::ObservationStore>();
  store->DataDirectory = folder.path.string() + "/";
  for (auto _ : state) {
    benchmark::DoNotOptimize(bench::LoadSilently(folder.slots, kBaseMJD, *store));
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

// One file of about 100 MB, every record before the day window, in slot 1; the other slots empty.
struct OldRecordsFolder {
  static constexpr std::size_t kBytes = 100u << 20;
  OldRecordsFolder() {
    std::string pattern = (fs::temp_directory_path() / "orbelon-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
    std::ofstream out(path / "old.dat", std::ios::binary);
    std::string block;
    for (long k = 0; bytes < kBytes; ++k) {
      const double mjd = 20000.0 + 0.01 * static_cast<double>(k);  // ends near MJD 46000, long before the window
      char line[96];
      const int n = std::snprintf(line, sizeof line, "%10.2f %9.6f %9.6f %10.7f\n", mjd, 0.1, 0.35, -0.1234567);
      block.append(line, static_cast<std::size_t>(n));
      bytes += static_cast<std::size_t>(n);
      ++lines;
      if (block.size() > (1u << 20)) {
        out << block;
        block.clear();
      }
    }
    out << block;
    slots.SeriesFileName.Fill("");
    slots.SeriesFileName[1] = "old.dat";
    slots.SeriesFormatSpec[1] = "j_xp_yp_u";
  }
  ~OldRecordsFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
  erp::SeriesSlots slots;
  std::size_t bytes = 0;
  long lines = 0;
};

void BM_LoadOldRecords100MB(benchmark::State& state) {
  static const OldRecordsFolder folder;
  auto store = std::make_unique<erp::ObservationStore>();
  store->DataDirectory = folder.path.string() + "/";
  bool rescale = false;
  for (auto _ : state) {
    rescale = bench::LoadSilently(folder.slots, kBaseMJD, *store);
    benchmark::DoNotOptimize(store->Values.data());
  }
  // The pass must have finished normally (the window then goes on) and stored nothing.
  if (!rescale || !store->SeriesLoaded[1] || store->At(1, 1, erp::StoreParameter::EpochMJD) != erp::MissingValue) {
    state.SkipWithError("the pass did not read the whole file as expected");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * folder.bytes));
  state.counters["lines"] = static_cast<double>(folder.lines);
}
BENCHMARK(BM_LoadOldRecords100MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
