#include "iers/IersConvert.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <filesystem>
#include <functional>

#include "ToolSupport.h"
#include "core/Cp1251.h"
#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/SeriesConfig.h"

namespace erp::iers {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxHeaderLines = 40;        // text lines before the first C04 record
constexpr std::size_t kLongestLastField = 10;  // the viewer cuts a line's last word into 10-character fields
constexpr double kLastMjdOf1900s = 51543.0;  // finals: two-digit years up to this MJD are 19xx
constexpr int kDefaultColor = 12;           // blue, in the printed series.ini line
constexpr int kDefaultSymbol = 0;           // line only

// Where a line's trouble is reported.
struct Place {
  std::string_view Name;
  int Line;
};

[[noreturn]] void Fail(const Place& at, const std::string& reason) {
  throw ConvertError(std::string(at.Name) + ":" + std::to_string(at.Line) + ": " + reason);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The calendar date of year, month and day, or empty when there is no such day.
std::optional<double> MjdOfDay(int year, int month, int day) {
  try {
    return tools::MjdOfDate({year, month, day});
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string IsoOfDay(int year, int month, int day) {
  return tools::ZeroPadded(year, 4) + '-' + tools::ZeroPadded(month, 2) + '-' + tools::ZeroPadded(day, 2);
}

// ---- IERS finals ---------------------------------------------------------------------------

// Columns first..last (counted from 1) of a fixed-width line; blanks beyond its end.
std::string_view Columns(std::string_view line, std::size_t first, std::size_t last) {
  if (first > line.size()) return {};
  return line.substr(first - 1, std::min(last, line.size()) - first + 1);
}

// Columns first..last of a line that must hold them completely when it holds any of them: a line
// that ends inside a value after some of its digits was cut ("0.2" of "0.2301067"), and reading
// what is left would give another number. Blanks up to the line's end are no value, as when the
// line ends before the columns.
std::string_view WholeColumns(const Place& at, std::string_view line, std::size_t first, std::size_t last) {
  const std::string_view text = Columns(line, first, last);
  if (line.size() < last && !Trim(text).empty()) {
    Fail(at, "columns " + std::to_string(first) + "-" + std::to_string(last) + " incomplete: the line ends at column " +
                 std::to_string(line.size()) + ", inside the value '" + std::string(Trim(text)) + "'");
  }
  return text;
}

// A Fortran I2 field: a digit, or a blank or digit followed by a digit.
bool IsI2(std::string_view field) {
  return field.size() == 2 && (field[0] == ' ' || IsDigit(field[0])) && IsDigit(field[1]);
}

int I2Value(std::string_view field) { return field[0] == ' ' ? field[1] - '0' : (field[0] - '0') * 10 + field[1] - '0'; }

// True when the line starts like a finals record: the date as three I2 fields in columns 1-6 and
// a blank in column 7. (A C04 record starts with a four-digit year and blanks: "1962   1".)
bool HasFinalsDate(std::string_view line) {
  return line.size() >= 7 && IsI2(line.substr(0, 2)) && IsI2(line.substr(2, 2)) && IsI2(line.substr(4, 2)) &&
         line[6] == ' ';
}

struct FinalsField {
  std::size_t First;
  std::size_t Last;
  const char* Name;
};

constexpr FinalsField kFinalsA[] = {{19, 27, "Bulletin A PM-x"}, {38, 46, "Bulletin A PM-y"}, {59, 68, "Bulletin A UT1-UTC"}};
constexpr FinalsField kFinalsB[] = {{135, 144, "Bulletin B PM-x"}, {145, 154, "Bulletin B PM-y"}, {155, 165, "Bulletin B UT1-UTC"}};
constexpr std::size_t kPoleFlagColumn = 17;
constexpr std::size_t kUtFlagColumn = 58;

// A value column of a finals line: empty when blank, a ConvertError when not a number.
std::optional<double> FinalsValue(const Place& at, std::string_view line, const FinalsField& f) {
  const std::string_view text = Trim(WholeColumns(at, line, f.First, f.Last));
  if (text.empty()) return std::nullopt;
  const std::optional<double> value = ParseReal(text);
  if (!value) {
    Fail(at, "columns " + std::to_string(f.First) + "-" + std::to_string(f.Last) + " (" + f.Name + "): '" +
                 std::string(text) + "' is not a number");
  }
  return value;
}

// The flag of a finals value: I observed, P predicted, blank when there is no value.
char FinalsFlag(const Place& at, std::string_view line, std::size_t column) {
  const std::string_view c = Columns(line, column, column);
  const char flag = c.empty() ? ' ' : c[0];
  if (flag != ' ' && flag != 'I' && flag != 'P') {
    Fail(at, "column " + std::to_string(column) + ": flag '" + std::string(1, flag) + "' is neither I nor P");
  }
  return flag;
}

// The epoch of a finals line, checked against its date.
double FinalsEpoch(const Place& at, std::string_view line) {
  if (!HasFinalsDate(line)) {
    Fail(at, "not a record of the IERS finals layout (date as YYMMDD in columns 1-6, MJD in columns 8-15)");
  }
  const std::string_view mjdText = Columns(line, 8, 15);
  const std::optional<double> parsed = ParseReal(Trim(mjdText));
  if (mjdText.size() != 8 || mjdText[5] != '.' || !parsed) {
    Fail(at, "columns 8-15: '" + std::string(mjdText) + "' is not an MJD with two decimals");
  }
  const double mjd = *parsed;
  const int yy = I2Value(line.substr(0, 2));
  const int year = (mjd <= kLastMjdOf1900s ? 1900 : 2000) + yy;
  const int month = I2Value(line.substr(2, 2));
  const int day = I2Value(line.substr(4, 2));
  const std::optional<double> dayMjd = MjdOfDay(year, month, day);
  if (!dayMjd) Fail(at, "columns 1-6: '" + std::string(line.substr(0, 6)) + "' is not a calendar date");
  if (std::floor(mjd) != *dayMjd) {
    Fail(at, "the MJD " + std::string(Trim(line.substr(7, 8))) + " of columns 8-15 is not the date " +
                 IsoOfDay(year, month, day) + " of columns 1-6");
  }
  return mjd;
}

// ---- EOP C04 -------------------------------------------------------------------------------

struct C04Layout {
  std::size_t Columns;
  const char* Name;
  bool HasHour;
  std::size_t MjdColumn;  // counted from 0
  std::size_t XpColumn;   // Yp and UT1 - UTC follow it
};

constexpr C04Layout kC04Layouts[] = {
    {16, "EOP C04 (layout of 14 C04 and earlier)", false, 3, 4},
    {21, "EOP 20 C04", true, 4, 5},
};

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// One C04 record; `layout` is fixed by the first record of the file.
EopRecord C04Record(const Place& at, const std::vector<std::string_view>& words, const C04Layout*& layout) {
  if (layout == nullptr) {
    for (const C04Layout& l : kC04Layouts) {
      if (words.size() == l.Columns) layout = &l;
    }
    if (layout == nullptr) {
      Fail(at, "a C04 record has 16 columns (14 C04 and earlier) or 21 (20 C04), this line has " +
                   std::to_string(words.size()));
    }
  } else if (words.size() != layout->Columns) {
    Fail(at, "this record has " + std::to_string(words.size()) + " columns, the records before it have " +
                 std::to_string(layout->Columns));
  }
  const std::size_t dateColumns = layout->HasHour ? 4 : 3;
  int fields[4] = {0, 0, 0, 0};
  for (std::size_t c = 0; c < dateColumns; ++c) {
    const std::optional<std::int32_t> n = ParseInt32(words[c]);
    if (!n) Fail(at, "column " + std::to_string(c + 1) + ": '" + std::string(words[c]) + "' is not a whole number");
    fields[c] = *n;
  }
  std::vector<double> values(words.size());
  for (std::size_t c = dateColumns; c < words.size(); ++c) {
    const std::optional<double> v = ParseReal(words[c]);
    if (!v) Fail(at, "column " + std::to_string(c + 1) + ": '" + std::string(words[c]) + "' is not a number");
    values[c] = *v;
  }
  const std::optional<double> dayMjd = MjdOfDay(fields[0], fields[1], fields[2]);
  if (!dayMjd || fields[3] < 0 || fields[3] > 23) {
    Fail(at, "columns 1-" + std::to_string(dateColumns) + " are not a calendar date" + (layout->HasHour ? " and hour" : ""));
  }
  const double mjd = values[layout->MjdColumn];
  if (std::fabs(mjd - (*dayMjd + fields[3] / 24.0)) > 1e-6) {
    std::string when = IsoOfDay(fields[0], fields[1], fields[2]);
    if (layout->HasHour) when += ", hour " + std::to_string(fields[3]);
    Fail(at, "the MJD " + std::string(words[layout->MjdColumn]) + " is not the date " + when);
  }
  EopRecord r;
  r.Line = at.Line;
  r.MJD = mjd;
  r.Xp = values[layout->XpColumn];
  r.Yp = values[layout->XpColumn + 1];
  r.UT1 = values[layout->XpColumn + 2];
  return r;
}

// ---- both ----------------------------------------------------------------------------------

// Each line of the input, numbered from 1; a line longer than MaxLineLength stops the reading.
void ForEachLine(std::string_view name, LineInput& lines, const std::function<void(int, std::string_view)>& onLine) {
  int number = 0;
  while (const std::optional<std::string_view> line = lines.Next()) {
    ++number;
    if (line->size() > MaxLineLength) {
      Fail({name, number}, "the line is longer than " + std::to_string(MaxLineLength) +
                               " bytes, which no line of an EOP product is (a binary file or one without line ends?)");
    }
    onLine(number, *line);
  }
}

bool NeedsPole(Values v) { return v != Values::UT; }
bool NeedsUT(Values v) { return v != Values::Pole; }

}  // namespace

std::optional<std::string_view> TextLines::Next() {
  if (text_.empty()) return std::nullopt;
  const std::size_t end = text_.find('\n');
  std::string_view line = text_.substr(0, end);
  text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() > MaxLineLength) line = line.substr(0, MaxLineLength + 1);
  return line;
}

namespace {
constexpr std::size_t kReadBlock = 1 << 16;  // bytes read from a file at a time
}

FileLines::FileLines(const std::string& path) : path_(path), file_(OpenForReading(path)) {}

bool FileLines::Fill() {
  block_.resize(kReadBlock);
  const std::size_t n = std::fread(block_.data(), 1, block_.size(), file_.get());
  block_.resize(n);
  at_ = 0;
  if (n == 0 && std::ferror(file_.get())) throw ConvertError(path_ + ": " + std::strerror(errno));
  return n > 0;
}

std::optional<std::string_view> FileLines::Next() {
  constexpr std::size_t kHeld = MaxLineLength + 2;  // a line at the bound, its CR, and one byte more
  line_.clear();
  bool any = false;
  for (;;) {
    if (at_ == block_.size() && !Fill()) break;
    any = true;
    const std::size_t end = block_.find('\n', at_);
    const std::size_t stop = end == std::string::npos ? block_.size() : end;
    line_.append(block_, at_, std::min(stop - at_, kHeld - line_.size()));
    if (end != std::string::npos) {
      at_ = end + 1;
      break;
    }
    at_ = block_.size();
    if (line_.size() == kHeld) break;  // too long whatever follows: the rest is never read
  }
  if (!any) return std::nullopt;
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  if (line_.size() > MaxLineLength) line_.resize(MaxLineLength + 1);
  return line_;
}

Conversion ConvertEop(std::string_view name, std::string_view text, const ConvertOptions& options) {
  TextLines lines(text);
  return ConvertEop(name, lines, options);
}

Conversion ConvertEop(std::string_view name, LineInput& lines, const ConvertOptions& options) {
  Conversion result;
  result.Source = std::string(name);
  enum class Kind { Unknown, Finals, C04 } kind = Kind::Unknown;
  const C04Layout* c04 = nullptr;
  int headerLines = 0;
  std::optional<EopRecord> previous;  // the last record read, kept or not: epochs must ascend

  const auto take = [&](const Place& at, EopRecord r) {
    if (previous && !(r.MJD > previous->MJD)) {
      Fail(at, "the MJD " + FormatShortest(r.MJD) + " does not follow the MJD " + FormatShortest(previous->MJD) +
                   " of line " + std::to_string(previous->Line) + ": records must ascend");
    }
    previous = r;
  };
  const auto keep = [&](const EopRecord& r) {
    const double day = std::floor(r.MJD);
    if ((options.FromMJD && day < *options.FromMJD) || (options.ToMJD && day > *options.ToMJD)) {
      ++result.OutsideDates;
    } else {
      result.Records.push_back(r);
    }
  };

  int lastLine = 0;
  ForEachLine(name, lines, [&](int number, std::string_view line) {
    const Place at{name, number};
    lastLine = number;
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty()) return;
    if (kind == Kind::Unknown) {
      if (HasFinalsDate(line)) {
        kind = Kind::Finals;
        result.Layout = options.FinalsBulletin == Bulletin::A ? "IERS finals, Bulletin A" : "IERS finals, Bulletin B";
      } else if (trimmed.front() != '#' && ParseInt32(Words(trimmed).front())) {
        kind = Kind::C04;
      }
    }

    if (kind == Kind::Finals) {
      EopRecord r;
      r.Line = number;
      r.MJD = FinalsEpoch(at, line);
      const FinalsField* fields = options.FinalsBulletin == Bulletin::A ? kFinalsA : kFinalsB;
      const std::optional<double> x = FinalsValue(at, line, fields[0]);
      const std::optional<double> y = FinalsValue(at, line, fields[1]);
      const std::optional<double> u = FinalsValue(at, line, fields[2]);
      const char poleFlag = FinalsFlag(at, line, kPoleFlagColumn);
      const char utFlag = FinalsFlag(at, line, kUtFlagColumn);
      take(at, r);
      if ((NeedsPole(options.Take) && (!x || !y)) || (NeedsUT(options.Take) && !u)) {
        ++result.WithoutValues;
        return;
      }
      r.Xp = NeedsPole(options.Take) ? *x : 0.0;
      r.Yp = NeedsPole(options.Take) ? *y : 0.0;
      r.UT1 = NeedsUT(options.Take) ? *u : 0.0;
      // Bulletin B holds final values only; the flags belong to Bulletin A.
      r.Predicted = options.FinalsBulletin == Bulletin::A &&
                    ((NeedsPole(options.Take) && poleFlag == 'P') || (NeedsUT(options.Take) && utFlag == 'P'));
      if (r.Predicted && !options.Predictions) {
        ++result.PredictedLeftOut;
        return;
      }
      keep(r);
      return;
    }

    if (trimmed.front() == '#') return;  // comment lines of 20 C04
    if (kind == Kind::Unknown) {
      if (++headerLines > kMaxHeaderLines) {
        Fail(at, "no record in the first " + std::to_string(kMaxHeaderLines) +
                     " lines: neither the IERS finals layout nor an EOP C04 layout");
      }
      return;
    }
    const std::vector<std::string_view> words = Words(trimmed);
    if (!ParseInt32(words.front())) Fail(at, "not a record of the EOP C04 layout (text after the records began)");
    EopRecord r = C04Record(at, words, c04);
    if (!NeedsPole(options.Take)) r.Xp = r.Yp = 0.0;
    if (!NeedsUT(options.Take)) r.UT1 = 0.0;
    if (result.Layout.empty()) result.Layout = c04->Name;
    take(at, r);
    keep(r);
  });

  if (kind == Kind::Unknown || !previous) {
    Fail({name, std::max(lastLine, 1)},
         lastLine == 0 ? "the file is empty" : "no record found: neither the IERS finals layout nor an EOP C04 layout");
  }
  return result;
}

std::string FormatSpecOf(Values values) {
  switch (values) {
    case Values::Pole: return "j_xp_yp";
    case Values::UT: return "j_u";
    case Values::All: break;
  }
  return "j_xp_yp_u";
}

std::string DataFileText(const Conversion& conversion, Values values) {
  std::string text;
  for (const EopRecord& r : conversion.Records) {
    std::string line = FormatShortest(r.MJD);
    std::string last;
    if (NeedsPole(values)) {
      line += ' ' + tools::FixedDecimals(r.Xp, 6);
      last = tools::FixedDecimals(r.Yp, 6);
      line += ' ' + last;
    }
    if (NeedsUT(values)) {
      last = tools::FixedDecimals(r.UT1, 7);
      line += ' ' + last;
    }
    if (last.size() > kLongestLastField) {
      throw ConvertError(conversion.Source + ":" + std::to_string(r.Line) + ": " +
                         (NeedsUT(values) ? "UT1-UTC " : "Yp ") + last + " has " + std::to_string(last.size()) +
                         " characters, more than the 10 that the viewer reads in the last column of a data file");
    }
    text += line;
    text += "\r\n";
  }
  return text;
}

namespace {

constexpr const char* kUsage =
    "usage: convert_iers INPUT OUTPUT [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--bulletin A|B]\n"
    "                    [--values all|pole|ut] [--no-predictions] [--title TEXT]\n";

constexpr const char* kHelp =
    "Turns an IERS finals file (finals.all, finals2000A.all, .data, .daily) or an EOP C04 series\n"
    "(14 C04 and earlier, or 20 C04) into a data file for the viewer: one line per day with the\n"
    "MJD, Xp and Yp (arcseconds) and UT1 - UTC (seconds), separated by blanks. The layout is\n"
    "recognised from the file; a line that does not fit it stops the conversion with its number.\n"
    "Prints the series.ini line for OUTPUT (title in CP1251, as series.ini holds it).\n"
    "\n"
    "  --from, --to YYYY-MM-DD  keep only the days from/to these dates (both included)\n"
    "  --bulletin A|B           finals only: Bulletin A values (observed and predicted; the\n"
    "                           default) or Bulletin B values (final, a month or more behind)\n"
    "  --values all|pole|ut     all three values (format j_xp_yp_u, the default), Xp and Yp only\n"
    "                           (j_xp_yp) or UT1 - UTC only (j_u)\n"
    "  --no-predictions         finals only: leave out values flagged P (predicted)\n"
    "  --title TEXT             legend title in the printed line (no blanks; default IERS-A,\n"
    "                           IERS-B or C04)\n"
    "\n"
    "Days without the values asked for (the end of a finals file) are left out and counted.\n"
    "The viewer keeps the records from 750 days before it starts to 249 days after, at most\n"
    "1000 per file, and stops reading a file at the first record after that.\n";

std::string DayOf(double mjd) { return tools::IsoDate(tools::DateOfMjd(mjd)); }

}  // namespace

int RunConvertIers(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto usageError = [&](const std::string& message) {
    err << "convert_iers: " << message << "\n" << kUsage;
    return 2;
  };
  ConvertOptions options;
  std::vector<std::string> files;
  std::optional<std::string> title;
  std::optional<tools::CalendarDate> from, to;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      out << kUsage << "\n" << kHelp;
      return 0;
    }
    if (arg == "--no-predictions") {
      options.Predictions = false;
      continue;
    }
    if (arg == "--from" || arg == "--to" || arg == "--bulletin" || arg == "--values" || arg == "--title") {
      if (i + 1 == args.size()) return usageError(arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--from" || arg == "--to") {
        const std::optional<tools::CalendarDate> date = tools::ParseIsoDate(value);
        if (!date) return usageError(arg + " needs a date YYYY-MM-DD of the calendar, not '" + value + "'");
        (arg == "--from" ? from : to) = date;
      } else if (arg == "--bulletin") {
        if (value != "A" && value != "B") return usageError("--bulletin is A or B, not '" + value + "'");
        options.FinalsBulletin = value == "A" ? Bulletin::A : Bulletin::B;
      } else if (arg == "--values") {
        if (value == "all") options.Take = Values::All;
        else if (value == "pole") options.Take = Values::Pole;
        else if (value == "ut") options.Take = Values::UT;
        else return usageError("--values is all, pole or ut, not '" + value + "'");
      } else {
        title = value;
      }
      continue;
    }
    if (arg.starts_with("-")) return usageError("unknown option '" + arg + "'");
    files.push_back(arg);
  }
  if (files.size() != 2) return usageError("give the input file and the output file");
  const std::string& input = files[0];
  const std::string& output = files[1];
  if (from) options.FromMJD = tools::MjdOfDate(*from);
  if (to) options.ToMJD = tools::MjdOfDate(*to);
  if (from && to && *options.FromMJD > *options.ToMJD) {
    return usageError("--from " + tools::IsoDate(*from) + " is after --to " + tools::IsoDate(*to));
  }
  if (title && (title->empty() || title->find_first_of(" \t\r\n") != std::string::npos)) {
    return usageError("the title is one word without blanks, not '" + *title + "'");
  }
  if (title && Cp1251ToUtf8(Utf8ToCp1251(*title)) != *title) {
    return usageError("the title '" + *title + "' has characters that series.ini (CP1251) cannot hold");
  }
  const std::string fileName = fs::path(output).filename().string();
  if (fileName.empty() || fileName.find(' ') != std::string::npos || fileName.size() > MaxFileNameLength) {
    return usageError("the output file name goes into series.ini: one word of at most 255 bytes, not '" + fileName + "'");
  }
  std::error_code ec;
  if (fs::exists(output, ec) && fs::equivalent(input, output, ec)) {
    return usageError("the output file is the input file");
  }

  std::optional<FileLines> lines;
  try {
    lines.emplace(input);
  } catch (const std::runtime_error& e) {
    err << input << ": " << e.what() << "\n";
    return 1;
  }
  Conversion conversion;
  std::string text;
  try {
    conversion = ConvertEop(input, *lines, options);
    text = DataFileText(conversion, options.Take);
  } catch (const ConvertError& e) {
    err << e.what() << "\n";
    return 1;
  }

  std::string leftOut;
  const auto count = [&](int n, const char* what) {
    if (n > 0) leftOut += (leftOut.empty() ? "" : ", ") + std::to_string(n) + what;
  };
  count(conversion.OutsideDates, " outside the dates");
  count(conversion.WithoutValues, " without the values asked for");
  count(conversion.PredictedLeftOut, " predicted");
  if (conversion.Records.empty()) {
    err << input << ": no record to write" << (leftOut.empty() ? "" : " (left out: " + leftOut + ")") << "\n";
    return 1;
  }
  try {
    WriteFileReplacing(output, text);
  } catch (const std::runtime_error& e) {
    err << output << ": " << e.what() << "\n";
    return 1;
  }

  SlotArray<SeriesConfig, SeriesCount> rows;
  const std::string defaultTitle = conversion.Layout.starts_with("IERS finals")
                                       ? (options.FinalsBulletin == Bulletin::A ? "IERS-A" : "IERS-B")
                                       : "C04";
  rows[1] = {kDefaultColor, kDefaultSymbol, Utf8ToCp1251(title.value_or(defaultTitle)), fileName,
             FormatSpecOf(options.Take)};
  const std::string iniText = SeriesConfigText(rows);
  out << iniText.substr(0, iniText.find("\r\n")) << "\n";

  const EopRecord& first = conversion.Records.front();
  const EopRecord& last = conversion.Records.back();
  err << "convert_iers: " << conversion.Layout << ": " << conversion.Records.size() << " records, MJD "
      << FormatShortest(first.MJD) << " to " << FormatShortest(last.MJD) << " (" << DayOf(first.MJD) << " to "
      << DayOf(last.MJD) << ")";
  const auto predicted = std::count_if(conversion.Records.begin(), conversion.Records.end(),
                                       [](const EopRecord& r) { return r.Predicted; });
  if (predicted > 0) err << ", " << predicted << " of them predicted";
  err << ", written to " << output;
  if (!leftOut.empty()) err << "; left out: " << leftOut;
  err << "\n";
  return 0;
}

}  // namespace erp::iers
