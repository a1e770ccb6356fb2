// The chart of the viewer: a date-time bottom axis, a numeric left axis, fifteen line series with
// point markers, a legend of fifteen rows, drawing events, a canvas for drawing over the picture and
// BMP export. The rest of the program drives the plot only through the operations declared here;
// the plotting library behind it stays inside src/ui/chart/.
//
// Coordinates: "chart pixels" are logical pixels of the Chart widget, origin at its top-left corner.
// Axis values are doubles; x values of the bottom axis are date-time values (days since
// 30 December 1899, 00:00; chart x = MJD + DateTimeOffset in this program).
//
// Redrawing: a property that changes value asks for one redraw; requests made before the redraw
// runs are merged into it; setting a property to the value it already has asks for none. The
// redraw runs from the Qt event loop (or at once through Redraw()). A drawing is, in this order:
// the layout (plot and legend rectangles, automatic axis ends, axis labels, with the
// OnGetNextAxisLabel calls), the picture with OnBeforeDrawAxes called under the axes, and last
// OnAfterDraw.
//
// Errors: operations that the chart refuses throw std::runtime_error with the message given at
// the operation. Event handlers are called from the chart's drawing and from Qt event handlers,
// where an exception must not pass: handlers installed by the window are expected to catch their
// own exceptions (the window runs every handler body inside its guard). Should one escape
// regardless, the chart stops it at the call, writes it to the Qt warning log and goes on with the
// drawing as if the handler had returned at once.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "ui/chart/PictureMemory.h"

namespace erp::ui {

class ChartEngine;  // the implementation, private to the chart layer

// Image file formats of the chart's export.
enum class ChartImageFormat {
  Bmp,  // the picture, 24-bit
  Png,  // the picture, 24-bit, fast compression
  Svg,  // the chart drawn as vectors
  Pdf,  // the chart drawn as vectors on one page of the chart's size (1 pixel = 1 point)
};

// A rectangle in chart pixels, by its edges. Right = Left + width and Bottom = Top + height, so
// Right - Left and Bottom - Top are the width and the height; the pixel columns Left..Right - 1 and
// rows Top..Bottom - 1 lie inside.
struct PixelRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
  bool operator==(const PixelRect&) const = default;
};

// One label drawn on an axis at the last drawing: its value and its text ("\n" between lines).
struct AxisLabel {
  double Value = 0.0;
  QString Text;
};

// ---------------------------------------------------------------------------------------------
// Axis. The chart has two: BottomAxis (date-time) and LeftAxis (numeric). Each keeps its own
// Minimum, Maximum, Increment, minor tick count and automatic flags.
class ChartAxis {
 public:
  ChartAxis(const ChartAxis&) = delete;
  ChartAxis& operator=(const ChartAxis&) = delete;

  // True for the bottom axis, whose values are date-time values and whose labels are dates.
  bool IsDateTime() const;

  // The range the axis has now: the value last set, or, where an automatic end applied at the
  // last drawing, the value that drawing used.
  double Minimum() const;
  double Maximum() const;

  // Sets the minimum. Throws std::runtime_error "Axis Minimum Value must be <= Maximum" when
  // value > Maximum(); the axis is then unchanged. The automatic flags are not touched: while the
  // minimum is automatic the value set is kept but drawings use the automatic one.
  void SetMinimum(double value);
  // Sets the maximum. Throws std::runtime_error "Axis Maximum Value must be >= Minimum" when
  // value < Minimum(); the axis is then unchanged. A range that may cross the old one is set as:
  // a huge maximum, then the minimum, then the maximum.
  void SetMaximum(double value);

  // The desired step between labels (axis units; days on the bottom axis). 0 lets the chart pick
  // a step for the label size. The step drawn is this one, enlarged when the labels would not fit
  // (see CalcXYIncrement). Throws std::runtime_error "Axis Increment must be >= 0" for a negative
  // value.
  double Increment() const;
  void SetIncrement(double value);

  // Minor ticks between two neighbouring labels; a negative count is taken as 0.
  int MinorTickCount() const;
  void SetMinorTickCount(int count);

  // SetAutomatic(true) makes both ends automatic; SetAutomatic(false) uses the explicit range and
  // turns the automatic minimum and maximum off too. An automatic minimum (maximum) makes every
  // later drawing start (end) the axis at the smallest (greatest) value held by the series' points
  // (x on the bottom axis, y on the left one), less (plus) room for the point markers, so that the
  // markers fit; no room when no series with points shows markers. With no point in any series
  // the automatic end keeps the value last set.
  bool Automatic() const;
  void SetAutomatic(bool value);
  bool AutomaticMinimum() const;
  void SetAutomaticMinimum(bool value);
  bool AutomaticMaximum() const;
  void SetAutomaticMaximum(bool value);

