#include "BatchExport.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QDate>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <cmath>
#include <exception>
#include <filesystem>
#include <future>
#include <memory>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>
#include <sys/stat.h>

#include "core/FileIo.h"
#include "core/ObservationStore.h"
#include "core/OutputFiles.h"
#include "core/PlotArrays.h"
#include "core/RefreshPass.h"
#include "core/ScaleMemory.h"
#include "core/SeriesConfig.h"
#include "core/SeriesStatistics.h"
#include "core/TimeBase.h"
#include "core/ViewState.h"
#include "core/ViewerModel.h"
#include "ui/ChartSetup.h"
#include "ui/RefreshView.h"
#include "ui/TimeAxisLabels.h"
#include "ui/VectorUnit.h"
#include "ui/chart/Chart.h"

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

ui::ChartImageFormat ChartFormat(ImageFormat format) {
  switch (format) {
    case ImageFormat::Png: return ui::ChartImageFormat::Png;
    case ImageFormat::Svg: return ui::ChartImageFormat::Svg;
    case ImageFormat::Pdf: return ui::ChartImageFormat::Pdf;
    case ImageFormat::Bmp: break;
  }
  return ui::ChartImageFormat::Bmp;
}

Command Error(const QString& message) { return Command{CommandKind::Error, {}, message}; }

QString BadValue(const QString& option, const QString& value, const QString& expected) {
  return QStringLiteral("invalid value '%1' for --%2: expected %3").arg(value, option, expected);
}

// A failure of the export: its message is the one line reported.
struct ExportFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string Local(const QString& text) { return text.toStdString(); }

// The loading pass of the run; where the window would ask the operator for a data folder, the run
// fails. A failure is reported with its file and line, then the message.
void Load(ViewerModel& model) {
  try {
    // The pass runs beside the first drawing on the GUI thread: its second thread, started
    // elsewhere than this one, would take the drawing's processor (the export measured 3 to 5 %
    // slower), so where it runs is left to the system.
    if (model.Load({}, std::nullopt, ThreadStart::Anywhere) == LoadOutcome::NoDataFiles) {
      throw ExportFailure("no data file named in series.ini was found in " + Local(QDir::currentPath()));
    }
  } catch (const PlacedError& e) {
    throw ExportFailure((e.Line > 0 ? e.File + ":" + std::to_string(e.Line) : e.File) + ": " + e.what());
  }
}

// The UT1 corrections of the days of the window at `baseMJD`, worked out on a thread of their own
// when one can be had, otherwise when first asked for.
std::future<std::unique_ptr<DayCorrections>> DayCorrectionsAhead(double baseMJD) {
  auto make = [baseMJD] {
    ui::ResetVectorUnitState();  // a thread starts with the vector unit's state of its maker
    return std::make_unique<DayCorrections>(baseMJD);
  };
  try {
    return std::async(std::launch::async, make);
  } catch (const std::system_error&) {
    return std::async(std::launch::deferred, make);
  }
}

// The message of an error, with a lack of memory (a chart too large for the memory at hand, under
// a memory limit) in the system's words rather than as the name of its exception.
std::string MemoryText(const std::exception& e) {
  return dynamic_cast<const std::bad_alloc*>(&e) != nullptr ? std::strerror(ENOMEM) : e.what();
}

ExportFailure WriteFailure(const std::string& path, const std::exception& e) {
  return ExportFailure(WriteFailureText(path, e.what()));
}

