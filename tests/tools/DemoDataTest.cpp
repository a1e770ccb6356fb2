#include "demo/DemoData.h"

#include <gtest/gtest.h>

#include "core/RefreshPass.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <sstream>

#include "ProgramRun.h"
#include "SettingsTestSupport.h"
#include "core/ColumnFormat.h"
#include "core/Cp1251.h"
#include "core/ObservationStore.h"
#include "core/TimeBase.h"

namespace erp::demo {
namespace {

using erp::testing::ReadBytes;
using erp::testing::TempDir;

constexpr tools::CalendarDate kDate{2025, 3, 12};  // the pinned day of the demo (a Wednesday)

// A demo folder written to disk and loaded as the viewer does at a given local start time:
// time base, series.ini, loading pass.
struct LoadedDemo {
  LoadedDemo(const DemoOptions& options, double localNow) : folder(MakeDemoFolder(options)) {
    WriteDemoFolder(folder, dir.path().string());
    timeBase = InitTimeBase(localNow);
    ReadSeriesConfig([&](int slot, const SeriesConfig& row) { ApplySeriesSlots(slots, slot, row); },
                     dir / "series.ini");
    store->DataDirectory = dir.prefix();
    if (LoadObservations(timeBase.BaseMJD, slots, *store, {}) != LoadOutcome::Loaded) {
      throw std::logic_error("the demo folder holds no data file");
    }
  }

  double At(int row, int slot, int parameter) const { return store->At(row, slot, parameter); }
  // Rows of a slot: up to the first row without an epoch.
  int Rows(int slot) const {
    int n = 0;
    while (n < ObservationStore::Rows && At(n + 1, slot, StoreParameter::EpochMJD) != MissingValue) ++n;
    return n;
  }
  bool HasUT(int slot) const { return HasUT1(SplitFormatSpec(slots.SeriesFormatSpec[slot])); }
  // Number of rows of a slot with epochs from..to (MJD, both included).
  int RowsBetween(int slot, double from, double to) const {
    int n = 0;
    for (int r = 1; r <= Rows(slot); ++r) {
      const double e = At(r, slot, StoreParameter::EpochMJD);
      n += e >= from && e <= to;
    }
    return n;
  }

  TempDir dir;
  DemoFolder folder;
  TimeBase timeBase;
  SeriesSlots slots = DefaultSeriesSlots();
  std::unique_ptr<ObservationStore> store = std::make_unique<ObservationStore>();
};

double LocalTime(const tools::CalendarDate& d, int hour, int minute, int second) {
  return EncodeDateTime(d.Year, d.Month, d.Day, hour, minute, second, 0);
}

std::size_t LineCount(const std::string& text) {
  std::size_t n = 0;
  for (std::size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p + 2)) ++n;
  return n;
}

TEST(DemoData, EveryRecordLandsInTheStoreWhateverTheTimeOfDay) {
  struct Case {
    const char* name;
    double localNow;
  } const cases[] = {
      {"started just after midnight", LocalTime(kDate, 0, 0, 1)},
      {"started just before midnight", LocalTime(kDate, 23, 59, 59)},
      {"made the evening before, started the next morning", LocalTime({2025, 3, 13}, 8, 0, 0)},
  };
  DemoOptions options;
  options.Date = kDate;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LoadedDemo demo(options, c.localNow);
    const TimeBase& tb = demo.timeBase;
    const double yearViewStart = WeekStartMJD(tb.CurrentWeek - 51);
    for (int slot = 1; slot <= SeriesCount; ++slot) {
      SCOPED_TRACE("slot " + std::to_string(slot));
      ASSERT_TRUE(demo.store->SeriesLoaded[slot]);
      const int rows = demo.Rows(slot);
      EXPECT_EQ(static_cast<std::size_t>(rows), LineCount(demo.folder.Files[slot].Bytes));  // nothing dropped
      EXPECT_LE(rows, ObservationStore::Rows);
      for (int r = 1; r <= rows; ++r) {
        const double e = demo.At(r, slot, StoreParameter::EpochMJD);
        EXPECT_GE(e - tb.BaseMJD, 1.0);
        EXPECT_LT(e - tb.BaseMJD, 1000.0);
        if (r > 1) {
          EXPECT_GT(e, demo.At(r - 1, slot, StoreParameter::EpochMJD));
        }
      }
      EXPECT_GT(demo.RowsBetween(slot, yearViewStart, tb.AxisEndMJD), 200);
    }
    // The reference series cover every day, so any window of the data has their points.
    for (const int slot : ReferenceSlots) {
      EXPECT_EQ(demo.Rows(slot), demo.folder.LastMJD - demo.folder.FirstMJD + 1);
      EXPECT_EQ(demo.RowsBetween(slot, tb.AxisStartMJD, tb.AxisEndMJD), 29);  // month view: 4 weeks and both Mondays
    }
  }
}