  // Labels shown at all; multi-line labels (each blank-separated part of a label on its own line).
  bool Labels() const;
  void SetLabels(bool value);
  bool LabelsMultiLine() const;
  void SetLabelsMultiLine(bool value);

  // Date format of the labels of a date-time axis, in this notation (letters case-insensitive):
  // d, dd day; ddd, dddd short and long day name; m, mm month number; mmm, mmmm short and long
  // month name; yy, yyyy year; h, hh hour; n, nn minute (m, mm right after an hour also mean
  // minutes); s, ss second; "/" the user's date separator; ":" the time separator; text in '' or
  // "" as is; any other character as is. Names follow the user's locale. Default "dd.mm.yyyy".
  // Ignored on the numeric axis, whose labels always have five decimals and grouped thousands,
  // with "." as the decimal point and "," between thousands whatever the user's locale.
  QString DateTimeFormat() const;
  void SetDateTimeFormat(const QString& format);

  // Size of the label font in points (at 96 pixels per inch).
  int LabelsFontSize() const;

  // The axis value at chart pixel `pixel` (x for the bottom axis, y for the left one), by the
  // linear scale of the last drawing, also outside the plot. The bottom axis starts 1 % into the
  // plot width. 0 before the first drawing.
  double CalcPosPoint(int pixel) const;
  // The chart pixel of axis value `value` (the inverse of CalcPosPoint, rounded to the nearest
  // pixel).
  int CalcPosValue(double value) const;

  // The step between the labels of this axis for labels `labelSize` pixels big (height on the
  // left axis, width on the bottom one), for the range and the axis length of the last drawing:
  // the desired Increment(), enlarged step by step (1, 2, 5 times a power of ten on the numeric
  // axis; days, weeks, months, years on the date-time axis) while the labels, each with its
  // separation (100 % of the label size on the left axis, 10 % on the bottom one), would not fit
  // between two steps. Never below Increment(). The default labels of a drawing use exactly this
  // step, with labelSize = LabelsFontSize() + 6 on the left axis and, on the bottom axis, the width
  // of the widest label that the desired increment would give.
  double CalcXYIncrement(int labelSize) const;

  // The labels of the last drawing, in the order drawn (custom or default).
  const std::vector<AxisLabel>& DrawnLabels() const;

 private:
  friend class ChartEngine;
  ChartAxis(ChartEngine& engine, int index) : engine_(&engine), index_(index) {}
  ChartEngine* engine_;
  int index_;
};

// ---------------------------------------------------------------------------------------------
// Series: the points of one line series and its look.

enum class PointerStyle { Rectangle, Circle, Triangle, Diamond };

class ChartSeries;

// The point markers of a series.
class SeriesPointer {
 public:
  SeriesPointer(const SeriesPointer&) = delete;
  SeriesPointer& operator=(const SeriesPointer&) = delete;
  PointerStyle Style() const;
  void SetStyle(PointerStyle style);
  bool Visible() const;
  void SetVisible(bool value);

 private:
  friend class ChartSeries;
  SeriesPointer(ChartEngine& engine, int index) : engine_(&engine), index_(index) {}
  ChartEngine* engine_;
  int index_;
};

// The line joining the points of a series.
class SeriesLinePen {
 public:
  SeriesLinePen(const SeriesLinePen&) = delete;
  SeriesLinePen& operator=(const SeriesLinePen&) = delete;
  bool Visible() const;
  void SetVisible(bool value);

 private:
  friend class ChartSeries;
  SeriesLinePen(ChartEngine& engine, int index) : engine_(&engine), index_(index) {}
  ChartEngine* engine_;
  int index_;
};

class ChartSeries {
 public:
  ChartSeries(const ChartSeries&) = delete;
  ChartSeries& operator=(const ChartSeries&) = delete;

  // Removes every point.
  void Clear();
  // Adds the point (x, y); points are kept in ascending x order (a point with an x already held
  // goes after the points with that x) and the line joins them in that order. `label` and `color`
  // are the point's label and colour as the caller passes them: point labels are not shown, and
  // markers and line are drawn in the series colour (this program always passes it).
  void AddXY(double x, double y, const QString& label = QString(), const QColor& color = QColor());
  // Number of points and the point at `index` (0..Count() - 1, ascending x).
  int Count() const;
  double XValue(int index) const;
  double YValue(int index) const;
  // Least and greatest y of the points; 0 without points.
  double MinYValue() const;
  double MaxYValue() const;
  // Least and greatest x of the points; 0 without points.
  double MinXValue() const;
  double MaxXValue() const;

