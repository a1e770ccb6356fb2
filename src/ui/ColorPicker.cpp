#include "ui/ColorPicker.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
#include <QPixmap>

#include "core/SeriesConfig.h"
#include "ui/Controls.h"

namespace erp::ui {

namespace {
constexpr QSize kSwatchSize(16, 12);
constexpr int kPopupPadding = 24;  // room beside the longest name for the view's frame and scroll bar
}  // namespace

ColorPicker::ColorPicker(QWidget* parent) : QComboBox(parent) {
  setIconSize(kSwatchSize);
  setMaxVisibleItems(16);
  for (const ColorListEntry& entry : ColorList) {
    addItem(QString::fromLatin1(entry.Name.data(), static_cast<qsizetype>(entry.Name.size())));
  }
  PaintSwatches();
  // The box itself is narrow; the open list is wide enough for the names.
  view()->setMinimumWidth(view()->sizeHintForColumn(0) + kPopupPadding);
}

void ColorPicker::SetItemIndex(int index) {
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

QColor ColorPicker::SwatchColor(int index) { return ColorListColor(index); }

void ColorPicker::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
    PaintSwatches();
  }
  QComboBox::changeEvent(event);
}

void ColorPicker::PaintSwatches() {
  for (int i = 0; i < count(); ++i) {
    QPixmap swatch(kSwatchSize);
    swatch.fill(SwatchColor(i));
    QPainter painter(&swatch);
    painter.setPen(Qt::black);  // a frame, so that white and light colours stay visible
    painter.drawRect(0, 0, kSwatchSize.width() - 1, kSwatchSize.height() - 1);
    painter.end();
    setItemIcon(i, QIcon(swatch));
  }
}

}  // namespace erp::ui
