#include "core/ScaleMemory.h"

#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/SettingsScanner.h"

#include <cstdio>
#include <stdexcept>

namespace erp {

std::optional<int> ScaleSlot(int parameter, int interval, int trend) {
  if (parameter < 0 || parameter > 3 || interval < 0 || interval > 1 || trend < 0 || trend > 1) {
    return std::nullopt;
  }
  return 4 * parameter + 2 * interval + trend + 1;
}

namespace {

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
    try {
      memory[k] = scanner.ReadInteger();
    } catch (const std::runtime_error&) {
      if (badLines == nullptr || std::ferror(file.get())) throw;
      memory[k] = 0;
      badLines->push_back(scanner.Line());
    }
    scanner.SkipLine();
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

void SaveScaleMemory(const ScaleMemory& memory, const std::string& path) {
  WriteFileReplacing(path, ScaleMemoryText(memory));
}

}  // namespace erp