// The files of one run: each written in full beside its name and flushed to disk, and all renamed
// into place only once every one is complete, so that a failure (a full disk too) leaves none of
// them changed. The writer is the settings files' own: it replaces regular files only, so a
// device, FIFO or folder under an output name is refused, never replaced.
class FileSet {
 public:
  // A file written in full beside `path`, not yet in place; may run on any thread.
  static PreparedFile Prepare(const QString& path, const QByteArray& bytes) {
    const std::string name = QFile::encodeName(path).toStdString();
    try {
      return PrepareFileReplacing(name, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (const std::exception& e) {
      throw WriteFailure(name, e);
    }
  }
  void Add(const QString& path, PreparedFile file) {
    files_.push_back(std::move(file));
    paths_ << path;
  }
  void Add(const QString& path, const QByteArray& bytes) { Add(path, Prepare(path, bytes)); }
  // Renames every file into place; returns the paths in order. Each folder that got a new name is
  // flushed to disk once, after the last rename (also when a later rename fails).
  QStringList Commit() {
    struct SyncFolders {
      std::vector<std::string> renamed;
      ~SyncFolders() {
        std::set<std::filesystem::path> synced;
        for (const std::string& file : renamed) {
          if (synced.insert(std::filesystem::path(file).parent_path()).second) SyncFolderOf(file);
        }
      }
    } syncFolders;
    for (std::size_t i = 0; i < files_.size(); ++i) {
      try {
        files_[i].Commit(PreparedFile::FolderSync::Later);
      } catch (const std::exception& e) {
        throw WriteFailure(Local(paths_[static_cast<qsizetype>(i)]), e);
      }
      syncFolders.renamed.push_back(files_[i].Target());
    }
    return paths_;
  }

 private:
  std::vector<PreparedFile> files_;  // uncommitted ones remove their temporary file
  QStringList paths_;
};

// Where a path finally leads (links followed; hard links by device and inode).
FileIdentity IdentityOf(const QString& path) { return erp::IdentityOf(QFile::encodeName(path).toStdString()); }

// "-", /dev/stdout and /dev/stderr as --stats name the program's own streams: the table is
// written to the stream, never renamed over what the stream leads to (a log file).
enum class StatsStream { None, Out, Err };
StatsStream StreamOf(const QString& statsFile) {
  if (statsFile == QLatin1String("-") || statsFile == QLatin1String("/dev/stdout")) return StatsStream::Out;
  if (statsFile == QLatin1String("/dev/stderr")) return StatsStream::Err;
  return StatsStream::None;
}

// The day of an MJD as YYYY-MM-DD.
QString DayText(double mjd) {
  return QDate(1858, 11, 17).addDays(static_cast<qint64>(std::floor(mjd))).toString(Qt::ISODate);
}

}  // namespace

namespace {

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
  const QList<QCommandLineOption> valued{exportOption, format, size, parameters, date, interval, shift, trend, stats,
                                         lang};
};

}  // namespace

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

