#include "Unit_Orbelon.h"

#include "StatsWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "core/Cp1251.h"
#include "core/ScaleTables.h"
#include "ui/AxisRange.h"
#include "ui/ChartSetup.h"
#include "ui/Controls.h"
#include "ui/Interaction.h"
#include "ui/OverlayLayout.h"
#include "ui/RefreshView.h"
#include "ui/VectorUnit.h"
#include "ui/chart/Chart.h"

namespace {

// The least duration of one iteration of the viewer loop: 2.314e-7 day, just under 20 ms. It is
// measured on the monotonic clock, so that setting the desktop clock back does not stop the loop.
constexpr std::chrono::nanoseconds kPollInterval(19992960);

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Bytes of a path or a core message as shown: UTF-8, or CP1251 where they are not UTF-8.
QString ForDisplay(const std::string& text) { return QString::fromStdString(erp::PathForDisplay(text)); }

}  // namespace

double ReadLocalClock() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return erp::EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}

// The loading pass's window operations: the status bar, the OK box and the directory chooser.
class TForm1::LoadUiOfWindow final : public erp::LoadUi {
 public:
  explicit LoadUiOfWindow(TForm1& window) : window_(window) {}
  void ShowStatus(const std::string& text) override { window_.SetStatusText(ForDisplay(text)); }
  void ShowMessage(const std::string& text) override { window_.interaction_.ShowMessage(ForDisplay(text)); }
  std::optional<std::string> ChooseDirectory(const std::string& start) override {
    const std::optional<QString> chosen = window_.interaction_.ChooseDirectory(QFile::decodeName(start.c_str()));
    if (!chosen) return std::nullopt;
    return QFile::encodeName(*chosen).toStdString();
  }

 private:
  TForm1& window_;
};

TForm1::TForm1(erp::ui::Interaction& interaction, LocalClock clock, const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent),
      interaction_(interaction),
      clock_(std::move(clock)),
      processEnd_([](int exitCode) { std::_Exit(exitCode); }),
      seriesSlots_(erp::DefaultSeriesSlots()),
      store_(std::make_unique<erp::ObservationStore>()),
      plot_(std::make_unique<erp::PlotArrays>()) {
  ui.SetupUi(*this);

  connect(ui.About1, &QAction::triggered, this, Guard(&TForm1::About1Click));
  connect(ui.Options2, &QAction::triggered, this, Guard(&TForm1::Options2Click));
  connect(ui.Options3, &QAction::triggered, this, Guard(&TForm1::Options3Click));
  connect(ui.BitBtnStart, &QPushButton::clicked, this, Guard(&TForm1::BitBtnStartClick));
  for (QCheckBox* box : ui.CheckBox) connect(box, &QCheckBox::clicked, this, Guard(&TForm1::CheckBox9Click));
  // The scale list reacts to the operator's choice only; selecting an item by code runs nothing.
  connect(ui.ComboBoxScaleY, &QComboBox::activated, this, Guard(&TForm1::ComboBoxScaleYChange));
  connect(ui.ComboBoxGrid, &QComboBox::activated, this, Guard(&TForm1::ComboBoxGridChange));
  connect(ui.ComboBoxGrid->lineEdit(), &QLineEdit::textEdited, this, Guard(&TForm1::ComboBoxGridChange));
  ui.RadioGroupPVZ->OnClick = Guard(&TForm1::RadioGroupPVZClick);
  ui.RadioGroupInterval->OnClick = Guard(&TForm1::RadioGroupIntervalClick);
  ui.RadioGroupTrend->OnClick = Guard(&TForm1::RadioGroupTrendClick);
  connect(ui.Timer3, &QTimer::timeout, this, Guard(&TForm1::Timer3Timer));
  ui.Chart->SetOnAfterDraw(Guard(&TForm1::ChartAfterDraw));
  ui.Timer1->start();
  ui.Timer2->start();
  ui.Timer3->start();

  erp::ui::Guarded(interaction_, [this, &arguments] { FormCreate(arguments); });
}

TForm1::~TForm1() = default;

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

  timeBase_ = erp::InitTimeBase(clock_());

  erp::ui::SetUpChartAxes(*ui.Chart, timeBase_);
  ui.BitBtnStart->setEnabled(true);

  const int k = ui.ComboBoxScaleY->currentIndex();
  if (k >= 0 && k < erp::ScaleCount) ui.EditScale->setText(FromView(erp::ScaleLabelsUT[static_cast<std::size_t>(k)]));

  erp::LoadScaleMemory(scaleMemory_);
  ui.ComboBoxScaleY->setCurrentIndex(scaleMemory_[1]);  // by code: no change handler; outside 0..4 selects nothing

  if (std::filesystem::exists(erp::SeriesConfigFileName)) {
    erp::ReadSeriesConfig([this](int slot, const erp::SeriesConfig& row) { ApplySeriesConfig(slot, row); });
  }

  if (arguments.size() > 1 && arguments[1] == QLatin1String("-a")) {
    view_.AutoStartPending = true;
    view_.ExportStart = true;
  }
}

