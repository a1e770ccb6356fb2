#include "BatchExport.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <clocale>
#include <exception>
#include <filesystem>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/ObservationStore.h"
#include "core/PlotArrays.h"
#include "core/RefreshPass.h"
#include "core/ScaleMemory.h"
#include "core/SeriesConfig.h"
#include "core/SeriesStatistics.h"
#include "core/TimeBase.h"
#include "core/ViewState.h"
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

// The loading pass without a window: where the window would ask the operator, the run fails.
class BatchLoadUi final : public LoadUi {
 public:
  void ShowStatus(const std::string&) override {}
  void ShowMessage(const std::string&) override {
    throw ExportFailure("no data file named in series.ini was found in " + Local(QDir::currentPath()));
  }
  std::optional<std::string> ChooseDirectory(const std::string&) override {
    throw ExportFailure("no data folder");
  }
  void ReadFailed(const std::string& path, long line) override {
    failedPath = path;
    failedLine = line;
  }
  std::string failedPath;
  long failedLine = 0;
};

// The files of one run: each written to a temporary file beside its name, all renamed into place
// only once every one is complete, so that a failure leaves none of them changed.
class FileSet {
 public:
  void Add(const QString& path, const QByteArray& bytes) {
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) throw ExportFailure(Local(path + QStringLiteral(": ") + file->errorString()));
    if (file->write(bytes) != bytes.size()) {
      throw ExportFailure(Local(path + QStringLiteral(": ") + file->errorString()));
    }
    files_.push_back(std::move(file));
  }
  // Renames every file into place; returns the paths in order.
  QStringList Commit() {
    QStringList written;
    for (const auto& file : files_) {
      if (!file->commit()) throw ExportFailure(Local(file->fileName() + QStringLiteral(": ") + file->errorString()));
      written << file->fileName();
    }
    return written;
  }

 private:
  std::vector<std::unique_ptr<QSaveFile>> files_;  // uncommitted ones remove their temporary file
};

}  // namespace