Command ParseCommandLine(const QStringList& arguments) {
  CommandLineOptions options;
  QCommandLineParser& parser = options.parser;
  const QCommandLineOption& help = options.help;
  const QCommandLineOption& version = options.version;
  const QCommandLineOption& exportOption = options.exportOption;
  const QCommandLineOption& format = options.format;
  const QCommandLineOption& size = options.size;
  const QCommandLineOption& parameters = options.parameters;
  const QCommandLineOption& date = options.date;
  const QCommandLineOption& interval = options.interval;
  const QCommandLineOption& shift = options.shift;
  const QCommandLineOption& trend = options.trend;
  const QCommandLineOption& stats = options.stats;

  if (!parser.parse(arguments)) return Error(parser.errorText());
  if (parser.isSet(help) || parser.isSet(options.helpAll)) return Command{CommandKind::Help, {}, parser.helpText()};
  if (parser.isSet(version)) {
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
  if (!parser.isSet(exportOption)) return Error(QStringLiteral("--export OUTDIR is required with these options"));

  Command command{CommandKind::Batch, {}, {}};
  BatchOptions& o = command.Options;
  o.OutputDirectory = parser.value(exportOption);
  if (o.OutputDirectory.isEmpty()) return Error(QStringLiteral("--export needs a folder name"));

  const QString formatText = parser.value(format);
  bool formatKnown = false;
  for (const FormatName& f : kFormatNames) {
    if (formatText == QLatin1String(f.Name)) {
      o.Format = f.Format;
      formatKnown = true;
    }
  }
  if (!formatKnown) return Error(BadValue(QStringLiteral("format"), formatText, QStringLiteral("png, svg, pdf or bmp")));

  const QString sizeText = parser.value(size);
  const QRegularExpressionMatch sizeMatch =
      QRegularExpression(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$")).match(sizeText);
  const int width = sizeMatch.hasMatch() ? sizeMatch.captured(1).toInt() : 0;
  const int height = sizeMatch.hasMatch() ? sizeMatch.captured(2).toInt() : 0;
  if (width < kMinImageWidth || height < kMinImageHeight || width > kMaxImageSide || height > kMaxImageSide) {
    return Error(BadValue(QStringLiteral("size"), sizeText,
                          QStringLiteral("WIDTHxHEIGHT from 640x400 (smaller charts overprint their labels) to "
                                         "8192x8192")));
  }
  o.Size = QSize(width, height);

  o.Parameters.clear();
  const QString parametersText = parser.value(parameters);
  for (const QString& name : parametersText.split(QLatin1Char(','))) {
    int found = 0;
    for (const ParameterName& p : kParameterNames) {
      if (name == QLatin1String(p.Option)) found = p.Parameter;
    }
    if (found == 0) {
      return Error(BadValue(QStringLiteral("parameters"), parametersText,
                            QStringLiteral("a comma-separated list of ut1, ut1r, xp, yp")));
    }
    if (std::find(o.Parameters.begin(), o.Parameters.end(), found) == o.Parameters.end()) o.Parameters.push_back(found);
  }

  if (parser.isSet(date)) {
    const QString dateText = parser.value(date);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})$")).match(dateText);
    bool valid = m.hasMatch();
    if (valid) {
      try {
        EncodeDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
      } catch (const std::exception&) {
        valid = false;
      }
    }
    if (!valid) return Error(BadValue(QStringLiteral("date"), dateText, QStringLiteral("a day as YYYY-MM-DD")));
    o.Year = m.captured(1).toInt();
    o.Month = m.captured(2).toInt();
    o.Day = m.captured(3).toInt();
  }

  const QString intervalText = parser.value(interval);
  if (intervalText == QLatin1String("month")) {
    o.Interval = IntervalMonth;
  } else if (intervalText == QLatin1String("year")) {
    o.Interval = IntervalYear;
  } else {
    return Error(BadValue(QStringLiteral("interval"), intervalText, QStringLiteral("month or year")));
  }

  const QString shiftText = parser.value(shift);
  bool shiftOk = QRegularExpression(QStringLiteral("^[-+]?[0-9]{1,6}$")).match(shiftText).hasMatch();
  o.ShiftWeeks = shiftOk ? shiftText.toInt(&shiftOk) : 0;
  if (!shiftOk || o.ShiftWeeks < -kMaxShiftWeeks || o.ShiftWeeks > kMaxShiftWeeks) {
    return Error(BadValue(QStringLiteral("shift"), shiftText, QStringLiteral("whole weeks, -10000..10000")));
  }

  const QString trendText = parser.value(trend);
  if (trendText == QLatin1String("removed")) {
    o.Trend = 0;
  } else if (trendText == QLatin1String("shown")) {
    o.Trend = 1;
  } else {
    return Error(BadValue(QStringLiteral("trend"), trendText, QStringLiteral("removed or shown")));
  }

  if (parser.isSet(stats)) {
    o.StatsFile = parser.value(stats);
    if (o.StatsFile.isEmpty()) return Error(QStringLiteral("--stats needs a file name"));
  }

  // No two outputs of the run may be one file (after links), and no output may be one of the
  // settings files that the run reads: the later write would destroy the earlier one.
  QStringList outputs;
  for (const int parameter : o.Parameters) outputs << ImageFilePath(o, parameter);
  if (!o.StatsFile.isEmpty() && StreamOf(o.StatsFile) == StatsStream::None) outputs << o.StatsFile;
  for (qsizetype i = 0; i < outputs.size(); ++i) {
    const FileIdentity identity = IdentityOf(outputs[i]);
    for (qsizetype j = 0; j < i; ++j) {
      if (IdentityOf(outputs[j]) == identity) {
        const bool isStats = !o.StatsFile.isEmpty() && outputs[i] == o.StatsFile && i == outputs.size() - 1;
        return Error(isStats ? QStringLiteral("--stats %1 is the same file as the chart %2").arg(outputs[i], outputs[j])
                             : QStringLiteral("the charts %1 and %2 are the same file").arg(outputs[j], outputs[i]));
      }
    }
    for (const char* input : {SeriesConfigFileName, ScaleMemoryFileName}) {
      if (IdentityOf(QString::fromLatin1(input)) == identity) {
        return Error(QStringLiteral("%1 would overwrite the settings file %2").arg(outputs[i], QString::fromLatin1(input)));
      }
    }
  }
  return command;
}

QString ImageFilePath(const BatchOptions& options, int parameter) {
  return QDir(options.OutputDirectory).filePath(ImageBaseName(parameter) + QLatin1Char('.') + Extension(options.Format));
}

