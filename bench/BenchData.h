// Data for the benchmarks: fifteen data files of twenty years of daily records each, in the
// column layouts that different providers write.
#pragma once

#include <filesystem>

#include "core/SeriesConfig.h"

namespace bench {

constexpr int kDays = 20 * 365;  // records per file: kDays + 1

// Writes series1.dat .. series15.dat into `folder`, daily records at 00:00 from lastMjd - kDays to
// lastMjd, and returns the slots naming them with their format specifications.
erp::SeriesSlots WriteDailySeries(const std::filesystem::path& folder, int lastMjd);

}  // namespace bench
