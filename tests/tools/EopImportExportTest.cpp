// From a product file to a chart: each product, imported with one eop_import command into an empty
// working folder, is drawn by `orbelon --export` run in that folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "SettingsTestSupport.h"

namespace erp::testing {
namespace {

using erp::testing::Fixture;

struct Product {
  const char* name;     // the test's name
  const char* fixture;  // the input, from tests/tools/fixtures
  bool tai;             // UT1-TAI: imported through the fixtures' leap-second table
  const char* row;      // the series.ini line that eop_import prints
  const char* date;     // --date of the export
  const char* interval;
  const char* parameters;
  int points;  // records in the window (here every record of the fixture), as the statistics count them
};

// The fixtures span 2024-12-28 .. 2025-01-05 or 2016-12-30 .. 2017-01-02 (across the leap second).
// A run on a Wednesday draws the week that holds the day before and the three before that: on
// 2025-01-08 the window is 2024-12-16 .. 2025-01-13, on 2017-01-04 it is 2016-12-12 .. 2017-01-09.
// The sparse ones (sessions, two days) are drawn in the year view.
const Product kProducts[] = {
    {"Finals", "finals_sample.all", false, "12 0 IERS-A finals_sample.dat j_xp_yp_u", "2025-01-08", "month",
     "ut1,ut1r,xp,yp", 10},
    {"C04_14", "c04_14_sample.txt", false, "12 0 C04 c04_14_sample.dat j_xp_yp_u", "2025-01-08", "month",
     "ut1,ut1r,xp,yp", 8},
    {"C04_20", "c04_20_sample.txt", false, "12 0 C04 c04_20_sample.dat j_xp_yp_u", "2025-01-08", "month",
     "ut1,ut1r,xp,yp", 8},
    {"IvsEoxy", "ivs_sample.eoxy", false, "12 0 ivs_sample ivs_sample.dat j_xp_yp_u", "2025-01-08", "year",
     "ut1,ut1r,xp,yp", 4},
    {"UniversalUtc", "universal_utc.eop", false, "12 0 universal_utc universal_utc.dat j_xp_yp_u", "2025-01-08",
     "month", "ut1,ut1r,xp,yp", 5},
    {"UniversalTai", "universal_tai.eop", true, "12 0 universal_tai universal_tai.dat j_xp_yp_u", "2017-01-04",
     "month", "ut1,ut1r,xp,yp", 4},
    {"ErpUtc", "erp_utc.erp", false, "12 0 erp_utc erp_utc.dat j_xp_yp_u", "2025-01-08", "month", "ut1,ut1r,xp,yp", 4},
    {"ErpTai", "erp_tai.erp", true, "12 0 erp_tai erp_tai.dat j_xp_yp_u", "2017-01-04", "month", "ut1,ut1r,xp,yp", 3},
    // UT1R gives the pole only
    {"ErpUt1r", "erp_ut1r.erp", false, "12 0 erp_ut1r erp_ut1r.dat j_xp_yp", "2025-01-08", "year", "xp,yp", 2},
};

void PrintTo(const Product& p, std::ostream* os) { *os << p.fixture; }

class ImportedProduct : public ::testing::TestWithParam<Product> {};

TEST_P(ImportedProduct, IsDrawnByTheExportInItsWorkingFolder) {
  const Product& p = GetParam();
  TempDir work, out, scratch;

  std::vector<std::string> import = {Fixture(p.fixture), "--into", work.path().string()};
  if (p.tai) import.insert(import.end(), {"--leap-seconds", Fixture("leap-seconds.list")});
  const ProgramRun imported = RunProgram(EOP_IMPORT_PROGRAM, import, scratch);
  ASSERT_EQ(imported.Status, 0) << imported.Err;
  EXPECT_EQ(imported.Out, std::string(p.row) + "\n");

  // As from cron: no display, the platform left to the program.
  const std::string stats = out / "stats.csv";
  const ProgramRun exported = RunProgram(
      "env",
      {"-u", "QT_QPA_PLATFORM", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", ORBELON_PROGRAM, "--export",
       out.path().string(), "--date", p.date, "--interval", p.interval, "--parameters", p.parameters, "--stats", stats},
      scratch, work.path().string());
  ASSERT_EQ(exported.Status, 0) << exported.Err;
  // Standard error stays empty only when every chart asked for holds a point.
  EXPECT_EQ(exported.Err, "");

  std::string written;
  const std::string parameters = p.parameters;
  for (std::size_t from = 0; from <= parameters.size();) {
    const std::size_t comma = std::min(parameters.find(',', from), parameters.size());
    const std::string parameter = parameters.substr(from, comma - from);
    written += (out / ((parameter == "ut1r" ? std::string("utr") : parameter) + ".png")) + "\n";
    from = comma + 1;
  }
  EXPECT_EQ(exported.Out, written + stats + "\n");

  // The series of the row, with every record of the fixture, in the statistics of the first parameter.
  const std::string row = p.row;
  const std::size_t titleAt = row.find(' ', row.find(' ') + 1) + 1;
  const std::string title = row.substr(titleAt, row.find(' ', titleAt) - titleAt);
  const std::string table = ReadBytes(stats);
  ASSERT_TRUE(table.starts_with("Ряд,Точек,Общих эпох,")) << table;
  // The reference row: its points, then only its latest epoch.
  const std::string line = table.substr(table.find("\r\n") + 2);
  EXPECT_TRUE(line.starts_with(title + "," + std::to_string(p.points) + ",,,,,,,,,")) << line;
  EXPECT_EQ(std::count(line.begin(), line.end(), ','), 10) << line;
}

INSTANTIATE_TEST_SUITE_P(EopImport, ImportedProduct, ::testing::ValuesIn(kProducts),
                         [](const ::testing::TestParamInfo<Product>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace erp::testing
