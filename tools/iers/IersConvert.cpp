#include "iers/IersConvert.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <filesystem>
#include <functional>
#include <set>

#include "ToolSupport.h"
#include "core/Cp1251.h"
#include "core/DifferenceSettings.h"
#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/OutputFiles.h"
#include "core/ScaleMemory.h"
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

// ---- free-format products: IVS EOP 2.x, the IERS universal format, IGS ERP version 2 ---------

constexpr int kIvsLeastMjdDecimals = 5;  // IVS EOP 2.x: session mid-times to 1 s at least
constexpr double kErpPoleUnit = 1e-6;     // IGS ERP: x and y in 1e-6 arcseconds
constexpr double kErpUtUnit = 1e-7;       // IGS ERP: UT1 in 1e-7 seconds (0.1 microseconds)
constexpr int kErpPoleDecimals = 6;       // decimals of a whole number of 1e-6 arcseconds
constexpr int kErpUtDecimals = 7;         // decimals of a whole number of 1e-7 seconds
constexpr int kMostPoleDecimals = 6;      // the data file holds Xp and Yp to 1e-6 arcseconds
constexpr int kMostUtDecimals = 7;        // and UT1 - UTC to 1e-7 seconds (10 characters)

// Digits after the decimal point of a number's text ("0.12340" has 5); 0 without a point.
int DecimalsOf(std::string_view text) {
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) return 0;
  int n = 0;
  for (std::size_t i = dot + 1; i < text.size() && IsDigit(text[i]); ++i) ++n;
  return n;
}