  // Colour of line and markers (default black).
  QColor SeriesColor() const;
  void SetSeriesColor(const QColor& color);
  // Legend text (may be empty).
  QString Title() const;
  void SetTitle(const QString& title);

  // Markers: shown by default; a rectangle on Series1, a diamond on Series2..Series15.
  SeriesPointer& Pointer();
  const SeriesPointer& Pointer() const;
  // Line: shown by default.
  SeriesLinePen& LinePen();
  const SeriesLinePen& LinePen() const;

 private:
  friend class ChartEngine;
  ChartSeries(ChartEngine& engine, int index);
  ChartEngine* engine_;
  int index_;
  SeriesPointer pointer_;
  SeriesLinePen linePen_;
};

// ---------------------------------------------------------------------------------------------
// Legend: right of the plot, one row per series, Series1 first, every row of one height also for
// empty titles; a row shows a 50-pixel sample of the series' line and marker, then its title.
class ChartLegend {
 public:
  ChartLegend(const ChartLegend&) = delete;
  ChartLegend& operator=(const ChartLegend&) = delete;
  // The legend's rectangle at the last drawing: (Bottom - Top) / 15 is the row pitch exactly and
  // row i (0-based) starts at Top + i * pitch. Empty before the first drawing.
  PixelRect GetRectLegend() const;
  // The least width of the legend (pixels; 0, the default, for none): a legend of short or no
  // titles then keeps room for what its user lays below it.
  void SetMinimumWidth(int pixels);

 private:
  friend class ChartEngine;
  explicit ChartLegend(ChartEngine& engine) : engine_(&engine) {}
  ChartEngine* engine_;
};

// ---------------------------------------------------------------------------------------------
// Canvas: drawing on the chart's picture.
//
// Called from OnBeforeDrawAxes, it draws into the drawing under way, under the axes. Called at any
// other time (OnAfterDraw, OnMouseMove, ...), it draws into the current picture at once, without a
// redraw; the next drawing starts from a fresh picture. Before the first drawing there is no
// picture and the drawing operations do nothing.

enum class PenMode {
  Copy,  // draws in the pen colour
  Not,   // inverts the pixels under the pen, whatever its colour: drawing twice restores them
};

class CanvasPen {
 public:
  CanvasPen(const CanvasPen&) = delete;
  CanvasPen& operator=(const CanvasPen&) = delete;
  PenMode Mode() const;
  void SetMode(PenMode mode);
  int Width() const;  // pixels, at least 1
  void SetWidth(int width);
  QColor Color() const;
  void SetColor(const QColor& color);

 private:
  friend class ChartCanvas;
  explicit CanvasPen(ChartEngine& engine) : engine_(&engine) {}
  ChartEngine* engine_;
};

struct FontStyles {
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  bool operator==(const FontStyles&) const = default;
};

class CanvasFont {
 public:
  CanvasFont(const CanvasFont&) = delete;
  CanvasFont& operator=(const CanvasFont&) = delete;
  FontStyles Style() const;
  void SetStyle(FontStyles style);
  // Height in pixels: positive, the height of the text cell (internal leading included);
  // negative, the character height without it. Default 13.
  int Height() const;
  void SetHeight(int height);
  QColor Color() const;  // text colour, default black
  void SetColor(const QColor& color);

 private:
  friend class ChartCanvas;
  explicit CanvasFont(ChartEngine& engine) : engine_(&engine) {}
  ChartEngine* engine_;
};

class ChartCanvas {
 public:
  ChartCanvas(const ChartCanvas&) = delete;
  ChartCanvas& operator=(const ChartCanvas&) = delete;
  CanvasPen& Pen();
  CanvasFont& Font();
  // Moves the pen to (x, y), chart pixels.
  void MoveTo(int x, int y);
  // Draws a line from the pen position to (x, y) with the pen (mode, width, colour), without
  // antialiasing, and moves the pen there.
  void LineTo(int x, int y);
  // Draws s with the font, its text cell's top-left corner at (x, y); the background stays.
  void TextOut(int x, int y, const QString& s);
  // Width and cell height in pixels of s in the canvas font.
  int TextWidth(const QString& s) const;
  int TextHeight(const QString& s) const;

 private:
  friend class ChartEngine;
  explicit ChartCanvas(ChartEngine& engine);
  ChartEngine* engine_;
  CanvasPen pen_;
  CanvasFont font_;
};

