#include "core/SeriesConfig.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

#include "SettingsTestSupport.h"
#include "core/Cp1251.h"

namespace erp {

void PrintTo(const SeriesConfig& r, std::ostream* os) {
  *os << "{" << r.ColorIndex << ", " << r.SymbolIndex << ", \"" << r.Title << "\", \"" << r.FileName
      << "\", \"" << r.FormatSpec << "\"}";
}

namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

SeriesConfig Row(std::int32_t color, std::int32_t symbol, std::string title, std::string file, std::string spec) {
  return {color, symbol, std::move(title), std::move(file), std::move(spec)};
}

// What reading a series.ini with these bytes hands over, row by row, and how it ends.
struct ReadResult {
  std::vector<SeriesConfig> rows;
  std::string error;
};

ReadResult ReadContent(const std::string& bytes) {
  TempDir dir;
  const std::string path = dir / "series.ini";
  WriteBytes(path, bytes);
  ReadResult result;
  result.error = testing::ErrorOf([&] {
    ReadSeriesConfig([&](int slot, const SeriesConfig& row) {
      EXPECT_EQ(slot, static_cast<int>(result.rows.size()) + 1);
      result.rows.push_back(row);
    }, path);
  });
  return result;
}

// Expected rows: the listed ones, then empty rows up to fifteen.
std::vector<SeriesConfig> Rows(std::vector<SeriesConfig> first) {
  first.resize(SeriesCount);
  return first;
}

TEST(ReadSeriesConfig, SplitsEachLineIntoItsFields) {
  const std::string spec35 = "yy_mm_dd_hh_u_xp_yp_rrr_rrr_rrr_j_u";
  ASSERT_EQ(spec35.size(), 35u);
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<SeriesConfig> first;
  };
  const Case cases[] = {
      {"plain row", "9 2 Alpha alpha.dat yy_mm_dd_u_xp_yp\r\n", {Row(9, 2, "Alpha", "alpha.dat", "yy_mm_dd_u_xp_yp")}},
      {"LF line ends", "1 0 A a.dat j_u\n2 3 B b.dat j_xp_yp\n",
       {Row(1, 0, "A", "a.dat", "j_u"), Row(2, 3, "B", "b.dat", "j_xp_yp")}},
      {"CR-only line ends", "1 0 A a.dat j_u\r2 3 B b.dat j_xp_yp\r",
       {Row(1, 0, "A", "a.dat", "j_u"), Row(2, 3, "B", "b.dat", "j_xp_yp")}},
      {"all texts empty", "0 0   \r\n5 1   \r\n", {Row(0, 0, "", "", ""), Row(5, 1, "", "", "")}},
      {"blank in the title shifts the fields", "0 0 A B f.dat F\r\n", {Row(0, 0, "A", "B", "f.dat F")}},
      {"blank in a file name shifts only its own row", "1 1 A a b F\r\n2 2 B b F\r\n",
       {Row(1, 1, "A", "a", "b F"), Row(2, 2, "B", "b", "F")}},
      {"no blank after the file name", "0 0 T f.dat\r\n", {Row(0, 0, "T", "", "f.dat")}},
      {"two blanks before the title", "0 0  T f.dat F\r\n", {Row(0, 0, "", "T", "f.dat F")}},
      {"tab after the symbol index is dropped like the blank", "0 0\tT f F\r\n", {Row(0, 0, "T", "f", "F")}},
      {"tab inside a text is a character", "0 0 T\tU f F\r\n", {Row(0, 0, "T\tU", "f", "F")}},
      {"format specification cut to 30 characters", "0 0 T f " + spec35 + "\r\n",
       {Row(0, 0, "T", "f", spec35.substr(0, 30))}},
      {"empty lines are not rows", "\r\n\r\n1 1 A a F\r\n\r\n2 2 B b G\r\n", {Row(1, 1, "A", "a", "F"), Row(2, 2, "B", "b", "G")}},
      {"negative and unselected indices", "-1 -1 T f F\r\n50 4 U g G\r\n", {Row(-1, -1, "T", "f", "F"), Row(50, 4, "U", "g", "G")}},
      {"signs and leading zeros", "+7 -0007 T f F\r\n", {Row(7, -7, "T", "f", "F")}},
      {"integers may stand on different lines", "3\r\n  2 T f F\r\n", {Row(3, 2, "T", "f", "F")}},
      {"row of integers only", "4 1\r\n6 2 T f F\r\n", {Row(4, 1, "", "", ""), Row(6, 2, "T", "f", "F")}},
      {"NUL bytes count as blanks before a number", std::string("\0\0" "3 1 T f F\r\n", 12), {Row(3, 1, "T", "f", "F")}},
      {"cyrillic title kept as bytes", "12 2 \xD0\xFF\xE4 r.dat j_u\r\n", {Row(12, 2, "\xD0\xFF\xE4", "r.dat", "j_u")}},
      {"empty file", "", {}},
      {"last row without line end", "1 1 A a F", {Row(1, 1, "A", "a", "F")}},
      {"33-character token: 32 are one integer, the rest the next",
       std::string(31, '0') + "1" + "2 T f F\r\n", {Row(1, 2, "T", "f", "F")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ReadResult result = ReadContent(c.bytes);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.rows, Rows(c.first));
  }
}

TEST(ReadSeriesConfig, ReadsOnlyTheFirstFifteenRows) {
  std::string bytes;
  for (int i = 1; i <= 10000; ++i) bytes += std::to_string(i % 50) + " 1 T" + std::to_string(i) + " f F\r\n";
  bytes += "not a number at all\r\n";  // never reached
  const ReadResult result = ReadContent(bytes);
  EXPECT_EQ(result.error, "");
  ASSERT_EQ(result.rows.size(), 15u);
  EXPECT_EQ(result.rows[14], Row(15, 1, "T15", "f", "F"));
}

TEST(ReadSeriesConfig, NonIntegerIndexStopsAtItsRow) {
  struct Case {
    const char* name;
    std::string bytes;
    std::size_t rowsHandedOver;
  };
  const Case cases[] = {
      {"word as colour index", "red 0 T f F\r\n", 0},
      {"decimal fraction", "1.5 0 T f F\r\n", 0},
      {"hexadecimal", "0x10 0 T f F\r\n", 0},
      {"beyond 32 bits", "2147483648 0 T f F\r\n", 0},
      {"sign alone", "- 0 T f F\r\n", 0},
      {"symbol index of row 3", "1 1 A a F\r\n2 2 B b F\r\n3 x C c F\r\n4 4 D d F\r\n", 2},
      {"title on a line of its own", "1 1\r\nAlpha a F\r\n", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ReadResult result = ReadContent(c.bytes);
    EXPECT_EQ(result.rows.size(), c.rowsHandedOver);
    EXPECT_EQ(result.error, "Invalid numeric input");
  }
}

TEST(ReadSeriesConfig, HostileFilesGiveTheDocumentedErrorOrRows) {
  std::mt19937 random(20240601);
  std::string garbage(64 * 1024, '\0');
  for (char& b : garbage) b = static_cast<char>(random());
  EXPECT_EQ(ReadContent(garbage).error, "Invalid numeric input");

  // A megabyte on one line: the row takes it whole, the next line is read normally.
  const std::string longTitle(1 << 20, 'x');
  const ReadResult longLine = ReadContent("1 1 " + longTitle + " f F\r\n2 2 B b G\r\n");
  EXPECT_EQ(longLine.error, "");
  ASSERT_EQ(longLine.rows.size(), 15u);
  EXPECT_EQ(longLine.rows[0], Row(1, 1, longTitle, "f", "F"));
  EXPECT_EQ(longLine.rows[1], Row(2, 2, "B", "b", "G"));

  // NUL bytes inside the texts are characters like any other.
  const ReadResult nul = ReadContent(std::string("1 1 A\0B f\0 F\0\r\n", 15));
  EXPECT_EQ(nul.rows[0], Row(1, 1, std::string("A\0B", 3), std::string("f\0", 2), std::string("F\0", 2)));
}

// The callers check with FileExists first; the open itself still refuses what took the file's
// place after that check, without waiting on a FIFO or reading a device for ever.
TEST(ReadSeriesConfig, OpensNothingButARegularFile) {
  const testing::HostileNames names;
  const TempDir& dir = names.dir;
  struct Case {
    const char* name;
    std::string path;
    int error;
  };
  const Case cases[] = {
      {"missing, or removed after the check", dir / "series.ini", ENOENT},
      {"folder", dir / "folder.ini", EISDIR},
      {"FIFO", dir / "fifo.ini", EINVAL},
      {"link to an endless device", dir / "zero.ini", EINVAL},
      {"link loop", dir / "loop-a.ini", ELOOP},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int rows = 0;
    EXPECT_EQ(testing::ErrorOf([&] { ReadSeriesConfig([&](int, const SeriesConfig&) { ++rows; }, c.path); }),
              std::strerror(c.error));
    EXPECT_EQ(rows, 0);
  }
}

TEST(WriteSeriesConfig, WritesFifteenCrLfLinesThatReadBack) {
  SlotArray<SeriesConfig, SeriesCount> rows{};
  rows[1] = Row(9, 2, "Alpha", "alpha.dat", "yy_mm_dd_u_xp_yp");
  rows[2] = Row(-1, -1, Utf8ToCp1251("Пулково"), "p.dat", "j_xp_yp_u");
  rows[3] = Row(49, 3, "", "", "");
  rows[15] = Row(12, 0, "Last", "last.dat", "j_u");
  TempDir dir;
  const std::string path = dir / "series.ini";
  WriteSeriesConfig(rows, path);

  std::string expected = "9 2 Alpha alpha.dat yy_mm_dd_u_xp_yp\r\n-1 -1 \xCF\xF3\xEB\xEA\xEE\xE2\xEE p.dat j_xp_yp_u\r\n49 3   \r\n";
  for (int i = 4; i <= 14; ++i) expected += "0 0   \r\n";
  expected += "12 0 Last last.dat j_u\r\n";
  EXPECT_EQ(ReadBytes(path), expected);

  std::vector<SeriesConfig> back;
  ReadSeriesConfig([&](int, const SeriesConfig& row) { back.push_back(row); }, path);
  EXPECT_EQ(back, std::vector<SeriesConfig>(rows.begin(), rows.end()));
  EXPECT_EQ(Cp1251ToUtf8(back[1].Title), "Пулково");
}

TEST(WriteSeriesConfig, TextsAreWrittenAsTheyStand) {
  SlotArray<SeriesConfig, SeriesCount> rows{};
  const std::string spec35 = "j_xp_yp_u_rrr_rrr_rrr_rrr_rrr_yy_mm";
  ASSERT_EQ(spec35.size(), 35u);
  rows[1] = Row(0, 0, "A B", "f.dat", "F");
  rows[2] = Row(0, 0, "T", "f", spec35);
  rows[3] = Row(0, 0, "line\r\nbreak", "f", "F");  // must not end the row early
  TempDir dir;
  const std::string path = dir / "series.ini";
  WriteSeriesConfig(rows, path);
  const std::string firstLines = "0 0 A B f.dat F\r\n0 0 T f " + spec35 + "\r\n0 0 line  break f F\r\n";
  EXPECT_EQ(ReadBytes(path).substr(0, firstLines.size()), firstLines);

  std::vector<SeriesConfig> back;
  ReadSeriesConfig([&](int, const SeriesConfig& row) { back.push_back(row); }, path);
  ASSERT_EQ(back.size(), 15u);
  EXPECT_EQ(back[0], Row(0, 0, "A", "B", "f.dat F"));
  EXPECT_EQ(back[1], Row(0, 0, "T", "f", spec35.substr(0, 30)));
  EXPECT_EQ(back[2], Row(0, 0, "line", "", "break f F"));
  EXPECT_EQ(back[3], Row(0, 0, "", "", ""));  // the following rows keep their places
}

// Start-up: rows are applied one by one as they are read, the first failure ends it.
SeriesSlots StartUpSlots(const std::string& bytes) {
  TempDir dir;
  WriteBytes(dir / "series.ini", bytes);
  SeriesSlots slots = DefaultSeriesSlots();
  testing::ErrorOf([&] {
    ReadSeriesConfig([&](int slot, const SeriesConfig& row) { ApplySeriesSlots(slots, slot, row); },
                     dir / "series.ini");
  });
  return slots;
}

TEST(ApplySeriesSlots, SlotsFollowTheRowsReadBeforeAnyFailure) {
  const SeriesSlots defaults = DefaultSeriesSlots();
  EXPECT_EQ(defaults.SeriesFileName[1], "erp01.dat");
  EXPECT_EQ(defaults.SeriesFileName[11], "erp11.dat");
  EXPECT_EQ(defaults.SeriesFileName[12], "  ");
  EXPECT_EQ(defaults.SeriesFormatSpec[1], "");

  std::string full;
  for (int i = 1; i <= 15; ++i) full += "0 0 T f" + std::to_string(i) + " j_u" + std::to_string(i) + "\r\n";
  const SeriesSlots all = StartUpSlots(full);
  for (int i = 1; i <= 15; ++i) {
    EXPECT_EQ(all.SeriesFileName[i], std::string("f").append(std::to_string(i)));
    EXPECT_EQ(all.SeriesFormatSpec[i], std::string("j_u").append(std::to_string(i)));
  }

  // Missing rows read as empty rows.
  const SeriesSlots short3 = StartUpSlots("0 0 T a.dat j_u\r\n0 0 T b.dat j_u\r\n0 0 T c.dat j_u\r\n");
  EXPECT_EQ(short3.SeriesFileName[3], "c.dat");
  EXPECT_EQ(short3.SeriesFileName[4], "");
  EXPECT_EQ(short3.SeriesFileName[15], "");

  // A failing row 3 leaves rows 1 and 2 applied and every later slot empty.
  const SeriesSlots failed3 = StartUpSlots("0 0 T a.dat j_u\r\n0 0 T b.dat j_xp\r\nx 0 T c.dat j_u\r\n0 0 T d.dat j\r\n");
  EXPECT_EQ(failed3.SeriesFileName[2], "b.dat");
  EXPECT_EQ(failed3.SeriesFormatSpec[2], "j_xp");
  for (int i = 3; i <= 15; ++i) {
    EXPECT_EQ(failed3.SeriesFileName[i], "") << i;
    EXPECT_EQ(failed3.SeriesFormatSpec[i], "") << i;
  }

  // A failing first row applies nothing: the defaults stay.
  const SeriesSlots failed1 = StartUpSlots("x 0 T a.dat j_u\r\n");
  EXPECT_EQ(failed1.SeriesFileName, defaults.SeriesFileName);
  EXPECT_EQ(failed1.SeriesFormatSpec, defaults.SeriesFormatSpec);

  // File names are cut to 255 bytes.
  const SeriesSlots longName = StartUpSlots("0 0 T " + std::string(300, 'n') + " j_u\r\n");
  EXPECT_EQ(longName.SeriesFileName[1], std::string(255, 'n'));
}

TEST(LookOfSeries, MapsColourAndSymbolIndices) {
  struct Case {
    std::int32_t color, symbol;
    std::optional<int> expectedColor;
    SymbolChange expectedSymbol;
  };
  const Case cases[] = {
      {9, 0, 9, SymbolChange::HideMarkers},
      {12, 1, 12, SymbolChange::Squares},
      {0, 2, 0, SymbolChange::Circles},
      {49, 3, 49, SymbolChange::Triangles},
      {50, 4, std::nullopt, SymbolChange::None},
      {-1, -1, std::nullopt, SymbolChange::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "colour " << c.color << ", symbol " << c.symbol);
    const SeriesLook look = LookOfSeries(Row(c.color, c.symbol, "", "", ""));
    EXPECT_EQ(look.Color, c.expectedColor);
    EXPECT_EQ(look.Symbol, c.expectedSymbol);
  }
  EXPECT_EQ(ColorList[9].Rgb, 0xFF0000u);
  EXPECT_EQ(ColorList[12].Rgb, 0x0000FFu);
  EXPECT_EQ(ColorList[0].Rgb, 0x000000u);
  EXPECT_EQ(ColorList[19].Name, "clMedGray");
  EXPECT_EQ(ColorList[44].SystemColorRole, NoColorSystemRole);  // clScrollBar: the no-colour look
  EXPECT_EQ(ColorList[49].Name, "clWindowText");
  EXPECT_EQ(ColorList[49].SystemColorRole, 8);
}

}  // namespace
}  // namespace erp
