// The fifteen series slots and their settings file, series.ini: one line per slot with colour,
// point symbol, legend title, data file name and column-format specification.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/FileIo.h"
#include "core/SettingsScanner.h"
#include "core/SlotArray.h"

namespace erp {

constexpr int SeriesCount = 15;                 // series slots 1..15
constexpr std::size_t MaxFormatSpecLength = 30;  // characters of a format specification as read
constexpr std::size_t MaxFileNameLength = 255;  // bytes of SeriesFileName and DataDirectory
constexpr const char* SeriesConfigFileName = "series.ini";

// One line of series.ini. Texts are the file's 8-bit CP1251 bytes (see Cp1251.h for the UI).
struct SeriesConfig {
  std::int32_t ColorIndex = 0;   // position in ColorList, 0..49; -1 (or anything else): no colour
  std::int32_t SymbolIndex = 0;  // 0 line only, 1 squares, 2 circles, 3 triangles; -1: none chosen
  std::string Title;             // legend title
  std::string FileName;          // data file name, DataDirectory goes in front of it
  std::string FormatSpec;        // column-format specification, at most 30 characters as read

  friend bool operator==(const SeriesConfig&, const SeriesConfig&) = default;
};

// One entry of the colour pickers' list.
struct ColorListEntry {
  std::string_view Name;    // the name shown beside the swatch, e.g. "clRed"
  std::uint32_t Rgb;        // 0xRRGGBB of a fixed colour (entries 0..19); 0 for a system colour
  int SystemColorRole;      // desktop system colour number of entries 20..49; -1 for a fixed colour
};

constexpr int ColorListSize = 50;
extern const std::array<ColorListEntry, ColorListSize> ColorList;

// What a series looks like when nothing valid is chosen: system colour 0 (as ColorList[44]).
constexpr int NoColorSystemRole = 0;

// The change a row's SymbolIndex makes to its chart series.
enum class SymbolChange {
  None,         // any index but 0..3: the series keeps its line and markers from the window
  HideMarkers,  // 0: markers hidden, line unchanged
  Squares,      // 1: square markers, line hidden
  Circles,      // 2: circle markers, line hidden
  Triangles,    // 3: triangle markers, line hidden
};

// What a row asks of its chart series; the window maps it onto the chart.
struct SeriesLook {
  std::optional<int> Color;  // index into ColorList; empty: no colour chosen (NoColorSystemRole)
  SymbolChange Symbol = SymbolChange::None;
};

SeriesLook LookOfSeries(const SeriesConfig& row);

// The slot variables that the loading pass reads, filled at start-up from series.ini.
struct SeriesSlots {
  SlotArray<std::string, SeriesCount> SeriesFileName;    // bytes, at most 255
  SlotArray<std::string, SeriesCount> SeriesFormatSpec;
};

// The slot variables before series.ini is read: default data file names for slots 1..11
// ("erp01.dat" .. "erp11.dat"), two blanks (no file) for slots 12..15, empty specifications.
SeriesSlots DefaultSeriesSlots();

// Applies row `slot` (1..15) of series.ini, just read, to the slot variables: that slot takes the
// row's file name (cut to 255 bytes) and format specification, and every later slot, whose row
// has not been read yet, is emptied. Applied row by row, the slots from a failing row on are thus
// left empty, while a failure on row 1 leaves the defaults.
void ApplySeriesSlots(SeriesSlots& slots, int slot, const SeriesConfig& row);

// Reads the rows of series.ini one at a time from an open stream (owned by the caller), so that
// each row can be used before the next is read. Reading one row:
//   1. ColorIndex and 2. SymbolIndex: SettingsScanner::ReadInteger (0 at the end of the file;
//      "Invalid numeric input" when the token is not an integer);
//   3. the rest of the current line and 4. its line end (CR LF, LF or CR);
//   5. the first character of that rest (normally the blank) is dropped;
//   6. Title is the text before the first blank, if there is one (else empty);
//   7. the title and its blank are dropped;
//   8. FileName is the text before the next blank, if there is one (else empty);
//   9. FormatSpec is at most 30 characters after that blank (of everything when there is none).
// Rows past the end of the file read as ColorIndex 0, SymbolIndex 0 and empty texts.
class SeriesConfigReader {
 public:
  explicit SeriesConfigReader(std::FILE* stream) : scanner_(stream) {}
  SeriesConfig Next();

 private:
  SettingsScanner scanner_;
};

// Opens series.ini, reads fifteen rows and hands each to `onRow(slot, row)` as soon as it has
// been read, then closes the file. The caller checks first that the file exists (FileExists,
// which also reports a folder, FIFO or link loop under the name). An error (the system's message
// when the file cannot be opened or read, "Invalid numeric input" for a row) comes out as a
// PlacedError naming `path` and the row (0 when the file could not be opened), after the rows
// before it have been handed over; later rows are not read. What `onRow` throws passes as it is.
void ReadSeriesConfig(const std::function<void(int slot, const SeriesConfig& row)>& onRow,
                      const std::string& path = SeriesConfigFileName);

// The text of series.ini for these rows: fifteen lines "ColorIndex SymbolIndex Title FileName
// FormatSpec", CR LF each, texts as they stand. A CR or LF inside a text (which the single-line
// edit fields cannot hold) is written as a blank, so that it cannot shift the following rows.
std::string SeriesConfigText(const SlotArray<SeriesConfig, SeriesCount>& rows);

// Writes series.ini (see WriteFileReplacing: the old file stays whole on failure). Throws the
// system's message.
void WriteSeriesConfig(const SlotArray<SeriesConfig, SeriesCount>& rows,
                       const std::string& path = SeriesConfigFileName);

}  // namespace erp
