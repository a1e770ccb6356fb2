// Small control kinds that the windows are described in and Qt lacks: radio groups with an item
// index, tags, and the desktop's system colours.
#pragma once

#include <QButtonGroup>
#include <QColor>
#include <QGroupBox>
#include <QStringList>

#include <functional>

namespace erp::ui {

// A small integer carried by a control; handlers shared by several controls tell them apart by it.
void SetTag(QObject* control, int tag);
int TagOf(const QObject* control);  // 0 when none was set

// A group box of radio buttons laid out in columns, with an item index. Choosing an item, by the
// user or through SetItemIndex, runs OnClick after the index has changed, so the handler sees the
// new item. Setting the index it already has runs nothing.
class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  // The group is named `name`; its buttons are named `name` followed by their item number.
  RadioGroup(const QString& name, const QString& caption, const QStringList& items, int columns, QWidget* parent);

  int ItemIndex() const { return index_; }
  void SetItemIndex(int index);

  std::function<void()> OnClick;

 private:
  void Clicked(int id);

  QButtonGroup buttons_;
  int index_ = -1;
};

// The colour of a system colour role of the desktop, numbered as the settings files number them
// (0 scroll bar, 5 window, 8 window text, 15 button face, ...), taken from the application palette.
// Unknown numbers give the colour of role 0.
QColor SystemColor(int role);

// The colour of ColorList entry `index`: its fixed colour (0..19) or its system colour (20..49).
// An index outside the list gives system colour 0, as a series with no colour chosen is drawn.
QColor ColorListColor(int index);

}  // namespace erp::ui
