#include "core/ObservationStore.h"

#include "core/ColumnFormat.h"
#include "core/Cp1251.h"
#include "core/FileIo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "SettingsTestSupport.h"
#include "core/Ut1Correction.h"

namespace erp {
namespace {

using testing::TempDir;
using testing::WriteBytes;
namespace fs = std::filesystem;

constexpr double kBaseMJD = 56508.0 + 10.0 / 24.0 - 750.0;  // reference moment MJD 56508.41666...
const std::string kReading = "  Считывание данных из файла: ";
const std::string kReady = "  Ready";

// Records the statuses of a pass as the window shows them ("reading" with the path as shown, or
// "Ready"); `onStatus` runs after each, between a file's check and its open.
struct StatusLog {
  void operator()(const LoadStatus& status) {
    events.push_back("status:" + (status.Now == LoadStatus::Step::Reading ? kReading + PathForDisplay(status.Path)
                                                                          : kReady));
    if (onStatus) onStatus();
  }
  std::vector<std::string> events;
  std::function<void()> onStatus;
};

// One loading pass over data files in a temporary folder. Slots without a file have empty names.
struct LoadRun {
  LoadRun() { store->DataDirectory = dir.prefix(); }

  void File(int slot, const std::string& name, const std::string& spec, const std::string& bytes) {
    WriteBytes(dir / name, bytes);
    slots.SeriesFileName[slot] = name;
    slots.SeriesFormatSpec[slot] = spec;
  }
  // Runs the pass; the message of the error that ended it, empty when it returned. A failure's
  // place is kept in `failedFile` and `failedLine`.
  std::string Load() {
    try {
      outcome = LoadObservations(kBaseMJD, slots, *store, [this](const LoadStatus& s) { ui(s); });
    } catch (const PlacedError& e) {
      failedFile = e.File;
      failedLine = e.Line;
      return e.what();
    }
    return {};
  }
  std::optional<LoadOutcome> outcome;  // what the last pass returned
  std::string failedFile;
  long failedLine = -1;
  bool Ready() const { return !ui.events.empty() && ui.events.back() == "status:" + kReady; }
  double At(int row, int series, int parameter) const { return store->At(row, series, parameter); }
  std::vector<double> Epochs(int series) const {
    std::vector<double> epochs;
    for (int r = 1; r <= ObservationStore::Rows && At(r, series, StoreParameter::EpochMJD) != MissingValue; ++r) {
      epochs.push_back(At(r, series, StoreParameter::EpochMJD));
    }
    return epochs;
  }
  // True when every value of the series' rows from `firstRow` on is MissingValue.
  bool MissingFrom(int series, int firstRow) const {
    for (int r = firstRow; r <= ObservationStore::Rows; ++r) {
      for (int p = 1; p <= ObservationStore::Parameters; ++p) {
        if (At(r, series, p) != MissingValue) return false;
      }
    }
    return true;
  }

