#include "Unit_Orbelon.h"

#include "StatsWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <clocale>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/Cp1251.h"
#include "core/FileIo.h"
#include "core/ScaleTables.h"
#include "core/WeekLabels.h"
#include "ui/AxisRange.h"
#include "ui/ChartSetup.h"
#include "ui/Controls.h"
#include "ui/Crosshair.h"
#include "ui/Interaction.h"
#include "ui/Language.h"
#include "ui/OverlayLayout.h"
#include "ui/RefreshView.h"
#include "ui/WakeUp.h"
#include "ui/TimeAxisLabels.h"
#include "ui/VectorUnit.h"
#include "ui/chart/Chart.h"

namespace {

// The least duration of one iteration of the viewer loop: 2.314e-7 day, just under 20 ms. It is
// measured on the monotonic clock, so that setting the desktop clock back does not stop the loop.
constexpr std::chrono::nanoseconds kPollInterval(19992960);

constexpr int kEdgeGap = 4;      // pixels kept between a control and the chart's edge
constexpr int kStartGap = 17;    // between the navigation buttons and the Start button
constexpr int kScaleBoxGap = 10;  // between the legend and the scale box below it

// Bytes of a path or a core message as shown: UTF-8, or CP1251 where they are not UTF-8.
QString ForDisplay(const std::string& text) { return QString::fromStdString(erp::PathForDisplay(text)); }

}  // namespace

double ReadLocalClock() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return erp::EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}

namespace {

// The line of an error box that says where: "Файл: a.dat, строка 3" (no line when the file could
// not be opened).
QString WhereLine(const QString& path, const QString& lines) {
  return lines.isEmpty() ? QCoreApplication::translate("TForm1", "Файл: %1").arg(path)
                         : QCoreApplication::translate("TForm1", "Файл: %1, строка %2").arg(path, lines);
}

// A failure of a settings or data file: its message as it stands, then where on a line of its own.
std::runtime_error FailureAt(const erp::PlacedError& e) {
  // The converter quotes the field's bytes as the file holds them (CP1251); the message joined to
  // the UTF-8 place must be UTF-8 throughout, or the whole would be read back as CP1251.
  const QString line = e.Line > 0 ? QString::number(e.Line) : QString();
  return std::runtime_error(erp::PathForDisplay(e.what()) + "\n" + WhereLine(ForDisplay(e.File), line).toStdString());
}

}  // namespace

TForm1::TForm1(erp::ui::Interaction& interaction, LocalClock clock, const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent),
      interaction_(interaction),
      clock_(std::move(clock)),
      processEnd_([](int exitCode) { std::_Exit(exitCode); }),
      model_(clock_()) {
  // The three timers run from the window's creation on: the automatic start's 100 ms count from
  // here, while the rest of the window is built (their ticks come only once the GUI loop runs).
  ui.SetupTimers(*this);
  ui.Timer1->start();
  ui.Timer2->start();
  ui.Timer3->start();
  autoStartDue_ = std::chrono::steady_clock::now() + ui.Timer3->intervalAsDuration();
  ui.SetupUi(*this);
  export_ = std::make_unique<AutomaticExport>(
      *ui.Chart, [this](int item) { ui.RadioGroupPVZ->SetItemIndex(item); }, [this] { return model_.FilesRead(); });

  connect(ui.About1, &QAction::triggered, this, Guard(&TForm1::About1Click));
  connect(ui.Options2, &QAction::triggered, this, Guard(&TForm1::Options2Click));
  connect(ui.Options3, &QAction::triggered, this, Guard(&TForm1::Options3Click));
  connect(ui.SaveChart, &QAction::triggered, this, Guard(&TForm1::SaveChartClick));
  connect(ui.CopyChart, &QAction::triggered, this, Guard(&TForm1::CopyChartClick));
  connect(ui.FitValueAxis, &QAction::triggered, this, Guard(&TForm1::FitValueAxisClick));
  connect(ui.ReloadData, &QAction::triggered, this, Guard(&TForm1::ReloadDataClick));
  chooseChartFile_ = [this]() -> std::optional<QString> {
    QString filter;
    QString name = QFileDialog::getSaveFileName(this, tr("Сохранить график"), QString(),
                                                QStringLiteral("PNG (*.png);;SVG (*.svg);;PDF (*.pdf)"), &filter);
    if (name.isEmpty()) return std::nullopt;
    // A name typed without an extension gets the one of the file type chosen.
    if (QFileInfo(name).suffix().isEmpty()) name += QLatin1Char('.') + filter.left(3).toLower();
    return name;
  };
  connect(ui.BitBtnStart, &QPushButton::clicked, this, Guard(&TForm1::BitBtnStartClick));
  for (QCheckBox* box : ui.CheckBox) connect(box, &QCheckBox::clicked, this, Guard(&TForm1::CheckBox9Click));
  // The scale list reacts to the operator's choice only; selecting an item by code runs nothing.
  connect(ui.ComboBoxScaleY, &QComboBox::activated, this, Guard(&TForm1::ComboBoxScaleYChange));
  connect(ui.ComboBoxGrid, &QComboBox::activated, this, Guard(&TForm1::ComboBoxGridChange));
  connect(ui.ComboBoxGrid->lineEdit(), &QLineEdit::textEdited, this, Guard(&TForm1::ComboBoxGridChange));
  ui.RadioGroupPVZ->OnClick = Guard(&TForm1::RadioGroupPVZClick);
  ui.RadioGroupInterval->OnClick = Guard(&TForm1::RadioGroupIntervalClick);
  ui.RadioGroupTrend->OnClick = Guard(&TForm1::RadioGroupTrendClick);
  connect(ui.Timer1, &QTimer::timeout, this, Guard(&TForm1::Timer1Timer));
  connect(ui.Timer2, &QTimer::timeout, this, Guard(&TForm1::Timer2Timer));
  connect(ui.Timer3, &QTimer::timeout, this, Guard(&TForm1::Timer3Timer));
  // Speed buttons 1..6: mouse down and up with the mouse button, from the event filter.
  for (QToolButton* button : ui.SpeedButton) button->installEventFilter(this);
  connect(ui.SpeedButtonUndo, &QToolButton::clicked, this, Guard(&TForm1::SpeedButtonUndoClick));
  connect(ui.CheckBoxViz, &QCheckBox::clicked, this, Guard(&TForm1::CheckBoxVizClick));
  connect(ui.CheckBoxDifferences, &QCheckBox::clicked, this, Guard(&TForm1::DifferencesClick));
  connect(ui.ShowDifferences, &QAction::triggered, this, Guard(&TForm1::DifferencesMenuClick));
  connect(ui.ComboBoxReference, &QComboBox::activated, this, Guard(&TForm1::ComboBoxReferenceChange));
  connect(ui.CheckBoxBiasRate, &QCheckBox::clicked, this, Guard(&TForm1::CheckBoxBiasRateClick));
  // The keys of the window and the wheel over the plot drive the same buttons.
  qApp->installEventFilter(this);

  crosshair_ = std::make_unique<erp::ui::Crosshair>(*ui.Chart);
  // The scale box stands below the legend, beside the series checkboxes: a legend of short
  // titles (or none, without series.ini) keeps room for it, so it covers neither the plot nor
  // hangs off the chart.
  ui.Chart->Legend().SetMinimumWidth(ui.GroupBoxScales->width() - ui.CheckBox[0]->width());
  erp::ui::InstallTimeAxisLabels(*ui.Chart, [this] {
    return erp::ui::TimeAxisView{ui.RadioGroupInterval->ItemIndex(), model_.View().TimeShiftDays, model_.Time().AxisStartMJD,
                                 model_.Time().DateTimeOffset, model_.Time().CurrentWeek};
  });
  ui.Chart->SetOnAfterDraw(Guard(&TForm1::ChartAfterDraw));
  ui.Chart->SetOnMouseMove([this](Qt::KeyboardModifiers, int, int) {
    erp::ui::Guarded(interaction_, [this] { ChartMouseMove(); });
  });

  erp::ui::Guarded(interaction_, [this, &arguments] { FormCreate(arguments); });
}

