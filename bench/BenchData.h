// Data for the benchmarks: fifteen data files of twenty years of daily records each, in the
// column layouts that different providers write.
#pragma once

#include <filesystem>

#include "core/ObservationStore.h"
#include "core/SeriesConfig.h"

namespace bench {

constexpr int kDays = 20 * 365;  // records per file: kDays + 1

// Writes series1.dat .. series15.dat into `folder`, daily records at 00:00 from lastMjd - kDays to
// lastMjd, and returns the slots naming them with their format specifications.
erp::SeriesSlots WriteDailySeries(const std::filesystem::path& folder, int lastMjd);

// Runs the loading pass into `store` (its DataDirectory set by the caller) with no one to answer
// its questions; returns the rescale request it sets when it ends normally.
bool LoadSilently(const erp::SeriesSlots& slots, double baseMJD, erp::ObservationStore& store);

}  // namespace bench
