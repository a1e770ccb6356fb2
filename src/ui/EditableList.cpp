#include "ui/EditableList.h"

#include <QLineEdit>

namespace erp::ui {

EditableList::EditableList(const QStringList& items, QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  addItems(items);
}

int EditableList::ItemIndex() const {
  const QString text = currentText();
  if (text.isEmpty()) return -1;
  return findText(text, Qt::MatchFixedString);  // whole text, case-insensitive
}

void EditableList::SetItemIndex(int index) {
  // The text follows: an item's text, or empty for no item, replacing whatever was typed.
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
  lineEdit()->home(false);  // a text longer than the box shows its beginning
}

}  // namespace erp::ui