// Linear interpolation of slot 1 at an epoch; empty when slot 1 has no record on both sides.
std::optional<double> SlotOneAt(const LoadedDemo& demo, double e, int parameter) {
  const double day = std::floor(e);
  const int rows = demo.Rows(1);
  for (int r = 1; r < rows; ++r) {
    const double e0 = demo.At(r, 1, StoreParameter::EpochMJD);
    if (e0 != day) continue;
    const double f = e - day;
    return (1 - f) * demo.At(r, 1, parameter) + f * demo.At(r + 1, 1, parameter);
  }
  return std::nullopt;
}

// The viewer's refresh pass puts the series that lies a second off back on series 1's second.
TEST(DemoData, RefreshPassAlignsTheWholeSecondSeries) {
  DemoOptions options;
  options.Date = kDate;
  LoadedDemo demo(options, LocalTime(kDate, 10, 0, 0));
  ViewState view;
  ViewControls controls;  // UT1, month, trend removed
  controls.SeriesChecked.Fill(true);
  auto plot = std::make_unique<PlotArrays>();
  const RefreshResult result = RefreshPass(demo.timeBase, *demo.store, view, controls, *plot);
  ASSERT_EQ(result.Exit, RefreshExit::Drawn);
  const double reference = plot->PlotValue(1, 1);
  int utSlots = 0;
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    if (!demo.HasUT(slot) || plot->PlotCount[slot] == 0) continue;
    SCOPED_TRACE("slot " + std::to_string(slot));
    ++utSlots;
    for (int n = 1; n <= plot->PlotCount[slot]; ++n) EXPECT_NEAR(plot->PlotValue(n, slot), reference, 0.05);
  }
  EXPECT_GE(utSlots, 10);
  // In the file the shifted series lies a whole second away.
  EXPECT_NEAR(std::abs(demo.At(1, 6, StoreParameter::UT1) - demo.At(1, 1, StoreParameter::UT1)), 1.0, 0.05);
}

TEST(DemoData, CentresAgreeLikeEarthRotationData) {
  DemoOptions options;
  options.Date = kDate;
  const LoadedDemo demo(options, LocalTime(kDate, 10, 0, 0));
  const double dateMJD = tools::MjdOfDate(kDate);
  int withUT = 0;
  int withPole = 0;
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    SCOPED_TRACE("slot " + std::to_string(slot));
    const double wholeSeconds = slot == WholeSecondSlot ? 1.0 : 0.0;
    withUT += demo.HasUT(slot);
    withPole += demo.At(1, slot, StoreParameter::Xp) != MissingValue;
    for (int r = 1; r <= demo.Rows(slot); ++r) {
      const double e = demo.At(r, slot, StoreParameter::EpochMJD);
      const double ut1 = demo.At(r, slot, StoreParameter::UT1);
      const double xp = demo.At(r, slot, StoreParameter::Xp);
      const double yp = demo.At(r, slot, StoreParameter::Yp);
      if (ut1 != MissingValue) {
        ASSERT_LT(std::fabs(ut1 - wholeSeconds), 0.9) << "MJD " << e;  // leap seconds keep it so
      }
      if (xp != MissingValue) {
        ASSERT_TRUE(xp > -0.3 && xp < 0.5) << "Xp " << xp << " at MJD " << e;
        ASSERT_TRUE(yp > 0.0 && yp < 0.7) << "Yp " << yp << " at MJD " << e;
      }
      if (e > dateMJD) continue;  // predictions drift apart
      // Before the date, every centre is within a few ms or mas of series 1 (one second more for
      // the whole-second series).
      if (ut1 != MissingValue) {
        const std::optional<double> ref = SlotOneAt(demo, e, StoreParameter::UT1);
        if (ref) {
          EXPECT_NEAR(ut1 - wholeSeconds, *ref, 0.003) << "MJD " << e;
        }
      }
      if (xp != MissingValue) {
        const std::optional<double> refX = SlotOneAt(demo, e, StoreParameter::Xp);
        const std::optional<double> refY = SlotOneAt(demo, e, StoreParameter::Yp);
        if (refX) {
          EXPECT_NEAR(xp, *refX, 0.003) << "MJD " << e;
        }
        if (refY) {
          EXPECT_NEAR(yp, *refY, 0.003) << "MJD " << e;
        }
      }
    }
  }
  EXPECT_GE(withUT, 8);
  EXPECT_LE(withUT, SeriesCount - 3);  // several files without a UT column
  EXPECT_LE(withPole, SeriesCount - 2);
}