// ---------------------------------------------------------------------------------------------
// Event handlers. The sender of OnGetNextAxisLabel is the axis being labelled.
using ChartNotifyEvent = std::function<void()>;
// Called at every drawing, for each axis: first with labelIndex 0, labelValue = the axis minimum
// as drawn, stop = true. Leaving stop true at that first call gives the axis its default labels.
// Otherwise the returned labelValue is labelled if it lies within the drawn range and is handed
// back on the next call (labelIndex 1, 2, ..., stop = true again); the labels end at the first call
// that leaves stop true or returns a value outside the range (that value is not labelled), and
// after 1000 labels at most.
using ChartGetNextAxisLabelEvent =
    std::function<void(ChartAxis& sender, int labelIndex, double& labelValue, bool& stop)>;
// The mouse moved over the chart itself (not over a control laid on it): keyboard modifiers and
// the pointer position in chart pixels.
using ChartMouseMoveEvent = std::function<void(Qt::KeyboardModifiers shift, int x, int y)>;

// ---------------------------------------------------------------------------------------------
// The chart widget. Controls that the window creates as children of the chart lie over the plot
// and are never drawn into the picture or the BMP file. The chart itself has one child widget of
// its own, the drawing surface under all others; OverlayControls() lists the others.
class Chart : public QWidget {
  Q_OBJECT

 public:
  static constexpr int SeriesCount = 15;

  explicit Chart(QWidget* parent = nullptr);
  ~Chart() override;

  ChartAxis& BottomAxis();
  const ChartAxis& BottomAxis() const;
  ChartAxis& LeftAxis();
  const ChartAxis& LeftAxis() const;

  // Series1..Series15 for index 0..14. Throws std::out_of_range "List index out of bounds (i)"
  // for any other index.
  ChartSeries& SeriesList(int index);
  const ChartSeries& SeriesList(int index) const;

  ChartLegend& Legend();

  // The plot rectangle (the area inside the axes) at the last drawing; valid in and after the
  // drawing events, empty before the first drawing.
  PixelRect ChartRect() const;

  ChartCanvas& Canvas();

  // Writes the current picture, with what the canvas drew on it since, as a BMP file of
  // `fileName` at the chart's size in device pixels. The controls laid on the chart are not in
  // it. When a redraw is pending, or nothing has been drawn yet, it draws first. The picture goes
  // through erp::WriteFileReplacing: written beside `fileName`, flushed to disk and renamed over
  // it once complete, so a failed write (a full disk too) leaves the old file (or none) and no part
  // of the new one, and only a regular file is ever replaced. Throws std::runtime_error with the
  // system's message when the file cannot be written.
  void SaveToBitmapFile(const QString& fileName);

  // The chart as the bytes of an image file of `format`, at the chart's size. When a redraw is
  // pending, or nothing has been drawn yet, it draws first. BMP and PNG hold the current picture
  // (see EncodePicture), with what the canvas drew on it; SVG and PDF draw the chart anew as
  // vectors, with OnBeforeDrawAxes, without the canvas drawing done outside it. Throws
  // std::runtime_error when the image cannot be made.
  QByteArray ImageFileBytes(ChartImageFormat format);

  // A picture taken with Picture() as the bytes of a BMP or PNG file (24-bit, at its size in
  // device pixels). Touches no chart, so it may run on any thread while the chart draws on.
  // Throws std::runtime_error for the vector formats or when the picture cannot be encoded.
  static QByteArray EncodePicture(const QImage& picture, ChartImageFormat format);

  // Draws now (a complete drawing with its events), whether or not a redraw is pending. Called
  // from within a drawing event it only asks for a redraw.
  void Redraw();
  // True while a requested redraw has not run yet.
  bool RedrawPending() const;

  // The current picture in device pixels (null before the first drawing).
  QImage Picture() const;
  // Memory for a second picture at the chart's size, for a drawing made while the current picture
  // is still held (by an encoder, say), and the work that brings its pages into use: run on a
  // thread that has nothing else to do, it spares that drawing faulting them in one by one.
  PictureBlocks::Preparation PrepareSparePicture();

  // The child widgets laid on the chart by its user, in creation order (the drawing surface is
  // not among them).
  QList<QWidget*> OverlayControls() const;

  // Event handlers; an empty function removes one.
  void SetOnBeforeDrawAxes(ChartNotifyEvent handler);
  void SetOnAfterDraw(ChartNotifyEvent handler);
  void SetOnGetNextAxisLabel(ChartGetNextAxisLabelEvent handler);
  void SetOnMouseMove(ChartMouseMoveEvent handler);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::unique_ptr<ChartEngine> engine_;
};

}  // namespace erp::ui
