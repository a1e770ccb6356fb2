// Placement of the controls that lie on the chart, relative to the legend and the plot rectangle.
#pragma once

#include <QList>
#include <QRect>

class QWidget;

namespace erp::ui {

// Moves each of `controls`, the widgets laid directly on the chart, by its kind and Tag (see Controls.h), in chart
// client pixels:
//   check box              left = legend left - its width, top = legend top + (Tag - 1) x row,
//                          row = legend height / seriesCount, truncated;
//   speed (tool) button    top = plot top - its height - 8;
//   label, combo box, other button   top = chart bottom - its height - 10;
//   group box, Tag 0       left = legend left - width of `firstCheckBox`, top = legend bottom + 10;
//   group box, Tag 1       left = legend left - width of `firstCheckBox`, top = plot bottom - its height - 1;
//   group box, Tag 2       top = chart bottom - its height - 5;
//   group box, Tag 3       top = plot top - its height - 5;
// anything else stays. Coordinates not named stay as they are. Rectangles are inclusive-exclusive
// in the chart's terms: `legend.bottom()` means the legend's bottom edge (top + height).
void LayoutOverlay(const QList<QWidget*>& controls, const QRect& legend, const QRect& plot, int chartBottom,
                   const QWidget* firstCheckBox, int seriesCount = 15);

}  // namespace erp::ui