TEST(DemoData, Ut1RComesOutSmoothThroughTheLoadingPass) {
  // Without noise each centre's UT1R is the model's smooth curve plus an offset: the tides and the
  // seasonal term put into UT1 are exactly those the loading pass takes out.
  DemoOptions options;
  options.Date = kDate;
  options.NoiseScale = 0.0;
  const LoadedDemo demo(options, LocalTime(kDate, 10, 0, 0));
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    if (!demo.HasUT(slot)) continue;
    SCOPED_TRACE("slot " + std::to_string(slot));
    double largestUt1R = 0.0;
    double largestUt1 = 0.0;
    for (int r = 2; r < demo.Rows(slot); ++r) {
      const auto e = [&](int row) { return demo.At(row, slot, StoreParameter::EpochMJD); };
      if (e(r) - e(r - 1) != 1.0 || e(r + 1) - e(r) != 1.0) continue;  // daily neighbours only
      const auto second = [&](int parameter) {
        return demo.At(r + 1, slot, parameter) - 2 * demo.At(r, slot, parameter) + demo.At(r - 1, slot, parameter);
      };
      largestUt1R = std::max(largestUt1R, std::fabs(second(StoreParameter::UT1R)));
      largestUt1 = std::max(largestUt1, std::fabs(second(StoreParameter::UT1)));
    }
    EXPECT_LT(largestUt1R, 1e-6);  // seconds a day squared: rounding to 0.1 µs only
    EXPECT_GT(largestUt1, 1e-4);   // UT1 itself carries the fortnightly and monthly tides
  }
}

TEST(DemoData, LeapSecondStepsEveryUtSeriesOnce) {
  DemoOptions options;
  options.Date = kDate;
  options.LeapSecond = tools::CalendarDate{2024, 12, 1};
  const double leapMJD = tools::MjdOfDate(*options.LeapSecond);
  const LoadedDemo demo(options, LocalTime(kDate, 10, 0, 0));
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    if (!demo.HasUT(slot)) continue;
    SCOPED_TRACE("slot " + std::to_string(slot));
    const double wholeSeconds = slot == WholeSecondSlot ? 1.0 : 0.0;
    int steps = 0;
    for (int r = 1; r <= demo.Rows(slot); ++r) {
      const double ut1 = demo.At(r, slot, StoreParameter::UT1);
      EXPECT_LT(std::fabs(ut1 - wholeSeconds), 0.9);
      if (r == 1) continue;
      const double e = demo.At(r, slot, StoreParameter::EpochMJD);
      const double before = demo.At(r - 1, slot, StoreParameter::EpochMJD);
      for (const int p : {StoreParameter::UT1, StoreParameter::UT1R}) {
        const double step = demo.At(r, slot, p) - demo.At(r - 1, slot, p);
        if (before < leapMJD && e >= leapMJD) {
          EXPECT_NEAR(step, 1.0, 0.01) << "MJD " << e;
          steps += p == StoreParameter::UT1;
        } else {
          EXPECT_LT(std::fabs(step), 0.1) << "MJD " << e;
        }
      }
    }
    EXPECT_EQ(steps, 1);
  }
}

TEST(DemoData, SeriesIniHoldsFifteenDistinctSlots) {
  DemoOptions options;
  options.Date = kDate;
  const LoadedDemo demo(options, LocalTime(kDate, 10, 0, 0));
  const std::string bytes = ReadBytes(demo.dir / "series.ini");
  EXPECT_EQ(bytes, SeriesConfigText(demo.folder.Rows));  // CP1251 text, CR LF, written by the project's writer
  std::set<int> colors;
  int cyrillic = 0;
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    const SeriesConfig& row = demo.folder.Rows[slot];
    colors.insert(row.ColorIndex);
    EXPECT_TRUE(row.ColorIndex >= 0 && row.ColorIndex < 20 && row.ColorIndex != 15) << slot;  // a fixed colour, not white
    EXPECT_TRUE(row.SymbolIndex >= 0 && row.SymbolIndex <= 3) << slot;
    EXPECT_LE(row.FormatSpec.size(), MaxFormatSpecLength) << slot;
    cyrillic += !IsValidUtf8(row.Title);  // CP1251 letters are not UTF-8
  }
  EXPECT_EQ(colors.size(), static_cast<std::size_t>(SeriesCount));
  EXPECT_EQ(Cp1251ToUtf8(demo.folder.Rows[1].Title), "ЦОВ-С");
  EXPECT_GE(cyrillic, 5);
  EXPECT_LE(cyrillic, SeriesCount - 5);
}

