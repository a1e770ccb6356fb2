// What the differences view remembers from one run to the next, in differences.ini: whether it
// is shown, its reference series, whether each series' bias and rate are taken out, and the scale
// chosen for each of the sixteen views while it is shown (scale.ini keeps those of the values).
#pragma once

#include <string>
#include <vector>

#include "core/Differences.h"
#include "core/OutputFiles.h"
#include "core/ScaleMemory.h"

namespace erp {

constexpr const char* DifferenceSettingsFileName = "differences.ini";

struct DifferenceSettings {
  bool Shown = false;
  int ReferenceSlot = 3;  // the trend's series
  bool BiasRateRemoved = false;
  ScaleMemory Scales{};   // by ScaleSlot, as scale.ini: an index into the differences' scale list

  DifferenceOptions Options() const { return {ReferenceSlot, BiasRateRemoved}; }
};

// The text of differences.ini: nineteen lines, each one integer, CR LF: shown (0 or 1), the
// reference series (1..15), bias and rate removed (0 or 1), then the sixteen scales.
std::string DifferenceSettingsText(const DifferenceSettings& settings);

// Reads differences.ini into `settings` when it is there (a missing file leaves the defaults and
// is not created). Lines are read as scale.ini's: blank lines passed over, and a line counts only
// when the whole of it is one integer. A line that is no integer, or a value outside its range
// (0 or 1; 1..15), keeps the default, and the numbers of such lines are returned. Throws the
// system's message (also for what is no regular file).
std::vector<int> LoadDifferenceSettings(DifferenceSettings& settings,
                                        const std::string& path = DifferenceSettingsFileName);

// Writes differences.ini whole, as SaveScaleMemory writes scale.ini: never onto one of
// `othersRead` (a link put there by mistake), and the old file stays whole on failure.
void SaveDifferenceSettings(const DifferenceSettings& settings, const std::string& path = DifferenceSettingsFileName,
                            const std::vector<ReadFile>& othersRead = {});

}  // namespace erp