// The text without blanks, in capitals: header lines write "UT1-UTC", "UT1 -TAI" or "ut1utc".
std::string Squeezed(std::string_view line) {
  std::string s;
  for (const char c : line) {
    if (c != ' ' && c != '\t') s += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return s;
}

enum class UtQuantity { Utc, Tai, RUtc, RTai };

const char* UtName(UtQuantity q) {
  switch (q) {
    case UtQuantity::Tai: return "UT1-TAI";
    case UtQuantity::RUtc: return "UT1R-UTC";
    case UtQuantity::RTai: return "UT1R-TAI";
    case UtQuantity::Utc: break;
  }
  return "UT1-UTC";
}

bool IsRegularised(UtQuantity q) { return q == UtQuantity::RUtc || q == UtQuantity::RTai; }
bool IsTai(UtQuantity q) { return q == UtQuantity::Tai || q == UtQuantity::RTai; }

// The UT quantity that a header line names, or empty; a line naming two is an error, since the
// column's meaning would be a guess.
std::optional<UtQuantity> UtQuantityOf(const Place& at, std::string_view line) {
  const std::string s = Squeezed(line);
  struct Spelling {
    const char* Text;
    UtQuantity Quantity;
  };
  static constexpr Spelling kSpellings[] = {
      {"UT1R-UTC", UtQuantity::RUtc}, {"UT1RUTC", UtQuantity::RUtc}, {"UT1R-TAI", UtQuantity::RTai},
      {"UT1RTAI", UtQuantity::RTai},  {"UT1-UTC", UtQuantity::Utc},   {"UT1UTC", UtQuantity::Utc},
      {"UT1-TAI", UtQuantity::Tai},   {"UT1TAI", UtQuantity::Tai},
  };
  std::optional<UtQuantity> found;
  for (const Spelling& sp : kSpellings) {
    if (s.find(sp.Text) == std::string::npos) continue;
    if (found && *found != sp.Quantity) {
      Fail(at, std::string("the header names both ") + UtName(*found) + " and " + UtName(sp.Quantity) +
                   ": which one the UT column holds is not clear");
    }
    found = sp.Quantity;
  }
  return found;
}

// A column header of the universal format or of IGS ERP: first word MJD ("#" in front allowed).
bool IsColumnHeader(std::string_view trimmed) {
  while (!trimmed.empty() && trimmed.front() == '#') trimmed.remove_prefix(1);
  const std::vector<std::string_view> words = Words(trimmed);
  return !words.empty() && Squeezed(words.front()) == "MJD";
}

// An IGS ERP units line may state the unit of x and y ("10**-6\"", "E-6\"", "(10**-6\")"); any
// other power of ten than 6 is not version 2.
void CheckErpUnits(const Place& at, std::string_view line) {
  const std::string s = Squeezed(line);
  for (std::size_t q = s.find('"'); q != std::string::npos; q = s.find('"', q + 1)) {
    std::size_t d = q;
    while (d > 0 && IsDigit(s[d - 1])) --d;
    if (d == q || d == 0 || s[d - 1] != '-') continue;
    const std::string_view before = std::string_view(s).substr(0, d - 1);
    if (!before.ends_with("10**") && !before.ends_with("E")) continue;
    const std::string exponent = s.substr(d, q - d);
    if (exponent != "6") {
      Fail(at, "the units line gives x and y in 1e-" + exponent + "\"; IGS ERP version 2 gives them in 1e-6\"");
    }
  }
}

// Fields 1-4 of a free-format record: MJD, x, y, UT. Later fields are not read (session codes
// and station lists are text).
struct FreeFields {
  const char* Names[4];
};

constexpr FreeFields kIvsFields = {{"MJD", "x of the pole", "y of the pole", "UT1-UTC"}};
constexpr FreeFields kUniversalFields = {{"MJD", "x pole coordinate", "y pole coordinate", "UT"}};
constexpr FreeFields kErpFields = {{"MJD", "Xpole", "Ypole", "UT"}};

EopRecord FreeRecord(const Place& at, const std::vector<std::string_view>& words, Product kind, UtQuantity ut,
                     Values take, const ConvertOptions& options) {
  const FreeFields& f = kind == Product::Ivs ? kIvsFields : kind == Product::Erp ? kErpFields : kUniversalFields;
  if (words.size() < 4) {
    Fail(at, "a record has at least 4 fields (MJD, x, y, " + std::string(UtName(ut)) + "), this line has " +
                 std::to_string(words.size()));
  }
  double v[4];
  for (int c = 0; c < 4; ++c) {
    const std::optional<double> value = ParseReal(words[c]);
    if (!value) {
      Fail(at, "field " + std::to_string(c + 1) + " (" + f.Names[c] + "): '" + std::string(words[c]) +
                   "' is not a number");
    }
    v[c] = *value;
  }
  if (kind == Product::Ivs && DecimalsOf(words[0]) < kIvsLeastMjdDecimals) {
    Fail(at, "field 1: the MJD '" + std::string(words[0]) + "' has " + std::to_string(DecimalsOf(words[0])) +
                 " decimals; an IVS EOP record gives at least " + std::to_string(kIvsLeastMjdDecimals));
  }
  EopRecord r;
  r.Line = at.Line;
  r.MJD = v[0];
  if (kind == Product::Erp) {
    r.Xp = v[1] * kErpPoleUnit;
    r.Yp = v[2] * kErpPoleUnit;
    r.UT1 = v[3] * kErpUtUnit;
    r.XpDecimals = std::min(kMostPoleDecimals, kErpPoleDecimals + DecimalsOf(words[1]));
    r.YpDecimals = std::min(kMostPoleDecimals, kErpPoleDecimals + DecimalsOf(words[2]));
    r.UT1Decimals = std::min(kMostUtDecimals, kErpUtDecimals + DecimalsOf(words[3]));
  } else {
    r.Xp = v[1];
    r.Yp = v[2];
    r.UT1 = v[3];
    r.XpDecimals = std::min(kMostPoleDecimals, DecimalsOf(words[1]));
    r.YpDecimals = std::min(kMostPoleDecimals, DecimalsOf(words[2]));
    r.UT1Decimals = std::min(kMostUtDecimals, DecimalsOf(words[3]));
  }
  if (IsTai(ut) && take != Values::Pole) {
    if (!options.Leaps) Fail(at, "UT1-TAI needs the leap-second table to become UT1-UTC");
    const LeapSeconds& leaps = options.Leaps();
    const std::optional<int> taiMinusUtc = leaps.TaiMinusUtc(r.MJD);
    const std::string epoch = "the epoch MJD " + std::string(words[0]) + " (" + tools::IsoDate(tools::DateOfMjd(r.MJD)) + ")";
    if (!taiMinusUtc && r.MJD < leaps.FirstMJD()) {
      Fail(at, epoch + " is before 1972-01-01, the first entry of the leap-second table " + leaps.Name() +
                   ": UT1-TAI cannot be turned into UT1-UTC there");
    }
    if (!taiMinusUtc) {
      Fail(at, epoch + " is after " + tools::IsoDate(tools::DateOfMjd(leaps.ExpiryMJD())) +
                   ", the expiry date of the leap-second table " + leaps.Name() +
                   ": whether a leap second came before it is not known (name a newer table with --leap-seconds)");
    }
    r.UT1 += *taiMinusUtc;
  }
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
  result.Take = options.Take;
  std::optional<Product> kind = options.Type;
  const C04Layout* c04 = nullptr;
  int headerLines = 0;
  bool erpHeader = false;  // IGS ERP: the column header has been read
  std::optional<UtQuantity> ut;
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
  // The UT quantity is known: a UT1R product gives the pole only, or fails when UT is asked for.
  const auto setUt = [&](const Place& at, UtQuantity q) {
    ut = q;
    if (!IsRegularised(q)) return;
    const std::string why = std::string(UtName(q)) +
                            " is UT1 with the zonal tides taken out by the producer's model, not the viewer's";
    if (options.Take == Values::UT) Fail(at, why + ": it cannot be imported as UT1-UTC (--values ut)");
    if (options.Take == Values::All) {
      result.Take = Values::Pole;
      result.Warning = result.Source + ": " + why + "; imported Xp and Yp only";
    }
  };
  const auto layoutName = [&] {
    switch (*kind) {
      case Product::Ivs: return std::string("IVS EOP format 2.x");
      case Product::Universal: return "IERS universal format, " + std::string(UtName(*ut));
      case Product::Erp: return "IGS ERP version 2, " + std::string(UtName(*ut));
      case Product::Finals:
        return std::string(options.FinalsBulletin == Bulletin::A ? "IERS finals, Bulletin A" : "IERS finals, Bulletin B");
      case Product::C04: break;
    }
    return std::string(c04 ? c04->Name : "EOP C04");
  };

  int lastLine = 0;
  bool seenLine = false;
  ForEachLine(name, lines, [&](int number, std::string_view line) {
    const Place at{name, number};
    lastLine = number;
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty()) return;
    const bool firstNonBlank = !seenLine;
    seenLine = true;
    const bool comment = trimmed.front() == '#';
    const std::vector<std::string_view> words = Words(comment ? trimmed.substr(1) : trimmed);

    // Recognition, from the first lines.
    if (!kind) {
      if (firstNonBlank && Squeezed(trimmed).starts_with("VERSION")) {
        if (Squeezed(trimmed) != "VERSION2") {
          Fail(at, "'" + std::string(trimmed) + "': of the IGS ERP format only version 2 is read");
        }
        kind = Product::Erp;
        return;
      }
      if (HasFinalsDate(line)) {
        kind = Product::Finals;
      } else if (IsColumnHeader(trimmed) && UtQuantityOf(at, trimmed)) {
        kind = Product::Universal;
      } else if (!comment && ParseInt32(words.front())) {
        kind = Product::C04;
      } else if (!comment && ParseReal(words.front()) && words.size() >= 4) {
        kind = Product::Ivs;
      }
    } else if (*kind == Product::Erp && firstNonBlank) {
      if (Squeezed(trimmed) != "VERSION2") Fail(at, "an IGS ERP file starts with the line 'version 2'");
      return;
    }
    if (kind && result.Layout.empty() && *kind != Product::C04 && *kind != Product::Erp &&
        *kind != Product::Universal) {
      if (*kind == Product::Ivs) ut = UtQuantity::Utc;
      result.Layout = layoutName();
    }
    result.Kind = kind.value_or(Product::Finals);

    if (kind == Product::Finals) {
      const Values want = result.Take;
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
      if ((NeedsPole(want) && (!x || !y)) || (NeedsUT(want) && !u)) {
        ++result.WithoutValues;
        return;
      }
      r.Xp = NeedsPole(want) ? *x : 0.0;
      r.Yp = NeedsPole(want) ? *y : 0.0;
      r.UT1 = NeedsUT(want) ? *u : 0.0;
      // Bulletin B holds final values only; the flags belong to Bulletin A.
      r.Predicted = options.FinalsBulletin == Bulletin::A &&
                    ((NeedsPole(want) && poleFlag == 'P') || (NeedsUT(want) && utFlag == 'P'));
      if (r.Predicted && !options.Predictions) {
        ++result.PredictedLeftOut;
        return;
      }
      keep(r);
      return;
    }

    if (kind == Product::Erp) {
      // Comment lines up to the column header, units lines after it, then the records.
      const bool record = !comment && ParseReal(words.front()).has_value();
      if (!erpHeader) {
        if (IsColumnHeader(trimmed)) {
          const std::optional<UtQuantity> q = UtQuantityOf(at, trimmed);
          if (!q) {
            Fail(at, "the column header names no UT quantity: UT1-UTC, UT1R-UTC, UT1-TAI or UT1R-TAI expected");
          }
          setUt(at, *q);
          erpHeader = true;
          result.Layout = layoutName();
        } else if (++headerLines > kMaxHeaderLines) {
          Fail(at, "no column header (MJD Xpole Ypole UT1-UTC ...) in the first " + std::to_string(kMaxHeaderLines) +
                       " lines of the IGS ERP file");
        }
        return;
      }
      if (!record) {
        if (previous) Fail(at, "not a record of the IGS ERP format (text after the records began)");
        if (comment) return;
        CheckErpUnits(at, trimmed);
        return;
      }
    }

    if (kind == Product::Universal && !ut) {
      const std::optional<UtQuantity> q = IsColumnHeader(trimmed) ? UtQuantityOf(at, trimmed) : std::nullopt;
      if (q) {
        setUt(at, *q);
        result.Layout = layoutName();
        return;
      }
      if (!comment && ParseReal(words.front())) {
        Fail(at, "a record before the header line naming the quantities (MJD x y UT1-UTC or UT1-TAI ...) of the "
                 "IERS universal format");
      }
      if (!comment && ++headerLines > kMaxHeaderLines) {
        Fail(at, "no header line naming the quantities (MJD x y UT1-UTC or UT1-TAI ...) in the first " +
                     std::to_string(kMaxHeaderLines) + " lines");
      }
      return;
    }

    if (comment) return;  // comment lines of 20 C04, IVS EOP 2.x and the universal format
    if (!kind) {
      if (++headerLines > kMaxHeaderLines) {
        Fail(at, "no record in the first " + std::to_string(kMaxHeaderLines) +
                     " lines: none of the IERS finals, EOP C04, IVS EOP 2.x, IERS universal or IGS ERP layouts");
      }
      return;
    }

    if (kind == Product::C04) {
      if (!ParseInt32(words.front())) Fail(at, "not a record of the EOP C04 layout (text after the records began)");
      EopRecord r = C04Record(at, words, c04);
      if (!NeedsPole(result.Take)) r.Xp = r.Yp = 0.0;
      if (!NeedsUT(result.Take)) r.UT1 = 0.0;
      if (result.Layout.empty()) result.Layout = c04->Name;
      take(at, r);
      keep(r);
      return;
    }

    // IVS EOP 2.x, universal format, IGS ERP records.
    if (kind == Product::Universal && IsColumnHeader(trimmed)) return;  // the header repeated
    if (!ParseReal(words.front())) {
      Fail(at, std::string("not a record of the ") + (kind == Product::Ivs ? "IVS EOP 2.x" : kind == Product::Erp ? "IGS ERP" : "IERS universal") +
                   " format: '" + std::string(words.front()) + "' is not an MJD");
    }
    EopRecord r = FreeRecord(at, words, *kind, *ut, result.Take, options);
    if (!NeedsPole(result.Take)) r.Xp = r.Yp = 0.0;
    if (!NeedsUT(result.Take)) r.UT1 = 0.0;
    take(at, r);
    keep(r);
  });

  if (!kind || !previous) {
    Fail({name, std::max(lastLine, 1)},
         lastLine == 0 ? "the file is empty"
         : kind        ? std::string("no record found of the ") + ProductName(*kind) + " layout"
                       : "no record found: none of the IERS finals, EOP C04, IVS EOP 2.x, IERS universal or IGS ERP "
                         "layouts");
  }
  if (result.Layout.empty()) result.Layout = layoutName();
  return result;
}