TForm1::~TForm1() = default;

const erp::ObservationStore& TForm1::Store() const {
  static const erp::ObservationStore none;
  return model_.Store() != nullptr ? *model_.Store() : none;
}

const erp::PlotArrays& TForm1::Plot() const {
  static const erp::PlotArrays none{};
  return model_.Plot() != nullptr ? *model_.Plot() : none;
}

void TForm1::SetWindows(QDialog* about, QDialog* format) {
  fmABOUT = about;
  fmFormat = format;
}

// ---------------------------------------------------------------------------------------------
// Start-up and closing

void TForm1::FormCreate(const QStringList& arguments) {
  setWindowState(windowState() | Qt::WindowMaximized);

  // Number conversions use "." whatever the desktop's regional settings; the core's conversions
  // do so anyway, this covers anything that goes through the C library.
  std::setlocale(LC_NUMERIC, "C");

  // The time base of the run (the model's, made from the clock with the window) gives the time
  // axis its first range.
  erp::ui::SetUpChartAxes(*ui.Chart, model_.Time());
  ui.BitBtnStart->setEnabled(true);

  const int k = ui.ComboBoxScaleY->currentIndex();
  if (k >= 0 && k < erp::ScaleCount) ui.EditScale->setText(erp::ui::CoreText(erp::ScaleLabelsUT[static_cast<std::size_t>(k)]));

  // An entry of scale.ini that is no number keeps its default and is reported; start-up goes on,
  // so that one bad line does not keep series.ini (and the data) from being read.
  const std::vector<int> badLines = model_.ReadScaleMemoryKeepingDefaults();
  ui.ComboBoxScaleY->setCurrentIndex(model_.Scales()[1]);  // by code: no change handler; outside 0..4 selects nothing
  if (!badLines.empty()) {
    QStringList lines;
    for (const int line : badLines) lines << QString::number(line);
    interaction_.ShowWarning(QStringLiteral("Invalid numeric input\n") +
                             WhereLine(QString::fromLatin1(erp::ScaleMemoryFileName), lines.join(QStringLiteral(", "))));
  }

  // What the differences view remembers; a file that cannot be read is told and the view starts
  // as by default. The automatic export draws the values only and leaves the file alone.
  const bool automatic = arguments.size() > 1 && arguments[1] == QLatin1String("-a");
  if (!automatic) {
    try {
      const std::vector<int> badDifferenceLines = model_.ReadDifferenceSettings();
      // Written again at the end only when it could be read (a file that may not be read is no
      // file to write over with the defaults).
      differencesRemembered_ = erp::FileExists(erp::DifferenceSettingsFileName);
      if (!badDifferenceLines.empty()) {
        QStringList lines;
        for (const int line : badDifferenceLines) lines << QString::number(line);
        interaction_.ShowWarning(QStringLiteral("Invalid numeric input\n") +
                                 WhereLine(QString::fromLatin1(erp::DifferenceSettingsFileName), lines.join(QStringLiteral(", "))));
      }
    } catch (const std::exception& e) {
      interaction_.ShowWarning(erp::ui::ErrorText(e.what()) + QLatin1Char('\n') +
                               WhereLine(QString::fromLatin1(erp::DifferenceSettingsFileName), QString()));
    }
    ShowDifferenceSettings();
  }

  try {
    model_.ReadSeriesConfig([this](int slot, const erp::SeriesConfig& row) {
      erp::ui::ApplySeriesLook(ui.Chart->SeriesList(slot - 1), row);
    });
  } catch (const erp::PlacedError& e) {
    throw FailureAt(e);
  }
  // The reference list names each series by its title too.
  for (int slot = 1; slot <= erp::SeriesCount; ++slot) {
    ui.ComboBoxReference->setItemData(slot - 1, ui.Chart->SeriesList(slot - 1).Title(), Qt::ToolTipRole);
  }

  if (arguments.size() > 1 && arguments[1] == QLatin1String("-a")) {
    model_.View().AutoStartPending = true;
    model_.View().ExportStart = true;
    // Timer3's first tick presses Start on time: the event queue is woken for it to the
    // microsecond, where Qt would sleep on to the next whole millisecond.
    WakeUpAt(autoStartDue_);
    // Until then the loading pass's store and UT1 corrections are made on another thread. (An
    // operator's press comes late enough for the pass to make them itself at no visible cost, and
    // the window's start stays without the thread.)
    try {
      loadingAhead_ = std::async(std::launch::async, [base = model_.Time().BaseMJD] {
        return LoadingAhead{erp::DayCorrections(base), std::make_unique<erp::ObservationStore>()};
      });
    } catch (const std::system_error&) {
      // No thread to spare: the pass makes them itself.
    }
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  const bool wasRunning = model_.View().Running;
  model_.View().Running = false;
  bool saved = false;
  erp::ui::Guarded(interaction_, [&] {
    SaveScaleMemory();
    saved = true;
  });
  if (!saved) {
    // The remembered scales could not be written: the window stays and the loop goes on.
    model_.View().Running = wasRunning;
    event->ignore();
    return;
  }
  event->accept();
  QCoreApplication::quit();
}

// Writes scale.ini, which must be no other file the viewer reads (a link to a data file put there
// by mistake is refused, not written over).
void TForm1::SaveScaleMemory() {
  erp::SaveScaleMemory(model_.Scales(), erp::ScaleMemoryFileName, model_.FilesRead());
  // What the differences view remembers is no reason to keep the program from ending: a failure
  // to write it is told, and the program ends all the same.
  if (differencesRemembered_) {
    try {
      erp::SaveDifferenceSettings(model_.Differences(), erp::DifferenceSettingsFileName, model_.FilesRead());
    } catch (const std::exception& e) {
      const std::string what = e.what();  // (a refusal names the file itself)
      const std::string text = what.starts_with(erp::DifferenceSettingsFileName)
                                   ? what
                                   : erp::WriteFailureText(erp::DifferenceSettingsFileName, what);
      interaction_.ShowWarning(erp::ui::ErrorText(text.c_str()));
    }
  }
}

void TForm1::Timer3Timer() {
  if (!model_.View().AutoStartPending) return;
  model_.View().AutoStartPending = false;
  ui.BitBtnStart->click();
}

// ---------------------------------------------------------------------------------------------
// Start and the viewer loop

void TForm1::BitBtnStartClick() {
  if (model_.View().Running) {
    // A double click on "Старт" must not end the program: a press within the desktop's
    // double-click interval after the button became "ВЫХОД" (and the data were in) is the second
    // click of it.
    if (startPressed_.isValid() && startPressed_.elapsed() < QApplication::doubleClickInterval()) return;
    // Exit: the remembered scales are written, then the process ends at once. When they cannot
    // be written, the error is shown and the loop that dispatched this press goes on.
    SaveScaleMemory();
    export_->End();  // an image written ahead goes: the process ends without destructors
    processEnd_(0);
    return;
  }
  model_.View().Running = true;
  const QString statusBefore = StatusText();
  ShowStartButton(true);
  ui.CheckBoxChoise->setChecked(true);

  // A loading error ends the press here: the loop is not entered and the button acts as Exit.
  if (!LoadObservations()) {
    // The operator gave up choosing a data folder: the window is as before the press.
    model_.View().Running = false;
    ShowStartButton(false);
    SetStatusText(statusBefore);
    return;
  }
  // From here on the presses queued during the loading are served, a double click's second one
  // among them.
  startPressed_.start();
  ViewerLoop();
}

// A loading pass of the model (the first one, or a reload); where no data file is found, the
// message and the folder chooser until a folder holds one (false when the operator gives up). An
// error names the file and line on a line of its own: the status bar's "reading ..." is gone by
// the time the box is read.
bool TForm1::RunLoadingPass(bool reload) {
  erp::ui::ResetVectorUnitState();
  const auto progress = [this](const erp::LoadStatus& status) { ShowLoadStatus(status); };
  std::optional<std::string> folder;  // the data folder chosen by the operator
  try {
    while ((reload ? model_.Reload(progress, folder) : model_.Load(progress, folder)) ==
           erp::LoadOutcome::NoDataFiles) {
      interaction_.ShowMessage(erp::ui::CoreText(erp::NoDataFilesText));
      // A cancel gives up: asking again would leave the operator no way out but to kill the program.
      const std::optional<QString> chosen = interaction_.ChooseDirectory(QDir::currentPath());
      if (!chosen) return false;
      folder = erp::DataDirectoryOf(QFile::encodeName(*chosen).toStdString());
    }
  } catch (const erp::PlacedError& e) {
    throw FailureAt(e);
  }
  return true;
}

// The loading pass's status in the window's language, the path as it stands. The status bar is
// painted at once: the pass runs without processing messages, and a large file would otherwise
// keep the text of before the press until the end.
void TForm1::ShowLoadStatus(const erp::LoadStatus& status) {
  SetStatusText(status.Now == erp::LoadStatus::Step::Reading
                    ? erp::ui::CoreText(erp::ReadingStatusText) + ForDisplay(status.Path)
                    : erp::ui::CoreText(erp::ReadyStatusText));
  ui.StatusBar1Text->repaint();
}

// Takes what was made ahead of the first loading pass, once it is made (it takes about a
// millisecond); nothing when nothing was, or its making failed (the pass then makes its own).
void TForm1::TakeLoadingAhead() {
  if (!loadingAhead_.valid()) return;
  try {
    LoadingAhead ahead = loadingAhead_.get();
    model_.UseDayCorrections(ahead.Corrections);
    model_.AdoptStore(std::move(ahead.Store));
  } catch (const std::exception&) {
    // No memory on the other thread: the pass makes its own store and corrections.
  }
}

// "Старт" in green before the data are loaded, "ВЫХОД" in red once the press has started them,
// painted at once: the loading pass that follows processes no messages.
void TForm1::ShowStartButton(bool exit) {
  ui.ColorStartButton(exit);
  ui.BitBtnStart->setText(exit ? tr("ВЫХОД") : tr("Старт"));
  ui.BitBtnStart->repaint();
}

bool TForm1::LoadObservations() {
  // The store (600 kB) is made for the first press of Start, whose loading pass fills it, ahead of
  // it in automatic mode: the window's start does not wait for it.
  TakeLoadingAhead();
  if (!RunLoadingPass(false)) return false;
  // The data are in: every group box and checkbox lying on the chart comes alive, and so does the
  // chart's menu.
  for (QWidget* control : ui.Chart->OverlayControls()) {
    if (qobject_cast<QGroupBox*>(control) || qobject_cast<QCheckBox*>(control)) control->setEnabled(true);
  }
  for (QAction* action : ui.ChartMenu->actions()) action->setEnabled(true);
  return true;
}

// Runs until the window is closed. Each iteration: one refresh pass when one was requested, the
// GUI's messages for the rest of the poll interval, then the next stage of the automatic export.
// An error escaping a refresh pass or an image save ends the loop (the caller's guard shows it);
// the window then stays as it is and the button still acts as Exit.
void TForm1::ViewerLoop() {
  // An image written ahead for a stage that is not reached (an error ends the loop) goes with it;
  // the folder of one renamed into place is flushed.
  struct EndExport {
    TForm1& window;
    ~EndExport() {
      window.export_->End();
    }
  } endExport{*this};
  while (model_.View().Running) {
    const auto iterationStart = std::chrono::steady_clock::now();
    if (model_.View().RecomputeRequested) RefreshPass();
    WaitForMessages(iterationStart);
    export_->Advance(model_.View());
  }
}

// Dispatches the GUI's messages until kPollInterval has passed since `iterationStart`, sleeping in
// the event queue in between: an idle window costs no processor time. A refresh pass that took
// longer than the interval leaves no wait at all. First the folder of an image that the last
// stage renamed into place is flushed to disk.
void TForm1::WaitForMessages(std::chrono::steady_clock::time_point iterationStart) {
  using namespace std::chrono;
  export_->SyncFolder();
  for (auto elapsed = steady_clock::now() - iterationStart; elapsed <= kPollInterval;
       elapsed = steady_clock::now() - iterationStart) {
    WakeUpAt(iterationStart + kPollInterval + 1ns);  // just after the end of the interval
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (const std::optional<const char*> written = export_->WriteAhead(model_.View())) {
      emit ExportImageWrittenAhead(QString::fromLatin1(*written));
    }
  }
}

// Wakes the event queue at `moment`, to the microsecond, instead of any moment set before.
void TForm1::WakeUpAt(std::chrono::steady_clock::time_point moment) {
  if (!wakeUp_) wakeUp_ = std::make_unique<erp::ui::WakeUp>();
  wakeUp_->At(moment);
}

// ---------------------------------------------------------------------------------------------
// One refresh pass: the controls as they stand go to the core, its result to the chart.

void TForm1::RefreshPass() {
  erp::ViewControls controls;
  controls.ParameterIndex = ui.RadioGroupPVZ->ItemIndex();
  controls.IntervalIndex = ui.RadioGroupInterval->ItemIndex();
  controls.TrendIndex = ui.RadioGroupTrend->ItemIndex();
  // The series checkboxes are the check boxes lying directly on the chart, told apart by Tag.
  for (QWidget* control : ui.Chart->OverlayControls()) {
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
      const int slot = erp::ui::TagOf(box);
      if (slot >= 1 && slot <= erp::SeriesCount) controls.SeriesChecked[slot] = box->isChecked();
    }
  }
  controls.ScaleIndex = ui.ComboBoxScaleY->currentIndex();
  controls.GridIndex = GridItemIndex();
  if (model_.Differences().Shown) controls.Differences = model_.Differences().Options();

  const erp::RefreshResult& result = model_.Refresh(controls);
  ShowRefresh(result);
  if (result.Exit == erp::RefreshExit::Drawn) emit RefreshPassDrawn();
}

