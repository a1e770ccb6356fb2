// The public classes of the chart: each keeps its state in the engine and asks it for one redraw
// when a property changes value.
#include "ui/chart/Chart.h"

#include "ui/chart/ChartEngine.h"
#include "ui/chart/PngEncoder.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace erp::ui {

namespace {

// Sets `field` to `value`; a change asks for a redraw.
template <class T>
void Assign(ChartEngine& engine, T& field, const T& value) {
  if (field == value) return;
  field = value;
  engine.Changed();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ChartAxis

bool ChartAxis::IsDateTime() const { return engine_->AxisData(index_).dateTime; }
double ChartAxis::Minimum() const { return engine_->AxisData(index_).minimum; }
double ChartAxis::Maximum() const { return engine_->AxisData(index_).maximum; }

void ChartAxis::SetMinimum(double value) {
  auto& axis = engine_->AxisData(index_);
  if (value > axis.maximum) throw std::runtime_error("Axis Minimum Value must be <= Maximum");
  Assign(*engine_, axis.minimum, value);
}

void ChartAxis::SetMaximum(double value) {
  auto& axis = engine_->AxisData(index_);
  if (value < axis.minimum) throw std::runtime_error("Axis Maximum Value must be >= Minimum");
  Assign(*engine_, axis.maximum, value);
}

double ChartAxis::Increment() const { return engine_->AxisData(index_).increment; }

void ChartAxis::SetIncrement(double value) {
  if (value < 0.0) throw std::runtime_error("Axis Increment must be >= 0");
  Assign(*engine_, engine_->AxisData(index_).increment, value);
}

int ChartAxis::MinorTickCount() const { return engine_->AxisData(index_).minorTickCount; }

void ChartAxis::SetMinorTickCount(int count) {
  Assign(*engine_, engine_->AxisData(index_).minorTickCount, std::max(0, count));
}

bool ChartAxis::Automatic() const { return engine_->AxisData(index_).automatic; }

void ChartAxis::SetAutomatic(bool value) {
  auto& axis = engine_->AxisData(index_);
  Assign(*engine_, axis.automatic, value);
  Assign(*engine_, axis.automaticMinimum, value);
  Assign(*engine_, axis.automaticMaximum, value);
}

bool ChartAxis::AutomaticMinimum() const { return engine_->AxisData(index_).automaticMinimum; }
void ChartAxis::SetAutomaticMinimum(bool value) {
  Assign(*engine_, engine_->AxisData(index_).automaticMinimum, value);
}

bool ChartAxis::AutomaticMaximum() const { return engine_->AxisData(index_).automaticMaximum; }
void ChartAxis::SetAutomaticMaximum(bool value) {
  Assign(*engine_, engine_->AxisData(index_).automaticMaximum, value);
}

bool ChartAxis::Labels() const { return engine_->AxisData(index_).labels; }
void ChartAxis::SetLabels(bool value) { Assign(*engine_, engine_->AxisData(index_).labels, value); }

bool ChartAxis::LabelsMultiLine() const { return engine_->AxisData(index_).labelsMultiLine; }
void ChartAxis::SetLabelsMultiLine(bool value) {
  Assign(*engine_, engine_->AxisData(index_).labelsMultiLine, value);
}

QString ChartAxis::DateTimeFormat() const { return engine_->AxisData(index_).dateTimeFormat; }
void ChartAxis::SetDateTimeFormat(const QString& format) {
  Assign(*engine_, engine_->AxisData(index_).dateTimeFormat, format);
}

int ChartAxis::LabelsFontSize() const {
  return ChartEngine::FontSizeInPoints(engine_->AxisData(index_).labelFont);
}

double ChartAxis::CalcPosPoint(int pixel) const { return engine_->CalcPosPoint(index_, pixel); }
int ChartAxis::CalcPosValue(double value) const { return engine_->CalcPosValue(index_, value); }
double ChartAxis::CalcXYIncrement(int labelSize) const { return engine_->CalcXYIncrement(index_, labelSize); }

const std::vector<AxisLabel>& ChartAxis::DrawnLabels() const { return engine_->AxisData(index_).drawnLabels; }

// ---------------------------------------------------------------------------------------------
// Series

ChartSeries::ChartSeries(ChartEngine& engine, int index)
    : engine_(&engine), index_(index), pointer_(engine, index), linePen_(engine, index) {}

void ChartSeries::Clear() {
  auto& s = engine_->SeriesData(index_);
  if (s.points.empty()) return;
  s.points.clear();
  s.minY = s.maxY = 0.0;
  s.dataChanged = true;
  engine_->Changed();
}

void ChartSeries::AddXY(double x, double y, const QString&, const QColor&) {
  auto& s = engine_->SeriesData(index_);
  const ChartEngine::SeriesPoint point{x, y};
  if (s.points.empty()) {
    s.minY = s.maxY = y;
  } else {
    s.minY = std::min(s.minY, y);
    s.maxY = std::max(s.maxY, y);
  }
  if (s.points.empty() || !(x < s.points.back().x)) {
    s.points.push_back(point);
  } else {
    const auto at = std::upper_bound(s.points.begin(), s.points.end(), x,
                                     [](double key, const ChartEngine::SeriesPoint& p) { return key < p.x; });
    s.points.insert(at, point);
  }
  s.dataChanged = true;
  engine_->Changed();
}

int ChartSeries::Count() const { return static_cast<int>(engine_->SeriesData(index_).points.size()); }

double ChartSeries::XValue(int index) const {
  return engine_->SeriesData(index_).points.at(static_cast<std::size_t>(index)).x;
}

double ChartSeries::YValue(int index) const {
  return engine_->SeriesData(index_).points.at(static_cast<std::size_t>(index)).y;
}

double ChartSeries::MinYValue() const { return engine_->SeriesData(index_).minY; }
double ChartSeries::MaxYValue() const { return engine_->SeriesData(index_).maxY; }

double ChartSeries::MinXValue() const {
  const auto& points = engine_->SeriesData(index_).points;
  return points.empty() ? 0.0 : points.front().x;
}

double ChartSeries::MaxXValue() const {
  const auto& points = engine_->SeriesData(index_).points;
  return points.empty() ? 0.0 : points.back().x;
}

QColor ChartSeries::SeriesColor() const { return engine_->SeriesData(index_).color; }
void ChartSeries::SetSeriesColor(const QColor& color) { Assign(*engine_, engine_->SeriesData(index_).color, color); }

QString ChartSeries::Title() const { return engine_->SeriesData(index_).title; }
void ChartSeries::SetTitle(const QString& title) { Assign(*engine_, engine_->SeriesData(index_).title, title); }

SeriesPointer& ChartSeries::Pointer() { return pointer_; }
const SeriesPointer& ChartSeries::Pointer() const { return pointer_; }
SeriesLinePen& ChartSeries::LinePen() { return linePen_; }
const SeriesLinePen& ChartSeries::LinePen() const { return linePen_; }

PointerStyle SeriesPointer::Style() const { return engine_->SeriesData(index_).pointerStyle; }
void SeriesPointer::SetStyle(PointerStyle style) {
  Assign(*engine_, engine_->SeriesData(index_).pointerStyle, style);
}
bool SeriesPointer::Visible() const { return engine_->SeriesData(index_).pointerVisible; }
void SeriesPointer::SetVisible(bool value) { Assign(*engine_, engine_->SeriesData(index_).pointerVisible, value); }

bool SeriesLinePen::Visible() const { return engine_->SeriesData(index_).lineVisible; }
void SeriesLinePen::SetVisible(bool value) { Assign(*engine_, engine_->SeriesData(index_).lineVisible, value); }

// ---------------------------------------------------------------------------------------------
// Legend and canvas

PixelRect ChartLegend::GetRectLegend() const { return engine_->LegendRect(); }

ChartCanvas::ChartCanvas(ChartEngine& engine) : engine_(&engine), pen_(engine), font_(engine) {}

CanvasPen& ChartCanvas::Pen() { return pen_; }
CanvasFont& ChartCanvas::Font() { return font_; }
void ChartCanvas::MoveTo(int x, int y) { engine_->CanvasData().penPosition = QPoint(x, y); }
void ChartCanvas::LineTo(int x, int y) { engine_->CanvasLineTo(x, y); }
void ChartCanvas::TextOut(int x, int y, const QString& s) { engine_->CanvasTextOut(x, y, s); }
int ChartCanvas::TextWidth(const QString& s) const {
  return QFontMetrics(engine_->CanvasFont()).horizontalAdvance(s);
}
int ChartCanvas::TextHeight(const QString&) const { return QFontMetrics(engine_->CanvasFont()).height(); }

PenMode CanvasPen::Mode() const { return engine_->CanvasData().penMode; }
void CanvasPen::SetMode(PenMode mode) { engine_->CanvasData().penMode = mode; }
int CanvasPen::Width() const { return engine_->CanvasData().penWidth; }
void CanvasPen::SetWidth(int width) { engine_->CanvasData().penWidth = std::max(1, width); }
QColor CanvasPen::Color() const { return engine_->CanvasData().penColor; }
void CanvasPen::SetColor(const QColor& color) { engine_->CanvasData().penColor = color; }

FontStyles CanvasFont::Style() const { return engine_->CanvasData().fontStyle; }
void CanvasFont::SetStyle(FontStyles style) { engine_->CanvasData().fontStyle = style; }
int CanvasFont::Height() const { return engine_->CanvasData().fontHeight; }
void CanvasFont::SetHeight(int height) { engine_->CanvasData().fontHeight = height; }
QColor CanvasFont::Color() const { return engine_->CanvasData().fontColor; }
void CanvasFont::SetColor(const QColor& color) { engine_->CanvasData().fontColor = color; }

// ---------------------------------------------------------------------------------------------
// Chart

Chart::Chart(QWidget* parent) : QWidget(parent), engine_(std::make_unique<ChartEngine>(*this)) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

Chart::~Chart() {
  // The surface calls into the engine: it goes first.
  delete engine_->SurfaceWidget();
}

ChartAxis& Chart::BottomAxis() { return engine_->Axis(ChartEngine::Bottom); }
const ChartAxis& Chart::BottomAxis() const { return engine_->Axis(ChartEngine::Bottom); }
ChartAxis& Chart::LeftAxis() { return engine_->Axis(ChartEngine::Left); }
const ChartAxis& Chart::LeftAxis() const { return engine_->Axis(ChartEngine::Left); }

ChartSeries& Chart::SeriesList(int index) {
  if (index < 0 || index >= SeriesCount) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  }
  return engine_->Series(index);
}

const ChartSeries& Chart::SeriesList(int index) const { return const_cast<Chart*>(this)->SeriesList(index); }

ChartLegend& Chart::Legend() { return engine_->Legend(); }
PixelRect Chart::ChartRect() const { return engine_->PlotRect(); }
ChartCanvas& Chart::Canvas() { return engine_->Canvas(); }
void Chart::SaveToBitmapFile(const QString& fileName) { engine_->SaveBitmap(fileName); }

QByteArray Chart::ImageFileBytes(ChartImageFormat format) {
  if (format == ChartImageFormat::Svg || format == ChartImageFormat::Pdf) return engine_->VectorImageBytes(format);
  if (engine_->RedrawPending() || !engine_->HasDrawn()) engine_->Draw();
  return EncodePicture(engine_->Picture(), format);
}

QByteArray Chart::EncodePicture(const QImage& picture, ChartImageFormat format) {
  if (picture.isNull()) throw std::runtime_error("The chart has no picture yet");
  const char* type = nullptr;
  switch (format) {
    case ChartImageFormat::Bmp: type = "bmp"; break;
    case ChartImageFormat::Png: type = "png"; break;
    case ChartImageFormat::Svg:
    case ChartImageFormat::Pdf: throw std::runtime_error("Not a picture format");
  }
  QImage image = picture.convertToFormat(QImage::Format_RGB32);
  image.setDevicePixelRatio(1.0);
  if (format == ChartImageFormat::Png) return EncodePng(image);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, type);
  if (!writer.write(image)) throw std::runtime_error(writer.errorString().toStdString());
  return bytes;
}
void Chart::Redraw() { engine_->Draw(); }
bool Chart::RedrawPending() const { return engine_->RedrawPending(); }
QImage Chart::Picture() const { return engine_->Picture(); }

QList<QWidget*> Chart::OverlayControls() const {
  QList<QWidget*> controls;
  for (QObject* child : children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget && widget != engine_->SurfaceWidget()) controls.push_back(widget);
  }
  return controls;
}

void Chart::SetOnBeforeDrawAxes(ChartNotifyEvent handler) { engine_->SetOnBeforeDrawAxes(std::move(handler)); }
void Chart::SetOnAfterDraw(ChartNotifyEvent handler) { engine_->SetOnAfterDraw(std::move(handler)); }
void Chart::SetOnGetNextAxisLabel(ChartGetNextAxisLabelEvent handler) {
  engine_->SetOnGetNextAxisLabel(std::move(handler));
}
void Chart::SetOnMouseMove(ChartMouseMoveEvent handler) { engine_->SetOnMouseMove(std::move(handler)); }

void Chart::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The surface fills the chart; its own resize draws the chart at the new size.
  engine_->SurfaceWidget()->setGeometry(rect());
}

}  // namespace erp::ui
