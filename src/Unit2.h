// The series configuration dialog "Изменение рядов данных": the fifteen rows of series.ini.
#pragma once

#include <QDialog>

#include "core/SeriesConfig.h"
#include "core/SlotArray.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace erp::ui {
class ColorPicker;
class EditableList;
class Interaction;
}  // namespace erp::ui

// One row per series slot: title (Edita<i>), data file name (Editc<i>), format specification
// (Editb<i>), point symbol (ComboBox<i>) and colour (ColorBox<i>), i = 1..15, under those object
// names. Every opening reloads the rows from series.ini in the working directory (or, when it is
// missing, offers to create it empty); "Ок" writes all fifteen rows back and closes; "Отмена",
// Escape and the close box close without writing. Nothing is validated. The dialog touches no
// other state: a saved configuration takes effect at the next start of the program.
//
// One instance lives for the whole run and is shown modally again and again; between openings the
// rows keep what they show.
class TfmFormat : public QDialog {
  Q_OBJECT

 public:
  explicit TfmFormat(erp::ui::Interaction& interaction, QWidget* parent = nullptr);

  // Runs FormActivate before the dialog appears each time it is opened (hidden -> shown), so the
  // rows are loaded before the operator can touch them; activating the open window again (as when
  // a message box over it closes) runs nothing.
  void setVisible(bool visible) override;

 private:
  struct Row {
    QLineEdit* Edita = nullptr;  // Title
    QLineEdit* Editc = nullptr;  // FileName
    QLineEdit* Editb = nullptr;  // FormatSpec
    erp::ui::EditableList* ComboBox = nullptr;  // SymbolIndex
    erp::ui::ColorPicker* ColorBox = nullptr;   // ColorIndex
  };

  // Reacting to the user
  void FormActivate();
  void SaveClick();
  void CancelClick();

  void ShowRow(int slot, const erp::SeriesConfig& row);
  erp::SeriesConfig RowShown(int slot) const;

  erp::ui::Interaction& interaction_;
  erp::SlotArray<Row, erp::SeriesCount> rows_{};
  QScrollArea* ScrollBox1 = nullptr;
  QPushButton* Save = nullptr;
  QPushButton* Cancel = nullptr;
};
