#include "ui/ColorPicker.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QImage>
#include <QList>
#include <QPixmap>

#include "core/SeriesConfig.h"
#include "ui/Controls.h"

namespace erp::ui {

namespace {
constexpr QSize kSwatchSize(16, 12);
constexpr int kPopupPadding = 24;  // room beside the longest name for the view's frame and scroll bar

// A swatch: the colour inside a black frame, so that white and light colours stay visible.
QPixmap Swatch(const QColor& colour) {
  QImage swatch(kSwatchSize, QImage::Format_RGB32);
  swatch.fill(colour);
  const QRgb frame = qRgb(0, 0, 0);
  const int right = kSwatchSize.width() - 1;
  const int bottom = kSwatchSize.height() - 1;
  for (int x = 0; x <= right; ++x) {
    swatch.setPixel(x, 0, frame);
    swatch.setPixel(x, bottom, frame);
  }
  for (int y = 0; y <= bottom; ++y) {
    swatch.setPixel(0, y, frame);
    swatch.setPixel(right, y, frame);
  }
  return QPixmap::fromImage(swatch);
}

// The swatches of the fifty entries in the colours they show now. Every picker (fifteen in the
// series dialog, fifteen more while start-up reads series.ini) shows the same ones: they are made
// once for each set of colours and shared, instead of fifty pictures per picker.
const QList<QIcon>& SwatchIcons() {
  static QList<QColor> madeFor;
  static QList<QIcon> icons;
  QList<QColor> colours;
  colours.reserve(ColorListSize);
  for (int i = 0; i < ColorListSize; ++i) colours << ColorPicker::SwatchColor(i);
  if (colours != madeFor) {
    icons.clear();
    for (const QColor& colour : colours) icons << QIcon(Swatch(colour));
    madeFor = colours;
  }
  return icons;
}

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
  const QList<QIcon>& icons = SwatchIcons();
  for (int i = 0; i < count(); ++i) setItemIcon(i, icons[i]);
}

}  // namespace erp::ui