void TForm1::ShowRefresh(const erp::RefreshResult& result) {
  erp::ui::ShowRefreshOnChart(*ui.Chart, result, *model_.Plot(), model_.Time().DateTimeOffset);
  // A differences view whose reference has no point in the window is told; the next pass that
  // draws takes the message back.
  if (result.ReferenceWithoutPoints) {
    SetStatusText(tr("  Опорный ряд %1 не имеет точек в окне").arg(model_.Differences().ReferenceSlot));
    referenceWithoutPointsShown_ = true;
  } else if (referenceWithoutPointsShown_) {
    SetStatusText(erp::ui::CoreText(erp::ReadyStatusText));
    referenceWithoutPointsShown_ = false;
  }
  if (result.Scale) {
    // The label of the scale just applied, until the next drawing writes the readout; a rescale
    // also checks "Выбрать:".
    ui.EditScale->setText(erp::ui::CoreText(result.Scale->Label));
    ui.CheckBoxChoise->setChecked(true);
  }
}

// ---------------------------------------------------------------------------------------------
// View and scale controls: they change the view and ask the loop for a refresh pass.

void TForm1::CheckBox9Click() {
  model_.View().RecomputeRequested = true;
  if (ui.CheckBoxChoise->isChecked()) {
    model_.View().RescaleOnChoice = true;
    return;
  }
  // Switching series on and off keeps the operator's vertical axis, unless nothing was shown.
  model_.View().RescaleOnChange = false;
  model_.View().RescaleOnChoice = false;
  if (!model_.View().AnySeriesVisible) model_.View().RescaleOnChange = true;
}

