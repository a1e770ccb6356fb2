// The vertical scale remembered for each of the sixteen views, and its file scale.ini.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/OutputFiles.h"
#include "core/SlotArray.h"

namespace erp {

constexpr int ScaleViewCount = 16;
constexpr const char* ScaleMemoryFileName = "scale.ini";

// ScaleMemory[k], k = 1..16: the ComboBoxScaleY item index remembered for view k (see ScaleSlot).
// All 0 until scale.ini is read. Meaningful values are 0..4; others are kept as they are.
using ScaleMemory = SlotArray<std::int32_t, ScaleViewCount>;

// The slot of a view: 4p + 2i + t + 1 for parameter p 0..3 (UT1, UT1R, Xp, Yp), interval i 0..1
// (month, year) and trend t 0..1 (removed, shown). Empty for any index outside those ranges.
std::optional<int> ScaleSlot(int parameter, int interval, int trend);

// Reads scale.ini into `memory`. A missing file is created empty and `memory` is left alone; a
// folder, FIFO, socket, device or link loop under the name fails (see FileExists).
// Otherwise, for k = 1..16: lines that hold nothing but blanks and tabs are passed over, and the
// next line must hold one integer and nothing else (blanks and tabs around it allowed): it goes
// into memory[k] (0 once the file has ended). Throws "Invalid numeric input" for a line that is
// anything else ("3 4", a record of a data file, control bytes; memory[1..k-1] are then already
// set), or the system's message when the file cannot be created, opened or read. The window then
// selects item memory[1] itself.
void LoadScaleMemory(ScaleMemory& memory, const std::string& path = ScaleMemoryFileName);

// Reads scale.ini as LoadScaleMemory does, but an entry that is not an integer does not stop the
// reading: it gets the default 0 and the number of its line goes into the result, and the next
// entry is read from the following line. Empty when every entry converted. Throws only the
// system's message (and for what is no regular file).
std::vector<int> LoadScaleMemoryKeepingDefaults(ScaleMemory& memory, const std::string& path = ScaleMemoryFileName);

// The text of scale.ini: sixteen lines, memory[k] in decimal on line k, each ending CR LF.
std::string ScaleMemoryText(const ScaleMemory& memory);

// Writes scale.ini whole (see WriteFileReplacing: the old file stays whole on failure). A name
// that leads to one of `othersRead` (series.ini, a data file: a link put there by mistake) is
// refused with CheckOutputs's one line and nothing is written; an entry named `path` itself is
// the file being replaced and is left out of that check. Throws the system's message otherwise.
void SaveScaleMemory(const ScaleMemory& memory, const std::string& path = ScaleMemoryFileName,
                     const std::vector<ReadFile>& othersRead = {});

}  // namespace erp
