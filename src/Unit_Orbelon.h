// The main window "Просмотр графиков": the chart with its legend, the overlay controls laid on it,
// the Start button, the menu and the status bar. It owns the viewer's state (time base, scale
// memory, series slots, view state, observation store, plot arrays), runs start-up (FormCreate)
// and closing (FormClose), and after the first press of Start the viewer loop, which serves the
// refresh requests that the handlers set.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>

#include <array>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AutomaticExport.h"
#include "Unit_OrbelonForm.h"
#include "core/FileIo.h"
#include "core/Navigation.h"
#include "core/ObservationStore.h"
#include "core/OutputFiles.h"
#include "core/PlotArrays.h"
#include "core/RefreshPass.h"
#include "core/ScaleMemory.h"
#include "core/SeriesConfig.h"
#include "core/TimeBase.h"
#include "core/ViewState.h"
#include "core/ViewerModel.h"
#include "ui/Interaction.h"

class QCheckBox;
class QDialog;
class QKeyEvent;
class QWheelEvent;
class TfmStats;

namespace erp::ui {
class WakeUp;
class Chart;
class Crosshair;
}  // namespace erp::ui

// The local date-time reading: days since 30 December 1899 with the time of day as fraction.
using LocalClock = std::function<double()>;

// The desktop clock in local time, built from the local calendar fields (not from UTC seconds).
double ReadLocalClock();

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // How the Exit press ends the process: at once, with this exit code, running no destructor and
  // no close handler. std::_Exit unless replaced (tests record the call instead).
  using ProcessEnd = std::function<void(int exitCode)>;

  // Creates the window and runs FormCreate. `arguments` are the command line as typed, program
  // name first.
  TForm1(erp::ui::Interaction& interaction, LocalClock clock, const QStringList& arguments,
         QWidget* parent = nullptr);
  ~TForm1() override;

  // The about box and the series dialog, created by the program main after this window.
  void SetWindows(QDialog* about, QDialog* format);
  void SetProcessEnd(ProcessEnd end) { processEnd_ = std::move(end); }

  // Asks for the name of the image file "Сохранить график…" writes; empty when the operator
  // cancels. The file dialog unless replaced (tests answer it).
  using SaveFileChooser = std::function<std::optional<QString>()>;
  void SetChartFileChooser(SaveFileChooser chooser) { chooseChartFile_ = std::move(chooser); }

  // State, for the other parts of the program and for tests.
  const erp::TimeBase& TimeBase() const { return model_.Time(); }
  const erp::ScaleMemory& ScaleMemory() const { return model_.Scales(); }
  const erp::SeriesSlots& SeriesSlots() const { return model_.Slots(); }
  erp::ViewState& View() { return model_.View(); }
  // The store once Start has loaded the data, the plot arrays once a refresh pass has run; empty
  // ones before.
  const erp::ObservationStore& Store() const;
  const erp::PlotArrays& Plot() const;
  erp::ui::Chart& Chart() { return *ui.Chart; }
  // Refresh passes run since start-up, and what the last one decided.
  int RefreshCount() const { return model_.RefreshCount(); }
  const erp::RefreshResult& LastRefresh() const { return model_.LastRefresh(); }
  // The navigation buttons' state and the crosshair.
  const erp::NavigationState& Navigation() const { return nav_; }
  erp::ui::Crosshair& Crosshair() { return *crosshair_; }

  // The status bar's text.
  QString StatusText() const;
  void SetStatusText(const QString& text);

  // Per-slot controls by composed name: CheckBox<slot>.
  QCheckBox* SeriesCheckBox(int slot) const;

  // The legend titles of the fifteen series slots (UTF-8).
  erp::SlotArray<std::string, erp::SeriesCount> SeriesTitles() const;
  // The series statistics window, once the menu has opened it.
  TfmStats* StatsWindow() const { return fmStats; }

 signals:
  // The refresh pass just run drew points (LastRefresh().Exit is Drawn); Plot() holds them.
  void RefreshPassDrawn();
  // An image of the automatic export ("utr.bmp", ...) is written beside its name, ahead of its
  // stage, which is to rename it into place.
  void ExportImageWrittenAhead(const QString& fileName);

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose
  void changeEvent(QEvent* event) override;
  // Mouse down and up on the speed buttons, the keys of the window and the wheel over the plot.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:

  void FormCreate(const QStringList& arguments);

  // Reacting to the user
  void BitBtnStartClick();
  void CheckBox9Click();
  void ComboBoxScaleYChange();
  void RadioGroupPVZClick();
  void RadioGroupIntervalClick();
  void RadioGroupTrendClick();
  void ComboBoxGridChange();
  void SpeedButton6MouseDown(QObject* sender, Qt::MouseButton button);
  void SpeedButton6MouseUp(QObject* sender, Qt::MouseButton button);
  void SpeedButtonUndoClick();
  void CheckBoxVizClick();
  void About1Click();
  void Options2Click();
  void Options3Click();
  void SaveChartClick();
  void CopyChartClick();
  void FitValueAxisClick();
  void ReloadDataClick();
  // The differences view: its switch (checkbox, menu, D), its reference, bias and rate.
  void DifferencesClick();
  void DifferencesMenuClick();
  void ComboBoxReferenceChange();
  void CheckBoxBiasRateClick();
  void ShowDifferenceSettings();
  erp::ScaleMemory& ActiveScales();

  // Reacting to the chart and the timers
  void ChartAfterDraw();
  void KeepControlsClear();
  void ChartMouseMove();
  void Timer1Timer();
  void Timer2Timer();
  void Timer3Timer();

  // The keyboard and the wheel drive the navigation buttons
  bool NavigationKey(QObject* watched, QKeyEvent* event);
  bool IsPlotSurface(const QObject* watched) const;
  bool NavigationWheel(QWheelEvent* event);
  void ReleaseNavigationButtons();
  void StepValueAxis(int tag);
  void ShowCrosshairReadout(const QString& x, const QString& y);

  // The viewer: loading, the loop, one refresh pass and what it shows
  // The loading pass; false when the operator gave up choosing a data folder.
  bool LoadObservations();
  bool RunLoadingPass(bool reload);
  void ShowLoadStatus(const erp::LoadStatus& status);
  void ShowStartButton(bool exit);
  void TakeLoadingAhead();
  void ViewerLoop();
  void WaitForMessages(std::chrono::steady_clock::time_point iterationStart);
  void WakeUpAt(std::chrono::steady_clock::time_point moment);
  void RefreshPass();
  void ShowRefresh(const erp::RefreshResult& result);
  void RestoreScaleChoice();
  void SaveScaleMemory();
  void RequestRescaleByChoice();
  int GridItemIndex() const;

  // A handler body for a Qt connection: it runs inside the guard that shows an escaping error.
  template <class Method>
  auto Guard(Method method) {
    return [this, method] { erp::ui::Guarded(interaction_, [this, method] { (this->*method)(); }); };
  }

  TForm1Form ui;
  erp::ui::Interaction& interaction_;
  LocalClock clock_;
  ProcessEnd processEnd_;
  SaveFileChooser chooseChartFile_;

  // The viewer's state and flow: time base, slots, remembered scales, store, plot arrays and view
  // state. The handlers below map the controls into it and its results onto the chart.
  erp::ViewerModel model_;
  // What the first loading pass needs before it reads, made on another thread in automatic mode
  // while Timer3's first tick is awaited: the UT1 corrections of its window's days, and its store.
  struct LoadingAhead {
    erp::DayCorrections Corrections;
    std::unique_ptr<erp::ObservationStore> Store;
  };
  std::future<LoadingAhead> loadingAhead_;
  erp::NavigationState nav_;
  std::array<bool, 7> keyHeld_{};  // navigation button of that tag held by its key
  QElapsedTimer startPressed_;     // since Start became Exit and the loop began
  int wheelAngle_ = 0;             // wheel turn not yet made into a step (eighths of a degree)
  std::unique_ptr<erp::ui::Crosshair> crosshair_;
  std::unique_ptr<erp::ui::WakeUp> wakeUp_;  // the end of the loop's wait, or the automatic start
  std::chrono::steady_clock::time_point autoStartDue_;  // Timer3's first tick

  std::unique_ptr<AutomaticExport> export_;  // the stages of -a, advanced by the viewer loop
  // differences.ini is written at the end when it was there at the start or the view was used;
  // the automatic export neither reads nor writes it (its images are the values').
  bool differencesRemembered_ = false;
  bool referenceWithoutPointsShown_ = false;  // the status bar tells of it

  QDialog* fmABOUT = nullptr;
  QDialog* fmFormat = nullptr;
  std::unique_ptr<TfmStats> stats_;  // created when first opened
  TfmStats* fmStats = nullptr;        // stats_, as the menu handler names it
};
