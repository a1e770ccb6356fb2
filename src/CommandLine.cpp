#include "CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <exception>
#include <string>

#include "core/ObservationStore.h"
#include "core/OutputFiles.h"
#include "core/ScaleMemory.h"
#include "core/SeriesConfig.h"
#include "core/TimeBase.h"

#ifndef ORBELON_VERSION
#define ORBELON_VERSION "unknown"
#endif

namespace erp::batch {
namespace {

constexpr int kMaxImageSide = 8192;    // pixels each way
// The smallest chart that still shows its fifteen legend rows, the value labels and the month
// view's dates and week numbers without overprinting.
constexpr int kMinImageWidth = 640;
constexpr int kMinImageHeight = 400;
constexpr int kMaxShiftWeeks = 10000;  // far beyond any data: the display window clamps anyway

struct ParameterName {
  const char* Option;  // as given to --parameters
  int Parameter;       // StoreParameter
  const char* File;    // image name without extension
};
constexpr ParameterName kParameterNames[] = {
    {"ut1", StoreParameter::UT1, "ut1"},
    {"ut1r", StoreParameter::UT1R, "utr"},
    {"xp", StoreParameter::Xp, "xp"},
    {"yp", StoreParameter::Yp, "yp"},
};

struct FormatName {
  const char* Name;
  ImageFormat Format;
};
constexpr FormatName kFormatNames[] = {
    {"png", ImageFormat::Png}, {"svg", ImageFormat::Svg}, {"pdf", ImageFormat::Pdf}, {"bmp", ImageFormat::Bmp}};

QString Extension(ImageFormat format) {
  for (const FormatName& f : kFormatNames) {
    if (f.Format == format) return QString::fromLatin1(f.Name);
  }
  return {};
}

Command Error(const QString& message) { return Command{CommandKind::Error, {}, message}; }

QString BadValue(const QString& option, const QString& value, const QString& expected) {
  return QStringLiteral("invalid value '%1' for --%2: expected %3").arg(value, option, expected);
}

// A failure of the export: its message is the one line reported.
// Where a path finally leads (links followed; hard links by device and inode).
FileIdentity IdentityOf(const QString& path) { return erp::IdentityOf(QFile::encodeName(path).toStdString()); }

// The options of the command line, in the order --help lists them.
struct CommandLineOptions {
  CommandLineOptions() {
    parser.setApplicationDescription(QStringLiteral(
        "Earth-rotation chart viewer. Without options (or with --lang only) it opens its window; -a as "
        "the first argument also writes utr.bmp, xp.bmp and yp.bmp. With --export it writes one chart per parameter into "
        "OUTDIR from series.ini, scale.ini and the data files of the current folder, and exits."));
    parser.addOptions({help, helpAll, version});
    parser.addOptions(valued);
  }
  // Every name the options of a run without a window are known by, as typed: "-h", "--help", ...
  // (--lang, which the window takes too, is not one of them).
  QStringList Names() const {
    QStringList names;
    for (const QCommandLineOption& known : QList<QCommandLineOption>{help, helpAll, version} + valued) {
      if (known.names().contains(QStringLiteral("lang"))) continue;
      for (const QString& name : known.names()) {
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
      }
    }
    return names;
  }

