// An editable drop-down list whose item index follows the text it shows.
#pragma once

#include <QComboBox>
#include <QStringList>

namespace erp::ui {

// The operator may pick an item or type any text. The item index is that of the item whose text
// equals the text shown, ignoring case ("КРУГ" counts as "круг"); any other text, and an empty
// box, gives -1. Typed text is never added to the list. Only the index is meant to be stored.
class EditableList : public QComboBox {
  Q_OBJECT

 public:
  explicit EditableList(const QStringList& items, QWidget* parent = nullptr);

  int ItemIndex() const;
  // Shows item `index`; an index outside the list leaves the box empty (ItemIndex -1). Whatever
  // was typed before is replaced.
  void SetItemIndex(int index);
};

}  // namespace erp::ui