void TForm1::ComboBoxScaleYChange() {
  model_.View().RescaleOnChoice = true;
  model_.View().RecomputeRequested = true;
  const std::optional<int> slot = erp::ScaleSlot(ui.RadioGroupPVZ->ItemIndex(), ui.RadioGroupInterval->ItemIndex(),
                                                 ui.RadioGroupTrend->ItemIndex());
  if (slot) ActiveScales()[*slot] = ui.ComboBoxScaleY->currentIndex();
}

void TForm1::RadioGroupPVZClick() {
  const int parameter = ui.RadioGroupPVZ->ItemIndex();
  ui.ComboBoxScaleY->clear();
  const auto fill = [this](const auto& labels, const QString& caption) {
    for (std::string_view label : labels) ui.ComboBoxScaleY->addItem(erp::ui::CoreText(label));
    ui.GroupBoxScales->setTitle(caption);
    ui.ComboBoxScaleY->setCurrentIndex(0);
    RestoreScaleChoice();
  };
  const bool differences = model_.Differences().Shown;
  if (parameter == 0 || parameter == 1) {
    fill(differences ? erp::DifferenceScaleLabelsUT : erp::ScaleLabelsUT, tr("Масштабы UT:"));
  } else if (parameter == 2 || parameter == 3) {
    fill(differences ? erp::DifferenceScaleLabelsXY : erp::ScaleLabelsXY, tr("Масштабы X,Y:"));
  }
  model_.View().RecomputeRequested = true;
  RequestRescaleByChoice();
}

