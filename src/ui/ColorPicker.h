// The colour picker of the series rows: a drop-down list of the fifty ColorList entries.
#pragma once

#include <QComboBox>

namespace erp::ui {

// Lists the ColorList entries in their order, each drawn as a colour swatch followed by the
// colour's name. The swatches of the system colours follow the desktop's palette, also when it
// changes while the picker lives. Every picker shows the same list of entries.
class ColorPicker : public QComboBox {
  Q_OBJECT

 public:
  explicit ColorPicker(QWidget* parent = nullptr);

  // Position of the chosen colour in ColorList, or -1 when none is chosen.
  int ItemIndex() const { return currentIndex(); }
  // Chooses the entry at `index`; an index outside 0..49 leaves the picker empty (ItemIndex -1).
  void SetItemIndex(int index);

  // The colour the swatch of entry `index` shows now.
  static QColor SwatchColor(int index);

  void showPopup() override;

 protected:
  void changeEvent(QEvent* event) override;
};

}  // namespace erp::ui
