#include "ui/ColorPicker.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QStandardItemModel>

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

// The fifty entries, with their swatches in the colours they show now, as one list that every
// picker shows (fifteen in the series dialog): made once instead of fifty items and pictures per
// picker. It lives as long as the application; the pickers only read it.
QStandardItemModel& Entries() {
  static QPointer<QStandardItemModel> entries;
  static QList<QColor> paintedFor;
  if (!entries) {
    entries = new QStandardItemModel(QCoreApplication::instance());
    for (const ColorListEntry& entry : ColorList) {
      entries->appendRow(new QStandardItem(QString::fromLatin1(entry.Name.data(), static_cast<qsizetype>(entry.Name.size()))));
    }
    paintedFor.clear();
  }
  QList<QColor> colours;
  colours.reserve(ColorListSize);
  for (int i = 0; i < ColorListSize; ++i) colours << ColorPicker::SwatchColor(i);
  if (colours != paintedFor) {
    for (int i = 0; i < ColorListSize; ++i) entries->item(i)->setIcon(QIcon(Swatch(colours[i])));
    paintedFor = colours;
  }
  return *entries;
}

}  // namespace

ColorPicker::ColorPicker(QWidget* parent) : QComboBox(parent) {
  setMaxVisibleItems(16);
  setModel(&Entries());
}

void ColorPicker::SetItemIndex(int index) {
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

QColor ColorPicker::SwatchColor(int index) { return ColorListColor(index); }

void ColorPicker::showPopup() {
  // The open list, made when first opened, shows the swatches at their size and is wide enough
  // for the names (the box itself is narrow).
  if (view()->iconSize() != kSwatchSize) {
    view()->setIconSize(kSwatchSize);
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + kPopupPadding);
  }
  QComboBox::showPopup();
}

void ColorPicker::changeEvent(QEvent* event) {
  // The swatches of the system colours follow the desktop's palette.
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) Entries();
  QComboBox::changeEvent(event);
}

}  // namespace erp::ui
