#include "ui/OverlayLayout.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>
#include <QWidget>

#include "ui/Controls.h"

namespace erp::ui {

void LayoutOverlay(const QList<QWidget*>& controls, const QRect& legend, const QRect& plot, int chartBottom,
                   const QWidget* firstCheckBox, int seriesCount) {
  const int legendLeft = legend.x();
  const int legendTop = legend.y();
  const int legendBottom = legend.y() + legend.height();
  const int plotTop = plot.y();
  const int plotBottom = plot.y() + plot.height();
  const int rowHeight = seriesCount > 0 ? legend.height() / seriesCount : 0;
  const int checkWidth = firstCheckBox ? firstCheckBox->width() : 0;

  for (QWidget* w : controls) {
    QPoint pos = w->pos();
    const int tag = TagOf(w);
    if (qobject_cast<QCheckBox*>(w)) {
      pos = {legendLeft - w->width(), legendTop + (tag - 1) * rowHeight};
    } else if (qobject_cast<QToolButton*>(w)) {
      pos.setY(plotTop - w->height() - 8);
    } else if (qobject_cast<QLabel*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w)) {
      pos.setY(chartBottom - w->height() - 10);
    } else if (qobject_cast<QGroupBox*>(w)) {
      switch (tag) {
        case 0: pos = {legendLeft - checkWidth, legendBottom + 10}; break;
        case 1: pos = {legendLeft - checkWidth, plotBottom - w->height() - 1}; break;
        case 2: pos.setY(chartBottom - w->height() - 5); break;
        case 3: pos.setY(plotTop - w->height() - 5); break;
        default: break;
      }
    }
    if (pos != w->pos()) w->move(pos);
  }
}

}  // namespace erp::ui