const char* ProductName(Product product) {
  switch (product) {
    case Product::C04: return "c04";
    case Product::Ivs: return "ivs";
    case Product::Universal: return "universal";
    case Product::Erp: return "erp";
    case Product::Finals: break;
  }
  return "finals";
}

std::optional<Product> ProductOfName(std::string_view name) {
  for (const Product p : {Product::Finals, Product::C04, Product::Ivs, Product::Universal, Product::Erp}) {
    if (name == ProductName(p)) return p;
  }
  return std::nullopt;
}

namespace {
constexpr double kMjdOfNtpEra = 15020.0;  // MJD of 1900-01-01, where NTP seconds count from
constexpr double kSecondsPerDay = 86400.0;
}  // namespace

LeapSeconds LeapSeconds::Parse(std::string_view name, std::string_view text) {
  LeapSeconds table;
  table.name_ = std::string(name);
  TextLines lines(text);
  bool expiry = false;
  ForEachLine(name, lines, [&](int number, std::string_view line) {
    const Place at{name, number};
    const std::string_view trimmed = Trim(line);
    if (trimmed.starts_with("#@")) {
      const std::optional<double> ntp = ParseReal(Trim(trimmed.substr(2)));
      if (!ntp) Fail(at, "the expiry line '#@' gives no NTP seconds");
      table.expiryMjd_ = kMjdOfNtpEra + *ntp / kSecondsPerDay;
      expiry = true;
      return;
    }
    if (trimmed.empty() || trimmed.front() == '#') return;
    const std::vector<std::string_view> words = Words(trimmed.substr(0, trimmed.find('#')));
    const std::optional<double> ntp = words.size() == 2 ? ParseReal(words[0]) : std::nullopt;
    const std::optional<std::int32_t> step = words.size() == 2 ? ParseInt32(words[1]) : std::nullopt;
    if (!ntp || !step) Fail(at, "not an entry '<NTP seconds> <TAI-UTC>' of a leap-second table");
    const double mjd = kMjdOfNtpEra + *ntp / kSecondsPerDay;
    if (!table.steps_.empty() && !(mjd > table.steps_.back().first)) Fail(at, "the entries must ascend");
    table.steps_.emplace_back(mjd, *step);
  });
  if (table.steps_.empty()) Fail({name, 1}, "no entry: not a leap-second table");
  if (!expiry) Fail({name, 1}, "no expiry line '#@': the table does not say how long it holds");
  return table;
}