void TForm1::RadioGroupIntervalClick() {
  RestoreScaleChoice();
  model_.View().RecomputeRequested = true;
  model_.View().RescaleOnChange = true;
  ui.Chart->LeftAxis().SetAutomatic(false);
  ui.CheckBoxChoise->setChecked(true);
}

void TForm1::RadioGroupTrendClick() {
  RestoreScaleChoice();
  model_.View().RecomputeRequested = true;
  model_.View().RescaleOnChange = true;
  ui.CheckBoxChoise->setChecked(true);
}

void TForm1::ComboBoxGridChange() {
  model_.View().RecomputeRequested = true;
  RequestRescaleByChoice();
}

// Selects the scale remembered for the view now chosen; a view without a slot keeps the list.
void TForm1::RestoreScaleChoice() {
  const std::optional<int> slot = erp::ScaleSlot(ui.RadioGroupPVZ->ItemIndex(), ui.RadioGroupInterval->ItemIndex(),
                                                 ui.RadioGroupTrend->ItemIndex());
  if (slot) ui.ComboBoxScaleY->setCurrentIndex(ActiveScales()[*slot]);  // outside 0..4: no selection
}

// The remembered scales of the view shown: the differences view's own, or scale.ini's.
erp::ScaleMemory& TForm1::ActiveScales() {
  return model_.Differences().Shown ? model_.Differences().Scales : model_.Scales();
}

// The differences view's remembered state onto its controls; shown, the scale list holds the
// differences' scales with the remembered one of the view chosen.
void TForm1::ShowDifferenceSettings() {
  const erp::DifferenceSettings& settings = model_.Differences();
  ui.CheckBoxDifferences->setChecked(settings.Shown);
  ui.ShowDifferences->setChecked(settings.Shown);
  ui.ComboBoxReference->setCurrentIndex(settings.ReferenceSlot - 1);
  ui.CheckBoxBiasRate->setChecked(settings.BiasRateRemoved);
  if (!settings.Shown) return;
  const bool ut = ui.RadioGroupPVZ->ItemIndex() <= 1;
  ui.ComboBoxScaleY->clear();
  for (std::string_view label : ut ? erp::DifferenceScaleLabelsUT : erp::DifferenceScaleLabelsXY) {
    ui.ComboBoxScaleY->addItem(erp::ui::CoreText(label));
  }
  RestoreScaleChoice();
}

// The switch of the differences view: every series minus the reference, with the differences'
// own scales; the values again when switched off. Remembered from then on in differences.ini.
void TForm1::DifferencesClick() {
  model_.Differences().Shown = ui.CheckBoxDifferences->isChecked();
  ui.ShowDifferences->setChecked(model_.Differences().Shown);
  differencesRemembered_ = true;
  RadioGroupPVZClick();  // the scale list of the parameter, as the view now shows it
  model_.View().RescaleOnChange = true;
  ui.Chart->LeftAxis().SetAutomatic(false);
  ui.CheckBoxChoise->setChecked(true);
}

void TForm1::DifferencesMenuClick() {
  ui.CheckBoxDifferences->setChecked(ui.ShowDifferences->isChecked());
  DifferencesClick();
}

void TForm1::ComboBoxReferenceChange() {
  model_.Differences().ReferenceSlot = ui.ComboBoxReference->currentIndex() + 1;
  differencesRemembered_ = true;
  if (!model_.Differences().Shown) return;
  model_.View().RecomputeRequested = true;
  model_.View().RescaleOnChange = true;
}

void TForm1::CheckBoxBiasRateClick() {
  model_.Differences().BiasRateRemoved = ui.CheckBoxBiasRate->isChecked();
  differencesRemembered_ = true;
  if (!model_.Differences().Shown) return;
  model_.View().RecomputeRequested = true;
  model_.View().RescaleOnChange = true;
}

// CheckBoxChoise decides which of the two rescale requests a handler makes.
void TForm1::RequestRescaleByChoice() {
  if (ui.CheckBoxChoise->isChecked()) {
    model_.View().RescaleOnChoice = true;
  } else {
    model_.View().RescaleOnChange = true;
  }
}

// The grid density's item index: the item whose text the editable list shows, -1 for typed text
// that matches none.
int TForm1::GridItemIndex() const {
  return ui.ComboBoxGrid->findText(ui.ComboBoxGrid->currentText(), Qt::MatchExactly);
}

// ---------------------------------------------------------------------------------------------
// Menu