  QCommandLineParser parser;
  // Qt's own help option would also list --help-all, for Qt's options, which this program does not
  // take from its command line: -h and --help, with --help-all kept as an unlisted alias.
  const QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help.")};
  const QCommandLineOption helpAll = [] {
    QCommandLineOption alias(QStringLiteral("help-all"), QStringLiteral("Displays this help."));
    alias.setFlags(QCommandLineOption::HiddenFromHelp);
    return alias;
  }();
  const QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Displays version information.")};
  const QCommandLineOption exportOption{QStringLiteral("export"), QStringLiteral("Write the charts into <OUTDIR>."),
                                        QStringLiteral("OUTDIR")};
  const QCommandLineOption format{QStringLiteral("format"), QStringLiteral("Image format: png, svg, pdf or bmp (png)."),
                                  QStringLiteral("FORMAT"), QStringLiteral("png")};
  const QCommandLineOption size{QStringLiteral("size"), QStringLiteral("Chart size in pixels (1280x800)."),
                                QStringLiteral("WxH"), QStringLiteral("1280x800")};
  const QCommandLineOption parameters{QStringLiteral("parameters"),
                                      QStringLiteral("Parameters to draw, comma-separated: ut1, ut1r, xp, yp (all)."),
                                      QStringLiteral("LIST"), QStringLiteral("ut1,ut1r,xp,yp")};
  const QCommandLineOption date{QStringLiteral("date"), QStringLiteral("Draw as on that day instead of today (YYYY-MM-DD)."),
                                QStringLiteral("DATE")};
  const QCommandLineOption interval{QStringLiteral("interval"), QStringLiteral("Interval: month or year (month)."),
                                    QStringLiteral("INTERVAL"), QStringLiteral("month")};
  const QCommandLineOption shift{QStringLiteral("shift"),
                                 QStringLiteral("Move the window by whole weeks, negative into the past (0)."),
                                 QStringLiteral("WEEKS"), QStringLiteral("0")};
  const QCommandLineOption trend{QStringLiteral("trend"), QStringLiteral("Trend: removed or shown (removed)."),
                                 QStringLiteral("TREND"), QStringLiteral("removed")};
  const QCommandLineOption stats{QStringLiteral("stats"),
                                 QStringLiteral("Also write the comparison statistics of the first parameter as CSV."),
                                 QStringLiteral("FILE")};
  const QCommandLineOption lang{QStringLiteral("lang"),
                                QStringLiteral("Language of the window and its messages: ru or en (the desktop's)."),
                                QStringLiteral("LANG")};
  const QCommandLineOption differences{QStringLiteral("differences"),
                                       QStringLiteral("Draw every series minus the reference series, in ms or mas.")};
  const QCommandLineOption reference{QStringLiteral("reference"),
                                     QStringLiteral("With --differences: the reference series, 1..15 (3)."),
                                     QStringLiteral("N"), QStringLiteral("3")};
  const QCommandLineOption biasRate{QStringLiteral("bias-rate"),
                                    QStringLiteral("With --differences: removed takes each series' own bias and "
                                                   "rate out of its differences, or kept (kept)."),
                                    QStringLiteral("KEPT"), QStringLiteral("kept")};
  // (--differences takes no value; listed here for the order of --help and the names of a run
  // without a window.)
  const QList<QCommandLineOption> valued{exportOption, format,      size,      parameters, date,    interval, shift,
                                         trend,        stats,       differences, reference, biasRate, lang};
};


// The general part of the command line: its syntax, help, version, an option given twice, a
// stray argument, --lang, and --export, which every other option needs. A command when the run
// ends here (help, version or an error), nothing when the export's options follow.
std::optional<Command> ParseGeneral(CommandLineOptions& options, const QStringList& arguments) {
  QCommandLineParser& parser = options.parser;
  if (!parser.parse(arguments)) return Error(parser.errorText());
  if (parser.isSet(options.help) || parser.isSet(options.helpAll)) return Command{CommandKind::Help, {}, parser.helpText()};
  if (parser.isSet(options.version)) {
    return Command{CommandKind::Version, {}, QStringLiteral("orbelon %1\n").arg(QStringLiteral(ORBELON_VERSION))};
  }
  // An option given twice is a mistake of the command line, not a choice of the last value.
  for (const QCommandLineOption& given : options.valued) {
    if (parser.values(given).size() > 1) {
      return Error(QStringLiteral("--%1 is given more than once").arg(given.names().constFirst()));
    }
  }
  if (!parser.positionalArguments().isEmpty()) {
    return Error(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
  }
  if (parser.isSet(options.lang) && parser.value(options.lang) != QLatin1String("ru") &&
      parser.value(options.lang) != QLatin1String("en")) {
    return Error(BadValue(QStringLiteral("lang"), parser.value(options.lang), QStringLiteral("ru or en")));
  }
  if (!parser.isSet(options.exportOption)) return Error(QStringLiteral("--export OUTDIR is required with these options"));
  return std::nullopt;
}

// Each of the steps below takes one option into the export's options; the message of what is
// wrong with it, or nothing.
using Problem = std::optional<QString>;

Problem TakeOutputFolder(const CommandLineOptions& options, BatchOptions& o) {
  o.OutputDirectory = options.parser.value(options.exportOption);
  if (o.OutputDirectory.isEmpty()) return QStringLiteral("--export needs a folder name");
  return std::nullopt;
}

Problem TakeFormat(const CommandLineOptions& options, BatchOptions& o) {
  const QString text = options.parser.value(options.format);
  for (const FormatName& f : kFormatNames) {
    if (text == QLatin1String(f.Name)) {
      o.Format = f.Format;
      return std::nullopt;
    }
  }
  return BadValue(QStringLiteral("format"), text, QStringLiteral("png, svg, pdf or bmp"));
}

Problem TakeSize(const CommandLineOptions& options, BatchOptions& o) {
  const QString text = options.parser.value(options.size);
  const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$")).match(text);
  const int width = match.hasMatch() ? match.captured(1).toInt() : 0;
  const int height = match.hasMatch() ? match.captured(2).toInt() : 0;
  if (width < kMinImageWidth || height < kMinImageHeight || width > kMaxImageSide || height > kMaxImageSide) {
    return BadValue(QStringLiteral("size"), text,
                    QStringLiteral("WIDTHxHEIGHT from 640x400 (smaller charts overprint their labels) to 8192x8192"));
  }
  o.Size = QSize(width, height);
  return std::nullopt;
}

Problem TakeParameters(const CommandLineOptions& options, BatchOptions& o) {
  o.Parameters.clear();
  const QString text = options.parser.value(options.parameters);
  for (const QString& name : text.split(QLatin1Char(','))) {
    int found = 0;
    for (const ParameterName& p : kParameterNames) {
      if (name == QLatin1String(p.Option)) found = p.Parameter;
    }
    if (found == 0) {
      return BadValue(QStringLiteral("parameters"), text, QStringLiteral("a comma-separated list of ut1, ut1r, xp, yp"));
    }
    if (std::find(o.Parameters.begin(), o.Parameters.end(), found) == o.Parameters.end()) o.Parameters.push_back(found);
  }
  return std::nullopt;
}

Problem TakeDate(const CommandLineOptions& options, BatchOptions& o) {
  if (!options.parser.isSet(options.date)) return std::nullopt;
  const QString text = options.parser.value(options.date);
  const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})$")).match(text);
  bool valid = m.hasMatch();
  if (valid) {
    try {
      EncodeDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    } catch (const std::exception&) {
      valid = false;
    }
  }
  if (!valid) return BadValue(QStringLiteral("date"), text, QStringLiteral("a day as YYYY-MM-DD"));
  o.Year = m.captured(1).toInt();
  o.Month = m.captured(2).toInt();
  o.Day = m.captured(3).toInt();
  return std::nullopt;
}

Problem TakeInterval(const CommandLineOptions& options, BatchOptions& o) {
  const QString text = options.parser.value(options.interval);
  if (text == QLatin1String("month")) {
    o.Interval = IntervalMonth;
  } else if (text == QLatin1String("year")) {
    o.Interval = IntervalYear;
  } else {
    return BadValue(QStringLiteral("interval"), text, QStringLiteral("month or year"));
  }
  return std::nullopt;
}

Problem TakeShift(const CommandLineOptions& options, BatchOptions& o) {
  const QString text = options.parser.value(options.shift);
  bool ok = QRegularExpression(QStringLiteral("^[-+]?[0-9]{1,6}$")).match(text).hasMatch();
  o.ShiftWeeks = ok ? text.toInt(&ok) : 0;
  if (!ok || o.ShiftWeeks < -kMaxShiftWeeks || o.ShiftWeeks > kMaxShiftWeeks) {
    return BadValue(QStringLiteral("shift"), text, QStringLiteral("whole weeks, -10000..10000"));
  }
  return std::nullopt;
}

Problem TakeTrend(const CommandLineOptions& options, BatchOptions& o) {
  const QString text = options.parser.value(options.trend);
  if (text == QLatin1String("removed")) {
    o.Trend = 0;
  } else if (text == QLatin1String("shown")) {
    o.Trend = 1;
  } else {
    return BadValue(QStringLiteral("trend"), text, QStringLiteral("removed or shown"));
  }
  return std::nullopt;
}

Problem TakeStats(const CommandLineOptions& options, BatchOptions& o) {
  if (!options.parser.isSet(options.stats)) return std::nullopt;
  o.StatsFile = options.parser.value(options.stats);
  if (o.StatsFile.isEmpty()) return QStringLiteral("--stats needs a file name");
  return std::nullopt;
}

// No two outputs of the run may be one file (after links), and no output may be one of the
// settings files that the run reads: the later write would destroy the earlier one.
Problem TakeDifferences(const CommandLineOptions& options, BatchOptions& o) {
  const QCommandLineParser& parser = options.parser;
  o.Differences = parser.isSet(options.differences);
  if (!o.Differences) {
    if (parser.isSet(options.reference) || parser.isSet(options.biasRate)) {
      return QStringLiteral("--reference and --bias-rate go with --differences");
    }
    return std::nullopt;
  }
  const QString slot = parser.value(options.reference);
  bool ok = QRegularExpression(QStringLiteral("^[0-9]{1,2}$")).match(slot).hasMatch();
  o.ReferenceSlot = ok ? slot.toInt() : 0;
  if (o.ReferenceSlot < 1 || o.ReferenceSlot > SeriesCount) {
    return BadValue(QStringLiteral("reference"), slot, QStringLiteral("a series 1..15"));
  }
  const QString biasRate = parser.value(options.biasRate);
  if (biasRate != QLatin1String("removed") && biasRate != QLatin1String("kept")) {
    return BadValue(QStringLiteral("bias-rate"), biasRate, QStringLiteral("removed or kept"));
  }
  o.BiasRateRemoved = biasRate == QLatin1String("removed");
  return std::nullopt;
}

Problem CheckOutputNames(const CommandLineOptions&, BatchOptions& o) {
  QStringList outputs;
  for (const int parameter : o.Parameters) outputs << ImageFilePath(o, parameter);
  const bool statsFile = !o.StatsFile.isEmpty() && StreamOf(o.StatsFile) == StatsStream::None;
  if (statsFile) outputs << o.StatsFile;
  for (qsizetype i = 0; i < outputs.size(); ++i) {
    const FileIdentity identity = IdentityOf(outputs[i]);
    for (qsizetype j = 0; j < i; ++j) {
      if (IdentityOf(outputs[j]) == identity) {
        const bool isStats = statsFile && i == outputs.size() - 1;
        return isStats ? QStringLiteral("--stats %1 is the same file as the chart %2").arg(outputs[i], outputs[j])
                       : QStringLiteral("the charts %1 and %2 are the same file").arg(outputs[j], outputs[i]);
      }
    }
    for (const char* input : {SeriesConfigFileName, ScaleMemoryFileName}) {
      if (IdentityOf(QString::fromLatin1(input)) == identity) {
        return QStringLiteral("%1 would overwrite the settings file %2").arg(outputs[i], QString::fromLatin1(input));
      }
    }
  }
  return std::nullopt;
}

}  // namespace

