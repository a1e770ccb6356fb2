// The window "Статистика рядов": the comparison statistics of the drawn series against a reference
// series chosen in the window, following the refresh passes that draw. Not modal.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/PlotArrays.h"
#include "core/SeriesConfig.h"
#include "core/SeriesStatistics.h"
#include "core/SlotArray.h"
#include "ui/Interaction.h"

class QComboBox;
class QPushButton;
class QTableWidget;

class TfmStats : public QDialog {
  Q_OBJECT

 public:
  // Asks for the name of the CSV file to write; empty when the operator cancels.
  using SaveFileChooser = std::function<std::optional<QString>()>;

  explicit TfmStats(erp::ui::Interaction& interaction, QWidget* parent = nullptr);
  ~TfmStats() override;

  // Shows the statistics of a refresh pass that drew: its plot arrays (copied), the slots drawn,
  // the parameter (StoreParameter 1..4), the slots' titles (UTF-8), and whether the pass drew the
  // differences view (its values in ms or mas).
  void ShowPass(const erp::PlotArrays& plot, const erp::SlotArray<bool, erp::SeriesCount>& drawn, int parameter,
                const erp::SlotArray<std::string, erp::SeriesCount>& titles, bool differences = false);

  // The table as shown, and as text (see SeriesStatisticsText).
  const erp::SeriesStatisticsTable& Table() const { return table_; }
  std::string TableText(char separator) const;
  int ReferenceSlot() const;

  void SetSaveFileChooser(SaveFileChooser chooser) { chooseSaveFile_ = std::move(chooser); }

  // Moves the window beside `window` where the screen has room: right of it, else left of it,
  // else over its right edge, inside the screen.
  void PlaceBeside(const QWidget& window);

  QComboBox* ComboBoxReference = nullptr;
  QTableWidget* TableStats = nullptr;
  QPushButton* ButtonCopy = nullptr;
  QPushButton* ButtonSave = nullptr;

 private:
  // Reacting to the user
  void ComboBoxReferenceChange();
  void ButtonCopyClick();
  void ButtonSaveClick();

  void Recompute();

  erp::ui::Interaction& interaction_;
  SaveFileChooser chooseSaveFile_;
  std::unique_ptr<erp::PlotArrays> plot_;
  erp::SlotArray<bool, erp::SeriesCount> drawn_{};
  int parameter_ = 0;
  bool differences_ = false;
  erp::SlotArray<std::string, erp::SeriesCount> titles_;
  erp::SeriesStatisticsTable table_;
};