bool IsBatchCommandLine(const QStringList& arguments) {
  if (arguments.size() > 1 && arguments[1] == QLatin1String("-a")) return false;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("--export") || a.startsWith(QLatin1String("--export=")) || a == QLatin1String("--help") ||
        a == QLatin1String("-h") || a == QLatin1String("--version")) {
      return true;
    }
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
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Earth-rotation chart viewer. Without options it opens its window; -a as the first argument "
      "also writes utr.bmp, xp.bmp and yp.bmp. With --export it writes one chart per parameter into "
      "OUTDIR from series.ini, scale.ini and the data files of the current folder, and exits."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption exportOption(QStringLiteral("export"), QStringLiteral("Write the charts into <OUTDIR>."),
                                        QStringLiteral("OUTDIR"));
  const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("Image format: png, svg, pdf or bmp (png)."),
                                  QStringLiteral("FORMAT"), QStringLiteral("png"));
  const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Chart size in pixels (1280x800)."),
                                QStringLiteral("WxH"), QStringLiteral("1280x800"));
  const QCommandLineOption parameters(QStringLiteral("parameters"),
                                      QStringLiteral("Parameters to draw, comma-separated: ut1, ut1r, xp, yp (all)."),
                                      QStringLiteral("LIST"), QStringLiteral("ut1,ut1r,xp,yp"));
  const QCommandLineOption date(QStringLiteral("date"),
                                QStringLiteral("Draw as on that day instead of today (YYYY-MM-DD)."),
                                QStringLiteral("DATE"));
  const QCommandLineOption interval(QStringLiteral("interval"), QStringLiteral("Interval: month or year (month)."),
                                    QStringLiteral("INTERVAL"), QStringLiteral("month"));
  const QCommandLineOption shift(QStringLiteral("shift"),
                                 QStringLiteral("Move the window by whole weeks, negative into the past (0)."),
                                 QStringLiteral("WEEKS"), QStringLiteral("0"));
  const QCommandLineOption trend(QStringLiteral("trend"), QStringLiteral("Trend: removed or shown (removed)."),
                                 QStringLiteral("TREND"), QStringLiteral("removed"));
  const QCommandLineOption stats(QStringLiteral("stats"),
                                 QStringLiteral("Also write the comparison statistics of the first parameter as CSV."),
                                 QStringLiteral("FILE"));
  parser.addOptions({exportOption, format, size, parameters, date, interval, shift, trend, stats});

  if (!parser.parse(arguments)) return Error(parser.errorText());
  if (parser.isSet(help)) return Command{CommandKind::Help, {}, parser.helpText()};
  if (parser.isSet(version)) {
    return Command{CommandKind::Version, {}, QStringLiteral("orbelon %1\n").arg(QStringLiteral(ORBELON_VERSION))};
  }
  if (!parser.positionalArguments().isEmpty()) {
    return Error(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
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
  if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide) {
    return Error(BadValue(QStringLiteral("size"), sizeText, QStringLiteral("WIDTHxHEIGHT, each 1..8192")));
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
  return command;
}

int RunBatchExport(const BatchOptions& options, const std::function<double()>& localNow, QTextStream& out,
                   QTextStream& err) {
  // Number conversions use "." whatever the regional settings, as in the window.
  std::setlocale(LC_NUMERIC, "C");
  BatchLoadUi loadUi;
  try {
    if (!QFileInfo(options.OutputDirectory).isDir()) {
      throw ExportFailure(Local(options.OutputDirectory) + ": no such folder");
    }

    const double now = options.Year ? EncodeDate(*options.Year, *options.Month, *options.Day) : localNow();
    TimeBase timeBase = InitTimeBase(now);

    ui::Chart chart;
    chart.resize(options.Size);
    ui::SetUpChartAxes(chart, timeBase);

    // scale.ini is read when present and never created or written here.
    ScaleMemory scaleMemory{};
    if (std::filesystem::exists(ScaleMemoryFileName)) {
      try {
        LoadScaleMemory(scaleMemory);
      } catch (const std::exception& e) {
        throw ExportFailure(std::string(ScaleMemoryFileName) + ": " + e.what());
      }
    }

    SeriesSlots seriesSlots = DefaultSeriesSlots();
    SlotArray<std::string, SeriesCount> titles;
    if (std::filesystem::exists(SeriesConfigFileName)) {
      int rowsRead = 0;
      try {
        ReadSeriesConfig([&](int slot, const SeriesConfig& row) {
          ui::ApplySeriesLook(chart.SeriesList(slot - 1), row);
          ApplySeriesSlots(seriesSlots, slot, row);
          rowsRead = slot;
        });
      } catch (const std::exception& e) {
        throw ExportFailure(std::string(SeriesConfigFileName) + ": row " + std::to_string(rowsRead + 1) + ": " + e.what());
      }
    }
    for (int slot = 1; slot <= SeriesCount; ++slot) titles[slot] = chart.SeriesList(slot - 1).Title().toStdString();

    auto store = std::make_unique<ObservationStore>();
    auto plot = std::make_unique<PlotArrays>();
    ViewState view;
    // The month view's date labels on the Mondays and its week numbers, as the window draws them.
    ui::InstallTimeAxisLabels(chart, [&] {
      return ui::TimeAxisView{options.Interval, view.TimeShiftDays, timeBase.AxisStartMJD, timeBase.DateTimeOffset,
                              timeBase.CurrentWeek};
    });
    ui::ResetVectorUnitState();
    try {
      LoadObservations(timeBase.BaseMJD, seriesSlots, *store, view.SeriesVisible, view.RescaleOnChange, view.TimeShiftDays,
                       loadUi);
    } catch (const ExportFailure&) {
      throw;
    } catch (const std::exception& e) {
      const std::string where = loadUi.failedLine > 0 ? loadUi.failedPath + ":" + std::to_string(loadUi.failedLine)
                                                      : loadUi.failedPath;
      throw ExportFailure(where.empty() ? std::string(e.what()) : where + ": " + e.what());
    }

    const ui::ChartImageFormat format = ChartFormat(options.Format);
    const bool picture = format == ui::ChartImageFormat::Png || format == ui::ChartImageFormat::Bmp;
    // Pictures are encoded on worker threads while the next chart is drawn.
    std::vector<std::future<QByteArray>> images;
    std::optional<SeriesStatisticsTable> statistics;
    for (const int parameter : options.Parameters) {
      ViewControls controls;
      controls.ParameterIndex = parameter - 1;
      controls.IntervalIndex = options.Interval;
      controls.TrendIndex = options.Trend;
      controls.SeriesChecked.Fill(true);
      const std::optional<int> scaleSlot = ScaleSlot(controls.ParameterIndex, controls.IntervalIndex, controls.TrendIndex);
      controls.ScaleIndex = scaleSlot ? scaleMemory[*scaleSlot] : 0;
      controls.GridIndex = 0;
      view.RescaleOnChange = true;
      view.TimeShiftDays = 7.0 * options.ShiftWeeks;

      const RefreshResult result = RefreshPass(timeBase, *store, view, controls, *plot);
      ui::ShowRefreshOnChart(chart, result, *plot, timeBase.DateTimeOffset);
      // The window's after-draw handler leaves the time axis starting at the first point, less
      // room for the markers; the charts here look the same.
      if (result.Exit != RefreshExit::NoSeries) chart.BottomAxis().SetAutomaticMinimum(true);

      if (!options.StatsFile.isEmpty() && !statistics) {
        SlotArray<bool, SeriesCount> drawn{};
        if (result.Exit == RefreshExit::Drawn) drawn = result.SeriesDrawn;
        statistics = ComputeSeriesStatistics(*plot, drawn, parameter, 1);
      }

      chart.Redraw();
      if (picture) {
        images.push_back(std::async(std::launch::async, [image = chart.Picture(), format] {
          return ui::Chart::EncodePicture(image, format);
        }));
      } else {
        images.push_back(std::async(std::launch::deferred, [bytes = chart.ImageFileBytes(format)]() mutable {
          return std::move(bytes);
        }));
      }
    }

    FileSet files;
    const QDir folder(options.OutputDirectory);
    for (std::size_t i = 0; i < images.size(); ++i) {
      const QString name = ImageBaseName(options.Parameters[i]) + QLatin1Char('.') + Extension(options.Format);
      files.Add(folder.filePath(name), images[i].get());
    }
    if (statistics) {
      const std::string text = SeriesStatisticsText(*statistics, titles, ',');
      files.Add(options.StatsFile, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    }
    for (const QString& path : files.Commit()) out << path << '\n';
    out.flush();
    return ExitSuccess;
  } catch (const std::exception& e) {
    err << "orbelon: " << QString::fromStdString(e.what()) << '\n';
    err.flush();
    return ExitFailure;
  }
}

}  // namespace erp::batch
