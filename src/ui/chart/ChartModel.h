// The state of the chart's parts, one class per concern: an axis, a series and the canvas. Private
// to the chart layer. The public classes of Chart.h change a part only through its setters, which
// return true when the value changed (the caller then asks for one redraw); the engine reads the
// state and writes the results of a drawing through the methods named for them.
#pragma once

#include "ui/chart/Chart.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>

#include <utility>
#include <vector>

namespace erp::ui {

class ChartEngine;

// An axis: its settings and what the last drawing made of them.
class AxisModel {
 public:
  // How the axis is drawn; fixed when the chart is made.
  struct Look {
    bool dateTime = false;
    QFont labelFont;
    double separationPercent = 10.0;  // free space a label wants beside it (% of its size)
    double startFraction = 0.0;       // part of the plot before the axis minimum
    int tickLength = 4;
    int minorTickLength = 2;
  };

  AxisModel(const Look& look, double minimum, double maximum, double increment, int minorTickCount);

  const Look& GetLook() const { return look_; }
  bool IsDateTime() const { return look_.dateTime; }

  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  double Increment() const { return increment_; }
  int MinorTickCount() const { return minorTickCount_; }
  bool Automatic() const { return automatic_; }
  bool AutomaticMinimum() const { return automaticMinimum_; }
  bool AutomaticMaximum() const { return automaticMaximum_; }
  bool Labels() const { return labels_; }
  bool LabelsMultiLine() const { return labelsMultiLine_; }
  const QString& DateTimeFormat() const { return dateTimeFormat_; }

  // The setters: true when the value changed, which the caller must not drop (it owes a redraw).
  // The refusals throw std::runtime_error with the messages of ChartAxis and leave the axis
  // unchanged.
  [[nodiscard]] bool SetMinimum(double value);
  [[nodiscard]] bool SetMaximum(double value);
  [[nodiscard]] bool SetIncrement(double value);
  [[nodiscard]] bool SetMinorTickCount(int count);  // a negative count is taken as 0
  [[nodiscard]] bool SetAutomatic(bool value);      // both automatic ends follow
  [[nodiscard]] bool SetAutomaticMinimum(bool value);
  [[nodiscard]] bool SetAutomaticMaximum(bool value);
  [[nodiscard]] bool SetLabels(bool value);
  [[nodiscard]] bool SetLabelsMultiLine(bool value);
  [[nodiscard]] bool SetDateTimeFormat(const QString& format);

  // Results of the last drawing.
  double DrawnMinimum() const { return drawnMinimum_; }
  double DrawnMaximum() const { return drawnMaximum_; }
  double LengthPx() const { return lengthPx_; }  // pixels from the drawn minimum to the drawn maximum
  const std::vector<AxisLabel>& DrawnLabels() const { return drawnLabels_; }

 private:
  // Written by the drawing only; none asks for a redraw.
  friend class ChartEngine;
  // The range a drawing uses (minimum <= maximum); it becomes the axis range too, so that an
  // automatic end reads as the value drawn.
  void SetDrawnRange(double minimum, double maximum);
  void SetLengthPx(double lengthPx) { lengthPx_ = lengthPx; }
  void SetDrawnLabels(std::vector<AxisLabel> labels) { drawnLabels_ = std::move(labels); }

  Look look_;
  double minimum_ = 0.0;
  double maximum_ = 0.0;
  double increment_ = 0.0;
  int minorTickCount_ = 0;
  bool automatic_ = false;
  bool automaticMinimum_ = false;
  bool automaticMaximum_ = false;
  bool labels_ = true;
  bool labelsMultiLine_ = false;
  QString dateTimeFormat_ = QStringLiteral("dd.mm.yyyy");
  double drawnMinimum_ = 0.0;
  double drawnMaximum_ = 0.0;
  double lengthPx_ = 0.0;
  std::vector<AxisLabel> drawnLabels_;
};

// A series: its points, kept in ascending x, and its look.
class SeriesModel {
 public:
  struct Point {
    double x = 0.0;
    double y = 0.0;
  };

  const std::vector<Point>& Points() const { return points_; }
  double MinY() const { return minY_; }  // 0 without points
  double MaxY() const { return maxY_; }
  QColor Color() const { return color_; }
  const QString& Title() const { return title_; }
  PointerStyle Pointer() const { return pointerStyle_; }
  bool PointerVisible() const { return pointerVisible_; }
  bool LineVisible() const { return lineVisible_; }

  // The setters: true when the series changed.
  [[nodiscard]] bool Clear();
  [[nodiscard]] bool Add(double x, double y);  // after the points with the same x; always a change
  [[nodiscard]] bool SetColor(const QColor& color);
  [[nodiscard]] bool SetTitle(const QString& title);
  [[nodiscard]] bool SetPointer(PointerStyle style);
  [[nodiscard]] bool SetPointerVisible(bool value);
  [[nodiscard]] bool SetLineVisible(bool value);

 private:
  friend class ChartEngine;
  // True once after the points changed: the drawing takes the new points.
  bool TakePointsChanged();

  std::vector<Point> points_;
  double minY_ = 0.0;
  double maxY_ = 0.0;
  QColor color_ = Qt::black;
  QString title_;
  PointerStyle pointerStyle_ = PointerStyle::Diamond;
  bool pointerVisible_ = true;
  bool lineVisible_ = true;
  bool pointsChanged_ = false;
};

// The canvas: pen, font and pen position. Drawing on the canvas never asks for a redraw, so the
// setters return nothing.
class CanvasModel {
 public:
  PenMode Mode() const { return penMode_; }
  void SetMode(PenMode mode) { penMode_ = mode; }
  int PenWidth() const { return penWidth_; }
  void SetPenWidth(int width);  // at least 1
  QColor PenColor() const { return penColor_; }
  void SetPenColor(const QColor& color) { penColor_ = color; }
  FontStyles FontStyle() const { return fontStyle_; }
  void SetFontStyle(FontStyles style) { fontStyle_ = style; }
  int FontHeight() const { return fontHeight_; }
  void SetFontHeight(int height) { fontHeight_ = height; }
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& color) { fontColor_ = color; }
  QPoint PenPosition() const { return penPosition_; }
  void MoveTo(QPoint position) { penPosition_ = position; }

 private:
  PenMode penMode_ = PenMode::Copy;
  int penWidth_ = 1;
  QColor penColor_ = Qt::black;
  FontStyles fontStyle_;
  int fontHeight_ = 13;
  QColor fontColor_ = Qt::black;
  QPoint penPosition_;
};

}  // namespace erp::ui