Command ParseCommandLine(const QStringList& arguments) {
  CommandLineOptions options;
  if (const std::optional<Command> ended = ParseGeneral(options, arguments)) return *ended;
  Command command{CommandKind::Batch, {}, {}};
  for (const auto step : {TakeOutputFolder, TakeFormat, TakeSize, TakeParameters, TakeDate, TakeInterval, TakeShift,
                          TakeTrend, TakeStats, TakeDifferences, CheckOutputNames}) {
    if (const Problem problem = step(options, command.Options)) return Error(*problem);
  }
  return command;
}

bool IsBatchCommandLine(const QStringList& arguments) {
  if (arguments.size() > 1 && arguments[1] == QLatin1String("-a")) return false;
  const QStringList names = CommandLineOptions().Names();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (names.contains(a.section(QLatin1Char('='), 0, 0))) return true;
  }
  return false;
}

QString ImageBaseName(int parameter) {
  for (const ParameterName& p : kParameterNames) {
    if (p.Parameter == parameter) return QString::fromLatin1(p.File);
  }
  return {};
}

QString ParameterOptionName(int parameter) {
  for (const ParameterName& p : kParameterNames) {
    if (p.Parameter == parameter) return QString::fromLatin1(p.Option);
  }
  return {};
}

QString ImageFilePath(const BatchOptions& options, int parameter) {
  return QDir(options.OutputDirectory).filePath(ImageBaseName(parameter) + QLatin1Char('.') + Extension(options.Format));
}

StatsStream StreamOf(const QString& statsFile) {
  if (statsFile == QLatin1String("-") || statsFile == QLatin1String("/dev/stdout")) return StatsStream::Out;
  if (statsFile == QLatin1String("/dev/stderr")) return StatsStream::Err;
  return StatsStream::None;
}

// The day of an MJD as YYYY-MM-DD.

}  // namespace erp::batch
