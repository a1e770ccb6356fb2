// The crosshair: a horizontal and a vertical line through the pointer across the plot, drawn by
// inverting the chart's pixels over its current picture, so that a mouse move redraws no chart and
// drawing the same lines again erases them. Readouts give the MJD and the value under the pointer.
#pragma once

#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

#include "ui/chart/Chart.h"

namespace erp::ui {

// The pointer's position on the screen (global logical pixels); nothing when it cannot be read.
using PointerReader = std::function<std::optional<QPoint>()>;
std::optional<QPoint> ScreenPointer();

// (x, y) lies within the plot rectangle, its edges Left..Right and Top..Bottom included.
bool WithinPlot(const PixelRect& plot, int x, int y);

// Inverts the line from (plot.Left, y) to (plot.Right, y), then from (x, plot.Top) to
// (x, plot.Bottom), one device pixel wide, on the chart's picture. Drawing it twice at the same
// place with the same plot restores the pixels.
void DrawCrosshair(Chart& chart, const PixelRect& plot, int x, int y);

struct CrosshairReadout {
  QString X;  // MJD under the pointer, one decimal
  QString Y;  // value under the pointer (axis unit), five decimals
};

// The readouts at chart pixel (x, y), by the axes' linear scales of the last drawing, also outside
// the plot. Chart x = MJD + dateTimeOffset.
CrosshairReadout ReadoutAt(const Chart& chart, int x, int y, double dateTimeOffset);

class Crosshair {
 public:
  explicit Crosshair(Chart& chart, PointerReader pointer = ScreenPointer)
      : chart_(chart), pointer_(std::move(pointer)) {}

  void SetPointerReader(PointerReader pointer) { pointer_ = std::move(pointer); }

  // The pointer moved over the chart: erases the crosshair at the stored position when that lies
  // in the plot, reads the pointer (stops there when it cannot be read), stores it and draws the
  // crosshair there when it lies in the plot. Gives the readouts for the pointer, inside the plot
  // or not.
  std::optional<CrosshairReadout> MouseMove(double dateTimeOffset);

  // After a drawing of the chart, which carries no crosshair: draws it again at the stored
  // position when that lies in the plot and gives the readouts there; nothing otherwise.
  std::optional<CrosshairReadout> Restore(double dateTimeOffset);

  // The last pointer position read (chart pixels), (0, 0) before the first.
  int X() const { return x_; }
  int Y() const { return y_; }

 private:
  Chart& chart_;
  PointerReader pointer_;
  int x_ = 0;
  int y_ = 0;
};

}  // namespace erp::ui
