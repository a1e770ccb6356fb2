#include "core/DifferenceSettings.h"

#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/SeriesConfig.h"
#include "core/SettingsScanner.h"

namespace erp {
namespace {

constexpr int kLines = 3 + ScaleViewCount;

// Takes line `k` (1..19) of the file into the settings; false when the value is out of its range.
bool Take(DifferenceSettings& settings, int k, std::int32_t value) {
  switch (k) {
    case 1:
    case 3:
      if (value != 0 && value != 1) return false;
      (k == 1 ? settings.Shown : settings.BiasRateRemoved) = value == 1;
      return true;
    case 2:
      if (value < 1 || value > SeriesCount) return false;
      settings.ReferenceSlot = value;
      return true;
    default:
      settings.Scales[k - 3] = value;
      return true;
  }
}

}  // namespace

std::string DifferenceSettingsText(const DifferenceSettings& settings) {
  std::string text;
  const auto line = [&](std::int32_t value) {
    AppendInt32(text, value);
    text += "\r\n";
  };
  line(settings.Shown ? 1 : 0);
  line(settings.ReferenceSlot);
  line(settings.BiasRateRemoved ? 1 : 0);
  for (const std::int32_t scale : settings.Scales) line(scale);
  return text;
}

std::vector<int> LoadDifferenceSettings(DifferenceSettings& settings, const std::string& path) {
  std::vector<int> badLines;
  if (!FileExists(path)) return badLines;
  const FileHandle file = OpenForReading(path);
  SettingsScanner scanner(file.get());
  for (int k = 1; k <= kLines; ++k) {
    bool atEnd = false;
    const std::optional<std::int32_t> value = scanner.ReadIntegerLine(atEnd);
    if (atEnd) break;
    if (!value || !Take(settings, k, *value)) badLines.push_back(scanner.Line());
    scanner.SkipLineEnd();
  }
  return badLines;
}

void SaveDifferenceSettings(const DifferenceSettings& settings, const std::string& path,
                            const std::vector<ReadFile>& othersRead) {
  WriteSettingsFile(path, DifferenceSettingsText(settings), othersRead);
}

}  // namespace erp
