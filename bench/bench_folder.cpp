// Writes a working folder for whole-program benchmarks: series.ini and fifteen data files of
// twenty years of daily records each, ending 60 days after today (the local date).
//   bench_folder FOLDER
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "BenchData.h"
#include "core/SeriesConfig.h"
#include "core/TimeBase.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_folder FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const int today = static_cast<int>(
      erp::DateTimeToMJD(erp::EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday)));
  const erp::SeriesSlots slots = bench::WriteDailySeries(folder, today + 60);
  erp::SlotArray<erp::SeriesConfig, erp::SeriesCount> rows;
  for (int i = 1; i <= erp::SeriesCount; ++i) {
    rows[i] = erp::SeriesConfig{i - 1, i % 4, "Series" + std::to_string(i), slots.SeriesFileName[i],
                                slots.SeriesFormatSpec[i]};
  }
  erp::WriteSeriesConfig(rows, (folder / erp::SeriesConfigFileName).string());
  std::printf("%s: series.ini and 15 files of %d daily records ending at MJD %d\n", folder.c_str(), bench::kDays + 1,
              today + 60);
  return 0;
}