  TempDir dir;
  SeriesSlots slots;
  std::unique_ptr<ObservationStore> store = std::make_unique<ObservationStore>();
  StatusLog ui;
};

std::string Line(double mjd) { return std::to_string(mjd) + " 0.1 0.2 0.3\n"; }

TEST(LoadObservations, KeepsTheRecordsOfTheDayWindow) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::vector<double> epochs;
  };
  const Case cases[] = {
      {"window edges; a record beyond ends the file",
       {Line(55759.0), Line(55759.5), Line(56758.0), Line(56758.5), Line(55800.0)}, {55759.5, 56758.0}},
      {"epochs too large for any integer", {"-1e300 0.1 0.2 0.3\n", Line(55800.0), "1e300 0.1 0.2 0.3\n", Line(55801.0)},
       {55800.0}},
      {"file order kept, duplicates kept", {Line(55900.0), Line(55800.0), Line(55800.0)}, {55900.0, 55800.0, 55800.0}},
      {"Ctrl-Z ends the file", {Line(55800.0), "\x1a" "garbage after the end\n"}, {55800.0}},
      {"CR LF line ends", {"55800 0.1 0.2 0.3\r\n", "55801 0.1 0.2 0.3\r\n"}, {55800.0, 55801.0}},
      {"a megabyte of blanks after a record", {"55800 0.1 0.2 0.3" + std::string(1 << 20, ' ') + "\n", Line(55801.0)},
       {55800.0, 55801.0}},
      {"empty file", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadRun run;
    std::string bytes;
    for (const auto& line : c.lines) bytes += line;
    run.File(1, "a.dat", "j_xp_yp_u", bytes);
    EXPECT_EQ(run.Load(), "");
    EXPECT_TRUE(run.store->SeriesLoaded[1]);
    EXPECT_EQ(run.Epochs(1), c.epochs);
    EXPECT_TRUE(run.MissingFrom(1, static_cast<int>(c.epochs.size()) + 1));
  }
}

TEST(LoadObservations, DailyFileFillsRowsFromTheWindowStart) {
  LoadRun run;
  std::string bytes;
  for (int mjd = 55000; mjd <= 56508; ++mjd) bytes += Line(mjd);
  run.File(1, "daily.dat", "j_xp_yp_u", bytes);
  ASSERT_EQ(run.Load(), "");
  const auto epochs = run.Epochs(1);
  ASSERT_EQ(epochs.size(), 749u);
  EXPECT_EQ(epochs.front(), 55760.0);
  EXPECT_EQ(epochs.back(), 56508.0);
  EXPECT_TRUE(run.MissingFrom(1, 750));
}

TEST(LoadObservations, StoresTheParametersEachFormatHas) {
  LoadRun run;
  run.File(1, "full.dat", "j_xp_yp_u", "55800 0 0 0.5\n55801 0 0.25 -0.4\n55802 0.125 0 0.1\n");
  run.File(2, "pole.dat", "j_xp_yp", "55800 0.1 0.2\n");
  run.File(3, "ut.dat", "j_u", "55800 0.3\n");
  run.File(4, "calendar.dat", "yy_mm_dd_hh_u_xp_yp", "13 8 4 6 0.1 0.0 -0.5\n");
  run.File(5, "huge.dat", "j_u_xp_yp", "55800 -1.7976931348623157e308 1e300 -1e300\n");
  ASSERT_EQ(run.Load(), "");

  const double ut1r = 0.5 - Ut1Correction(55800.0, 1);
  struct Expect {
    const char* what;
    int row, series, parameter;
    double value;
  };
  const Expect expects[] = {
      {"UT1 as read", 1, 1, StoreParameter::UT1, 0.5},
      {"UT1R derived", 1, 1, StoreParameter::UT1R, ut1r},
      {"both pole coordinates 0: missing", 1, 1, StoreParameter::Xp, MissingValue},
      {"both pole coordinates 0: missing", 1, 1, StoreParameter::Yp, MissingValue},
      {"Xp 0 alone is kept", 2, 1, StoreParameter::Xp, 0.0},
      {"Yp beside it", 2, 1, StoreParameter::Yp, 0.25},
      {"Yp 0 alone is kept", 3, 1, StoreParameter::Yp, 0.0},
      {"no u column: no UT1", 1, 2, StoreParameter::UT1, MissingValue},
      {"no u column: no UT1R", 1, 2, StoreParameter::UT1R, MissingValue},
      {"pole kept", 1, 2, StoreParameter::Xp, 0.1},
      {"no pole columns: missing", 1, 3, StoreParameter::Xp, MissingValue},
      {"no pole columns: missing", 1, 3, StoreParameter::Yp, MissingValue},
      {"UT1 of a UT-only file", 1, 3, StoreParameter::UT1, 0.3},
      {"calendar epoch", 1, 4, StoreParameter::EpochMJD, 56508.25},
      {"calendar Yp", 1, 4, StoreParameter::Yp, -0.5},
      {"huge Xp kept", 1, 5, StoreParameter::Xp, 1e300},
      {"huge Yp kept", 1, 5, StoreParameter::Yp, -1e300},
      {"lowest double as UT1", 1, 5, StoreParameter::UT1, -1.7976931348623157e308},
      {"its UT1R stays finite", 1, 5, StoreParameter::UT1R, -1.7976931348623157e308},
  };
  for (const auto& e : expects) {
    SCOPED_TRACE(::testing::Message() << e.what << " (row " << e.row << ", series " << e.series << ")");
    EXPECT_EQ(run.At(e.row, e.series, e.parameter), e.value);
  }
  EXPECT_NE(ut1r, 0.5);
}

TEST(LoadObservations, CorrectionsWorkedOutAheadAreThoseOfTheEpochsAt0h) {
  struct Case {
    const char* what;
    double base, epoch;
    bool known;
  };
  const Case cases[] = {
      {"whole base: the day's first epoch", 55000.0, 55001.0, true},
      {"whole base: the window's last day", 55000.0, 55999.0, true},
      {"whole base: noon", 55000.0, 55001.5, false},
      {"base at 10h: the 0h after it", kBaseMJD, 55760.0, true},
      {"base at 10h: 0h of the last day", kBaseMJD, 56758.0, true},
      {"base at 10h: 6h", kBaseMJD, 55760.25, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const DayCorrections ahead(c.base);
    const std::optional<double> correction = ahead.Of(c.epoch, c.epoch - c.base);
    ASSERT_EQ(correction.has_value(), c.known);
    if (c.known) {
      EXPECT_EQ(*correction, Ut1Correction(c.epoch, 1));
    }
  }
}

TEST(LoadObservations, CorrectionsWorkedOutAheadLeaveTheStoreAsItIs) {
  std::string lines;  // 0h and 6h epochs over the whole window, and a day with both
  for (double mjd = 55759.0; mjd < 56759.0; mjd += 0.75) lines += std::to_string(mjd) + " 0.1 0.2 0.3\n";
  auto load = [&](const DayCorrections* ahead) {
    LoadRun run;
    run.File(1, "a.dat", "j_xp_yp_u", lines);
    run.File(2, "b.dat", "yy_mm_dd_hh_u_xp_yp", "13 8 4 0 0.1 0.2 0.3\n13 8 4 6 0.2 0.2 0.3\n13 8 5 0 0.3 0.2 0.3\n");
    EXPECT_EQ(testing::ErrorOf([&] {
                LoadObservations(kBaseMJD, run.slots, *run.store, {}, ahead);
              }),
              "");
    return run.store->Values;
  };
  const DayCorrections ahead(kBaseMJD);
  const auto without = load(nullptr);
  const auto with = load(&ahead);
  EXPECT_TRUE(std::equal(with.begin(), with.end(), without.begin()));
}

TEST(LoadObservations, SkipsSlotsWithoutAFileAndReportsProgress) {
  LoadRun run;
  run.File(1, "a.dat", "j_u", "55800 0.1\n");
  run.slots.SeriesFileName[2] = "";
  run.slots.SeriesFileName[3] = "  ";
  fs::create_directory(run.dir.path() / "folder.dat");
  run.slots.SeriesFileName[4] = "folder.dat";
  run.slots.SeriesFileName[5] = "missing.dat";
  run.slots.SeriesFileName[6] = std::string("a.dat\0tail", 10);  // must not open a.dat
  run.File(7, "empty.dat", "j_u", "");
  run.File(8, "\xD0\xFF\xE4.dat", "j_u", "55801 0.2\n");  // CP1251 bytes in the name
  run.store->At(5, 15, StoreParameter::Xp) = 1.0;  // left from before: cleared by the pass
  run.store->SeriesLoaded[15] = true;

  ASSERT_EQ(run.Load(), "");
  const std::string dir = run.dir.prefix();
  EXPECT_EQ(run.ui.events, (std::vector<std::string>{"status:" + kReading + dir + "a.dat",
                                                     "status:" + kReading + dir + "empty.dat",
                                                     "status:" + kReading + dir + "Ряд.dat", "status:" + kReady}));
  const bool loaded[] = {true, false, false, false, false, false, true, true, false, false, false, false, false, false, false};
  for (int i = 1; i <= SeriesCount; ++i) EXPECT_EQ(run.store->SeriesLoaded[i], loaded[i - 1]) << "slot " << i;
  EXPECT_TRUE(run.store->AnySeriesLoaded);
  EXPECT_EQ(run.store->DataDirectory, dir);
  EXPECT_EQ(run.outcome, LoadOutcome::Loaded);
  EXPECT_TRUE(run.MissingFrom(6, 1));
  EXPECT_TRUE(run.MissingFrom(7, 1));
  EXPECT_EQ(run.Epochs(8), std::vector<double>{55801.0});
  EXPECT_TRUE(run.MissingFrom(15, 1));
}

// Only regular files are read. What is no file at all (FIFO, socket, device) is skipped like a
// folder, instead of blocking the pass or feeding it without end; a name that cannot be followed
// ends the pass like an unreadable file.
TEST(LoadObservations, ReadsOnlyRegularFiles) {
  LoadRun run;
  run.File(1, "a.dat", "j_u", "55800 0.1\n");
  ASSERT_TRUE(testing::MakeFifo(run.dir / "fifo.dat"));
  ASSERT_TRUE(testing::MakeSocket(run.dir / "socket.dat"));
  fs::create_symlink("/dev/zero", run.dir.path() / "zero.dat");
  const char* nonFiles[] = {"fifo.dat", "socket.dat", "zero.dat"};
  for (int i = 0; i < 3; ++i) {
    run.slots.SeriesFileName[i + 2] = nonFiles[i];
    run.slots.SeriesFormatSpec[i + 2] = "j_u";
  }
  ASSERT_EQ(run.Load(), "");
  EXPECT_EQ(run.ui.events, (std::vector<std::string>{"status:" + kReading + run.dir / "a.dat", "status:" + kReady}));
  for (int i = 2; i <= 4; ++i) EXPECT_FALSE(run.store->SeriesLoaded[i]) << "slot " << i;

  fs::create_symlink("loop-b.dat", run.dir.path() / "loop-a.dat");
  fs::create_symlink("loop-a.dat", run.dir.path() / "loop-b.dat");
  run.slots.SeriesFileName[6] = "loop-a.dat";
  run.slots.SeriesFileName[7] = "a.dat";  // not reached
  EXPECT_EQ(run.Load(), std::strerror(ELOOP));
  EXPECT_EQ(run.ui.events.back(), "status:" + kReading + run.dir / "loop-a.dat");
  EXPECT_TRUE(run.store->SeriesLoaded[6]);
  EXPECT_FALSE(run.store->SeriesLoaded[7]);
  EXPECT_EQ(run.Epochs(1), std::vector<double>{55800.0});
}

// The file's check and its open are two steps; whatever takes the file's place in between is
// refused by the open, without waiting on a FIFO.
TEST(LoadObservations, FileReplacedAfterItsCheckEndsThePass) {
  struct Case {
    const char* name;
    std::function<void(const std::string& path)> replace;
    int error;
  };
  const Case cases[] = {
      {"removed", [](const std::string& path) { fs::remove(path); }, ENOENT},
      {"replaced by a FIFO", [](const std::string& path) { fs::remove(path); testing::MakeFifo(path); }, EINVAL},
      {"replaced by a folder", [](const std::string& path) { fs::remove(path); fs::create_directory(path); }, EISDIR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadRun run;
    // A single file is read on the pass's own thread, where the status comes between the file's
    // check and its open.
    run.File(2, "b.dat", "j_u", "55801 0.1\n");
    const std::string victim = run.dir / "b.dat";
    run.ui.onStatus = [&] {
      if (run.ui.events.back() == "status:" + kReading + victim) c.replace(victim);
    };
    EXPECT_EQ(run.Load(), std::strerror(c.error));
    EXPECT_TRUE(run.MissingFrom(2, 1));
    EXPECT_TRUE(run.store->SeriesLoaded[2]);
    EXPECT_FALSE(run.Ready());
  }
}

// A failure ends the pass as in a reading one file after the other: the files before it read,
// the later ones untouched. The two threads of the pass take the files in turn, so a later file
// may fail first: the failure told is still the first one in slot order. The first failing file
// has its bad line after many good ones (before the window), a later one right away.
TEST(LoadObservations, ConversionErrorStopsThePassAtItsLine) {
  const char* const names[] = {"a.dat", "b.dat", "c.dat", "d.dat"};
  const std::vector<int> failingSets[] = {{1}, {2}, {3}, {4}, {1, 2}, {2, 4}, {1, 3, 4}};
  std::string slowStart;
  for (int i = 0; i < 5000; ++i) slowStart += "55000 0.1 0.2 0.3\n";
  for (const std::vector<int>& failing : failingSets) {
    SCOPED_TRACE(::testing::PrintToString(failing));
    const int first = failing.front();
    LoadRun run;
    for (int slot = 1; slot <= 4; ++slot) {
      std::string bytes = std::to_string(55799 + slot) + " 0.1 0.2 0.3\n";
      if (slot == first) bytes += slowStart;
      if (std::find(failing.begin(), failing.end(), slot) != failing.end()) {
        bytes += "55803 " + std::string(slot == first ? "abc" : "xyz") + " 0.2 0.3\n55804 0.1 0.2 0.3\n";
      }
      run.File(slot, names[slot - 1], "j_xp_yp_u", bytes);
    }
    EXPECT_EQ(run.Load(), "'abc' is not a valid floating point value");
    for (int slot = 1; slot <= 4; ++slot) {
      if (slot <= first) {
        EXPECT_EQ(run.Epochs(slot), std::vector<double>{55799.0 + slot});
        EXPECT_TRUE(run.store->SeriesLoaded[slot]);
      } else {
        EXPECT_TRUE(run.MissingFrom(slot, 1)) << "slot " << slot;
        EXPECT_FALSE(run.store->SeriesLoaded[slot]);
      }
    }
    EXPECT_EQ(run.ui.events.back(), "status:" + kReading + run.dir.prefix() + names[first - 1]);
    EXPECT_EQ(run.ui.events.size(), static_cast<std::size_t>(first));
    EXPECT_FALSE(run.Ready());
    EXPECT_EQ(run.failedFile, run.dir.prefix() + names[first - 1]);
    EXPECT_EQ(run.failedLine, 5002);  // its first line, the slow start, then the bad one
  }
}

TEST(LoadObservations, HostileDataFilesEndWithTheConversionMessage) {
  std::mt19937 random(7);
  std::string garbage(32 * 1024, '\0');
  for (char& b : garbage) b = static_cast<char>(random());
  struct Case {
    const char* name;
    std::string bytes;
    std::string error;  // empty: only that some conversion message ends the pass
  };
  const Case cases[] = {
      {"binary garbage", garbage, ""},
      // (the NUL is left out of the quoted field, so the message is not cut short at it)
      {"NUL inside a number", std::string("55800.0\0 0.1 0.2 0.3\n", 21), "'55800.0' is not a valid floating point value"},
      {"CR-only line ends join the lines", "55800.0 0.1 0.2 0.3\r55801.0 0.1 0.2 0.3\r",
       "'0.355801.0' is not a valid floating point value"},
      {"a megabyte without blanks, cut to 200 characters", std::string(1 << 20, 'x') + "\n",
       "'xxxxxxxxxx' is not a valid floating point value"},
      {"blank line", "55800 0.1 0.2 0.3\n\n55801 0.1 0.2 0.3\n", "'' is not a valid floating point value"},
      {"header line", "MJD Xp Yp UT1\n", "'MJD' is not a valid floating point value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadRun run;
    run.File(1, "a.dat", "j_xp_yp_u", c.bytes);
    const std::string error = run.Load();
    if (c.error.empty()) {
      EXPECT_NE(error, "");
    } else {
      EXPECT_EQ(error, c.error);
    }
    EXPECT_FALSE(run.Ready());
    for (int s = 2; s <= SeriesCount; ++s) EXPECT_TRUE(run.MissingFrom(s, 1)) << "series " << s;
  }
}

// A line before the window is dropped by its epoch, but every field of it is still checked: a
// field that does not convert ends the pass there, whatever the layout.
TEST(LoadObservations, LinesBeforeTheWindowAreCheckedInFull) {
  struct Case {
    const char* spec;
    std::string early;  // a line before the window
    std::string error;  // empty: the line is dropped and the pass goes on
  } const cases[] = {
      {"j_xp_yp_u", "55000 0.1 abc 0.3", "'abc' is not a valid floating point value"},
      {"j_xp_yp_u", "55000 0.1 0.2", "'' is not a valid floating point value"},
      {"j_xp_yp_u", "55000 1e-3 -2E+1 .5", ""},
      {"j_xp_yp_u", "55000 0.1 0.2 0.3 more words", ""},
      {"rrr_j_xp_yp_u_rrr_rrr", "0 55000 0.1 0.2 0.3 0.1 x", "'x' is not a valid floating point value"},
      {"rrr_j_xp_yp_u_rrr_rrr", "abc 55000 0.1 0.2 0.3 0.1 0.1", "'abc' is not a valid floating point value"},
      {"yy_mm_dd_hh_u_xp_yp", "9 6 18 0 0.3 0.1 1.2.3", "'1.2.3' is not a valid floating point value"},
      {"yy_mm_dd_hh_u_xp_yp", "9 2 30 0 0.3 0.1 0.2", "Invalid argument to date encode"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.early);
    const FormatTokens tokens = SplitFormatSpec(c.spec);
    std::string inWindow;  // a line of 9 September 2011 (MJD 55813) in the same layout
    for (int t = 0; t < tokens.usedColumns; ++t) {
      const auto field = [](ColumnKind kind) {
        switch (kind) {
          case ColumnKind::Epoch: return "55813";
          case ColumnKind::Year: return "11";
          case ColumnKind::Month:
          case ColumnKind::Day: return "9";
          case ColumnKind::Hour: return "0";
          default: return "0.1";
        }
      };
      inWindow += std::string(t > 0 ? " " : "") + field(tokens.kind[static_cast<std::size_t>(t)]);
    }
    LoadRun run;
    run.File(1, "a.dat", c.spec, c.early + "\n" + inWindow + "\n");
    EXPECT_EQ(run.Load(), c.error);
    EXPECT_EQ(run.Epochs(1).size(), c.error.empty() ? 1U : 0U);
  }
}

TEST(LoadObservations, KeepsTheFirstThousandRecordsOfAFile) {
  LoadRun run;
  std::string bytes;  // 5000 records a day for two days
  for (int k = 1; k <= 10000; ++k) bytes += std::to_string(55800 + (k - 1) / 5000) + " " + std::to_string(k) + " 1 0.1\n";
  run.File(2, "dense.dat", "j_xp_yp_u", bytes);
  run.File(4, "after.dat", "j_xp_yp_u", "55900 0.5 0.5 0.5\n");
  ASSERT_EQ(run.Load(), "");
  EXPECT_EQ(run.Epochs(2).size(), 1000u);
  EXPECT_EQ(run.At(1, 2, StoreParameter::Xp), 1.0);
  EXPECT_EQ(run.At(1000, 2, StoreParameter::Xp), 1000.0);
  EXPECT_TRUE(run.MissingFrom(1, 1));  // neighbours untouched
  EXPECT_TRUE(run.MissingFrom(3, 1));
  EXPECT_EQ(run.Epochs(4), std::vector<double>{55900.0});

  // Lines past the thousandth are still read: a bad one still ends the pass.
  LoadRun bad;
  bad.File(1, "dense.dat", "j_xp_yp_u", bytes + "55801 bad 1 1\n");
  EXPECT_EQ(bad.Load(), "'bad' is not a valid floating point value");
  EXPECT_EQ(bad.Epochs(1).size(), 1000u);
}

// Without any data file under the slots' names the pass says so and asks nobody: the window
// then offers its folder chooser, and the folder chosen becomes the data folder.
TEST(LoadObservations, WithoutAnyDataFileTheOutcomeSaysSo) {
  LoadRun run;
  run.slots.SeriesFileName[1] = "nowhere.dat";
  fs::create_directory(run.dir.path() / "folder.dat");
  run.slots.SeriesFileName[2] = "folder.dat";
  ASSERT_EQ(run.Load(), "");
  EXPECT_EQ(run.outcome, LoadOutcome::NoDataFiles);
  EXPECT_TRUE(run.ui.events.empty());
  EXPECT_FALSE(run.store->AnySeriesLoaded);

  WriteBytes(run.dir / "nowhere.dat", "55800 0.1\n");
  run.slots.SeriesFormatSpec[1] = "j_u";
  ASSERT_EQ(run.Load(), "");
  EXPECT_EQ(run.outcome, LoadOutcome::Loaded);
  EXPECT_EQ(run.Epochs(1), std::vector<double>{55800.0});
}

TEST(DataDirectoryOf, IsTheFolderAndASeparatorCutTo255Bytes) {
  EXPECT_EQ(DataDirectoryOf("/data/erp"), "/data/erp/");
  EXPECT_EQ(DataDirectoryOf(std::string(300, 'd')), std::string(255, 'd'));
  EXPECT_EQ(DataDirectoryOf(std::string(254, 'd')), std::string(254, 'd') + "/");
}

// Permissions stop an ordinary user only; as root the check runs as "nobody" in a child process.
TEST(LoadObservations, UnreadableFileGivesTheSystemMessage) {
  const auto outcome = testing::RunUnprivileged([]() -> std::string {
    LoadRun run;
    run.File(1, "a.dat", "j_u", "55800 0.1\n");
    run.File(2, "locked.dat", "j_u", "55800 0.1\n");
    ::chmod((run.dir / "locked.dat").c_str(), 0);
    std::string failures;
    if (run.Load() != std::strerror(EACCES)) failures += "wrong or no error; ";
    if (!run.store->SeriesLoaded[2]) failures += "slot 2 not marked loaded; ";
    if (run.Epochs(1) != std::vector<double>{55800.0}) failures += "slot 1 not kept; ";
    if (run.Ready()) failures += "pass completed; ";
    if (run.failedFile != run.dir / "locked.dat" || run.failedLine != 0) failures += "place not told; ";
    return failures;
  });
  if (!outcome) GTEST_SKIP() << "running as root and cannot switch to the user nobody, so permissions are not enforced";
  EXPECT_EQ(*outcome, "");
}

// A data folder that may not be searched hides its files: the pass ends with the system's
// message instead of asking for another folder as if it held no data. A folder that may be
// searched but not listed is read as usual.
TEST(LoadObservations, DataFolderThatMayNotBeSearchedGivesTheSystemMessage) {
  const auto outcome = testing::RunUnprivileged([]() -> std::string {
    std::string failures;
    for (const bool searchable : {false, true}) {
      LoadRun run;
      fs::create_directory(run.dir.path() / "data");
      WriteBytes(run.dir / "data/a.dat", "55800 0.1\n");
      ::chmod((run.dir / "data").c_str(), searchable ? 0111 : 0);
      run.store->DataDirectory = run.dir / "data/";
      run.slots.SeriesFileName[1] = "a.dat";
      run.slots.SeriesFormatSpec[1] = "j_u";
      const std::string error = run.Load();
      if (searchable && (error != "" || run.Epochs(1) != std::vector<double>{55800.0})) failures += "search-only folder not read; ";
      if (!searchable && error != std::strerror(EACCES)) failures += "closed folder: wrong or no error; ";
      if (!searchable && run.outcome) failures += "closed folder: taken for one without data; ";
    }
    return failures;
  });
  if (!outcome) GTEST_SKIP() << "running as root and cannot switch to the user nobody, so permissions are not enforced";
  EXPECT_EQ(*outcome, "");
}

}  // namespace
}  // namespace erp