void TForm1::ApplySeriesConfig(int slot, const erp::SeriesConfig& row) {
  erp::ui::ApplySeriesLook(ui.Chart->SeriesList(slot - 1), row);
  erp::ApplySeriesSlots(seriesSlots_, slot, row);
}

void TForm1::closeEvent(QCloseEvent* event) {
  const bool wasRunning = view_.Running;
  view_.Running = false;
  bool saved = false;
  erp::ui::Guarded(interaction_, [&] {
    erp::SaveScaleMemory(scaleMemory_);
    saved = true;
  });
  if (!saved) {
    // The remembered scales could not be written: the window stays and the loop goes on.
    view_.Running = wasRunning;
    event->ignore();
    return;
  }
  event->accept();
  QCoreApplication::quit();
}

void TForm1::Timer3Timer() {
  if (!view_.AutoStartPending) return;
  view_.AutoStartPending = false;
  ui.BitBtnStart->click();
}

// ---------------------------------------------------------------------------------------------
// Start and the viewer loop

void TForm1::BitBtnStartClick() {
  if (view_.Running) {
    // Exit: the remembered scales are written, then the process ends at once. When they cannot
    // be written, the error is shown and the loop that dispatched this press goes on.
    erp::SaveScaleMemory(scaleMemory_);
    processEnd_(0);
    return;
  }
  view_.Running = true;
  ui.BitBtnStart->setStyleSheet(QStringLiteral("color: #ff0000;"));
  ui.BitBtnStart->setText(QStringLiteral("ВЫХОД"));
  ui.CheckBoxChoise->setChecked(true);

  // A loading error ends the press here: the loop is not entered and the button acts as Exit.
  LoadObservations();
  ViewerLoop();
}

void TForm1::LoadObservations() {
  LoadUiOfWindow loadUi(*this);
  erp::ui::ResetVectorUnitState();
  erp::LoadObservations(timeBase_.BaseMJD, seriesSlots_, *store_, view_.SeriesVisible, view_.RescaleOnChange,
                        view_.TimeShiftDays, loadUi);
  // The data are in: every group box and checkbox lying on the chart comes alive.
  for (QWidget* control : ui.Chart->OverlayControls()) {
    if (qobject_cast<QGroupBox*>(control) || qobject_cast<QCheckBox*>(control)) control->setEnabled(true);
  }
}

// Runs until the window is closed. Each iteration: one refresh pass when one was requested, the
// GUI's messages for the rest of the poll interval, then the next stage of the automatic export.
// An error escaping a refresh pass or an image save ends the loop (the caller's guard shows it);
// the window then stays as it is and the button still acts as Exit.
void TForm1::ViewerLoop() {
  while (view_.Running) {
    const auto iterationStart = std::chrono::steady_clock::now();
    if (view_.RecomputeRequested) RefreshPass();
    WaitForMessages(iterationStart);
    AdvanceAutomaticExport();
  }
}