void TForm1::About1Click() {
  if (fmABOUT) interaction_.ShowModal(*fmABOUT);
}

void TForm1::Options2Click() {
  if (fmFormat) interaction_.ShowModal(*fmFormat);
}

void TForm1::Options3Click() {
  const bool first = fmStats == nullptr;
  if (!fmStats) {
    // A window of its own (no parent, so that the desktop does not hold it above the chart),
    // owned by this one.
    stats_ = std::make_unique<TfmStats>(interaction_);
    fmStats = stats_.get();
    // The table follows every pass that draws while the window is open.
    connect(this, &TForm1::RefreshPassDrawn, fmStats, [this] {
      if (fmStats->isVisible()) {
        fmStats->ShowPass(*model_.Plot(), model_.LastRefresh().SeriesDrawn, model_.View().SelectedParameter, SeriesTitles(),
                      model_.LastPassDifferences());
      }
    });
  }
  if (model_.RefreshCount() > 0 && model_.LastRefresh().Exit == erp::RefreshExit::Drawn) {
    fmStats->ShowPass(*model_.Plot(), model_.LastRefresh().SeriesDrawn, model_.View().SelectedParameter, SeriesTitles(),
                      model_.LastPassDifferences());
  }
  if (first) fmStats->PlaceBeside(*this);
  fmStats->show();
  fmStats->raise();
}

