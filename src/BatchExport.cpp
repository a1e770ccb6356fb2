#include "BatchExport.h"

#include <QDate>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstring>
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

#include "core/DifferenceSettings.h"
#include "core/FileIo.h"
#include "core/ObservationStore.h"
#include "core/OutputFiles.h"
#include "core/RefreshPass.h"
#include "core/ScaleMemory.h"
#include "core/SeriesConfig.h"
#include "core/SeriesStatistics.h"
#include "core/TimeBase.h"
#include "core/ViewerModel.h"
#include "ui/ChartSetup.h"
#include "ui/RefreshView.h"
#include "ui/TimeAxisLabels.h"
#include "ui/VectorUnit.h"
#include "ui/chart/Chart.h"

namespace erp::batch {
namespace {

ui::ChartImageFormat ChartFormat(ImageFormat format) {
  switch (format) {
    case ImageFormat::Png: return ui::ChartImageFormat::Png;
    case ImageFormat::Svg: return ui::ChartImageFormat::Svg;
    case ImageFormat::Pdf: return ui::ChartImageFormat::Pdf;
    case ImageFormat::Bmp: break;
  }
  return ui::ChartImageFormat::Bmp;
}

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
QString DayText(double mjd) {
  return QDate(1858, 11, 17).addDays(static_cast<qint64>(std::floor(mjd))).toString(Qt::ISODate);
}

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

// One run of the export. RunBatchExport below names its steps in order; each step is a method.
class ExportRun {
 public:
  ExportRun(const BatchOptions& options, double now)
      : options_(options),
        model_(now),
        // The UT1 corrections of the window's days are worked out on another thread while this
        // one sets up the chart and reads the settings; the loading pass then only looks them up.
        dayCorrections_(DayCorrectionsAhead(model_.Time().BaseMJD)),
        format_(ChartFormat(options.Format)),
        picture_(format_ == ui::ChartImageFormat::Png || format_ == ui::ChartImageFormat::Bmp) {
    const TimeBase& time = model_.Time();
    chart_.resize(options.Size);
    ui::SetUpChartAxes(chart_, time);
    // The month view's date labels on the Mondays and its week numbers, as the window draws them.
    // (The shift is the run's own: the loading pass sets the model's view on its thread.)
    ui::InstallTimeAxisLabels(chart_, [this] {
      const TimeBase& t = model_.Time();
      return ui::TimeAxisView{options_.Interval, shiftDays_, t.AxisStartMJD, t.DateTimeOffset, t.CurrentWeek};
    });
  }

  // scale.ini when present (never created or written here); series.ini gives the slots and the
  // legend.
  void ReadSettings() {
    try {
      model_.ReadScaleMemoryIfPresent();
    } catch (const PlacedError& e) {
      throw ExportFailure(e.File + ": " + e.what());
    }
    // The differences views' remembered scales, when the differences are drawn.
    if (options_.Differences) {
      std::vector<int> badLines;
      try {
        badLines = model_.ReadDifferenceSettings();
      } catch (const std::exception& e) {
        throw ExportFailure(std::string(DifferenceSettingsFileName) + ": " + e.what());
      }
      if (!badLines.empty()) {
        throw ExportFailure(std::string(DifferenceSettingsFileName) + ":" + std::to_string(badLines.front()) +
                            ": Invalid numeric input");
      }
    }
    try {
      model_.ReadSeriesConfig(
          [this](int slot, const SeriesConfig& row) { ui::ApplySeriesLook(chart_.SeriesList(slot - 1), row); });
    } catch (const PlacedError& e) {
      throw ExportFailure(e.Line > 0 ? e.File + ": row " + std::to_string(e.Line) + ": " + e.what()
                                     : e.File + ": " + e.what());
    }
    for (int slot = 1; slot <= SeriesCount; ++slot) titles_[slot] = chart_.SeriesList(slot - 1).Title().toStdString();
  }

