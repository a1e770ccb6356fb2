#include "ui/Controls.h"

#include <QApplication>
#include <QGridLayout>
#include <QPalette>
#include <QRadioButton>
#include <QVariant>

#include "core/SeriesConfig.h"

namespace erp::ui {

namespace {
constexpr const char* kTagProperty = "Tag";
}

void SetTag(QObject* control, int tag) { control->setProperty(kTagProperty, tag); }

int TagOf(const QObject* control) { return control ? control->property(kTagProperty).toInt() : 0; }

RadioGroup::RadioGroup(const QString& name, const QString& caption, const QStringList& items, int columns,
                       QWidget* parent)
    : QGroupBox(caption, parent) {
  setObjectName(name);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 0, 2, 2);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(0);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    button->setObjectName(objectName() + QString::number(i));
    buttons_.addButton(button, i);
    grid->addWidget(button, i / columns, i % columns);
  }
  connect(&buttons_, &QButtonGroup::idClicked, this, &RadioGroup::Clicked);
}

void RadioGroup::SetItemIndex(int index) {
  if (index == index_) return;
  QAbstractButton* button = buttons_.button(index);
  if (button) {
    button->setChecked(true);
  } else if (QAbstractButton* checked = buttons_.checkedButton()) {
    buttons_.setExclusive(false);  // an exclusive group cannot otherwise be left without a choice
    checked->setChecked(false);
    buttons_.setExclusive(true);
  }
  index_ = button ? index : -1;
  if (OnClick) OnClick();
}

void RadioGroup::Clicked(int id) {
  if (id == index_) return;
  index_ = id;
  if (OnClick) OnClick();
}

QColor SystemColor(int role) {
  const QPalette p = QApplication::palette();
  using R = QPalette::ColorRole;
  const auto active = [&p](R r) { return p.color(QPalette::Active, r); };
  const auto inactive = [&p](R r) { return p.color(QPalette::Inactive, r); };
  switch (role) {
    case 0: return active(R::Mid);               // scroll bar
    case 1: return active(R::Dark);              // desktop background
    case 2: return active(R::Highlight);         // active caption
    case 3: return inactive(R::Highlight);       // inactive caption
    case 4: return active(R::Window);            // menu
    case 5: return active(R::Base);              // window
    case 6: return active(R::Shadow);            // window frame
    case 7: return active(R::WindowText);        // menu text
    case 8: return active(R::Text);              // window text
    case 9: return active(R::HighlightedText);   // caption text
    case 10: return active(R::Window);           // active border
    case 11: return inactive(R::Window);         // inactive border
    case 12: return active(R::Dark);             // application workspace
    case 13: return active(R::Highlight);        // highlight
    case 14: return active(R::HighlightedText);  // highlighted text
    case 15: return active(R::Button);           // button face
    case 16: return active(R::Dark);             // button shadow
    case 17: return p.color(QPalette::Disabled, R::Text);  // grey text
    case 18: return active(R::ButtonText);       // button text
    case 19: return inactive(R::HighlightedText);  // inactive caption text
    case 20: return active(R::Light);            // button highlight
    case 21: return active(R::Shadow);           // 3-D dark shadow
    case 22: return active(R::Midlight);         // 3-D light
    case 23: return active(R::ToolTipText);      // info text
    case 24: return active(R::ToolTipBase);      // info background
    case 26: return active(R::Link);             // hot-tracked item
    case 27: return active(R::Highlight).lighter(130);    // gradient of the active caption
    case 28: return inactive(R::Highlight).lighter(130);  // gradient of the inactive caption
    case 29: return active(R::Highlight);        // menu highlight
    case 30: return active(R::Window);           // menu bar
    default: return SystemColor(0);
  }
}

QColor ColorListColor(int index) {
  if (index < 0 || index >= ColorListSize) return SystemColor(NoColorSystemRole);
  const ColorListEntry& entry = ColorList[static_cast<std::size_t>(index)];
  if (entry.SystemColorRole >= 0) return SystemColor(entry.SystemColorRole);
  return QColor::fromRgb(static_cast<QRgb>(entry.Rgb));
}

}  // namespace erp::ui
