// Writes a working folder for whole-program benchmarks: series.ini and fifteen data files of
// twenty years of daily records each, ending 60 days after today (the local date).
//   bench_folder FOLDER [--points]
// With --points it also writes the points that `orbelon --export` draws today in its default view
// (the month, trend removed) on the UT1R, Xp and Yp charts, for a peer drawing the same charts:
// FOLDER/points_utr.dat, points_xp.dat and points_yp.dat, one block per series (MJD, value), the
// blocks apart by two blank lines.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "BenchData.h"
#include "core/ObservationStore.h"
#include "core/RefreshPass.h"
#include "core/SeriesConfig.h"
#include "core/TimeBase.h"

namespace {

// The refresh pass of each chart as the batch export runs it, its points written for the peer.
bool WritePoints(const std::filesystem::path& folder, const erp::SeriesSlots& slots, double today) {
  erp::TimeBase timeBase = erp::InitTimeBase(today);
  auto store = std::make_unique<erp::ObservationStore>();
  store->DataDirectory = folder.string() + "/";
  bench::LoadSilently(slots, timeBase.BaseMJD, *store);
  auto plot = std::make_unique<erp::PlotArrays>();
  const struct {
    int parameter;
    const char* file;
  } charts[] = {{erp::StoreParameter::UT1R, "points_utr.dat"}, {erp::StoreParameter::Xp, "points_xp.dat"},
                {erp::StoreParameter::Yp, "points_yp.dat"}};
  for (const auto& chart : charts) {
    erp::ViewState view;
    view.RescaleOnChange = true;
    erp::ViewControls controls;
    controls.ParameterIndex = chart.parameter - 1;
    controls.SeriesChecked.Fill(true);
    const erp::RefreshResult result = erp::RefreshPass(timeBase, *store, view, controls, *plot);
    if (result.Exit != erp::RefreshExit::Drawn) return false;
    std::ofstream out(folder / chart.file);
    for (int slot = 1; slot <= erp::SeriesCount; ++slot) {
      if (slot > 1) out << "\n\n";
      if (!result.SeriesDrawn[slot]) continue;
      char line[64];
      for (int n = 1; n <= plot->PlotCount[slot]; ++n) {
        std::snprintf(line, sizeof line, "%.2f %.9g\n", plot->PlotMJD(n, slot), plot->PlotValue(n, slot));
        out << line;
      }
    }
    if (!out) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool points = argc == 3 && std::strcmp(argv[2], "--points") == 0;
  if (argc != 2 && !points) {
    std::fprintf(stderr, "usage: bench_folder FOLDER [--points]\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const double localNow = erp::EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                              local.tm_min, local.tm_sec, 0);
  const int today = static_cast<int>(
      erp::DateTimeToMJD(erp::EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday)));
  const erp::SeriesSlots slots = bench::WriteDailySeries(folder, today + 60);
  erp::SlotArray<erp::SeriesConfig, erp::SeriesCount> rows;
  for (int i = 1; i <= erp::SeriesCount; ++i) {
    rows[i] = erp::SeriesConfig{i - 1, i % 4, "Series" + std::to_string(i), slots.SeriesFileName[i],
                                slots.SeriesFormatSpec[i]};
  }
  erp::WriteSeriesConfig(rows, (folder / erp::SeriesConfigFileName).string());
  if (points && !WritePoints(folder, slots, localNow)) {
    std::fprintf(stderr, "bench_folder: the charts of today have no points\n");
    return 1;
  }
  std::printf("%s: series.ini and 15 files of %d daily records ending at MJD %d\n", folder.c_str(), bench::kDays + 1,
              today + 60);
  return 0;
}
