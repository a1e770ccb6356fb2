#include "ui/Crosshair.h"

#include <QCursor>

#include "core/WeekLabels.h"

namespace erp::ui {

std::optional<QPoint> ScreenPointer() { return QCursor::pos(); }

bool WithinPlot(const PixelRect& plot, int x, int y) {
  return x >= plot.Left && x <= plot.Right && y >= plot.Top && y <= plot.Bottom;
}

void DrawCrosshair(Chart& chart, const PixelRect& plot, int x, int y) {
  ChartCanvas& canvas = chart.Canvas();
  canvas.Pen().SetMode(PenMode::Not);
  canvas.Pen().SetWidth(1);
  canvas.MoveTo(plot.Left, y);
  canvas.LineTo(plot.Right, y);
  canvas.MoveTo(x, plot.Top);
  canvas.LineTo(x, plot.Bottom);
}

CrosshairReadout ReadoutAt(const Chart& chart, int x, int y, double dateTimeOffset) {
  const double mjd = chart.BottomAxis().CalcPosPoint(x) - dateTimeOffset;
  const double value = chart.LeftAxis().CalcPosPoint(y);
  return {QString::fromStdString(ReadoutNumber(mjd, 1)), QString::fromStdString(ReadoutNumber(value, 5))};
}

std::optional<CrosshairReadout> Crosshair::MouseMove(double dateTimeOffset) {
  const PixelRect plot = chart_.ChartRect();
  if (WithinPlot(plot, x_, y_)) DrawCrosshair(chart_, plot, x_, y_);
  const std::optional<QPoint> screen = pointer_ ? pointer_() : std::nullopt;
  if (!screen) return std::nullopt;
  const QPoint p = chart_.mapFromGlobal(*screen);
  x_ = p.x();
  y_ = p.y();
  if (WithinPlot(plot, x_, y_)) DrawCrosshair(chart_, plot, x_, y_);
  return ReadoutAt(chart_, x_, y_, dateTimeOffset);
}

std::optional<CrosshairReadout> Crosshair::Restore(double dateTimeOffset) {
  const PixelRect plot = chart_.ChartRect();
  if (!WithinPlot(plot, x_, y_)) return std::nullopt;
  DrawCrosshair(chart_, plot, x_, y_);
  return ReadoutAt(chart_, x_, y_, dateTimeOffset);
}

}  // namespace erp::ui