// "Сохранить график…": the chart as it stands, as PNG, SVG or PDF by the file's extension,
// through the batch export's encoders and the writer that never leaves a half-written file.
void TForm1::SaveChartClick() {
  const std::optional<QString> name = chooseChartFile_();
  if (!name) return;
  const QString suffix = QFileInfo(*name).suffix().toLower();
  erp::ui::ChartImageFormat format = erp::ui::ChartImageFormat::Png;
  if (suffix == QLatin1String("svg")) {
    format = erp::ui::ChartImageFormat::Svg;
  } else if (suffix == QLatin1String("pdf")) {
    format = erp::ui::ChartImageFormat::Pdf;
  } else if (suffix != QLatin1String("png")) {
    throw std::runtime_error(QStringLiteral("%1: an image is written as .png, .svg or .pdf").arg(*name).toStdString());
  }
  const std::string path = QFile::encodeName(*name).toStdString();
  erp::CheckOutputs({path}, model_.FilesRead());
  const QByteArray bytes = ui.Chart->ImageFileBytes(format);
  try {
    erp::WriteFileReplacing(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  } catch (const std::exception& e) {
    throw std::runtime_error(erp::WriteFailureText(path, e.what()));
  }
}

void TForm1::CopyChartClick() { QApplication::clipboard()->setImage(ui.Chart->Picture()); }

// "Шкала по данным" (F, a double click on the plot): the value axis spans the points drawn, with
// a twentieth of their span above and below, once; the remembered scale stays, and the next
// rescale uses it again.
void TForm1::FitValueAxisClick() {
  if (model_.RefreshCount() == 0 || model_.LastRefresh().Exit != erp::RefreshExit::Drawn) return;
  const erp::ValueRange& drawn = model_.LastRefresh().Visible;
  const double span = drawn.Maximum - drawn.Minimum;
  const double margin = span > 0.0 ? span / 20.0 : std::max(std::abs(drawn.Maximum) * 1e-3, 1e-6);
  erp::ui::ChartAxis& left = ui.Chart->LeftAxis();
  left.SetAutomatic(false);
  erp::ui::SetAxisRange(left, erp::ui::LeftAxisFarMaximum, drawn.Minimum - margin, drawn.Maximum + margin);
}

// "Перечитать данные" (F5): the loading pass again, into a store of its own, so that a failure
// (or a cancel in the folder chooser) keeps the data shown; the view (parameter, interval, trend,
// shift, scales) stays as it is.
void TForm1::ReloadDataClick() {
  if (!model_.View().Running || model_.RefreshCount() == 0) return;
  RunLoadingPass(true);
}

// ---------------------------------------------------------------------------------------------
// After every drawing of the chart

void TForm1::ChartAfterDraw() {
  erp::ui::Chart& chart = *ui.Chart;
  // 1. Later drawings start the time axis at the first point, so the markers fit.
  chart.BottomAxis().SetAutomaticMinimum(true);
  // 2. The scale readout: the value-axis step the chart really labels with, in thousandths.
  const double increment = chart.LeftAxis().CalcXYIncrement(chart.LeftAxis().LabelsFontSize() + 6);
  const std::string scale = model_.LastPassDifferences()
                                ? erp::DifferenceScaleReadout(increment, ui.RadioGroupPVZ->ItemIndex() + 1)
                                : erp::ScaleReadout(increment);
  ui.EditScale->setText(erp::ui::WithUnits(QString::fromStdString(scale)));
  // 3. The overlay controls follow the legend rows and the plot edges.
  erp::ui::LayoutOverlay(chart.OverlayControls(), chart.Legend().GetRectLegend().ToQRect(),
                         chart.ChartRect().ToQRect(), chart.height(), ui.CheckBox[0]);
  KeepControlsClear();
  // 4. A fresh picture carries no crosshair: it goes back where the pointer rests, and the
  // readouts follow a change of the axes.
  if (ui.CheckBoxViz->isChecked()) {
    const auto readout = crosshair_->Restore(model_.Time().DateTimeOffset);
    if (readout) ShowCrosshairReadout(readout->X, readout->Y);
  }
}

// What the overlay rules leave to the window: the scale box stays inside the chart (the legend's
// least width keeps it beside the plot), the Start button stands beside the navigation buttons above the
// plot, and the window keeps the least size at which no control covers another, the legend or
// the plot.
void TForm1::KeepControlsClear() {
  erp::ui::Chart& chart = *ui.Chart;
  QGroupBox* scales = ui.GroupBoxScales;
  const int scalesLeft = std::min(scales->x(), chart.width() - scales->width() - kEdgeGap);
  if (scalesLeft != scales->x()) scales->move(scalesLeft, scales->y());

  const QRect navigation = ui.GroupBox1->geometry();
  const QPoint start(navigation.right() + 1 + kStartGap,
                     navigation.top() + (navigation.height() - ui.BitBtnStart->height()) / 2);
  if (ui.BitBtnStart->pos() != start) ui.BitBtnStart->move(start);
  // The differences group beside the Start button, level with the navigation buttons.
  const QPoint differences(start.x() + ui.BitBtnStart->width() + kStartGap, navigation.top());
  if (ui.GroupBoxDifferences->pos() != differences) ui.GroupBoxDifferences->move(differences);

  // The legend, the gap and the scale box stand above each other beside the plot; the view
  // group under the time axis spans most of the width.
  const QRect plot = chart.ChartRect().ToQRect();
  const QRect legend = chart.Legend().GetRectLegend().ToQRect();
  const int plotNeeded = legend.height() + kScaleBoxGap + scales->height() + 1 + kEdgeGap;
  const int width = std::max(ui.GroupBox2->geometry().right() + 1 + kEdgeGap,
                             ui.GroupBoxDifferences->geometry().right() + 1 + kEdgeGap);
  const int height = chart.height() - plot.height() + plotNeeded;
  const QSize least = QSize(width, height) + (size() - chart.size());
  if (least.expandedTo(minimumSize()) != minimumSize()) setMinimumSize(least.expandedTo(minimumSize()));
}

// The pointer moved over the chart: the crosshair follows it over the picture, no redraw.
void TForm1::ChartMouseMove() {
  if (!ui.CheckBoxViz->isChecked()) return;
  const auto readout = crosshair_->MouseMove(model_.Time().DateTimeOffset);
  if (readout) ShowCrosshairReadout(readout->X, readout->Y);
}

void TForm1::ShowCrosshairReadout(const QString& x, const QString& y) {
  ui.StaticTextX->setText(x);
  ui.StaticTextX->adjustSize();
  ui.StaticTextY->setText(y);
  ui.StaticTextY->adjustSize();
}

// The crosshair switch: the redraw it requests clears the crosshair or puts it back.
void TForm1::CheckBoxVizClick() {
  model_.View().RecomputeRequested = true;
  model_.View().RescaleOnChange = true;
  const bool on = ui.CheckBoxViz->isChecked();
  ui.Label1->setEnabled(on);
  ui.Label2->setEnabled(on);
}

// ---------------------------------------------------------------------------------------------
// Navigation: the speed buttons, their timers, the keys and the wheel

void TForm1::SpeedButton6MouseDown(QObject* sender, Qt::MouseButton button) {
  erp::ButtonDown(nav_, erp::ui::TagOf(sender), button == Qt::LeftButton);
}

void TForm1::SpeedButton6MouseUp(QObject* sender, Qt::MouseButton button) {
  erp::ButtonUp(nav_, erp::ui::TagOf(sender), button == Qt::LeftButton);
}

void TForm1::SpeedButtonUndoClick() {
  model_.View().RecomputeRequested = true;
  model_.View().TimeShiftDays = 0.0;
  RequestRescaleByChoice();
}

// The held value buttons pan or zoom the value axis directly; the range stands until a refresh
// pass rescales.
void TForm1::Timer1Timer() {
  for (int tag = erp::ButtonPanUp; tag <= erp::ButtonCompress; ++tag) {
    if (nav_.ButtonHeld[static_cast<std::size_t>(tag)]) StepValueAxis(tag);
  }
}

void TForm1::StepValueAxis(int tag) {
  erp::ui::ChartAxis& left = ui.Chart->LeftAxis();
  left.SetAutomatic(false);
  const std::optional<erp::ValueAxisStep> step = erp::ValueAxisStepOf(tag, left.Minimum(), left.Maximum());
  if (!step) return;
  left.SetMaximum(step->Maximum);
  left.SetMinimum(step->Minimum);
  if (step->ChecksChoise) ui.CheckBoxChoise->setChecked(true);
}

// A held time button steps the window by a week, at most once per refresh pass.
void TForm1::Timer2Timer() {
  const erp::WeekTick tick =
      erp::Timer2Tick(nav_, model_.View(), model_.Time().AxisStartMJD, model_.Time().BaseMJD, ui.CheckBoxChoise->isChecked());
  // Setting the interval restarts the timer: only a change of the interval is set.
  if (tick.Interval && ui.Timer2->interval() != *tick.Interval) ui.Timer2->setInterval(*tick.Interval);
  if (tick.LeftAxisManual) ui.Chart->LeftAxis().SetAutomatic(false);
  if (tick.AxisShift) {
    erp::ui::ChartAxis& bottom = ui.Chart->BottomAxis();
    const double minimum = bottom.Minimum();
    const double maximum = bottom.Maximum();
    bottom.SetAutomatic(false);
    erp::ui::SetAxisRange(bottom, erp::ui::BottomAxisFarMaximum, minimum + *tick.AxisShift, maximum + *tick.AxisShift);
  }
}

namespace {

// The navigation button a key stands for: ← 1, → 2, ↑ 3, ↓ 4, + 5, − 6; 0 for Home (back to the
// current date); -1 for any other key.
int NavigationTagOfKey(int key) {
  switch (key) {
    case Qt::Key_Left: return erp::ButtonBack;
    case Qt::Key_Right: return erp::ButtonForward;
    case Qt::Key_Up: return erp::ButtonPanUp;
    case Qt::Key_Down: return erp::ButtonPanDown;
    case Qt::Key_Plus:
    case Qt::Key_Equal: return erp::ButtonStretch;
    case Qt::Key_Minus: return erp::ButtonCompress;
    case Qt::Key_Home: return 0;
    default: return -1;
  }
}

// Controls that keep their keys: text entry, lists and the radio groups.
bool KeepsKeys(const QWidget* focus) {
  for (const QWidget* w = focus; w; w = w->parentWidget()) {
    if (qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w) ||
        qobject_cast<const QRadioButton*>(w) || qobject_cast<const erp::ui::RadioGroup*>(w)) {
      return true;
    }
  }
  return false;
}

}  // namespace