TEST(DemoData, SameDateAndSeedGiveTheSameFiles) {
  DemoOptions options;
  options.Date = kDate;
  const DemoFolder a = MakeDemoFolder(options);
  const DemoFolder b = MakeDemoFolder(options);
  options.Seed = 2;
  const DemoFolder c = MakeDemoFolder(options);
  EXPECT_EQ(a.Rows, b.Rows);
  EXPECT_EQ(a.Rows, c.Rows);
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    EXPECT_EQ(a.Files[slot].Bytes, b.Files[slot].Bytes) << slot;
    EXPECT_NE(a.Files[slot].Bytes, c.Files[slot].Bytes) << slot;
  }
}

TEST(MakeDemoData, CommandLine) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string message;  // part of standard error (or of standard output for status 0)
  } const cases[] = {
      {"help", {"--help"}, 0, "usage: make_demo_data OUTDIR"},
      {"no folder", {}, 2, "make_demo_data: the output folder is missing\nusage:"},
      {"two folders", {"a", "b"}, 2, "one output folder only ('a' and 'b')"},
      {"unknown option", {"a", "--data", "2025-03-12"}, 2, "unknown option '--data'"},
      {"date without value", {"a", "--date"}, 2, "--date needs a value"},
      {"no such day", {"a", "--date", "2025-02-29"}, 2, "--date needs a date YYYY-MM-DD of the calendar, not '2025-02-29'"},
      {"not a date", {"a", "--leap-second", "12.03.2025"}, 2, "not '12.03.2025'"},
      {"seed not a number", {"a", "--seed", "-1"}, 2, "--seed needs a whole number"},
      {"date too early for the years", {"a", "--date", "2001-12-30"}, 2,
       "the demo data of 2001-12-30 would run from 1999-12-31 to 2002-04-29, but the years of its files mean "
       "2000..2079: choose a date from 2001-12-31 to 2079-09-02"},
      {"date too late for the years", {"a", "--date", "2079-09-03"}, 2, "would run from 2077-09-03 to 2080-01-01"},
      {"leap second after the data", {"a", "--date", "2025-03-12", "--leap-second", "2025-07-11"}, 2,
       "the leap second on 2025-07-11 lies outside the demo data, which runs from 2023-03-13 to 2025-07-10"},
      {"leap second on the first day", {"a", "--date", "2025-03-12", "--leap-second", "2023-03-13"}, 2,
       "lies outside the demo data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir cwd;  // a wrongly accepted call would write here
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
      if (a == "a" || a == "b") a = cwd / a;
    }
    std::ostringstream out, err;
    EXPECT_EQ(RunMakeDemoData(args, out, err), c.status);
    std::string shown = c.status == 0 ? out.str() : err.str();
    for (const char* name : {"a", "b"}) {
      const std::string path = cwd / name;
      for (std::size_t p = shown.find(path); p != std::string::npos; p = shown.find(path)) shown.replace(p, path.size(), name);
    }
    EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
    EXPECT_TRUE(testing::Names(cwd.path()).empty());
  }
}

TEST(MakeDemoData, ProgramWritesTheFolderForTheDate) {
  TempDir scratch;
  const std::string out = scratch / "demo";
  const testing::ProgramRun run =
      testing::RunProgram(MAKE_DEMO_DATA_PROGRAM, {out, "--date", "2025-03-12", "--seed", "7"}, scratch);
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "make_demo_data: " + out + ": series.ini and 15 data files for 2025-03-12, records from "
                     "2023-03-13 to 2025-07-10\n");
  DemoOptions options;
  options.Date = kDate;
  options.Seed = 7;
  const DemoFolder expected = MakeDemoFolder(options);
  EXPECT_EQ(ReadBytes(out + "/series.ini"), SeriesConfigText(expected.Rows));
  for (const DemoFile& file : expected.Files) EXPECT_EQ(ReadBytes(out + "/" + file.Name), file.Bytes) << file.Name;
  EXPECT_EQ(testing::Names(out).size(), 16u);

  // A folder that cannot be made: exit status 1 and the system's message with the path.
  testing::WriteBytes(scratch / "plain", "not a folder");
  const testing::ProgramRun blocked = testing::RunProgram(MAKE_DEMO_DATA_PROGRAM, {scratch / "plain/demo"}, scratch);
  EXPECT_EQ(blocked.Status, 1);
  EXPECT_NE(blocked.Err.find(scratch / "plain/demo"), std::string::npos) << blocked.Err;
}

}  // namespace
}  // namespace erp::demo