  // No output may be one of the files the run reads; the output folders are the run's alone until
  // its files are in place.
  std::vector<FolderLock> HoldOutputs() const {
    const std::vector<std::string> outputs = FileOutputs(options_);
    CheckOutputs(outputs, model_.FilesRead());
    return TakeOutputFolders(outputs);
  }

  // The data are read on other threads while this one lays out and draws the chart once, still
  // empty: its fonts, glyphs and picture memory, most of the first chart's drawing, are then ready
  // when the data are in. The loading ends well before that drawing; its thread then brings in the
  // memory of the second chart's picture, drawn while the first is being encoded.
  void LoadBesideTheFirstDrawing() {
    ui::PictureBlocks::Preparation secondPicture;
    if (picture_ && options_.Parameters.size() > 1) secondPicture = chart_.PrepareSparePicture();
    std::future<void> loading = std::async(std::launch::async, [&] {
      ui::ResetVectorUnitState();  // a thread starts with the vector unit's state of its maker
      model_.UseDayCorrections(*dayCorrections_.get());
      Load(model_);  // the store is made on this thread too
      secondPicture();
    });
    chart_.Redraw();
    loading.get();  // a failure of the loading pass comes out here
  }

  // One refresh pass and one picture for each parameter. Pictures are encoded, written beside
  // their names and flushed to disk on worker threads while the next chart is drawn.
  void DrawCharts() {
    for (const int parameter : options_.Parameters) {
      const RefreshResult& result = model_.Refresh(ControlsFor(parameter));
      if (result.Exit != RefreshExit::Drawn) empty_ << ParameterOptionName(parameter);
      referenceEmpty_ = referenceEmpty_ || result.ReferenceWithoutPoints;
      window_ = result.Window;
      ui::ShowRefreshOnChart(chart_, result, *model_.Plot(), model_.Time().DateTimeOffset);
      // The window's after-draw handler leaves the time axis starting at the first point, less
      // room for the markers; the charts here look the same.
      if (result.Exit != RefreshExit::NoSeries) chart_.BottomAxis().SetAutomaticMinimum(true);
      if (!options_.StatsFile.isEmpty() && !statistics_) {
        statistics_ = model_.Statistics(options_.Differences ? options_.ReferenceSlot : 1);
      }
      WriteChart(ImageFilePath(options_, parameter));
    }
  }

  // Charts without a single point are told, naming the window; when no chart has any, the run has
  // nothing to show and fails, leaving the image files as they were (the pictures written beside
  // them go).
  void TellEmptyCharts(QTextStream& err) const {
    if (empty_.isEmpty()) return;
    // In the differences view a chart is empty also because its reference has no point there.
    const QString what = empty_.join(QStringLiteral(", ")) +
                         (referenceEmpty_ ? QStringLiteral(" data of the reference series %1").arg(options_.ReferenceSlot)
                                          : QStringLiteral(" data"));
    const QString text = QStringLiteral("no %1 in the window %2 .. %3")
                             .arg(what, DayText(window_.WindowStartMJD), DayText(window_.WindowEndMJD));
    if (empty_.size() == static_cast<qsizetype>(options_.Parameters.size())) throw ExportFailure(Local(text));
    err << "orbelon: " << text << " (empty charts written)\n";
    err.flush();
  }

  // Every file renamed into place once all are complete; the paths written go to `out`, the
  // statistics to their stream when --stats names one.
  void PutFilesInPlace(QTextStream& out, QTextStream& err) {
    FileSet files;
    for (std::size_t i = 0; i < images_.size(); ++i) files.Add(ImageFilePath(options_, options_.Parameters[i]), images_[i].get());
    std::string statisticsText;
    if (statistics_) statisticsText = SeriesStatisticsText(*statistics_, titles_, ',');
    const StatsStream statsStream = StreamOf(options_.StatsFile);
    if (statistics_ && statsStream == StatsStream::None) {
      files.Add(options_.StatsFile, QByteArray(statisticsText.data(), static_cast<qsizetype>(statisticsText.size())));
    }
    for (const QString& path : files.Commit()) out << path << '\n';
    if (statistics_ && statsStream != StatsStream::None) {
      QTextStream& stream = statsStream == StatsStream::Out ? out : err;
      stream << QString::fromUtf8(statisticsText.data(), static_cast<qsizetype>(statisticsText.size()));
      stream.flush();
    }
    out.flush();
  }

