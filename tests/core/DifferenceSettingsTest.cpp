#include "core/DifferenceSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SettingsTestSupport.h"

namespace erp {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(DifferenceSettings, WrittenWholeAndReadBack) {
  TempDir dir;
  DifferenceSettings settings;
  settings.Shown = true;
  settings.ReferenceSlot = 12;
  settings.BiasRateRemoved = true;
  settings.Scales[9] = 3;
  SaveDifferenceSettings(settings, dir / "differences.ini");
  const std::string text = ReadBytes(dir / "differences.ini");
  // Shown, reference, bias and rate, then the sixteen scales (the ninth view's is 3).
  std::string expected = "1\r\n12\r\n1\r\n";
  for (int k = 1; k <= ScaleViewCount; ++k) expected.append(k == 9 ? "3\r\n" : "0\r\n");
  EXPECT_EQ(text, expected);
  DifferenceSettings back;
  EXPECT_TRUE(LoadDifferenceSettings(back, dir / "differences.ini").empty());
  EXPECT_TRUE(back.Shown && back.BiasRateRemoved);
  EXPECT_EQ(back.ReferenceSlot, 12);
  EXPECT_EQ(back.Scales, settings.Scales);
}

// A missing file leaves the defaults (and creates nothing); a bad line keeps its default and is
// reported; a short file keeps the defaults of what it lacks.
TEST(DifferenceSettings, BadLinesKeepTheirDefaults) {
  TempDir dir;
  DifferenceSettings missing;
  EXPECT_TRUE(LoadDifferenceSettings(missing, dir / "differences.ini").empty());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "differences.ini"));
  EXPECT_EQ(missing.ReferenceSlot, 3);

  const struct {
    const char* name;
    std::string bytes;
    std::vector<int> badLines;
    bool shown;
    int reference;
  } cases[] = {
      {"reference out of range", "1\r\n16\r\n", {2}, true, 3},
      {"switch neither 0 nor 1", "2\r\n5\r\n", {1}, false, 5},
      {"text after a number", "1 x\r\n\r\n7\r\n", {1}, false, 7},
      {"a data record", "60654 0.107640 0.264314 0.2423126\r\n", {1}, false, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(dir / "differences.ini", c.bytes);
    DifferenceSettings settings;
    EXPECT_EQ(LoadDifferenceSettings(settings, dir / "differences.ini"), c.badLines);
    EXPECT_EQ(settings.Shown, c.shown);
    EXPECT_EQ(settings.ReferenceSlot, c.reference);
  }
}

}  // namespace
}  // namespace erp
