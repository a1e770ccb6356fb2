// The implementation of the chart widget: the layout of a drawing and the drawing itself on
// QCustomPlot. It owns the state of the axes, the series and the canvas (ChartModel.h), which the
// public classes change through the models' setters. Private to the chart layer: only its own
// sources include it.
#pragma once

#include "ui/chart/Chart.h"
#include "ui/chart/ChartModel.h"
#include "ui/chart/PictureMemory.h"

#include <qcustomplot.h>

#include <array>
#include <memory>
#include <vector>

namespace erp::ui {

class PlotSurface;
class LabelTicker;
class LegendItem;
class BeforeAxesItem;
class BackgroundItem;

class ChartEngine {
 public:
  static constexpr int Bottom = 0;
  static constexpr int Left = 1;

  explicit ChartEngine(Chart& chart);
  ~ChartEngine();
  ChartEngine(const ChartEngine&) = delete;
  ChartEngine& operator=(const ChartEngine&) = delete;

  // --- used by the public classes ---
  ChartAxis& Axis(int index) { return *axisObjects_[static_cast<std::size_t>(index)]; }
  AxisModel& AxisState(int index) { return axes_[static_cast<std::size_t>(index)]; }
  ChartSeries& Series(int index) { return *seriesObjects_[static_cast<std::size_t>(index)]; }
  SeriesModel& SeriesState(int index) { return series_[static_cast<std::size_t>(index)]; }
  ChartLegend& Legend() { return legend_; }
  ChartCanvas& Canvas() { return canvas_; }
  CanvasModel& CanvasState() { return canvasState_; }
  // The drawing surface, the chart widget's own child.
  QWidget* SurfaceWidget() const;

  // Asks for one redraw (merged with any pending one).
  void Changed();
  // A complete drawing now; within a drawing it only asks for a redraw.
  void Draw();
  // Draw() for Qt event handlers: nothing escapes.
  void DrawFromEvent() noexcept;
  bool RedrawPending() const { return pending_; }
  bool HasDrawn() const { return hasDrawn_; }
  const QImage& Picture() const { return picture_; }
  // Memory for one more picture at the chart's size, and the work that brings it into use.
  PictureBlocks::Preparation PrepareSparePicture();
  PixelRect PlotRect() const { return chartRect_; }
  PixelRect LegendRect() const { return legendRect_; }
  void SetLegendMinimumWidth(int pixels);
  QByteArray VectorImageBytes(ChartImageFormat format);

  double CalcPosPoint(int index, int pixel) const;
  int CalcPosValue(int index, double value) const;
  double CalcXYIncrement(int index, int labelSize) const;
  static int FontSizeInPoints(const QFont& font);

  void CanvasLineTo(int x, int y);
  void CanvasTextOut(int x, int y, const QString& s);
  QFont CanvasFont() const;

  void SetOnBeforeDrawAxes(ChartNotifyEvent handler) { onBeforeDrawAxes_ = std::move(handler); }
  void SetOnAfterDraw(ChartNotifyEvent handler) { onAfterDraw_ = std::move(handler); }
  void SetOnGetNextAxisLabel(ChartGetNextAxisLabelEvent handler) { onGetNextAxisLabel_ = std::move(handler); }
  void SetOnMouseMove(ChartMouseMoveEvent handler) { onMouseMove_ = std::move(handler); }

  // --- used by the plot items ---
  void RunBeforeDrawAxes(QCPPainter* painter);
  void DrawLegend(QCPPainter* painter) const;
  // A series's title as the legend draws it: elided with "…" beyond legendTitleWidth_.
  QString LegendTitle(const QFontMetrics& metrics, const SeriesModel& series) const;
  void MouseMoved(Qt::KeyboardModifiers modifiers, QPoint position);

 private:
  void Layout(int width, int height);
  // The size of a picture of the chart, and the size its memory is made for (the screen's), in
  // device pixels.
  QSize PictureSize() const;
  QSize PictureReserve() const;
  void ApplyAutomatic(AxisModel& axis, int index, double lengthPx);
  void MakeLabels(int index);
  void PushAxis(int index, QCPAxis* plotAxis);
  void PushSeries();
  QCPScatterStyle MarkerStyle(const SeriesModel& series) const;
  template <class Paint>
  // Paints on the drawing under way or on the current picture; `dirty` is the part of the widget
  // to show again (null: all of it).
  void PaintOnCanvas(Paint&& paint, const QRect& dirty);

  Chart& chart_;
  PlotSurface* surface_ = nullptr;  // owned by the chart widget (its child)
  std::array<AxisModel, 2> axes_;
  std::array<std::unique_ptr<ChartAxis>, 2> axisObjects_;
  std::array<SeriesModel, Chart::SeriesCount> series_;
  std::array<QCPGraph*, Chart::SeriesCount> graphs_{};  // owned by the plot
  std::array<std::unique_ptr<ChartSeries>, Chart::SeriesCount> seriesObjects_;
  std::array<QSharedPointer<LabelTicker>, 2> tickers_;
  ChartLegend legend_;
  ChartCanvas canvas_;
  CanvasModel canvasState_;
  QFont legendFont_;

  ChartNotifyEvent onBeforeDrawAxes_;
  ChartNotifyEvent onAfterDraw_;
  ChartGetNextAxisLabelEvent onGetNextAxisLabel_;
  ChartMouseMoveEvent onMouseMove_;

  bool pending_ = false;
  bool drawing_ = false;
  bool hasDrawn_ = false;
  PictureBlocks pictureBlocks_;  // before picture_: its pictures hold their blocks themselves
  QImage picture_;
  QCPPainter* drawingPainter_ = nullptr;  // set while OnBeforeDrawAxes runs
  PixelRect chartRect_;
  PixelRect legendRect_;
  int legendRowHeight_ = 0;
  int legendTitleWidth_ = 0;  // the widest a title is drawn in the legend, set by the layout
  int legendMinimumWidth_ = 0;  // the least width of the legend, set by the chart's user
};

}  // namespace erp::ui
