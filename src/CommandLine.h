// The command line beyond "-a": which options make a run without a window, and what
// `orbelon --export OUTDIR ...` asks for, checked in full before anything is read or written.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "core/DisplayWindow.h"

namespace erp::batch {

// Exit codes of the program run from the command line.
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;  // the export failed (data, settings, an image not written)
constexpr int ExitUsage = 2;    // the command line is wrong

enum class ImageFormat { Png, Svg, Pdf, Bmp };

// What `orbelon --export OUTDIR ...` asks for.
struct BatchOptions {
  QString OutputDirectory;
  ImageFormat Format = ImageFormat::Png;
  QSize Size{1280, 800};                     // pixels (SVG and PDF: their units)
  std::vector<int> Parameters{1, 2, 3, 4};   // StoreParameter, in the order of writing
  std::optional<int> Year, Month, Day;       // --date: the run is taken to be on that day, 00:00
  int Interval = IntervalMonth;              // IntervalMonth or IntervalYear
  int Trend = 0;                             // 0 trend removed, 1 trend shown
  int ShiftWeeks = 0;                        // whole weeks, negative = back in time
  QString StatsFile;                         // empty: no statistics
  bool Differences = false;                  // --differences: each series minus the reference
  int ReferenceSlot = 3;                     // --reference: the series the others are compared with
  bool BiasRateRemoved = false;              // --bias-rate removed: each series' own line taken out
};

enum class CommandKind {
  Window,   // none of the batch options: the window starts, as before
  Batch,    // --export
  Help,     // --help or -h: Output holds the usage
  Version,  // --version: Output holds the version line
  Error,    // a bad command line: Output holds the one-line message
};

struct Command {
  CommandKind Kind = CommandKind::Window;
  BatchOptions Options;
  QString Output;
};

// True when the command line (program name first) is one for ParseCommandLine rather than the
// window: "-a" is not its first argument and it holds any of the options that --help lists
// (--export, also as --export=DIR, --format, ..., -h, --help, -v, --version). Any other command
// line starts the window, which ignores what it does not know.
bool IsBatchCommandLine(const QStringList& arguments);

// Parses a batch command line. Every option is checked before anything is read or written:
// unknown options, missing values, positional arguments, a bad format, size (640x400 to 8192x8192,
// "WxH"), parameter list (ut1, ut1r, xp, yp, comma-separated), date (YYYY-MM-DD, a real day in the
// years 1..9999), interval (month, year), shift (whole weeks, -10000..10000) or trend
// (removed, shown) give an Error naming the option and the value; so do an option given twice,
// and outputs that are one file (after symbolic links: --stats naming a chart image) or that
// would overwrite series.ini or scale.ini.
Command ParseCommandLine(const QStringList& arguments);

// The image file name of a parameter without extension: "ut1", "utr", "xp", "yp".
QString ImageBaseName(int parameter);

// The path of a parameter's image in the output folder: "OUTDIR/xp.png".
QString ImageFilePath(const BatchOptions& options, int parameter);

// The option name of a parameter as --parameters takes it: "ut1", "ut1r", "xp", "yp".
QString ParameterOptionName(int parameter);

// "-", /dev/stdout and /dev/stderr as --stats name the program's own streams: the table is
// written to the stream, never renamed over what the stream leads to (a log file).
enum class StatsStream { None, Out, Err };
StatsStream StreamOf(const QString& statsFile);

}  // namespace erp::batch
