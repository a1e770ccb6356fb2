// The import of the analysis centres' products: IVS EOP 2.x, the IERS universal format, IGS ERP
// version 2, UT1 - TAI through the leap-second table, and the program eop_import with --into.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include <sstream>

#include "ProgramRun.h"
#include "SettingsTestSupport.h"
#include "iers/IersConvert.h"

namespace erp::iers {
namespace {

using erp::testing::ReadBytes;
using erp::testing::TempDir;
using erp::testing::WriteBytes;

// Fixtures, written after the format descriptions, values checked by hand below:
//   ivs_sample.eoxy    IVS EOP format 2.2, four 24-hour sessions from 2024-12-28, session mid-times
//   universal_utc.eop  universal format, UT1-UTC, five days from 2024-12-28 at 0h, 5 decimals for x, y
//   universal_tai.eop  universal format, UT1-TAI, four noons from 2016-12-30 (across the leap second)
//   erp_utc.erp        IGS ERP version 2, UT1-UTC, four noons from 2024-12-28
//   erp_tai.erp        IGS ERP, "VERSION 2", "UT1 -TAI", units "(10**-6\")", three noons from 2016-12-30
//   erp_ut1r.erp       IGS ERP, UT1R-UTC, units written "E-6\"", two noons from 2024-12-28
//   leap-seconds.list  the entries of 1972-2017, expiring on 2025-12-28
using erp::testing::Fixture;

const LeapSeconds& TestLeaps() {
  static const LeapSeconds leaps = LeapSeconds::Parse("leaps", ReadBytes(Fixture("leap-seconds.list")));
  return leaps;
}

ConvertOptions WithLeaps(Values take = Values::All) {
  ConvertOptions options;
  options.Take = take;
  options.Leaps = [] () -> const LeapSeconds& { return TestLeaps(); };
  return options;
}

TEST(EopImport, ReadsEachProductIntoTheDataFile) {
  struct Case {
    const char* fixture;
    Values take;
    const char* layout;
    Values written;
    std::string data;  // the data file, every value checked by hand against the fixture
    std::string warning;
  } const cases[] = {
      {"ivs_sample.eoxy", Values::All, "IVS EOP format 2.x", Values::All,
       "60672.3125 -0.010512 0.409215 0.0024871\r\n60674.29167 -0.004688 0.405309 0.0018577\r\n"
       "60676.30903 0.001493 0.401002 0.0011215\r\n60679.27431 0.010530 0.394681 0.0001238\r\n", ""},
      // five decimals in, five out; UT1-UTC with six
      {"universal_utc.eop", Values::All, "IERS universal format, UT1-UTC", Values::All,
       "60672 -0.01042 0.40940 0.002497\r\n60673 -0.00751 0.40730 0.002174\r\n60674 -0.00459 0.40520 0.001848\r\n"
       "60675 -0.00158 0.40310 0.001496\r\n60676 0.00150 0.40100 0.001124\r\n", ""},
      // TAI - UTC 36 s up to 2016-12-31, 37 s from 2017-01-01: UT1-UTC jumps by the leap second
      {"universal_tai.eop", Values::All, "IERS universal format, UT1-TAI", Values::All,
       "57752.5 0.05310 0.28140 -0.40810\r\n57753.5 0.05482 0.28211 -0.40900\r\n57754.5 0.05651 0.28287 0.59010\r\n"
       "57755.5 0.05817 0.28369 0.58920\r\n", ""},
      // 1e-6" and 1e-7 s: -9012 is -0.009012", 23350 is 0.0023350 s
      {"erp_utc.erp", Values::All, "IGS ERP version 2, UT1-UTC", Values::All,
       "60672.5 -0.009012 0.408350 0.0023350\r\n60673.5 -0.006101 0.406251 0.0020127\r\n"
       "60674.5 -0.003190 0.404150 0.0016947\r\n60675.5 -0.000283 0.402046 0.0013528\r\n", ""},
      {"erp_tai.erp", Values::All, "IGS ERP version 2, UT1-TAI", Values::All,
       "57752.5 0.053100 0.281400 -0.4081000\r\n57753.5 0.054820 0.282110 -0.4090000\r\n"
       "57754.5 0.056510 0.282870 0.5901000\r\n", ""},
      {"erp_tai.erp", Values::UT, "IGS ERP version 2, UT1-TAI", Values::UT,
       "57752.5 -0.4081000\r\n57753.5 -0.4090000\r\n57754.5 0.5901000\r\n", ""},
      {"erp_ut1r.erp", Values::All, "IGS ERP version 2, UT1R-UTC", Values::Pole,
       "60672.5 -0.009012 0.408350\r\n60673.5 -0.006101 0.406251\r\n",
       "in: UT1R-UTC is UT1 with the zonal tides taken out by the producer's model, not the viewer's; imported Xp and "
       "Yp only"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    const Conversion conv = ConvertEop("in", ReadBytes(Fixture(c.fixture)), WithLeaps(c.take));
    EXPECT_EQ(conv.Layout, c.layout);
    EXPECT_EQ(conv.Take, c.written);
    EXPECT_EQ(DataFileText(conv, conv.Take), c.data);
    EXPECT_EQ(conv.Warning, c.warning);
  }
}

TEST(EopImport, LeapSecondTable) {
  const LeapSeconds& leaps = TestLeaps();
  struct Case {
    double mjd;
    std::optional<int> taiMinusUtc;
  } const cases[] = {
      {41316.99, std::nullopt},  // 1971-12-31: before the table
      {41317.0, 10},             // 1972-01-01
      {57753.99, 36},            // 2016-12-31, the last moment before the leap second
      {57754.0, 37},             // 2017-01-01 0h
      {61037.0, 37},             // 2025-12-28, the expiry date
      {61037.5, std::nullopt},   // after it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mjd);
    EXPECT_EQ(leaps.TaiMinusUtc(c.mjd), c.taiMinusUtc);
  }
  // The system's table, where tzdata is installed, reads too.
  if (std::filesystem::exists(SystemLeapSeconds)) {
    EXPECT_EQ(LeapSeconds::Parse(SystemLeapSeconds, ReadBytes(SystemLeapSeconds)).TaiMinusUtc(57754.0), 37);
  }
  try {
    LeapSeconds::Parse("l", "2272060800\t10\n");
    ADD_FAILURE() << "accepted";
  } catch (const ConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "l:1: no expiry line '#@': the table does not say how long it holds");
  }
}

TEST(EopImport, RejectsWithFileLineAndReason) {
  const std::string ivs = "# IVS\n60672.31250 -0.010512 0.409215 0.0024871 R41180\n";
  const std::string erpHead = "version 2\n  MJD  Xpole  Ypole  UT1-UTC  LOD\n";
  const std::string uniTai = "# MJD x y UT1-TAI\n";
  struct Case {
    const char* name;
    std::string text;
    Values take;
    std::optional<Product> type;
    std::string message;
  } const cases[] = {
      {"IVS epoch to the day only", "60672.00 -0.010512 0.409215 0.0024871 1 2\n", Values::All, std::nullopt,
       "in:1: field 1: the MJD '60672.00' has 2 decimals; an IVS EOP record gives at least 5"},
      {"IVS pole not a number", "60672.31250 -0.0105l2 0.409215 0.0024871\n", Values::All, std::nullopt,
       "in:1: field 2 (x of the pole): '-0.0105l2' is not a number"},
      {"IVS record of three fields", ivs + "60673.31250 -0.010512 0.409215\n", Values::All, std::nullopt,
       "in:3: a record has at least 4 fields (MJD, x, y, UT1-UTC), this line has 3"},
      {"ERP of another version", "version 1\n", Values::All, std::nullopt,
       "in:1: 'version 1': of the IGS ERP format only version 2 is read"},
      {"ERP header without UT", "version 2\n  MJD  Xpole  Ypole  UT  LOD\n", Values::All, std::nullopt,
       "in:2: the column header names no UT quantity: UT1-UTC, UT1R-UTC, UT1-TAI or UT1R-TAI expected"},
      {"ERP units of 1e-5\"", erpHead + "  10**-5\"   .1us\n", Values::All, std::nullopt,
       "in:3: the units line gives x and y in 1e-5\"; IGS ERP version 2 gives them in 1e-6\""},
      {"ERP text after the records", erpHead + " 60672.50 -9012 408350 23350 4213\nend\n", Values::All, std::nullopt,
       "in:4: not a record of the IGS ERP format (text after the records began)"},
      {"forced ERP without its first line", "MJD x y UT1-UTC\n", Values::All, Product::Erp,
       "in:1: an IGS ERP file starts with the line 'version 2'"},
      {"header naming both", "# MJD x y UT1-UTC UT1-TAI\n", Values::All, std::nullopt,
       "in:1: the header names both UT1-UTC and UT1-TAI: which one the UT column holds is not clear"},
      {"forced universal without its header", "60672.00 -0.01 0.40 0.002\n", Values::All, Product::Universal,
       "in:1: a record before the header line naming the quantities (MJD x y UT1-UTC or UT1-TAI ...) of the IERS "
       "universal format"},
      {"UT1-TAI before 1972", uniTai + "41316.50 0.1 0.2 -9.9\n", Values::All, std::nullopt,
       "in:2: the epoch MJD 41316.50 (1971-12-31) is before 1972-01-01, the first entry of the leap-second table "
       "leaps: UT1-TAI cannot be turned into UT1-UTC there"},
      {"UT1-TAI after the table's expiry", uniTai + "61037.00 0.1 0.2 -36.9\n61038.00 0.1 0.2 -36.9\n", Values::All,
       std::nullopt,
       "in:3: the epoch MJD 61038.00 (2025-12-29) is after 2025-12-28, the expiry date of the leap-second table "
       "leaps: whether a leap second came before it is not known (name a newer table with --leap-seconds)"},
      {"UT1R asked for", ReadBytes(Fixture("erp_ut1r.erp")), Values::UT, std::nullopt,
       "in:3: UT1R-UTC is UT1 with the zonal tides taken out by the producer's model, not the viewer's: it cannot be "
       "imported as UT1-UTC (--values ut)"},
      {"none of the products", "Earth orientation\n", Values::All, std::nullopt,
       "in:1: no record found: none of the IERS finals, EOP C04, IVS EOP 2.x, IERS universal or IGS ERP layouts"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConvertOptions options = WithLeaps(c.take);
    options.Type = c.type;
    try {
      ConvertEop("in", c.text, options);
      ADD_FAILURE() << "accepted";
    } catch (const ConvertError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

// series.ini of a working folder with slots 1 and 3 taken.
const std::string kOldIni =
    "12 0 IERS-A iers.dat j_xp_yp_u\r\n0 0\r\n9 2 C04 c04.dat j_xp_yp_u\r\n";

TEST(EopImport, ProgramPutsEachInputIntoTheFirstFreeSlots) {
  TempDir dir;
  WriteBytes(dir / "series.ini", kOldIni);
  const testing::ProgramRun run = testing::RunProgram(
      EOP_IMPORT_PROGRAM,
      {Fixture("ivs_sample.eoxy"), Fixture("erp_ut1r.erp"), Fixture("universal_tai.eop"), "--into", dir.path().string(),
       "--leap-seconds", Fixture("leap-seconds.list")},
      dir);
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "12 0 ivs_sample ivs_sample.dat j_xp_yp_u\n9 0 erp_ut1r erp_ut1r.dat j_xp_yp\n"
                     "2 0 universal_tai universal_tai.dat j_xp_yp_u\n");
  EXPECT_NE(run.Err.find("eop_import: warning: " + Fixture("erp_ut1r.erp") + ": UT1R-UTC is UT1 with the zonal tides"),
            std::string::npos) << run.Err;
  const std::string ini = ReadBytes(dir / "series.ini");
  EXPECT_EQ(ini.substr(0, ini.find("\r\n", ini.find("c04.dat")) + 2),
            "12 0 IERS-A iers.dat j_xp_yp_u\r\n12 0 ivs_sample ivs_sample.dat j_xp_yp_u\r\n"
            "9 2 C04 c04.dat j_xp_yp_u\r\n");
  EXPECT_NE(ini.find("\r\n9 0 erp_ut1r erp_ut1r.dat j_xp_yp\r\n2 0 universal_tai universal_tai.dat j_xp_yp_u\r\n"),
            std::string::npos) << ini;
  EXPECT_EQ(ReadBytes(dir / "universal_tai.dat"),
            DataFileText(ConvertEop("x", ReadBytes(Fixture("universal_tai.eop")), WithLeaps()), Values::All));
}

TEST(EopImport, ProgramRefusesAndLeavesTheFolderAsItWas) {
  struct Case {
    const char* name;
    std::vector<std::string> args;  // "DIR" is the working folder
    int status;
    std::string message;
  } const cases[] = {
      {"slot taken", {Fixture("erp_tai.erp"), "--into", "DIR", "--slot", "3", "--leap-seconds", Fixture("leap-seconds.list")}, 1,
       "DIR/series.ini: slot 3 holds c04.dat already (--force replaces it)"},
      {"data file exists", {Fixture("erp_utc.erp"), "--into", "DIR"}, 1,
       "DIR/erp_utc.dat: the data file exists already (--force replaces it)"},
      {"UT1R as UT", {Fixture("erp_utc.erp"), Fixture("erp_ut1r.erp"), "--into", "DIR", "--values", "ut", "--force"}, 1,
       "it cannot be imported as UT1-UTC (--values ut)"},
      {"leap-second table missing", {Fixture("universal_tai.eop"), "--into", "DIR", "--leap-seconds", "DIR/none"}, 1,
       "DIR/none: No such file or directory (the leap-second table that turns UT1-TAI into UT1-UTC"},
      {"product forced", {Fixture("ivs_sample.eoxy"), "--into", "DIR", "--type", "erp"}, 1,
       "ivs_sample.eoxy:1: an IGS ERP file starts with the line 'version 2'"},
      {"unknown product", {Fixture("ivs_sample.eoxy"), "--into", "DIR", "--type", "sinex"}, 2,
       "--type is finals, c04, ivs, universal or erp, not 'sinex'"},
      {"neither --into nor --output", {Fixture("ivs_sample.eoxy")}, 2, "give either --into FOLDER or --output FILE"},
      {"a title for several rows", {Fixture("ivs_sample.eoxy"), Fixture("erp_utc.erp"), "--into", "DIR", "--title", "T"},
       2, "--title names the row of one input"},
      {"colour", {Fixture("ivs_sample.eoxy"), "--into", "DIR", "--colour", "clPink"}, 2,
       "--colour is 0..49 or a colour name such as clRed, not 'clPink'"},
      // No output may be a file that the working folder reads otherwise, nor a row break its line.
      {"forced onto another slot's data file", {"INPUTS/c04.erp", "--into", "DIR", "--slot", "13", "--force"}, 1,
       "DIR/c04.dat: would overwrite the data file c04.dat of slot 3"},
      {"output over scale.ini", {Fixture("erp_utc.erp"), "--output", "DIR/scale.ini"}, 1,
       "DIR/scale.ini: would overwrite the settings file scale.ini"},
      {"output over series.ini", {Fixture("erp_utc.erp"), "--output", "DIR/series.ini"}, 1,
       "DIR/series.ini: would overwrite the settings file series.ini"},
      {"output over differences.ini", {Fixture("erp_utc.erp"), "--output", "DIR/differences.ini"}, 1,
       "DIR/differences.ini: would overwrite the settings file differences.ini"},
      {"title with a line feed", {Fixture("erp_utc.erp"), "--into", "DIR", "--title", "A\nB", "--force"}, 2,
       "the title is one word without blanks or control characters"},
      {"input name with a tab", {"INPUTS/a\tb.erp", "--into", "DIR"}, 1,
       "the data file name 'a\tb.dat' goes into series.ini: one word of at most 255 bytes without control characters"},
      {"-- ends the options", {"--into", "DIR", "--", "-none.erp"}, 1, "-none.erp: No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "series.ini", kOldIni);
    WriteBytes(dir / "erp_utc.dat", "old\r\n");
    TempDir inputs;  // products under names of their own
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
      if (a.starts_with("DIR")) a = dir.path().string() + a.substr(3);
      if (a.starts_with("INPUTS/")) {
        a = inputs / a.substr(7);
        WriteBytes(a, ReadBytes(Fixture("erp_utc.erp")));
      }
    }
    std::ostringstream out, err;
    EXPECT_EQ(RunEopImport(args, out, err), c.status);
    std::string shown = err.str();
    for (std::size_t p = shown.find(dir.path().string()); p != std::string::npos; p = shown.find(dir.path().string())) {
      shown.replace(p, dir.path().string().size(), "DIR");
    }
    EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
    EXPECT_EQ(ReadBytes(dir / "series.ini"), kOldIni);
    EXPECT_EQ(ReadBytes(dir / "erp_utc.dat"), "old\r\n");
    EXPECT_EQ(testing::Names(dir.path()), (std::set<std::string>{"series.ini", "erp_utc.dat"}));
  }
}

// A disk that fills up while the second of three files is written: the first data file, complete
// already, is not put in place either; every old file stays. (As root: a small tmpfs.)
TEST(EopImport, AFullDiskHalfWayChangesNoFile) {
  TempDir dir;
  const std::string folder = dir / "disk";
  std::filesystem::create_directory(folder);
  if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=12288") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs (not root)";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{folder};
  // Three pages: series.ini and the old data file take one each; one is left for the new files.
  WriteBytes(folder + "/series.ini", kOldIni);
  WriteBytes(folder + "/erp_utc.dat", "old\r\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunEopImport({Fixture("erp_utc.erp"), Fixture("ivs_sample.eoxy"), "--into", folder, "--force"}, out, err), 1);
  EXPECT_NE(err.str().find(std::strerror(ENOSPC)), std::string::npos) << err.str();
  EXPECT_EQ(ReadBytes(folder + "/erp_utc.dat"), "old\r\n");
  EXPECT_EQ(ReadBytes(folder + "/series.ini"), kOldIni);
  EXPECT_EQ(testing::Names(folder), (std::set<std::string>{"series.ini", "erp_utc.dat"}));
}

// A file-size limit (ulimit -f) is a write error like a full disk, named with its file: the
// program no longer dies of SIGXFSZ half-way, and neither leaves a temporary file nor changes one.
TEST(ImportPrograms, AFileSizeLimitIsAnErrorThatChangesNothing) {
  std::string product = "# a test centre's series in the IERS universal format\n# MJD x y UT1-UTC\n";
  for (int day = 0; day < 100; ++day) {
    product += std::to_string(60600 + day) + ".00  -0.01042   0.40940   0.002497\n";
  }
  struct Case {
    const char* name;
    const char* program;
    std::vector<std::string> args;  // "IN" the product, "DIR" the working folder
  } const cases[] = {
      {"eop_import", EOP_IMPORT_PROGRAM, {"IN", "--into", "DIR", "--type", "universal"}},
      {"convert_iers", CONVERT_IERS_PROGRAM, {"IN", "DIR/centre.dat"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir, scratch;
    WriteBytes(dir / "series.ini", kOldIni);
    WriteBytes(scratch / "centre.eop", product);
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
      if (a == "IN") a = scratch / "centre.eop";
      if (a.starts_with("DIR")) a = dir.path().string() + a.substr(3);
    }
    const testing::ProgramRun run = testing::RunProgram(c.program, args, scratch, {}, 4);  // 2 kB
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_NE(run.Err.find("centre.dat: " + std::string(std::strerror(EFBIG))), std::string::npos) << run.Err;
    EXPECT_EQ(ReadBytes(dir / "series.ini"), kOldIni);
    EXPECT_EQ(testing::Names(dir.path()), std::set<std::string>{"series.ini"});
  }
}

TEST(EopImport, HelpListsTheProducts) {
  std::ostringstream out, err;
  EXPECT_EQ(RunEopImport({"--help"}, out, err), 0);
  for (const char* product : {"finals", "c04", "ivs", "universal", "erp"}) {
    EXPECT_NE(out.str().find(std::string("  ") + product + " "), std::string::npos) << product;
  }
}

}  // namespace
}  // namespace erp::iers