 private:
  // The view of a parameter's chart: all series, its remembered scale, grid "4", the shift asked for.
  ViewControls ControlsFor(int parameter) {
    ViewControls controls;
    controls.ParameterIndex = parameter - 1;
    controls.IntervalIndex = options_.Interval;
    controls.TrendIndex = options_.Trend;
    controls.SeriesChecked.Fill(true);
    if (options_.Differences) controls.Differences = DifferenceOptions{options_.ReferenceSlot, options_.BiasRateRemoved};
    const std::optional<int> slot = ScaleSlot(controls.ParameterIndex, controls.IntervalIndex, controls.TrendIndex);
    const ScaleMemory& remembered = options_.Differences ? model_.Differences().Scales : model_.Scales();
    controls.ScaleIndex = slot ? remembered[*slot] : 0;
    controls.GridIndex = 0;
    model_.View().RescaleOnChange = true;
    model_.View().TimeShiftDays = shiftDays_ = 7.0 * options_.ShiftWeeks;
    return controls;
  }

  // The chart as drawn now, to be written as `path`: a picture is encoded on a thread of its own
  // (two pictures at a time: the chart draws over the one whose encoding has ended), a vector
  // image when the files are written.
  void WriteChart(const QString& path) {
    if (picture_ && encoded_.size() >= 2) encoded_[encoded_.size() - 2].wait();
    chart_.Redraw();
    if (!picture_) {
      images_.push_back(std::async(std::launch::deferred, [bytes = chart_.ImageFileBytes(format_), path] {
        return FileSet::Prepare(path, bytes);
      }));
      return;
    }
    // The encoder lets go of the picture as soon as it is encoded (the task itself lives on in the
    // future), so that the chart can draw over it.
    std::promise<void> done;
    encoded_.push_back(done.get_future());
    auto encodeAndWrite = [image = chart_.Picture(), format = format_, path, done = std::move(done)]() mutable {
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
    images_.push_back(std::async(std::launch::async, std::move(encodeAndWrite)));
  }

  const BatchOptions& options_;
  ViewerModel model_;
  std::future<std::unique_ptr<DayCorrections>> dayCorrections_;
  const ui::ChartImageFormat format_;
  const bool picture_;  // PNG or BMP: encoded from the chart's picture
  ui::Chart chart_;
  double shiftDays_ = 0.0;
  SlotArray<std::string, SeriesCount> titles_;
  std::optional<SeriesStatisticsTable> statistics_;
  QStringList empty_;  // the parameters whose chart shows no point
  bool referenceEmpty_ = false;  // a differences chart whose reference has no point in the window
  DisplayWindow window_;
  std::vector<std::future<void>> encoded_;  // each picture's encoding has ended, its picture let go
  std::vector<std::future<PreparedFile>> images_;
};

}  // namespace

int RunBatchExport(const BatchOptions& options, const std::function<double()>& localNow, QTextStream& out,
                   QTextStream& err) {
  // Number conversions use "." whatever the regional settings, as in the window.
  std::setlocale(LC_NUMERIC, "C");
  try {
    CheckOutputFolder(Local(options.OutputDirectory));
    ExportRun run(options, options.Year ? EncodeDate(*options.Year, *options.Month, *options.Day) : localNow());
    run.ReadSettings();
    const std::vector<FolderLock> outputFolders = run.HoldOutputs();
    run.LoadBesideTheFirstDrawing();
    run.DrawCharts();
    run.TellEmptyCharts(err);
    run.PutFilesInPlace(out, err);
    return ExitSuccess;
  } catch (const std::exception& e) {
    err << "orbelon: " << QString::fromStdString(MemoryText(e)) << '\n';
    err.flush();
    return ExitFailure;
  }
}

}  // namespace erp::batch
