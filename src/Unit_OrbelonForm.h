// The main window's controls as laid out: captions, sizes, positions, fonts and initial states,
// under the names the rest of the program uses. Only the static layout lives here; what the
// controls do is in Unit_Orbelon.cpp.
#pragma once

#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;
class QWidget;

namespace erp::ui {
class Chart;
class RadioGroup;
}  // namespace erp::ui

struct TForm1Form {
  // Builds every control of the window into `window` (caption, menu, status bar, the chart filling
  // the client area with the Start button over it, the controls laid on the chart in their
  // creation order). Connects nothing.
  void SetupUi(QMainWindow& window);
  // The three timers of the window, not yet started.
  void SetupTimers(QMainWindow& window);
  // The Start button's caption colour: green while it starts, red once it exits. It is the
  // palette's button text, which the style paints as it is; a style sheet would give the same
  // pixels at many times the cost of every change, and the press that loads the data changes it.
  void ColorStartButton(bool exit);

  QMenu* Options1 = nullptr;
  QAction* About1 = nullptr;
  QAction* Options2 = nullptr;
  QAction* Options3 = nullptr;  // "Статистика рядов"
  // The menu "График": what the chart offers once the data are loaded.
  QMenu* ChartMenu = nullptr;
  QAction* SaveChart = nullptr;     // "Сохранить график…", Ctrl+S
  QAction* CopyChart = nullptr;     // "Копировать график", Ctrl+C
  QAction* FitValueAxis = nullptr;  // "Шкала по данным", F
  QAction* ReloadData = nullptr;    // "Перечитать данные", F5
  QAction* ShowDifferences = nullptr;  // "Разности от опорного ряда", D (checkable)
  QLabel* StatusBar1Text = nullptr;
  QWidget* ClientArea = nullptr;
  erp::ui::Chart* Chart = nullptr;
  QPushButton* BitBtnStart = nullptr;
  std::array<QCheckBox*, 15> CheckBox{};  // CheckBox1..CheckBox15, Tag 1..15
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
  // The differences view: its switch, its reference (items "1".."15") and bias-and-rate removal.
  QGroupBox* GroupBoxDifferences = nullptr;
  QCheckBox* CheckBoxDifferences = nullptr;
  QComboBox* ComboBoxReference = nullptr;
  QCheckBox* CheckBoxBiasRate = nullptr;
  std::array<QToolButton*, 6> SpeedButton{};  // SpeedButton1..SpeedButton6, Tag 1..6
  QToolButton* SpeedButtonUndo = nullptr;      // Tag 0
  QTimer* Timer1 = nullptr;  // 70 ms: value-axis pan and zoom while a button is held
  QTimer* Timer2 = nullptr;  // 210 ms (70 ms while repeating): week steps
  QTimer* Timer3 = nullptr;  // 100 ms: the automatic Start press

 private:
  void SetupScaleGroup(QMainWindow& window);
  void SetupViewGroup(QMainWindow& window);
  void SetupNavigationGroup();
  void SetupDifferencesGroup(QMainWindow& window);
};
