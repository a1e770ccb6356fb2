#include "demo/DemoData.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <stdexcept>
#include <string_view>

#include "core/ColumnFormat.h"
#include "core/Cp1251.h"
#include "core/FileIo.h"
#include "core/NumberText.h"
#include "core/Ut1Correction.h"

namespace erp::demo {
namespace {

namespace fs = std::filesystem;

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kJ2000 = 51544.5;  // origin of the wobble phases (MJD)

// Pole of the model Earth (arcseconds, periods in days).
constexpr double kMeanPoleX = 0.150;        // mean pole at the demo's date
constexpr double kMeanPoleY = 0.380;
constexpr double kMeanPoleRateX = 0.0030;   // creep of the mean pole (arcseconds a year)
constexpr double kMeanPoleRateY = 0.0035;
constexpr double kChandlerAmplitude = 0.150;
constexpr double kChandlerPeriod = 433.0;
constexpr double kChandlerPhase = 1.1;      // radians at J2000
constexpr double kAnnualAmplitude = 0.080;
constexpr double kAnnualPeriod = 365.25;
constexpr double kAnnualPhase = 4.0;        // radians at J2000

// UT1R of the model Earth (seconds, days).
constexpr double kUt1Drift = -0.00045;       // seconds a day (length of day 0.45 ms above 86400 s)
constexpr double kDecadeAmplitude = 0.015;   // slow wave of the rotation (seconds)
constexpr double kDecadePeriod = 1800.0;
constexpr double kUt1RMidSpan = 0.05;        // UT1R in the middle of the data without a leap second
constexpr double kUt1BeforeLeap = -0.48;     // UT1R on the day of a leap second (UT1 - UTC is near -0.5 s before it)

// Two-digit years of the data files mean 2000..2079, four-digit years 2000..2079 stay as written.
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2079;

constexpr std::size_t kLongestLastField = 10;  // the last word of a line is cut into fields of 10 characters

// How a centre writes its file and how good its values are.
struct Centre {
  std::string_view Title;  // UTF-8
  int Color;               // ColorList index
  int Symbol;              // 0 line, 1 squares, 2 circles, 3 triangles
  std::string_view Spec;   // format specification; "f" is a flag column (I observed, P predicted)
  int YearDigits;          // 2 or 4, where the layout has "yy"
  int Hour;                // hour of the records' epochs
  bool Aligned;            // columns padded to fixed widths
  int StartLag;            // first record this many days after the first day of the data
  int EndOffset;           // last record this many days after the demo's date
  bool Gaps;               // an occasional gap of a few days
  double UtNoise;          // white noise of UT1 (ms)
  double UtOffset;         // offset of UT1 (ms)
  double PoleNoise;        // white noise of Xp and Yp (mas)
  double XOffset;          // offset of Xp (mas)
  double YOffset;          // offset of Yp (mas)
  int WholeSeconds;        // added to UT1 - UTC (s)
};

constexpr Centre kCentres[SeriesCount] = {
    {"ЦОВ-С", 9, 0, "j_xp_yp_u", 0, 0, false, 0, LastDayOffset, false, 0.03, 0.0, 0.05, 0.0, 0.0, 0},
    {"GNSS-R", 12, 1, "yy_mm_dd_hh_u_xp_yp", 2, 12, false, 35, 30, true, 0.25, 0.30, 0.15, 0.4, -0.2, 0},
    {"ИПВ", 0, 0, "j_rrr_xp_yp_u", 0, 0, true, 0, LastDayOffset, false, 0.05, -0.10, 0.08, -0.1, 0.15, 0},
    {"VLBI-K", 2, 2, "j_u", 0, 0, false, 12, -2, true, 0.40, -0.40, 0.0, 0.0, 0.0, 0},
    {"SLR-M", 13, 3, "j_xp_yp", 0, 0, true, 50, -4, true, 0.0, 0.0, 0.30, -0.6, 0.5, 0},
    {"ГСВЗ", 1, 1, "yy_mm_dd_u_xp_yp", 4, 0, true, 20, 90, true, 0.20, 0.20, 0.20, 0.3, 0.3, 1},
    {"ACR-2", 4, 2, "yy_mm_dd_xp_yp", 2, 0, false, 61, -10, true, 0.0, 0.0, 0.25, 0.7, -0.4, 0},
    {"Обс-Н", 6, 0, "j_u_xp_yp", 0, 0, false, 5, 60, true, 0.15, -0.25, 0.12, -0.3, -0.2, 0},
    {"NRTC", 5, 3, "yy_mm_dd_j_xp_yp_u", 4, 0, true, 0, LastDayOffset, true, 0.10, 0.15, 0.10, 0.2, 0.1, 0},
    {"ЛСВ", 3, 1, "j_xp_rrr_yp_rrr_u_rrr", 0, 0, true, 28, -30, true, 0.30, 0.45, 0.35, -0.5, -0.6, 0},
    {"GEO-V", 14, 2, "dd_mm_yy_u", 2, 0, false, 44, -1, true, 0.35, -0.30, 0.0, 0.0, 0.0, 0},
    {"ЦЭВ", 10, 3, "yy_mm_dd_hh_xp_yp", 4, 0, true, 70, 14, true, 0.0, 0.0, 0.20, 0.15, 0.7, 0},
    {"EOP-X", 7, 0, "j_f_xp_yp_u", 0, 0, true, 9, LastDayOffset, true, 0.20, 0.05, 0.20, -0.2, 0.4, 0},
    {"ВЦ-2", 17, 1, "mm_dd_yy_u_xp_yp", 2, 0, false, 15, 45, true, 0.25, -0.15, 0.30, 0.6, 0.2, 0},
    {"SPX", 19, 2, "j_yp_xp_u", 0, 0, false, 33, -3, true, 0.30, 0.35, 0.25, -0.4, -0.3, 0},
};

// The quantities a centre's errors are drawn for.
enum Quantity : std::uint64_t { kX, kY, kU, kGap, kGapStart, kGapLength };

// Counter-based generator: a SplitMix64 hash of (seed, slot, day, quantity, draw). The same
// arguments always give the same number, so no state runs through the records.
std::uint64_t Mix(std::uint64_t z) {
  z += 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

struct Draws {
  std::uint64_t Seed;
  int Slot;

  // Uniform in [0, 1).
  double Uniform(std::int64_t day, std::uint64_t quantity, std::uint64_t draw = 0) const {
    std::uint64_t h = Mix(Seed);
    h = Mix(h ^ static_cast<std::uint64_t>(Slot));
    h = Mix(h ^ static_cast<std::uint64_t>(day));
    h = Mix(h ^ quantity);
    h = Mix(h ^ draw);
    return static_cast<double>(h >> 11) * 0x1.0p-53;
  }
  // Standard normal (Box-Muller).
  double Normal(std::int64_t day, std::uint64_t quantity, std::uint64_t draw = 0) const {
    const double u1 = 1.0 - Uniform(day, quantity, 2 * draw);  // (0, 1]: the logarithm stays finite
    const double u2 = Uniform(day, quantity, 2 * draw + 1);
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
  }
};

// Days of the fixed per-centre draws (wander and prediction error), apart from any record's day.
constexpr std::int64_t kPerCentreDay = -1;

// One centre's error in one quantity at an epoch, in the quantity's unit (ms or mas): offset,
// white noise of the record's day, a slow wander (period 40..200 days) and, after the demo's
// date, a prediction error growing with the square of the days ahead.
double CentreError(const Draws& draws, Quantity q, double offset, double noise, double mjd, double dateMJD,
                   double noiseScale) {
  const auto day = static_cast<std::int64_t>(std::floor(mjd));
  const double period = 40.0 + 160.0 * draws.Uniform(kPerCentreDay, q, 1);
  const double phase = kTwoPi * draws.Uniform(kPerCentreDay, q, 2);
  double error = noise * draws.Normal(day, q) + 0.8 * noise * std::sin(kTwoPi * mjd / period + phase);
  if (mjd > dateMJD) {
    const double monthsAhead = (mjd - dateMJD) / 30.0;
    error += draws.Normal(kPerCentreDay, q, 3) * monthsAhead + draws.Normal(kPerCentreDay, q, 4) * monthsAhead * monthsAhead;
  }
  return offset + noiseScale * error;
}

// True when a centre with gaps has no record on that day: in every block of 128 days, one
// centre in two misses 2..8 days in a row.
bool InGap(const Draws& draws, double mjd) {
  constexpr std::int64_t kBlock = 128;
  const auto day = static_cast<std::int64_t>(std::floor(mjd));
  const std::int64_t block = day >= 0 ? day / kBlock : (day - kBlock + 1) / kBlock;
  if (draws.Uniform(block, kGap) >= 0.5) return false;
  const std::int64_t start = block * kBlock + static_cast<std::int64_t>(draws.Uniform(block, kGapStart) * 120.0);
  const std::int64_t length = 2 + static_cast<std::int64_t>(draws.Uniform(block, kGapLength) * 7.0);
  return day >= start && day < start + length;
}

double DateMJD(const DemoOptions& options) { return tools::MjdOfDate(options.Date); }

// One record of a centre, in the units of the file.
struct Record {
  double Epoch;  // MJD
  double Xp;     // arcseconds
  double Yp;
  double UT1;    // UT1 - UTC (seconds)
  double LOD;    // excess length of day (ms)
  bool Predicted;
};

Record CentreRecord(const DemoOptions& options, int slot, double epoch) {
  const Centre& c = kCentres[slot - 1];
  const Draws draws{options.Seed, slot};
  const double dateMJD = DateMJD(options);
  const ModelEarth earth = ModelEarthAt(options, epoch);
  Record r;
  r.Epoch = epoch;
  r.Predicted = epoch > dateMJD;
  r.Xp = earth.Xp + 0.001 * CentreError(draws, kX, c.XOffset, c.PoleNoise, epoch, dateMJD, options.NoiseScale);
  r.Yp = earth.Yp + 0.001 * CentreError(draws, kY, c.YOffset, c.PoleNoise, epoch, dateMJD, options.NoiseScale);
  r.UT1 = earth.UT1 + c.WholeSeconds + 0.001 * CentreError(draws, kU, c.UtOffset, c.UtNoise, epoch, dateMJD, options.NoiseScale);
  // Excess length of day (ms): how much UT1 falls behind in a day, leap seconds left out.
  const auto ut1WithoutLeap = [&](double t) { return ModelEarthAt(options, t).UT1R + Ut1Correction(t, 1); };
  r.LOD = -1000.0 * (ut1WithoutLeap(epoch + 0.5) - ut1WithoutLeap(epoch - 0.5));
  return r;
}

// The text of one column of a record, as the centre writes it.
std::string ColumnText(const Centre& c, ColumnKind kind, ColumnKind previous, const Record& r) {
  const tools::CalendarDate date = tools::DateOfMjd(r.Epoch);
  switch (kind) {
    case ColumnKind::Year:
      return c.YearDigits == 2 ? tools::ZeroPadded(date.Year % 100, 2) : tools::ZeroPadded(date.Year, 4);
    case ColumnKind::Month: return tools::ZeroPadded(date.Month, c.Aligned ? 2 : 1);
    case ColumnKind::Day: return tools::ZeroPadded(date.Day, c.Aligned ? 2 : 1);
    case ColumnKind::Hour: return tools::ZeroPadded(c.Hour, 1);
    case ColumnKind::Epoch: return FormatShortest(r.Epoch);
    case ColumnKind::Xp: return tools::FixedDecimals(r.Xp, 6);
    case ColumnKind::Yp: return tools::FixedDecimals(r.Yp, 6);
    case ColumnKind::UT1: return tools::FixedDecimals(r.UT1, 7);
    case ColumnKind::Unused:
      // After a value: its formal error; elsewhere: the excess length of day (ms).
      switch (previous) {
        case ColumnKind::Xp:
        case ColumnKind::Yp: return tools::FixedDecimals(0.001 * std::max(c.PoleNoise, 0.02), 6);
        case ColumnKind::UT1: return tools::FixedDecimals(0.001 * std::max(c.UtNoise, 0.01), 7);
        default: return tools::FixedDecimals(r.LOD, 4);
      }
    case ColumnKind::Ignored: return r.Predicted ? "P" : "I";
  }
  return {};
}

// The width an aligned centre pads a column to.
std::size_t ColumnWidth(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::Year:
    case ColumnKind::Epoch: return 8;
    case ColumnKind::Month:
    case ColumnKind::Day:
    case ColumnKind::Hour:
    case ColumnKind::Ignored: return 3;
    default: return 11;
  }
}

std::string DataFileText(const DemoOptions& options, int slot, double firstMJD) {
  const Centre& c = kCentres[slot - 1];
  const FormatTokens tokens = SplitFormatSpec(c.Spec);
  const Draws draws{options.Seed, slot};
  const double dateMJD = DateMJD(options);
  const double first = firstMJD + c.StartLag;
  const double last = dateMJD + c.EndOffset;
  std::string text;
  for (double day = first; day <= last; day += 1.0) {
    if (c.Gaps && InGap(draws, day)) continue;
    const Record r = CentreRecord(options, slot, day + c.Hour / 24.0);
    std::string line;
    std::string lastField;
    ColumnKind previous = ColumnKind::Ignored;
    for (int t = 0; t < MaxColumns && !tokens.text[t].empty(); ++t) {
      lastField = ColumnText(c, tokens.kind[t], previous, r);
      previous = tokens.kind[t];
      if (!line.empty() || c.Aligned) {
        const std::size_t width = c.Aligned ? ColumnWidth(tokens.kind[t]) : lastField.size() + 1;
        line.append(width > lastField.size() ? width - lastField.size() : 1, ' ');
      }
      line += lastField;
    }
    if (lastField.size() > kLongestLastField) {
      throw std::logic_error("demo data: the last column of slot " + std::to_string(slot) + " is too long");
    }
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string FileNameOf(int slot) { return "erp" + tools::ZeroPadded(slot, 2) + ".dat"; }

}  // namespace

ModelEarth ModelEarthAt(const DemoOptions& options, double mjd) {
  const double dateMJD = DateMJD(options);
  const double years = (mjd - dateMJD) / 365.25;
  const double chandler = kTwoPi * (mjd - kJ2000) / kChandlerPeriod + kChandlerPhase;
  const double annual = kTwoPi * (mjd - kJ2000) / kAnnualPeriod + kAnnualPhase;
  ModelEarth e;
  e.Xp = kMeanPoleX + kMeanPoleRateX * years + kChandlerAmplitude * std::cos(chandler) +
         kAnnualAmplitude * std::cos(annual);
  e.Yp = kMeanPoleY + kMeanPoleRateY * years - kChandlerAmplitude * std::sin(chandler) -
         kAnnualAmplitude * std::sin(annual);

  // UT1R passes through a chosen value at an anchor day: the middle of the data, or the leap
  // second's day, so that UT1 - UTC stays within 0.9 s on both sides of the leap.
  const double anchor = options.LeapSecond ? tools::MjdOfDate(*options.LeapSecond)
                                           : dateMJD + (FirstDayOffset + LastDayOffset) / 2.0;
  const double level = options.LeapSecond ? kUt1BeforeLeap : kUt1RMidSpan;
  const auto wave = [](double t) { return kDecadeAmplitude * std::sin(kTwoPi * (t - kJ2000) / kDecadePeriod); };
  e.UT1R = level + kUt1Drift * (mjd - anchor) + wave(mjd) - wave(anchor);
  e.UT1 = e.UT1R + Ut1Correction(mjd, 1);
  if (options.LeapSecond && mjd >= anchor) e.UT1 += 1.0;
  return e;
}

DemoFolder MakeDemoFolder(const DemoOptions& options) {
  const double dateMJD = DateMJD(options);
  DemoFolder folder;
  folder.FirstMJD = dateMJD + FirstDayOffset;
  folder.LastMJD = dateMJD + LastDayOffset;

  const tools::CalendarDate first = tools::DateOfMjd(folder.FirstMJD);
  const tools::CalendarDate last = tools::DateOfMjd(folder.LastMJD);
  if (first.Year < kFirstYear || last.Year > kLastYear) {
    const tools::CalendarDate lowest = tools::DateOfMjd(tools::MjdOfDate({kFirstYear, 1, 1}) - FirstDayOffset);
    const tools::CalendarDate highest = tools::DateOfMjd(tools::MjdOfDate({kLastYear, 12, 31}) - LastDayOffset);
    throw std::invalid_argument("the demo data of " + tools::IsoDate(options.Date) + " would run from " +
                                tools::IsoDate(first) + " to " + tools::IsoDate(last) +
                                ", but the years of its files mean 2000..2079: choose a date from " +
                                tools::IsoDate(lowest) + " to " + tools::IsoDate(highest));
  }
  if (options.LeapSecond) {
    const double leap = tools::MjdOfDate(*options.LeapSecond);
    if (leap <= folder.FirstMJD || leap > folder.LastMJD) {
      throw std::invalid_argument("the leap second on " + tools::IsoDate(*options.LeapSecond) +
                                  " lies outside the demo data, which runs from " + tools::IsoDate(first) +
                                  " to " + tools::IsoDate(last));
    }
  }

  for (int slot = 1; slot <= SeriesCount; ++slot) {
    const Centre& c = kCentres[slot - 1];
    folder.Files[slot] = {FileNameOf(slot), DataFileText(options, slot, folder.FirstMJD)};
    folder.Rows[slot] = {c.Color, c.Symbol, Utf8ToCp1251(c.Title), FileNameOf(slot), std::string(c.Spec)};
  }
  return folder;
}

void WriteDemoFolder(const DemoFolder& folder, const std::string& directory) {
  std::error_code ec;
  fs::create_directories(directory, ec);
  if (ec) throw std::runtime_error(directory + ": " + ec.message());
  const fs::path dir(directory);
  std::string path;
  try {
    for (const DemoFile& file : folder.Files) {
      path = (dir / file.Name).string();
      WriteFileReplacing(path, file.Bytes);
    }
    path = (dir / SeriesConfigFileName).string();
    WriteSeriesConfig(folder.Rows, path);
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(path + ": " + e.what());
  }
}

namespace {

constexpr const char* kUsage =
    "usage: make_demo_data OUTDIR [--date YYYY-MM-DD] [--leap-second YYYY-MM-DD] [--seed N]\n";

constexpr const char* kHelp =
    "Writes a demo working folder for the viewer: series.ini with fifteen series and their data\n"
    "files (erp01.dat .. erp15.dat) of invented analysis centres, daily records from about two\n"
    "years before the date to four months after it. Start the viewer in OUTDIR on that date.\n"
    "\n"
    "  --date YYYY-MM-DD         the day the demo is made for (default: today, local time)\n"
    "  --leap-second YYYY-MM-DD  UTC gains a leap second at the end of the day before this date,\n"
    "                            so UT1 - UTC steps up by one second in every series\n"
    "  --seed N                  another set of noise, gaps and prediction errors (default 1)\n"
    "\n"
    "The same date and seed always give the same files. Files of those names in OUTDIR are\n"
    "replaced; nothing else there is touched.\n";

}  // namespace

int RunMakeDemoData(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto usageError = [&](const std::string& message) {
    err << "make_demo_data: " << message << "\n" << kUsage;
    return 2;
  };
  DemoOptions options;
  std::optional<std::string> directory;
  std::optional<tools::CalendarDate> date;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      out << kUsage << "\n" << kHelp;
      return 0;
    }
    if (arg == "--date" || arg == "--leap-second" || arg == "--seed") {
      if (i + 1 == args.size()) return usageError(arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--seed") {
        std::uint64_t seed = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seed);
        if (ec != std::errc() || end != value.data() + value.size()) {
          return usageError("--seed needs a whole number from 0 to 18446744073709551615, not '" + value + "'");
        }
        options.Seed = seed;
        continue;
      }
      const std::optional<tools::CalendarDate> parsed = tools::ParseIsoDate(value);
      if (!parsed) return usageError(arg + " needs a date YYYY-MM-DD of the calendar, not '" + value + "'");
      (arg == "--date" ? date : options.LeapSecond) = parsed;
      continue;
    }
    if (arg.starts_with("-")) return usageError("unknown option '" + arg + "'");
    if (directory) return usageError("one output folder only ('" + *directory + "' and '" + arg + "')");
    directory = arg;
  }
  if (!directory) return usageError("the output folder is missing");
  options.Date = date ? *date : tools::LocalToday();

  DemoFolder folder;
  try {
    folder = MakeDemoFolder(options);
  } catch (const std::invalid_argument& e) {
    return usageError(e.what());
  }
  try {
    WriteDemoFolder(folder, *directory);
  } catch (const std::exception& e) {
    err << "make_demo_data: " << e.what() << "\n";
    return 1;
  }
  out << "make_demo_data: " << *directory << ": series.ini and " << SeriesCount << " data files for "
      << tools::IsoDate(options.Date) << ", records from " << tools::IsoDate(tools::DateOfMjd(folder.FirstMJD))
      << " to " << tools::IsoDate(tools::DateOfMjd(folder.LastMJD));
  if (options.LeapSecond) out << ", leap second before " << tools::IsoDate(*options.LeapSecond);
  out << "\n";
  return 0;
}

}  // namespace erp::demo