std::optional<int> LeapSeconds::TaiMinusUtc(double mjd) const {
  if (steps_.empty() || mjd < steps_.front().first || mjd > expiryMjd_) return std::nullopt;
  int value = steps_.front().second;
  for (const auto& [from, step] : steps_) {
    if (from <= mjd) value = step;
  }
  return value;
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
      line += ' ' + tools::FixedDecimals(r.Xp, r.XpDecimals);
      last = tools::FixedDecimals(r.Yp, r.YpDecimals);
      line += ' ' + last;
    }
    if (NeedsUT(values)) {
      last = tools::FixedDecimals(r.UT1, r.UT1Decimals);
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
    "Turns one Earth-orientation product (IERS finals, EOP C04, IVS EOP 2.x, the IERS universal\n"
    "format, IGS ERP version 2: see eop_import --help) into a data file for the viewer: one line\n"
    "per epoch with the MJD, Xp and Yp (arcseconds) and UT1 - UTC (seconds), separated by blanks.\n"
    "The product is recognised from the file; a line that does not fit it stops the conversion\n"
    "with its number. eop_import does the same for several files and puts them into series.ini.\n"
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

std::string TextOfFile(const std::string& path);
std::string DefaultTitle(const Conversion& c, const ConvertOptions& options, const std::string& input);

// A title or data file name as series.ini holds it: one word, no blank, tab, line end or other
// control character (any of them would break its row of blank-separated fields).
bool OneWord(std::string_view text) {
  return !text.empty() && std::none_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7F;
  });
}

}  // namespace

