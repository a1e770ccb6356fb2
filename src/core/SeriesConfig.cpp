#include "core/SeriesConfig.h"

#include "core/FileIo.h"
#include "core/NumberText.h"

namespace erp {

const std::array<ColorListEntry, ColorListSize> ColorList = {{
    {"clBlack", 0x000000, -1},
    {"clMaroon", 0x800000, -1},
    {"clGreen", 0x008000, -1},
    {"clOlive", 0x808000, -1},
    {"clNavy", 0x000080, -1},
    {"clPurple", 0x800080, -1},
    {"clTeal", 0x008080, -1},
    {"clGray", 0x808080, -1},
    {"clSilver", 0xC0C0C0, -1},
    {"clRed", 0xFF0000, -1},
    {"clLime", 0x00FF00, -1},
    {"clYellow", 0xFFFF00, -1},
    {"clBlue", 0x0000FF, -1},
    {"clFuchsia", 0xFF00FF, -1},
    {"clAqua", 0x00FFFF, -1},
    {"clWhite", 0xFFFFFF, -1},
    {"clMoneyGreen", 0xC0DCC0, -1},
    {"clSkyBlue", 0xA6CAF0, -1},
    {"clCream", 0xFFFBF0, -1},
    {"clMedGray", 0xA0A0A4, -1},
    {"clActiveBorder", 0, 10},
    {"clActiveCaption", 0, 2},
    {"clAppWorkSpace", 0, 12},
    {"clBackground", 0, 1},
    {"clBtnFace", 0, 15},
    {"clBtnHighlight", 0, 20},
    {"clBtnShadow", 0, 16},
    {"clBtnText", 0, 18},
    {"clCaptionText", 0, 9},
    {"clGradientActiveCaption", 0, 27},
    {"clGradientInactiveCaption", 0, 28},
    {"clGrayText", 0, 17},
    {"clHighlight", 0, 13},
    {"clHighlightText", 0, 14},
    {"clHotLight", 0, 26},
    {"clInactiveBorder", 0, 11},
    {"clInactiveCaption", 0, 3},
    {"clInactiveCaptionText", 0, 19},
    {"clInfoBk", 0, 24},
    {"clInfoText", 0, 23},
    {"clMenu", 0, 4},
    {"clMenuBar", 0, 30},
    {"clMenuHighlight", 0, 29},
    {"clMenuText", 0, 7},
    {"clScrollBar", 0, 0},
    {"cl3DDkShadow", 0, 21},
    {"cl3DLight", 0, 22},
    {"clWindow", 0, 5},
    {"clWindowFrame", 0, 6},
    {"clWindowText", 0, 8},
}};

SeriesLook LookOfSeries(const SeriesConfig& row) {
  SeriesLook look;
  if (row.ColorIndex >= 0 && row.ColorIndex < ColorListSize) look.Color = row.ColorIndex;
  switch (row.SymbolIndex) {
    case 0: look.Symbol = SymbolChange::HideMarkers; break;
    case 1: look.Symbol = SymbolChange::Squares; break;
    case 2: look.Symbol = SymbolChange::Circles; break;
    case 3: look.Symbol = SymbolChange::Triangles; break;
    default: look.Symbol = SymbolChange::None; break;
  }
  return look;
}

SeriesSlots DefaultSeriesSlots() {
  constexpr int kNamedSlots = 11;
  SeriesSlots slots;
  for (int i = 1; i <= SeriesCount; ++i) {
    if (i <= kNamedSlots) {
      slots.SeriesFileName[i] = (i < 10 ? "erp0" : "erp") + std::to_string(i) + ".dat";
    } else {
      slots.SeriesFileName[i] = "  ";
    }
  }
  return slots;
}

void ApplySeriesSlots(SeriesSlots& slots, int slot, const SeriesConfig& row) {
  slots.SeriesFileName[slot] = row.FileName.substr(0, MaxFileNameLength);
  slots.SeriesFormatSpec[slot] = row.FormatSpec;
  for (int j = slot + 1; j <= SeriesCount; ++j) {
    slots.SeriesFileName[j].clear();
    slots.SeriesFormatSpec[j].clear();
  }
}

SeriesConfig SeriesConfigReader::Next() {
  SeriesConfig row;
  row.ColorIndex = scanner_.ReadInteger();
  row.SymbolIndex = scanner_.ReadInteger();
  std::string rest = scanner_.ReadRestOfLine();
  scanner_.SkipLineEnd();

  std::string_view r = rest;
  if (!r.empty()) r.remove_prefix(1);  // the separator after SymbolIndex, whatever it is
  if (const std::size_t p1 = r.find(' '); p1 != std::string_view::npos) {
    row.Title = std::string(r.substr(0, p1));
    r.remove_prefix(p1 + 1);
  }
  if (const std::size_t p2 = r.find(' '); p2 != std::string_view::npos) {
    row.FileName = std::string(r.substr(0, p2));
    r.remove_prefix(p2 + 1);
  }
  row.FormatSpec = std::string(r.substr(0, MaxFormatSpecLength));
  return row;
}

void ReadSeriesConfig(const std::function<void(int slot, const SeriesConfig& row)>& onRow,
                      const std::string& path) {
  FileHandle file;
  try {
    file = OpenForReading(path);
  } catch (const std::exception& e) {
    throw PlacedError(e.what(), path, 0);
  }
  SeriesConfigReader reader(file.get());
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    SeriesConfig row;
    try {
      row = reader.Next();
    } catch (const std::exception& e) {
      throw PlacedError(e.what(), path, slot);
    }
    onRow(slot, row);
  }
}

namespace {

// A text field as written: a line end inside it would end the row early.
void AppendField(std::string& out, std::string_view text) {
  for (const char c : text) out += (c == '\r' || c == '\n') ? ' ' : c;
}

}  // namespace

std::string SeriesConfigText(const SlotArray<SeriesConfig, SeriesCount>& rows) {
  std::string text;
  for (const SeriesConfig& row : rows) {
    AppendInt32(text, row.ColorIndex);
    text += ' ';
    AppendInt32(text, row.SymbolIndex);
    text += ' ';
    AppendField(text, row.Title);
    text += ' ';
    AppendField(text, row.FileName);
    text += ' ';
    AppendField(text, row.FormatSpec);
    text += "\r\n";
  }
  return text;
}

void WriteSeriesConfig(const SlotArray<SeriesConfig, SeriesCount>& rows, const std::string& path) {
  WriteFileReplacing(path, SeriesConfigText(rows));
}

}  // namespace erp