namespace {

// The output folder must be a folder: anything else is named for what it is.
void CheckOutputFolder(const std::string& folder) {
  const FileState state = FileStateOf(folder);
  switch (state.Kind) {
    case FileKind::Missing: throw ExportFailure(folder + ": no such folder");
    case FileKind::Regular: throw ExportFailure(folder + ": is a file, not a folder");
    case FileKind::Unreachable: throw ExportFailure(folder + ": " + std::strerror(state.Error));
    case FileKind::NotAFile:
      if (state.Error != EISDIR) throw ExportFailure(folder + ": is " + NonFileKindText(folder) + ", not a folder");
      break;
  }
}

// The files the run writes: its images and the statistics file (not a stream).
std::vector<std::string> FileOutputs(const BatchOptions& options) {
  std::vector<std::string> outputs;
  for (const int parameter : options.Parameters) outputs.push_back(Local(ImageFilePath(options, parameter)));
  if (!options.StatsFile.isEmpty() && StreamOf(options.StatsFile) == StatsStream::None) {
    outputs.push_back(Local(options.StatsFile));
  }
  return outputs;
}

}  // namespace

int RunBatchExport(const BatchOptions& options, const std::function<double()>& localNow, QTextStream& out,
                   QTextStream& err) {
  // Number conversions use "." whatever the regional settings, as in the window.
  std::setlocale(LC_NUMERIC, "C");
  try {
    CheckOutputFolder(Local(options.OutputDirectory));

    ViewerModel model(options.Year ? EncodeDate(*options.Year, *options.Month, *options.Day) : localNow());
    const TimeBase& timeBase = model.Time();
    // The UT1 corrections of the window's days are worked out on another thread while this one
    // sets up the chart and reads the settings; the loading pass then only looks them up.
    std::future<std::unique_ptr<DayCorrections>> dayCorrections = DayCorrectionsAhead(timeBase.BaseMJD);

    ui::Chart chart;
    chart.resize(options.Size);
    ui::SetUpChartAxes(chart, timeBase);

    // scale.ini is read when present and never created or written here; series.ini gives the
    // slots and the legend.
    try {
      model.ReadScaleMemoryIfPresent();
    } catch (const PlacedError& e) {
      throw ExportFailure(e.File + ": " + e.what());
    }
    try {
      model.ReadSeriesConfig([&](int slot, const SeriesConfig& row) { ui::ApplySeriesLook(chart.SeriesList(slot - 1), row); });
    } catch (const PlacedError& e) {
      throw ExportFailure(e.Line > 0 ? e.File + ": row " + std::to_string(e.Line) + ": " + e.what() : e.File + ": " + e.what());
    }
    SlotArray<std::string, SeriesCount> titles;
    for (int slot = 1; slot <= SeriesCount; ++slot) titles[slot] = chart.SeriesList(slot - 1).Title().toStdString();
    // No output may be one of the data files the run reads; the output folders are the run's
    // alone until its files are in place.
    const std::vector<std::string> outputs = FileOutputs(options);
    CheckOutputs(outputs, model.FilesRead());
    const std::vector<FolderLock> outputFolders = TakeOutputFolders(outputs);

    // The month view's date labels on the Mondays and its week numbers, as the window draws them.
    // (The shift is the run's own: the loading pass sets the model's view on its thread.)
    double shiftDays = 0.0;
    ui::InstallTimeAxisLabels(chart, [&] {
      return ui::TimeAxisView{options.Interval, shiftDays, timeBase.AxisStartMJD, timeBase.DateTimeOffset,
                              timeBase.CurrentWeek};
    });
    // The data are read on other threads while this one lays out and draws the chart once, still
    // empty: its fonts, glyphs and picture memory, most of the first chart's drawing, are then
    // ready when the data are in. The loading ends well before that drawing; its thread then
    // brings in the memory of the second chart's picture, drawn while the first is being encoded.
    const ui::ChartImageFormat format = ChartFormat(options.Format);
    const bool picture = format == ui::ChartImageFormat::Png || format == ui::ChartImageFormat::Bmp;
    ui::PictureBlocks::Preparation secondPicture;
    if (picture && options.Parameters.size() > 1) secondPicture = chart.PrepareSparePicture();
    std::future<void> loading = std::async(std::launch::async, [&] {
      ui::ResetVectorUnitState();  // a thread starts with the vector unit's state of its maker
      model.UseDayCorrections(*dayCorrections.get());
      Load(model);  // the store is made on this thread too
      secondPicture();
    });
    chart.Redraw();
    loading.get();  // a failure of the loading pass comes out here
    ViewState& view = model.View();

    // Pictures are encoded, written beside their names and flushed to disk on worker threads while
    // the next chart is drawn; they are renamed into place together at the end.
    std::vector<std::future<PreparedFile>> images;
    std::vector<std::future<void>> encoded;  // each picture's encoding has ended, its picture let go
    std::optional<SeriesStatisticsTable> statistics;
    QStringList empty;  // the parameters whose chart shows no point
    DisplayWindow window;
    for (const int parameter : options.Parameters) {
      ViewControls controls;
      controls.ParameterIndex = parameter - 1;
      controls.IntervalIndex = options.Interval;
      controls.TrendIndex = options.Trend;
      controls.SeriesChecked.Fill(true);
      const std::optional<int> scaleSlot = ScaleSlot(controls.ParameterIndex, controls.IntervalIndex, controls.TrendIndex);
      controls.ScaleIndex = scaleSlot ? model.Scales()[*scaleSlot] : 0;
      controls.GridIndex = 0;
      view.RescaleOnChange = true;
      view.TimeShiftDays = shiftDays = 7.0 * options.ShiftWeeks;

      const RefreshResult& result = model.Refresh(controls);
      if (result.Exit != RefreshExit::Drawn) empty << QString::fromLatin1(kParameterNames[parameter - 1].Option);
      window = result.Window;
      ui::ShowRefreshOnChart(chart, result, *model.Plot(), timeBase.DateTimeOffset);
      // The window's after-draw handler leaves the time axis starting at the first point, less
      // room for the markers; the charts here look the same.
      if (result.Exit != RefreshExit::NoSeries) chart.BottomAxis().SetAutomaticMinimum(true);

      if (!options.StatsFile.isEmpty() && !statistics) statistics = model.Statistics(1);

      // Two pictures at a time: the chart draws over the one whose encoding has ended.
      if (picture && encoded.size() >= 2) encoded[encoded.size() - 2].wait();
      chart.Redraw();
      const QString path = ImageFilePath(options, parameter);
      if (picture) {
        // The encoder lets go of the picture as soon as it is encoded (the task itself lives on
        // in the future), so that the chart can draw over it.
        std::promise<void> done;
        encoded.push_back(done.get_future());
        auto encodeAndWrite = [image = chart.Picture(), format, path, done = std::move(done)]() mutable {
          QByteArray bytes;
          {
            struct Encoded {
              std::promise<void>& done;
              ~Encoded() { done.set_value(); }  // also when the encoding fails
            } encodedAtEnd{done};
            const QImage picture = std::move(image);
            try {
              bytes = ui::Chart::EncodePicture(picture, format);
            } catch (const std::exception& e) {
              throw ExportFailure(Local(path) + ": " + MemoryText(e));
            }
          }
          return FileSet::Prepare(path, bytes);
        };
        images.push_back(std::async(std::launch::async, std::move(encodeAndWrite)));
      } else {
        images.push_back(std::async(std::launch::deferred, [bytes = chart.ImageFileBytes(format), path] {
          return FileSet::Prepare(path, bytes);
        }));
      }
    }

    // Charts without a single point are told, naming the window; when no chart has any, the run
    // has nothing to show and fails, leaving the image files as they were (the pictures written
    // beside them go).
    const QString emptyWindow = QStringLiteral("no %1 data in the window %2 .. %3")
                                    .arg(empty.join(QStringLiteral(", ")), DayText(window.WindowStartMJD),
                                         DayText(window.WindowEndMJD));
    if (empty.size() == static_cast<qsizetype>(options.Parameters.size())) throw ExportFailure(Local(emptyWindow));
    if (!empty.isEmpty()) {
      err << "orbelon: " << emptyWindow << " (empty charts written)\n";
      err.flush();
    }

    FileSet files;
    for (std::size_t i = 0; i < images.size(); ++i) files.Add(ImageFilePath(options, options.Parameters[i]), images[i].get());
    std::string statisticsText;
    if (statistics) statisticsText = SeriesStatisticsText(*statistics, titles, ',');
    const StatsStream statsStream = StreamOf(options.StatsFile);
    if (statistics && statsStream == StatsStream::None) {
      files.Add(options.StatsFile, QByteArray(statisticsText.data(), static_cast<qsizetype>(statisticsText.size())));
    }
    for (const QString& path : files.Commit()) out << path << '\n';
    if (statistics && statsStream != StatsStream::None) {
      QTextStream& stream = statsStream == StatsStream::Out ? out : err;
      stream << QString::fromUtf8(statisticsText.data(), static_cast<qsizetype>(statisticsText.size()));
      stream.flush();
    }
    out.flush();
    return ExitSuccess;
  } catch (const std::exception& e) {
    err << "orbelon: " << QString::fromStdString(MemoryText(e)) << '\n';
    err.flush();
    return ExitFailure;
  }
}

}  // namespace erp::batch