namespace {

// The options of a conversion that both programs take with a value: --from, --to, --bulletin
// and --values. Empty when `arg` is none of them; otherwise the usage error, empty when the value
// fits (it is then in `options`, `from` or `to`).
std::optional<std::string> TakeConversionOption(const std::string& arg, const std::string& value,
                                                ConvertOptions& options, std::optional<tools::CalendarDate>& from,
                                                std::optional<tools::CalendarDate>& to) {
  if (arg == "--from" || arg == "--to") {
    const std::optional<tools::CalendarDate> date = tools::ParseIsoDate(value);
    if (!date) return arg + " needs a date YYYY-MM-DD of the calendar, not '" + value + "'";
    (arg == "--from" ? from : to) = date;
    return std::string();
  }
  if (arg == "--bulletin") {
    if (value != "A" && value != "B") return "--bulletin is A or B, not '" + value + "'";
    options.FinalsBulletin = value == "A" ? Bulletin::A : Bulletin::B;
    return std::string();
  }
  if (arg == "--values") {
    if (value == "all") options.Take = Values::All;
    else if (value == "pole") options.Take = Values::Pole;
    else if (value == "ut") options.Take = Values::UT;
    else return "--values is all, pole or ut, not '" + value + "'";
    return std::string();
  }
  return std::nullopt;
}

// Puts --from and --to into `options` and checks them and --title together; the usage error
// when they do not fit.
std::optional<std::string> CheckDatesAndTitle(const std::optional<tools::CalendarDate>& from,
                                              const std::optional<tools::CalendarDate>& to,
                                              const std::optional<std::string>& title, ConvertOptions& options) {
  if (from) options.FromMJD = tools::MjdOfDate(*from);
  if (to) options.ToMJD = tools::MjdOfDate(*to);
  if (from && to && *options.FromMJD > *options.ToMJD) {
    return "--from " + tools::IsoDate(*from) + " is after --to " + tools::IsoDate(*to);
  }
  if (title && !OneWord(*title)) {
    return "the title is one word without blanks or control characters, not '" + *title + "'";
  }
  if (title && Cp1251ToUtf8(Utf8ToCp1251(*title)) != *title) {
    return "the title '" + *title + "' has characters that series.ini (CP1251) cannot hold";
  }
  return std::nullopt;
}

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
  bool optionsEnded = false;  // after "--" every argument is a file name, also one that starts with "-"
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || (arg != "--" && !arg.starts_with("-"))) {
      files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
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
      if (const std::optional<std::string> bad = TakeConversionOption(arg, value, options, from, to)) {
        if (!bad->empty()) return usageError(*bad);
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
  if (const std::optional<std::string> bad = CheckDatesAndTitle(from, to, title, options)) return usageError(*bad);
  const std::string fileName = fs::path(output).filename().string();
  if (!OneWord(fileName) || fileName.size() > MaxFileNameLength) {
    return usageError("the output file name goes into series.ini: one word of at most 255 bytes without control "
                      "characters, not '" + fileName + "'");
  }
  std::error_code ec;
  if (fs::exists(output, ec) && fs::equivalent(input, output, ec)) {
    return usageError("the output file is the input file");
  }

  std::optional<LeapSeconds> leaps;  // read only for a product that gives UT1 - TAI
  options.Leaps = [&]() -> const LeapSeconds& {
    if (!leaps) {
      try {
        leaps = LeapSeconds::Parse(SystemLeapSeconds, TextOfFile(SystemLeapSeconds));
      } catch (const ConvertError&) {
        throw;
      } catch (const std::runtime_error& e) {
        throw ConvertError(std::string(SystemLeapSeconds) + ": " + e.what() +
                           " (the leap-second table that turns UT1-TAI into UT1-UTC; Debian's tzdata installs it)");
      }
    }
    return *leaps;
  };
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
    text = DataFileText(conversion, conversion.Take);
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
  // The output is no settings file of its folder, and the folder is this run's alone meanwhile.
  std::vector<FolderLock> folder;
  try {
    const fs::path dir = fs::path(output).parent_path();
    CheckOutputs({output}, {{(dir / SeriesConfigFileName).string(), "the settings file series.ini"},
                            {(dir / ScaleMemoryFileName).string(), "the settings file scale.ini"},
                            {(dir / DifferenceSettingsFileName).string(), "the settings file differences.ini"}});
    folder = TakeOutputFolders({output});
  } catch (const std::runtime_error& e) {
    err << e.what() << "\n";
    return 1;
  }
  try {
    WriteFileReplacing(output, text);
  } catch (const std::runtime_error& e) {
    err << WriteFailureText(output, e.what()) << "\n";
    return 1;
  }

  SlotArray<SeriesConfig, SeriesCount> rows;
  const std::string defaultTitle = DefaultTitle(conversion, options, input);
  rows[1] = {kDefaultColor, kDefaultSymbol, Utf8ToCp1251(title.value_or(defaultTitle)), fileName,
             FormatSpecOf(conversion.Take)};
  if (!conversion.Warning.empty()) err << "convert_iers: warning: " << conversion.Warning << "\n";
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


namespace {

constexpr const char* kImportUsage =
    "usage: eop_import INPUT... --into FOLDER [--slot N] [--title TEXT] [--colour C] [--symbol S] [--force]\n"
    "       eop_import INPUT --output FILE [--title TEXT]\n"
    "         [--type finals|c04|ivs|universal|erp] [--leap-seconds FILE] [--from YYYY-MM-DD]\n"
    "         [--to YYYY-MM-DD] [--bulletin A|B] [--values all|pole|ut] [--no-predictions]\n";

constexpr const char* kImportHelp =
    "Turns the Earth-orientation products of analysis centres into data files for the viewer (one\n"
    "line per epoch: MJD, Xp and Yp in arcseconds, UT1 - UTC in seconds; format j_xp_yp_u):\n"
    "  finals     IERS finals, Bulletin A and B (finals.all, finals2000A.all, .data, .daily)\n"
    "  c04        EOP C04 series (14 C04 and earlier, 20 C04)\n"
    "  ivs        IVS EOP format 2.x (.eops, .eoxy, .eopi, .eob), '#' comments\n"
    "  universal  the IERS universal format, UT1-UTC or UT1-TAI as its header names it\n"
    "  erp        IGS ERP version 2 (GNSS and SLR centres), units 1e-6\" and 1e-7 s\n"
    "The product is recognised from the content; --type names it instead.\n"
    "\n"
    "  --into FOLDER      write each data file (INPUT's name with .dat) into the working folder\n"
    "                     and its row into FOLDER/series.ini, in the first free slots\n"
    "  --slot N           the slot of the first input (the next inputs take N+1, ...)\n"
    "  --colour C         colour of the rows: 0..49 or a name such as clRed (default: blue, red, ...)\n"
    "  --symbol S         0 or line, 1 or squares, 2 or circles, 3 or triangles (default 0)\n"
    "  --force            replace a taken slot or an existing data file\n"
    "  --output FILE      write one input to FILE and print its series.ini line instead\n"
    "  --title TEXT       legend title, one word (default: the input's name, or IERS-A, IERS-B, C04)\n"
    "  --leap-seconds FILE  the leap-second table that turns UT1 - TAI into UT1 - UTC (default\n"
    "                     /usr/share/zoneinfo/leap-seconds.list, from tzdata); epochs before 1972\n"
    "                     or after the table's expiry date are errors\n"
    "  --from, --to, --bulletin, --values, --no-predictions  as for convert_iers\n"
    "\n"
    "A UT1R product (zonal tides taken out by the producer's model) gives Xp and Yp only, with a\n"
    "warning; --values ut then fails. An error names the file and line; nothing is written then.\n";

constexpr int kDefaultColours[] = {12, 9, 2, 13, 6, 1, 4, 5, 3, 14};  // blue, red, green, ...

// The default legend title of a product: the input's name (one word that CP1251 holds) for the
// free-format products, whose files are named after the analysis centre's solution.
std::string DefaultTitle(const Conversion& c, const ConvertOptions& options, const std::string& input) {
  if (c.Kind == Product::Finals) return options.FinalsBulletin == Bulletin::A ? "IERS-A" : "IERS-B";
  if (c.Kind == Product::C04) return "C04";
  const std::string stem = fs::path(input).stem().string();
  if (OneWord(stem) && stem.size() <= 40 &&
      Cp1251ToUtf8(Utf8ToCp1251(stem)) == stem) {
    return stem;
  }
  return c.Kind == Product::Ivs ? "IVS" : c.Kind == Product::Erp ? "ERP" : "EOP";
}

std::optional<int> ColourOf(const std::string& text) {
  if (const std::optional<std::int32_t> n = ParseInt32(text); n && *n >= 0 && *n < ColorListSize) return *n;
  for (int i = 0; i < ColorListSize; ++i) {
    if (ColorList[static_cast<std::size_t>(i)].Name == text) return i;
  }
  return std::nullopt;
}

std::optional<int> SymbolOf(const std::string& text) {
  const char* const names[] = {"line", "squares", "circles", "triangles"};
  for (int i = 0; i < 4; ++i) {
    if (text == names[i] || text == std::to_string(i)) return i;
  }
  return std::nullopt;
}

std::string TextOfFile(const std::string& path) {
  FileLines lines(path);
  std::string text;
  while (const std::optional<std::string_view> line = lines.Next()) {
    text.append(*line);
    text += '\n';
  }
  return text;
}

}  // namespace

int RunEopImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto usageError = [&](const std::string& message) {
    err << "eop_import: " << message << "\n" << kImportUsage;
    return 2;
  };
  ConvertOptions options;
  std::vector<std::string> inputs;
  std::optional<std::string> title, into, output, leapsPath, colourText, symbolText;
  std::optional<int> firstSlot;
  std::optional<tools::CalendarDate> from, to;
  bool force = false;
  std::set<std::string> seen;
  bool optionsEnded = false;  // after "--" every argument is an input, also one that starts with "-"
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || (arg != "--" && !arg.starts_with("-"))) {
      inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      out << kImportUsage << "\n" << kImportHelp;
      return 0;
    }
    if (arg == "--no-predictions" || arg == "--force") {
      (arg == "--force" ? force : options.Predictions) = arg == "--force";
      continue;
    }
    static const std::set<std::string> valued = {"--from",  "--to",           "--bulletin", "--values", "--title",
                                                 "--type",  "--leap-seconds", "--into",     "--slot",   "--colour",
                                                 "--symbol", "--output"};
    if (valued.contains(arg)) {
      if (i + 1 == args.size()) return usageError(arg + " needs a value");
      if (!seen.insert(arg).second) return usageError(arg + " is given twice");
      const std::string& value = args[++i];
      if (const std::optional<std::string> bad = TakeConversionOption(arg, value, options, from, to)) {
        if (!bad->empty()) return usageError(*bad);
      } else if (arg == "--type") {
        options.Type = ProductOfName(value);
        if (!options.Type) return usageError("--type is finals, c04, ivs, universal or erp, not '" + value + "'");
      } else if (arg == "--slot") {
        const std::optional<std::int32_t> n = ParseInt32(value);
        if (!n || *n < 1 || *n > SeriesCount) return usageError("--slot is a slot 1..15, not '" + value + "'");
        firstSlot = *n;
      } else {
        (arg == "--title" ? title : arg == "--into" ? into : arg == "--output" ? output
         : arg == "--leap-seconds" ? leapsPath : arg == "--colour" ? colourText : symbolText) = value;
      }
      continue;
    }
    if (arg.starts_with("-")) return usageError("unknown option '" + arg + "'");
    inputs.push_back(arg);
  }
  if (inputs.empty()) return usageError("give the input files");
  if (into.has_value() == output.has_value()) return usageError("give either --into FOLDER or --output FILE");
  if (output && inputs.size() != 1) return usageError("--output takes one input; several go --into a folder");
  if (title && inputs.size() != 1) return usageError("--title names the row of one input; give one input per call");
  if (output && (firstSlot || colourText || symbolText || force)) {
    return usageError("--slot, --colour, --symbol and --force go with --into");
  }
  if (const std::optional<std::string> bad = CheckDatesAndTitle(from, to, title, options)) return usageError(*bad);
  const int colour = colourText ? ColourOf(*colourText).value_or(-1) : -1;  // -1: the default colours
  if (colourText && colour < 0) return usageError("--colour is 0..49 or a colour name such as clRed, not '" + *colourText + "'");
  const int symbol = symbolText ? SymbolOf(*symbolText).value_or(-1) : kDefaultSymbol;
  if (symbol < 0) return usageError("--symbol is 0..3, line, squares, circles or triangles, not '" + *symbolText + "'");
  if (firstSlot && *firstSlot + static_cast<int>(inputs.size()) - 1 > SeriesCount) {
    return usageError("--slot " + std::to_string(*firstSlot) + " leaves no room for " + std::to_string(inputs.size()) +
                      " rows (slots end at 15)");
  }

  std::optional<LeapSeconds> leaps;
  const std::string leapsName = leapsPath.value_or(SystemLeapSeconds);
  options.Leaps = [&]() -> const LeapSeconds& {
    if (!leaps) {
      try {
        leaps = LeapSeconds::Parse(leapsName, TextOfFile(leapsName));
      } catch (const ConvertError&) {
        throw;
      } catch (const std::runtime_error& e) {
        throw ConvertError(leapsName + ": " + e.what() + " (the leap-second table that turns UT1-TAI into UT1-UTC; " +
                           "Debian's tzdata installs it, --leap-seconds names another)");
      }
    }
    return *leaps;
  };

  // Every input is read and converted before anything is written.
  struct Import {
    std::string Input;
    Conversion Result;
    std::string Text;
    std::string Path;  // the data file written
    int Slot = 0;
  };
  std::vector<Import> imports;
  for (const std::string& input : inputs) {
    Import im;
    im.Input = input;
    try {
      FileLines lines(input);
      im.Result = ConvertEop(input, lines, options);
      im.Text = DataFileText(im.Result, im.Result.Take);
    } catch (const ConvertError& e) {
      err << e.what() << "\n";
      return 1;
    } catch (const std::runtime_error& e) {
      err << input << ": " << e.what() << "\n";
      return 1;
    }
    if (im.Result.Records.empty()) {
      err << input << ": no record to write\n";
      return 1;
    }
    imports.push_back(std::move(im));
  }

  SlotArray<SeriesConfig, SeriesCount> rows;
  std::string iniPath;
  if (into) {
    std::error_code ec;
    if (!fs::is_directory(*into, ec)) {
      err << *into << ": not a folder (--into names the working folder with series.ini)\n";
      return 1;
    }
    iniPath = (fs::path(*into) / SeriesConfigFileName).string();
    try {
      if (FileExists(iniPath)) ReadSeriesConfig([&](int slot, const SeriesConfig& row) { rows[slot] = row; }, iniPath);
    } catch (const std::runtime_error& e) {
      err << iniPath << ": " << e.what() << " (series.ini is left as it is)\n";
      return 1;
    }
  }
  const SlotArray<SeriesConfig, SeriesCount> rowsBefore = rows;
  std::set<int> taken;
  std::set<std::string> names;
  for (std::size_t i = 0; i < imports.size(); ++i) {
    Import& im = imports[i];
    const std::string fileName =
        output ? fs::path(*output).filename().string() : fs::path(im.Input).stem().string() + ".dat";
    if (!OneWord(fileName) || fileName.size() > MaxFileNameLength) {
      err << im.Input << ": the data file name '" << fileName
          << "' goes into series.ini: one word of at most 255 bytes without control characters (rename the input)\n";
      return 1;
    }
    im.Path = output ? *output : (fs::path(*into) / fileName).string();
    std::error_code ec;
    if (fs::exists(im.Path, ec) && fs::equivalent(im.Input, im.Path, ec)) {
      err << im.Path << ": the data file would be the input itself\n";
      return 1;
    }
    if (!names.insert(fileName).second) {
      err << im.Input << ": two inputs give the data file name " << fileName << "\n";
      return 1;
    }
    const int row = static_cast<int>(i);
    SeriesConfig config{colour >= 0 ? colour : kDefaultColours[static_cast<std::size_t>(row) % std::size(kDefaultColours)],
                        symbol, Utf8ToCp1251(title.value_or(DefaultTitle(im.Result, options, im.Input))),
                        fileName, FormatSpecOf(im.Result.Take)};
    if (output) {
      SlotArray<SeriesConfig, SeriesCount> one;
      one[1] = config;
      one[1].ColorIndex = colour >= 0 ? colour : kDefaultColor;
      im.Slot = 1;
      rows[1] = one[1];
      continue;
    }
    if (fs::exists(im.Path, ec) && !force) {
      err << im.Path << ": the data file exists already (--force replaces it)\n";
      return 1;
    }
    int slot = firstSlot ? *firstSlot + row : 0;
    if (!firstSlot) {
      for (int s = 1; s <= SeriesCount && slot == 0; ++s) {
        if (rows[s].FileName.empty() && !taken.contains(s)) slot = s;
      }
      if (slot == 0) {
        err << iniPath << ": no free slot (every row names a data file): --slot N --force replaces one\n";
        return 1;
      }
    } else if (!rows[slot].FileName.empty() && !force) {
      err << iniPath << ": slot " << slot << " holds " << rows[slot].FileName << " already (--force replaces it)\n";
      return 1;
    }
    taken.insert(slot);
    im.Slot = slot;
    rows[slot] = config;
  }

  // Nothing written may be a file that the working folder reads otherwise (scale.ini, series.ini
  // where no row is written, the data file of a slot that keeps its row) or another file written
  // here; the folders are this run's alone until the new files are in place.
  std::vector<std::string> outputs;
  for (const Import& im : imports) outputs.push_back(im.Path);
  if (into) outputs.push_back(iniPath);
  const fs::path folder = into ? fs::path(*into) : fs::path(*output).parent_path();
  std::vector<ReadFile> readFiles{{(folder / ScaleMemoryFileName).string(), "the settings file scale.ini"},
                                  {(folder / DifferenceSettingsFileName).string(), "the settings file differences.ini"}};
  if (!into) readFiles.push_back({(folder / SeriesConfigFileName).string(), "the settings file series.ini"});
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    if (!into || taken.contains(slot) || rowsBefore[slot].FileName.empty()) continue;
    readFiles.push_back({(folder / rowsBefore[slot].FileName).string(),
                         "the data file " + rowsBefore[slot].FileName + " of slot " + std::to_string(slot)});
  }
  std::vector<FolderLock> folders;
  try {
    CheckOutputs(outputs, readFiles);
    folders = TakeOutputFolders(outputs);
  } catch (const std::runtime_error& e) {
    err << e.what() << "\n";
    return 1;
  }

  // Every file is written in full beside its name first, series.ini last, and then all are put in
  // place together: a failure on the way leaves every old file as it was.
  std::vector<PreparedFile> files;
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    try {
      files.push_back(PrepareFileReplacing(outputs[i], i < imports.size() ? imports[i].Text : SeriesConfigText(rows)));
    } catch (const std::runtime_error& e) {
      err << WriteFailureText(outputs[i], e.what()) << (i < imports.size() ? "" : " (series.ini is left as it was)")
          << "\n";
      return 1;
    }
  }
  try {
    CommitTogether(files);
  } catch (const PartlyCommitted& e) {
    err << (into ? *into : *output) << ": " << e.what() << "\n";
    return 1;
  } catch (const std::runtime_error& e) {
    err << (into ? *into : *output) << ": " << e.what() << " (every file is left as it was)\n";
    return 1;
  }

  for (const Import& im : imports) {
    SlotArray<SeriesConfig, SeriesCount> one;
    one[1] = rows[im.Slot];
    const std::string iniText = SeriesConfigText(one);
    if (!im.Result.Warning.empty()) err << "eop_import: warning: " << im.Result.Warning << "\n";
    out << iniText.substr(0, iniText.find("\r\n")) << "\n";
    const EopRecord& first = im.Result.Records.front();
    const EopRecord& last = im.Result.Records.back();
    err << "eop_import: " << im.Input << ": " << im.Result.Layout << ": " << im.Result.Records.size() << " records, MJD "
        << FormatShortest(first.MJD) << " to " << FormatShortest(last.MJD) << " (" << DayOf(first.MJD) << " to "
        << DayOf(last.MJD) << "), written to " << im.Path;
    if (into) err << ", slot " << im.Slot << " of " << iniPath;
    err << "\n";
  }
  return 0;
}

}  // namespace erp::iers
