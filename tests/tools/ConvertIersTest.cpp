#include "iers/IersConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "ProgramRun.h"
#include "SettingsTestSupport.h"
#include "core/ColumnFormat.h"

namespace erp::iers {
namespace {

using erp::testing::ReadBytes;
using erp::testing::TempDir;
using erp::testing::WriteBytes;

// Fixtures: a few days around the turn of 2024/2025 in each layout, with the same values.
//   finals_sample.all: 12 days from 2024-12-28 (MJD 60672); Bulletin B values on the first 4,
//     observed Bulletin A values on the first 7, predicted (P) on the next 3, date and MJD only
//     on the last 2.
//   c04_14_sample.txt, c04_20_sample.txt: 8 days from 2024-12-28, header before them.
//   finals_bad.all: the first 5 days of finals_sample.all, line 3 with a letter in PM-y.
using erp::testing::Fixture;

Conversion Convert(const std::string& fixture, const ConvertOptions& options = {}) {
  return ConvertEop(fixture, ReadBytes(Fixture(fixture)), options);
}

TEST(ConvertEop, ReadsEachLayout) {
  ConvertOptions bulletinB;
  bulletinB.FinalsBulletin = Bulletin::B;
  ConvertOptions observedOnly;
  observedOnly.Predictions = false;
  ConvertOptions poleOnly;
  poleOnly.Take = Values::Pole;
  ConvertOptions utOnly;
  utOnly.Take = Values::UT;
  struct Case {
    const char* name;
    const char* fixture;
    ConvertOptions options;
    const char* layout;
    std::size_t records;
    double lastMJD;
    EopRecord first;
    int withoutValues;
    int predicted;  // kept records flagged P
    int predictedLeftOut;
  } const cases[] = {
      {"finals, Bulletin A", "finals_sample.all", {}, "IERS finals, Bulletin A", 10, 60681,
       {1, 60672, -0.010424, 0.409400, 0.0024968, false}, 2, 3, 0},
      {"finals, Bulletin B: only the first days have it", "finals_sample.all", bulletinB, "IERS finals, Bulletin B", 4,
       60675, {1, 60672, -0.010413, 0.409377, 0.0025073, false}, 8, 0, 0},
      {"finals without predictions", "finals_sample.all", observedOnly, "IERS finals, Bulletin A", 7, 60678,
       {1, 60672, -0.010424, 0.409400, 0.0024968, false}, 2, 0, 3},
      {"finals, pole only", "finals_sample.all", poleOnly, "IERS finals, Bulletin A", 10, 60681,
       {1, 60672, -0.010424, 0.409400, 0.0, false}, 2, 3, 0},
      {"finals, UT only", "finals_sample.all", utOnly, "IERS finals, Bulletin A", 10, 60681,
       {1, 60672, 0.0, 0.0, 0.0024968, false}, 2, 3, 0},
      {"14 C04", "c04_14_sample.txt", {}, "EOP C04 (layout of 14 C04 and earlier)", 8, 60679,
       {13, 60672, -0.010424, 0.409400, 0.0024968, false}, 0, 0, 0},
      {"20 C04", "c04_20_sample.txt", {}, "EOP 20 C04", 8, 60679, {6, 60672, -0.010424, 0.409400, 0.0024968, false},
       0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Conversion conv = Convert(c.fixture, c.options);
    EXPECT_EQ(conv.Layout, c.layout);
    ASSERT_EQ(conv.Records.size(), c.records);
    const EopRecord& first = conv.Records.front();
    EXPECT_EQ(first.Line, c.first.Line);
    EXPECT_EQ(first.MJD, c.first.MJD);
    EXPECT_EQ(first.Xp, c.first.Xp);
    EXPECT_EQ(first.Yp, c.first.Yp);
    EXPECT_EQ(first.UT1, c.first.UT1);
    EXPECT_EQ(conv.Records.back().MJD, c.lastMJD);
    for (std::size_t i = 1; i < conv.Records.size(); ++i) EXPECT_EQ(conv.Records[i].MJD, first.MJD + static_cast<double>(i));
    EXPECT_EQ(conv.WithoutValues, c.withoutValues);
    EXPECT_EQ(std::count_if(conv.Records.begin(), conv.Records.end(), [](const EopRecord& r) { return r.Predicted; }),
              c.predicted);
    EXPECT_EQ(conv.PredictedLeftOut, c.predictedLeftOut);
    EXPECT_EQ(conv.OutsideDates, 0);
  }
}

TEST(ConvertEop, CutsToTheDates) {
  struct Case {
    const char* name;
    const char* fixture;
    std::optional<double> from;
    std::optional<double> to;
    double firstMJD;
    double lastMJD;
    int outside;
  } const cases[] = {
      {"finals, both ends", "finals_sample.all", 60674, 60677, 60674, 60677, 6},
      {"finals, from only", "finals_sample.all", 60680, std::nullopt, 60680, 60681, 8},
      {"20 C04, to only", "c04_20_sample.txt", std::nullopt, 60672, 60672, 60672, 7},
      {"14 C04, one day", "c04_14_sample.txt", 60679, 60679, 60679, 60679, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConvertOptions options;
    options.FromMJD = c.from;
    options.ToMJD = c.to;
    const Conversion conv = Convert(c.fixture, options);
    ASSERT_FALSE(conv.Records.empty());
    EXPECT_EQ(conv.Records.front().MJD, c.firstMJD);
    EXPECT_EQ(conv.Records.back().MJD, c.lastMJD);
    EXPECT_EQ(conv.OutsideDates, c.outside);
  }
}

// `text` with line `line` (from 1) replaced; a replacement of "" removes the line.
std::string WithLine(const std::string& text, int line, const std::string& replacement) {
  std::istringstream in(text);
  std::string result;
  std::string current;
  for (int n = 1; std::getline(in, current); ++n) {
    if (n == line) {
      if (replacement.empty()) continue;
      current = replacement;
    }
    result += current + "\n";
  }
  return result;
}

std::string LineOf(const std::string& text, int line) {
  std::istringstream in(text);
  std::string current;
  for (int n = 1; n <= line; ++n) std::getline(in, current);
  return current;
}

std::string FirstLines(const std::string& text, int count) {
  std::string first;
  for (int n = 1; n <= count; ++n) first += LineOf(text, n) + "\n";
  return first;
}

// `text` with the characters from column `column` (from 1) on replaced by `by`.
std::string Overwrite(std::string text, std::size_t column, const std::string& by) {
  return text.replace(column - 1, by.size(), by);
}

TEST(ConvertEop, RejectsWhatItDoesNotRecogniseWithTheLine) {
  const std::string finals = ReadBytes(Fixture("finals_sample.all"));
  const std::string c04 = ReadBytes(Fixture("c04_14_sample.txt"));
  const std::string c04new = ReadBytes(Fixture("c04_20_sample.txt"));
  const std::string finals2 = LineOf(finals, 2);
  const std::string c04first = LineOf(c04, 13);
  ConvertOptions bulletinB;
  bulletinB.FinalsBulletin = Bulletin::B;
  ConvertOptions poleOnly;
  poleOnly.Take = Values::Pole;
  struct Case {
    const char* name;
    std::string text;
    std::string message;
    ConvertOptions options = {};
  } const cases[] = {
      // finals cut inside a value: what is left would read as another number (0.0021741 as 0.0)
      {"cut inside UT1-UTC", WithLine(finals, 2, finals2.substr(0, 62)),
       "in:2: columns 59-68 incomplete: the line ends at column 62, inside the value '0.0'"},
      {"cut inside Bulletin B UT1-UTC", WithLine(finals, 2, finals2.substr(0, 160)),
       "in:2: columns 155-165 incomplete: the line ends at column 160, inside the value '0.00'", bulletinB},
      {"cut inside PM-y, pole only", WithLine(finals, 2, finals2.substr(0, 42)),
       "in:2: columns 38-46 incomplete: the line ends at column 42, inside the value '0.40'", poleOnly},
      {"a line longer than any product's", WithLine(finals, 2, finals2 + std::string(5000, ' ')),
       "in:2: the line is longer than 4096 bytes, which no line of an EOP product is (a binary file or one without "
       "line ends?)"},
      // finals
      {"MJD of another day", WithLine(finals, 2, Overwrite(finals2, 8, "60683.00")),
       "in:2: the MJD 60683.00 of columns 8-15 is not the date 2024-12-29 of columns 1-6"},
      {"no such date", WithLine(finals, 2, Overwrite(finals2, 1, "241331")), "in:2: columns 1-6: '241331' is not a calendar date"},
      {"MJD not F8.2", WithLine(finals, 2, Overwrite(finals2, 8, "60673   ")),
       "in:2: columns 8-15: '60673   ' is not an MJD with two decimals"},
      {"value not a number", WithLine(finals, 2, Overwrite(finals2, 19, "-0.0O7514")),
       "in:2: columns 19-27 (Bulletin A PM-x): '-0.0O7514' is not a number"},
      {"UT1 not a number", WithLine(finals, 2, Overwrite(finals2, 60, "0.002,741")),
       "in:2: columns 59-68 (Bulletin A UT1-UTC): '0.002,741' is not a number"},
      {"unknown flag", WithLine(finals, 2, Overwrite(finals2, 17, "X")), "in:2: column 17: flag 'X' is neither I nor P"},
      {"a C04 record among finals records", WithLine(finals, 2, c04first),
       "in:2: not a record of the IERS finals layout (date as YYMMDD in columns 1-6, MJD in columns 8-15)"},
      {"days out of order", WithLine(WithLine(finals, 2, LineOf(finals, 3)), 3, finals2),
       "in:3: the MJD 60673 does not follow the MJD 60674 of line 2: records must ascend"},
      {"a day twice, even one without values", WithLine(finals, 12, LineOf(finals, 11)),
       "in:12: the MJD 60682 does not follow the MJD 60682 of line 11: records must ascend"},
      // C04
      {"C04 record with a column missing", WithLine(c04, 16, LineOf(c04, 16).substr(0, 143)),
       "in:16: this record has 15 columns, the records before it have 16"},
      {"a data file of the viewer", "60672 -0.010424 0.409400 0.0024968\n",
       "in:1: a C04 record has 16 columns (14 C04 and earlier) or 21 (20 C04), this line has 4"},
      {"C04 value not a number", WithLine(c04, 14, Overwrite(LineOf(c04, 14), 38, "x")),
       "in:14: column 6: '0.40x300' is not a number"},
      {"C04 MJD of another day", WithLine(c04, 14, Overwrite(LineOf(c04, 14), 15, "60600")),
       "in:14: the MJD 60600 is not the date 2024-12-29"},
      {"20 C04 hour that does not match the MJD", WithLine(c04new, 7, Overwrite(LineOf(c04new, 7), 15, "12")),
       "in:7: the MJD 60673.00 is not the date 2024-12-29, hour 12"},
      {"C04 month 13", WithLine(c04, 14, Overwrite(LineOf(c04, 14), 7, "13")), "in:14: columns 1-3 are not a calendar date"},
      {"text after the records", c04 + "end of series\n",
       "in:21: not a record of the EOP C04 layout (text after the records began)"},
      // neither
      {"header without records", FirstLines(c04new, 5) + "\n", "in:6: no record found: none of the IERS finals, EOP C04, IVS EOP 2.x, IERS universal or IGS ERP layouts"},
      {"empty file", "", "in:1: the file is empty"},
      {"a long text", [] {
         std::string prose;
         for (int i = 0; i < 50; ++i) prose += "Earth orientation parameters are published daily.\n";
         return prose;
       }(),
       "in:41: no record in the first 40 lines: none of the IERS finals, EOP C04, IVS EOP 2.x, IERS universal or IGS "
       "ERP layouts"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      ConvertEop("in", c.text, c.options);
      ADD_FAILURE() << "accepted";
    } catch (const ConvertError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST(ConvertEop, ALineEndingInTheBlanksAfterItsValuesHasNoValueThere) {
  // Bulletin B columns cut in the blanks that follow the last Bulletin A value: no value yet.
  const std::string finals = ReadBytes(Fixture("finals_sample.all"));
  ConvertOptions bulletinB;
  bulletinB.FinalsBulletin = Bulletin::B;
  const std::string cut = LineOf(finals, 10).substr(0, 150);
  ASSERT_EQ(cut.find_last_not_of(' '), 133u);
  const Conversion conv = ConvertEop("in", WithLine(finals, 10, cut), bulletinB);
  EXPECT_EQ(conv.Records.size(), 4u);
  EXPECT_EQ(conv.WithoutValues, 8);
}

TEST(ConvertEop, AValueTooLongForTheLastColumnNamesFileAndLine) {
  const std::string c04 = ReadBytes(Fixture("c04_14_sample.txt"));
  const std::string text = WithLine(c04, 14, Overwrite(LineOf(c04, 14), 44, "-12.174100"));
  const Conversion conv = ConvertEop("in", text, {});
  try {
    DataFileText(conv, Values::All);
    ADD_FAILURE() << "accepted";
  } catch (const ConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "in:14: UT1-UTC -12.1741000 has 11 characters, more than the 10 that the viewer "
                                     "reads in the last column of a data file");
  }
}

TEST(ConvertEop, OutputReadsBackThroughTheColumnFormat) {
  // Every value written comes back from the data file exactly as the loading pass parses it.
  for (const Values values : {Values::All, Values::Pole, Values::UT}) {
    ConvertOptions options;
    options.Take = values;
    const Conversion conv = Convert("finals_sample.all", options);
    const std::string text = DataFileText(conv, values);
    const FormatTokens tokens = SplitFormatSpec(FormatSpecOf(values));
    std::istringstream lines(text);
    std::string line;
    std::size_t n = 0;
    while (std::getline(lines, line)) {
      ASSERT_EQ(line.back(), '\r');
      line.pop_back();
      ASSERT_LT(n, conv.Records.size());
      const EopRecord& r = conv.Records[n++];
      SCOPED_TRACE(line);
      const DataRecord rec = ParseRecord(SplitDataLine(line), tokens);
      EXPECT_EQ(rec.EpochMJD, r.MJD);
      EXPECT_EQ(rec.Xp, r.Xp);
      EXPECT_EQ(rec.Yp, r.Yp);
      EXPECT_EQ(rec.UT1, r.UT1);
    }
    EXPECT_EQ(n, conv.Records.size());
  }
  EXPECT_EQ(FormatSpecOf(Values::All), "j_xp_yp_u");
}

TEST(ConvertIers, ProgramWritesTheFileAndPrintsTheSeriesLine) {
  TempDir scratch;
  const std::string output = scratch / "iers_a.dat";
  const testing::ProgramRun run = testing::RunProgram(
      CONVERT_IERS_PROGRAM, {Fixture("finals_sample.all"), output, "--from", "2024-12-30", "--title", "Бюлл-A"}, scratch);
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "12 0 \xC1\xFE\xEB\xEB-A iers_a.dat j_xp_yp_u\n");  // the title in CP1251, as series.ini holds it
  EXPECT_EQ(run.Err, "convert_iers: IERS finals, Bulletin A: 8 records, MJD 60674 to 60681 (2024-12-30 to 2025-01-06), "
                     "3 of them predicted, written to " + output + "; left out: 2 outside the dates, 2 without the values "
                     "asked for\n");
  ConvertOptions options;
  options.FromMJD = 60674;
  EXPECT_EQ(ReadBytes(output), DataFileText(Convert("finals_sample.all", options), Values::All));

  // A bad line: its place and reason, exit status 1, and the old output file stays as it was.
  WriteBytes(output, "old contents\r\n");
  const testing::ProgramRun bad = testing::RunProgram(CONVERT_IERS_PROGRAM, {Fixture("finals_bad.all"), output}, scratch);
  EXPECT_EQ(bad.Status, 1);
  EXPECT_EQ(bad.Err, Fixture("finals_bad.all") + ":3: columns 38-46 (Bulletin A PM-y): '04a05200' is not a number\n");
  EXPECT_EQ(bad.Out, "");
  EXPECT_EQ(ReadBytes(output), "old contents\r\n");
}

TEST(ConvertIers, ProgramStopsAtAnEndlessLineWithoutReadingIt) {
  // A file of 1 GiB without a line end (sparse: it takes no disk). Read whole, it would need a
  // gigabyte of memory; the address space is limited to 256 MiB where no sanitizer needs more.
  TempDir scratch;
  const std::string input = scratch / "endless.all";
  WriteBytes(input, "241228 60672.00 I");
  std::filesystem::resize_file(input, std::uintmax_t{1} << 30);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  const std::string program = CONVERT_IERS_PROGRAM;
#else
  const std::string program = "/bin/sh";
#endif
  const std::vector<std::string> args =
      program == "/bin/sh" ? std::vector<std::string>{"-c", "ulimit -v 262144 && exec \"$0\" \"$@\"", CONVERT_IERS_PROGRAM,
                                                      input, scratch / "out.dat"}
                           : std::vector<std::string>{input, scratch / "out.dat"};
  const testing::ProgramRun run = testing::RunProgram(program, args, scratch);
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Err, input + ":1: the line is longer than 4096 bytes, which no line of an EOP product is (a binary "
                             "file or one without line ends?)\n");
  EXPECT_FALSE(std::filesystem::exists(scratch / "out.dat"));
}

TEST(FileLines, ReadsLinesAcrossBlocksAndCutsOnlyTooLongOnes) {
  // Lines at the bound (with LF or CR LF, the CR in the next block), one byte over it, and a last
  // line without its end, across the 64 KiB blocks of the reader.
  const std::string atBound(MaxLineLength, 'a');
  std::string text;
  for (int i = 0; i < 614; ++i) text += std::string(99, 'b') + "\n";
  text += std::string(38, 'b') + "\n";
  text += atBound + "\r";  // the CR is the last byte of the first block, its LF the first of the next
  ASSERT_EQ(text.size(), std::size_t{1} << 16);
  text += "\n" + atBound + "\n" + atBound + "c\nlast";
  TempDir dir;
  WriteBytes(dir / "f", text);
  FileLines lines(dir / "f");
  std::vector<std::string> got;
  while (const std::optional<std::string_view> line = lines.Next()) got.emplace_back(*line);
  ASSERT_EQ(got.size(), 619u);
  EXPECT_EQ(got[613], std::string(99, 'b'));
  EXPECT_EQ(got[614], std::string(38, 'b'));
  EXPECT_TRUE(got[615] == atBound);
  EXPECT_TRUE(got[616] == atBound);
  EXPECT_TRUE(got[617] == atBound + "c");  // too long: cut to one byte over the bound
  EXPECT_EQ(got[618], "last");
}

TEST(ConvertIers, CommandLine) {
  struct Case {
    const char* name;
    std::vector<std::string> args;  // "IN" is the finals fixture, "OUT" a file in a fresh folder
    int status;
    std::string message;  // part of standard error (standard output for status 0)
  } const cases[] = {
      {"help", {"--help"}, 0, "usage: convert_iers INPUT OUTPUT"},
      {"no output", {"IN"}, 2, "convert_iers: give the input file and the output file\nusage:"},
      {"unknown option", {"IN", "OUT", "--bulletin-b"}, 2, "unknown option '--bulletin-b'"},
      {"bulletin C", {"IN", "OUT", "--bulletin", "C"}, 2, "--bulletin is A or B, not 'C'"},
      {"values", {"IN", "OUT", "--values", "xp"}, 2, "--values is all, pole or ut, not 'xp'"},
      {"no such day", {"IN", "OUT", "--to", "2025-13-01"}, 2, "--to needs a date YYYY-MM-DD of the calendar, not '2025-13-01'"},
      {"from after to", {"IN", "OUT", "--from", "2025-01-02", "--to", "2025-01-01"}, 2,
       "--from 2025-01-02 is after --to 2025-01-01"},
      {"title with a blank", {"IN", "OUT", "--title", "IERS A"}, 2, "the title is one word without blanks or control characters, not 'IERS A'"},
      {"title outside CP1251", {"IN", "OUT", "--title", "地球"}, 2, "has characters that series.ini (CP1251) cannot hold"},
      {"output name with a blank", {"IN", "OUT two"}, 2, "one word of at most 255 bytes without control characters, not 'OUT two'"},
      {"output name with a tab", {"IN", "OUT\tx"}, 2, "without control characters, not 'OUT\tx'"},
      {"output name with a line feed", {"IN", "OUT\nx"}, 2, "without control characters, not 'OUT\nx'"},
      {"title with a carriage return", {"IN", "OUT", "--title", "IERS\rA"}, 2, "without blanks or control characters"},
      {"title with a NUL-like control byte", {"IN", "OUT", "--title", "IERS\x01"}, 2, "without blanks or control characters"},
      {"-- ends the options", {"--", "-none.all", "OUT"}, 1, "-none.all: No such file or directory"},
      {"output over series.ini", {"IN", "OUTDIR/series.ini"}, 1, "series.ini: would overwrite the settings file series.ini"},
      {"output is the input", {"IN", "IN"}, 2, "the output file is the input file"},
      {"missing input", {"NONE", "OUT"}, 1, "NONE: No such file or directory"},
      {"nothing left after the cut", {"IN", "OUT", "--from", "2025-02-01"}, 1,
       "IN: no record to write (left out: 10 outside the dates, 2 without the values asked for)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string input = dir / "finals.all";
    WriteBytes(input, ReadBytes(Fixture("finals_sample.all")));
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
      if (a == "IN") a = input;
      else if (a == "NONE") a = dir / "none.all";
      else if (a.starts_with("OUT")) a = dir / a;
    }
    std::ostringstream out, err;
    EXPECT_EQ(RunConvertIers(args, out, err), c.status);
    std::string shown = c.status == 0 ? out.str() : err.str();
    for (const auto& [path, name] : {std::pair{input, "IN"}, std::pair{dir / "none.all", "NONE"}, std::pair{dir.prefix(), ""}}) {
      for (std::size_t p = shown.find(path); p != std::string::npos; p = shown.find(path)) shown.replace(p, path.size(), name);
    }
    EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
    EXPECT_EQ(testing::Names(dir.path()), std::set<std::string>{"finals.all"});  // no output written
  }
}

}  // namespace
}  // namespace erp::iers
