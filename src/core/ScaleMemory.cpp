#include "core/ScaleMemory.h"

#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/SettingsScanner.h"

namespace erp {

std::optional<int> ScaleSlot(int parameter, int interval, int trend) {
  if (parameter < 0 || parameter > 3 || interval < 0 || interval > 1 || trend < 0 || trend > 1) {
    return std::nullopt;
  }
  return 4 * parameter + 2 * interval + trend + 1;
}

void LoadScaleMemory(ScaleMemory& memory, const std::string& path) {
  if (!FileExists(path)) {
    CreateEmptyFileIfMissing(path);
    return;
  }
  const FileHandle file = OpenForReading(path);
  SettingsScanner scanner(file.get());
  for (int k = 1; k <= ScaleViewCount; ++k) {
    memory[k] = scanner.ReadInteger();
    scanner.SkipLine();
  }
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