// The chart's own drawing surface (or the chart), not a control laid on it.
bool TForm1::IsPlotSurface(const QObject* watched) const {
  const auto* target = qobject_cast<const QWidget*>(watched);
  return target && (target == ui.Chart || (target->parentWidget() == ui.Chart &&
                                           !ui.Chart->OverlayControls().contains(const_cast<QWidget*>(target))));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
      if (event->type() == QEvent::MouseButtonDblClick && IsPlotSurface(watched) && ui.FitValueAxis->isEnabled() &&
          ui.Chart->ChartRect().ToQRect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        erp::ui::Guarded(interaction_, [this] { FitValueAxisClick(); });
        return true;
      }
      const auto* button = qobject_cast<QToolButton*>(watched);
      if (!button || !button->isEnabled() || erp::ui::TagOf(button) < erp::ButtonBack) break;
      if (std::find(ui.SpeedButton.begin(), ui.SpeedButton.end(), button) == ui.SpeedButton.end()) break;
      const Qt::MouseButton mouseButton = static_cast<QMouseEvent*>(event)->button();
      // A quick second press arrives as a double click: it is a press like the first.
      if (event->type() == QEvent::MouseButtonRelease) {
        erp::ui::Guarded(interaction_, [&] { SpeedButton6MouseUp(watched, mouseButton); });
      } else {
        erp::ui::Guarded(interaction_, [&] { SpeedButton6MouseDown(watched, mouseButton); });
      }
      break;  // the button still shows itself pressed and released
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return NavigationKey(watched, static_cast<QKeyEvent*>(event));
    case QEvent::Wheel:
      if (IsPlotSurface(watched)) return NavigationWheel(static_cast<QWheelEvent*>(event));
      break;
    default: break;
  }
  return QMainWindow::eventFilter(watched, event);
}

// Keys of this window, once the data are loaded: a press holds the button of the key, its real
// release lets it go (the toolkit's repeated presses of a held key are swallowed). A release is
// always served, so that a button never stays held.
bool TForm1::NavigationKey(QObject* watched, QKeyEvent* event) {
  const int tag = NavigationTagOfKey(event->key());
  if (tag < 0) return false;
  const auto* target = qobject_cast<QWidget*>(watched);
  if (!target || target->window() != this) return false;
  const bool release = event->type() == QEvent::KeyRelease;
  if (release && tag > 0 && keyHeld_[static_cast<std::size_t>(tag)]) {
    if (event->isAutoRepeat()) return true;
    keyHeld_[static_cast<std::size_t>(tag)] = false;
    erp::ui::Guarded(interaction_, [&] { erp::ButtonUp(nav_, tag, true); });
    return true;
  }
  // Keys with Ctrl, Alt or Meta stay shortcuts of the toolkit.
  const bool chord = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
  if (chord || !model_.View().Running || !ui.GroupBox1->isEnabled() || QApplication::activeModalWidget() ||
      KeepsKeys(target) || KeepsKeys(QApplication::focusWidget())) {
    return false;
  }
  if (release || event->isAutoRepeat()) return true;
  if (tag == 0) {
    erp::ui::Guarded(interaction_, [this] { SpeedButtonUndoClick(); });
  } else {
    keyHeld_[static_cast<std::size_t>(tag)] = true;
    erp::ui::Guarded(interaction_, [&] { erp::ButtonDown(nav_, tag, true); });
  }
  return true;
}

// Lets go of every button held by a key or the mouse.
void TForm1::ReleaseNavigationButtons() {
  for (int tag = erp::ButtonBack; tag <= erp::ButtonCompress; ++tag) {
    const auto t = static_cast<std::size_t>(tag);
    if (!keyHeld_[t] && !nav_.ButtonHeld[t]) continue;
    keyHeld_[t] = false;
    erp::ButtonUp(nav_, tag, true);
  }
}

// The window loses the keyboard and the mouse (another window, an error box): a key or button
// held now would never be seen released, and the value axis would drift on behind the box.
void TForm1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) ReleaseNavigationButtons();
  QMainWindow::changeEvent(event);
}

// The wheel over the plot, once the data are loaded: one stretch (away from the operator) or
// compress (towards) step per notch, as one tick of the held buttons makes.
bool TForm1::NavigationWheel(QWheelEvent* event) {
  if (!model_.View().Running || !ui.GroupBox1->isEnabled()) return false;
  if (!ui.Chart->ChartRect().ToQRect().contains(event->position().toPoint())) return false;
  wheelAngle_ += event->angleDelta().y();
  erp::ui::Guarded(interaction_, [this] {
    constexpr int notch = 120;
    for (; wheelAngle_ >= notch; wheelAngle_ -= notch) StepValueAxis(erp::ButtonStretch);
    for (; wheelAngle_ <= -notch; wheelAngle_ += notch) StepValueAxis(erp::ButtonCompress);
  });
  event->accept();
  return true;
}

// ---------------------------------------------------------------------------------------------

QString TForm1::StatusText() const { return ui.StatusBar1Text->text(); }

void TForm1::SetStatusText(const QString& text) { ui.StatusBar1Text->setText(text); }

erp::SlotArray<std::string, erp::SeriesCount> TForm1::SeriesTitles() const {
  erp::SlotArray<std::string, erp::SeriesCount> titles;
  for (int slot = 1; slot <= erp::SeriesCount; ++slot) titles[slot] = ui.Chart->SeriesList(slot - 1).Title().toStdString();
  return titles;
}

QCheckBox* TForm1::SeriesCheckBox(int slot) const {
  return ui.Chart->findChild<QCheckBox*>(QStringLiteral("CheckBox%1").arg(slot), Qt::FindDirectChildrenOnly);
}
