// The main window "Просмотр графиков": the chart with its legend, the overlay controls laid on it,
// the Start button, the menu and the status bar; start-up (FormCreate) and closing (FormClose).
#pragma once

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <functional>

#include "core/ScaleMemory.h"
#include "core/SeriesConfig.h"
#include "core/TimeBase.h"
#include "core/ViewState.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;

namespace erp::ui {
class Chart;
class Interaction;
class RadioGroup;
}  // namespace erp::ui

// The local date-time reading: days since 30 December 1899 with the time of day as fraction.
using LocalClock = std::function<double()>;

// The desktop clock in local time, built from the local calendar fields (not from UTC seconds).
double ReadLocalClock();

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Creates the window and runs FormCreate. `arguments` are the command line, program name first.
  TForm1(erp::ui::Interaction& interaction, LocalClock clock, const QStringList& arguments,
         QWidget* parent = nullptr);
  ~TForm1() override;

  // The about box and the series dialog, created by the program main after this window.
  void SetWindows(QDialog* about, QDialog* format);

  // State, for the other parts of the program and for tests.
  const erp::TimeBase& TimeBase() const { return timeBase_; }
  const erp::ScaleMemory& ScaleMemory() const { return scaleMemory_; }
  const erp::SeriesSlots& SeriesSlots() const { return seriesSlots_; }
  erp::ViewState& View() { return view_; }
  erp::ui::Chart& Chart() { return *Chart_; }

  // The status bar's text.
  QString StatusText() const;
  void SetStatusText(const QString& text);

  // Per-slot controls by composed name: CheckBox<slot>.
  QCheckBox* SeriesCheckBox(int slot) const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void CreateScaleGroup();
  void CreateViewGroup();
  void CreateNavigationGroup();
  void FormCreate(const QStringList& arguments);
  void ApplySeriesConfig(int slot, const erp::SeriesConfig& row);

  // Reacting to the user
  void About1Click();
  void Options2Click();

  // Reacting to the chart and the timers
  void ChartAfterDraw();
  void Timer3Timer();

  erp::ui::Interaction& interaction_;
  LocalClock clock_;

  erp::TimeBase timeBase_;
  erp::ScaleMemory scaleMemory_{};
  erp::SeriesSlots seriesSlots_;
  erp::ViewState view_;

  QDialog* fmABOUT = nullptr;
  QDialog* fmFormat = nullptr;

  // Controls, under the names the rest of the program uses.
  QMenu* Options1 = nullptr;
  QAction* About1 = nullptr;
  QAction* Options2 = nullptr;
  QLabel* StatusBar1Text = nullptr;
  QWidget* ClientArea = nullptr;
  erp::ui::Chart* Chart_ = nullptr;
  QPushButton* BitBtnStart = nullptr;
  std::array<QCheckBox*, 15> CheckBox{};
  QGroupBox* GroupBoxScales = nullptr;
  QComboBox* ComboBoxScaleY = nullptr;
  QLabel* StaticText5 = nullptr;
  QComboBox* ComboBoxGrid = nullptr;
  QLabel* StaticText3 = nullptr;
  QLineEdit* EditScale = nullptr;
  QCheckBox* CheckBoxChoise = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  erp::ui::RadioGroup* RadioGroupPVZ = nullptr;
  erp::ui::RadioGroup* RadioGroupInterval = nullptr;
  erp::ui::RadioGroup* RadioGroupTrend = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QCheckBox* CheckBoxViz = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* StaticTextX = nullptr;
  QLabel* StaticTextY = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  std::array<QToolButton*, 6> SpeedButton{};
  QToolButton* SpeedButtonUndo = nullptr;
  QTimer* Timer1 = nullptr;
  QTimer* Timer2 = nullptr;
  QTimer* Timer3 = nullptr;
};