// Dispatches the GUI's messages until kPollInterval has passed since `iterationStart`, sleeping in
// the event queue in between: an idle window costs no processor time. A refresh pass that took
// longer than the interval leaves no wait at all.
void TForm1::WaitForMessages(std::chrono::steady_clock::time_point iterationStart) {
  using namespace std::chrono;
  QTimer deadline;  // wakes the event queue at the end of the interval
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  for (auto elapsed = steady_clock::now() - iterationStart; elapsed <= kPollInterval;
       elapsed = steady_clock::now() - iterationStart) {
    deadline.start(ceil<milliseconds>(kPollInterval - elapsed + 1ns));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

// The four stages of the automatic export, tested in this order, so that each stage set in this
// iteration waits for the next one: a refresh pass for the parameter just selected and a wait in
// which the chart is drawn, then the save.
void TForm1::AdvanceAutomaticExport() {
  if (view_.ExportYp) {
    ui.Chart->SaveToBitmapFile(QStringLiteral("yp.bmp"));
    view_.ExportYp = false;
    QCoreApplication::processEvents();
  }
  if (view_.ExportXp) {
    ui.Chart->SaveToBitmapFile(QStringLiteral("xp.bmp"));
    view_.ExportXp = false;
    ui.RadioGroupPVZ->SetItemIndex(3);
    view_.ExportYp = true;
    QCoreApplication::processEvents();
  }
  if (view_.ExportUtr) {
    ui.Chart->SaveToBitmapFile(QStringLiteral("utr.bmp"));
    view_.ExportUtr = false;
    ui.RadioGroupPVZ->SetItemIndex(2);
    view_.ExportXp = true;
    QCoreApplication::processEvents();
  }
  if (view_.ExportStart) {
    view_.ExportStart = false;
    ui.RadioGroupPVZ->SetItemIndex(1);
    view_.ExportUtr = true;
    QCoreApplication::processEvents();
  }
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

  lastRefresh_ = erp::RefreshPass(timeBase_, *store_, view_, controls, *plot_);
  ++refreshCount_;
  ShowRefresh(lastRefresh_);
  if (lastRefresh_.Exit == erp::RefreshExit::Drawn) emit RefreshPassDrawn();
}

void TForm1::ShowRefresh(const erp::RefreshResult& result) {
  erp::ui::ShowRefreshOnChart(*ui.Chart, result, *plot_, timeBase_.DateTimeOffset);
  if (result.Scale) {
    // The label of the scale just applied, until the next drawing writes the readout; a rescale
    // also checks "Выбрать:".
    ui.EditScale->setText(FromView(result.Scale->Label));
    ui.CheckBoxChoise->setChecked(true);
  }
}

// ---------------------------------------------------------------------------------------------
// View and scale controls: they change the view and ask the loop for a refresh pass.

void TForm1::CheckBox9Click() {
  view_.RecomputeRequested = true;
  if (ui.CheckBoxChoise->isChecked()) {
    view_.RescaleOnChoice = true;
    return;
  }
  // Switching series on and off keeps the operator's vertical axis, unless nothing was shown.
  view_.RescaleOnChange = false;
  view_.RescaleOnChoice = false;
  if (!view_.AnySeriesVisible) view_.RescaleOnChange = true;
}

void TForm1::ComboBoxScaleYChange() {
  view_.RescaleOnChoice = true;
  view_.RecomputeRequested = true;
  const std::optional<int> slot = erp::ScaleSlot(ui.RadioGroupPVZ->ItemIndex(), ui.RadioGroupInterval->ItemIndex(),
                                                 ui.RadioGroupTrend->ItemIndex());
  if (slot) scaleMemory_[*slot] = ui.ComboBoxScaleY->currentIndex();
}

void TForm1::RadioGroupPVZClick() {
  const int parameter = ui.RadioGroupPVZ->ItemIndex();
  ui.ComboBoxScaleY->clear();
  const auto fill = [this](const auto& labels, const QString& caption) {
    for (std::string_view label : labels) ui.ComboBoxScaleY->addItem(FromView(label));
    ui.GroupBoxScales->setTitle(caption);
    ui.ComboBoxScaleY->setCurrentIndex(0);
    RestoreScaleChoice();
  };
  if (parameter == 0 || parameter == 1) {
    fill(erp::ScaleLabelsUT, QStringLiteral("Масштабы UT:"));
  } else if (parameter == 2 || parameter == 3) {
    fill(erp::ScaleLabelsXY, QStringLiteral("Масштабы X,Y:"));
  }
  view_.RecomputeRequested = true;
  RequestRescaleByChoice();
}

void TForm1::RadioGroupIntervalClick() {
  RestoreScaleChoice();
  view_.RecomputeRequested = true;
  view_.RescaleOnChange = true;
  ui.Chart->LeftAxis().SetAutomatic(false);
  ui.CheckBoxChoise->setChecked(true);
}

void TForm1::RadioGroupTrendClick() {
  RestoreScaleChoice();
  view_.RecomputeRequested = true;
  view_.RescaleOnChange = true;
  ui.CheckBoxChoise->setChecked(true);
}

void TForm1::ComboBoxGridChange() {
  view_.RecomputeRequested = true;
  RequestRescaleByChoice();
}

// Selects the scale remembered for the view now chosen; a view without a slot keeps the list.
void TForm1::RestoreScaleChoice() {
  const std::optional<int> slot = erp::ScaleSlot(ui.RadioGroupPVZ->ItemIndex(), ui.RadioGroupInterval->ItemIndex(),
                                                 ui.RadioGroupTrend->ItemIndex());
  if (slot) ui.ComboBoxScaleY->setCurrentIndex(scaleMemory_[*slot]);  // outside 0..4: no selection
}

// CheckBoxChoise decides which of the two rescale requests a handler makes.
void TForm1::RequestRescaleByChoice() {
  if (ui.CheckBoxChoise->isChecked()) {
    view_.RescaleOnChoice = true;
  } else {
    view_.RescaleOnChange = true;
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
  if (!fmStats) {
    fmStats = new TfmStats(interaction_, this);
    // The table follows every pass that draws while the window is open.
    connect(this, &TForm1::RefreshPassDrawn, fmStats, [this] {
      if (fmStats->isVisible()) {
        fmStats->ShowPass(*plot_, lastRefresh_.SeriesDrawn, view_.SelectedParameter, SeriesTitles());
      }
    });
  }
  if (refreshCount_ > 0 && lastRefresh_.Exit == erp::RefreshExit::Drawn) {
    fmStats->ShowPass(*plot_, lastRefresh_.SeriesDrawn, view_.SelectedParameter, SeriesTitles());
  }
  fmStats->show();
  fmStats->raise();
}

// ---------------------------------------------------------------------------------------------
// After every drawing of the chart

void TForm1::ChartAfterDraw() {
  // 1. Later drawings start the time axis at the first point, so the markers fit.
  ui.Chart->BottomAxis().SetAutomaticMinimum(true);
  // 2. The scale readout into EditScale comes here with the crosshair work.
  // 3. The overlay controls follow the legend rows and the plot edges.
  erp::ui::LayoutOverlay(ui.Chart->OverlayControls(), ui.Chart->Legend().GetRectLegend().ToQRect(),
                         ui.Chart->ChartRect().ToQRect(), ui.Chart->height(), ui.CheckBox[0]);
  // 4. The crosshair is redrawn here with the crosshair work.
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
