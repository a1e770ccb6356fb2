#include "core/ScaleMemory.h"

#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/SettingsScanner.h"

#include <cstdio>
#include <string_view>
#include <stdexcept>

namespace erp {

std::optional<int> ScaleSlot(int parameter, int interval, int trend) {
  if (parameter < 0 || parameter > 3 || interval < 0 || interval > 1 || trend < 0 || trend > 1) {
    return std::nullopt;
  }
  return 4 * parameter + 2 * interval + trend + 1;
}

namespace {

// The entry of the next line that is not blank: the integer it holds and nothing else, or no
// value for a line that holds anything else; 0 once the file has ended.
std::optional<std::int32_t> ReadEntry(SettingsScanner& scanner) {
  bool atEnd = false;
  const std::optional<std::int32_t> value = scanner.ReadIntegerLine(atEnd);
  return atEnd ? 0 : value;
}

// Reads the sixteen entries; `badLines`, when given, takes the lines of entries that are no
// integer (set to 0) instead of the error.
void ReadScaleMemory(ScaleMemory& memory, const std::string& path, std::vector<int>* badLines) {
  if (!FileExists(path)) {
    CreateEmptyFileIfMissing(path);
    return;
  }
  const FileHandle file = OpenForReading(path);
  SettingsScanner scanner(file.get());
  for (int k = 1; k <= ScaleViewCount; ++k) {
    const std::optional<std::int32_t> entry = ReadEntry(scanner);
    if (!entry && badLines == nullptr) throw std::runtime_error("Invalid numeric input");
    memory[k] = entry.value_or(0);
    if (!entry) badLines->push_back(scanner.Line());
    scanner.SkipLineEnd();
  }
}

}  // namespace

void LoadScaleMemory(ScaleMemory& memory, const std::string& path) { ReadScaleMemory(memory, path, nullptr); }

std::vector<int> LoadScaleMemoryKeepingDefaults(ScaleMemory& memory, const std::string& path) {
  std::vector<int> badLines;
  ReadScaleMemory(memory, path, &badLines);
  return badLines;
}

std::string ScaleMemoryText(const ScaleMemory& memory) {
  std::string text;
  for (const std::int32_t value : memory) {
    AppendInt32(text, value);
    text += "\r\n";
  }
  return text;
}

void SaveScaleMemory(const ScaleMemory& memory, const std::string& path, const std::vector<ReadFile>& othersRead) {
  WriteSettingsFile(path, ScaleMemoryText(memory), othersRead);
}

}  // namespace erp
