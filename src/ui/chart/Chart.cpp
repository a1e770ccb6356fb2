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

bool ChartAxis::IsDateTime() const { return mEngine->AxisData(mIndex).dateTime; }
double ChartAxis::Minimum() const { return mEngine->AxisData(mIndex).minimum; }
double ChartAxis::Maximum() const { return mEngine->AxisData(mIndex).maximum; }

void ChartAxis::SetMinimum(double value) {
  auto& axis = mEngine->AxisData(mIndex);
  if (value > axis.maximum) throw std::runtime_error("Axis Minimum Value must be <= Maximum");
  Assign(*mEngine, axis.minimum, value);
}

void ChartAxis::SetMaximum(double value) {
  auto& axis = mEngine->AxisData(mIndex);
  if (value < axis.minimum) throw std::runtime_error("Axis Maximum Value must be >= Minimum");
  Assign(*mEngine, axis.maximum, value);
}

double ChartAxis::Increment() const { return mEngine->AxisData(mIndex).increment; }

void ChartAxis::SetIncrement(double value) {
  if (value < 0.0) throw std::runtime_error("Axis Increment must be >= 0");
  Assign(*mEngine, mEngine->AxisData(mIndex).increment, value);
}

int ChartAxis::MinorTickCount() const { return mEngine->AxisData(mIndex).minorTickCount; }

void ChartAxis::SetMinorTickCount(int count) {
  Assign(*mEngine, mEngine->AxisData(mIndex).minorTickCount, std::max(0, count));
}

bool ChartAxis::Automatic() const { return mEngine->AxisData(mIndex).automatic; }

void ChartAxis::SetAutomatic(bool value) {
  auto& axis = mEngine->AxisData(mIndex);
  Assign(*mEngine, axis.automatic, value);
  Assign(*mEngine, axis.automaticMinimum, value);
  Assign(*mEngine, axis.automaticMaximum, value);
}

bool ChartAxis::AutomaticMinimum() const { return mEngine->AxisData(mIndex).automaticMinimum; }
void ChartAxis::SetAutomaticMinimum(bool value) {
  Assign(*mEngine, mEngine->AxisData(mIndex).automaticMinimum, value);
}

bool ChartAxis::AutomaticMaximum() const { return mEngine->AxisData(mIndex).automaticMaximum; }
void ChartAxis::SetAutomaticMaximum(bool value) {
  Assign(*mEngine, mEngine->AxisData(mIndex).automaticMaximum, value);
}

bool ChartAxis::Labels() const { return mEngine->AxisData(mIndex).labels; }
void ChartAxis::SetLabels(bool value) { Assign(*mEngine, mEngine->AxisData(mIndex).labels, value); }

bool ChartAxis::LabelsMultiLine() const { return mEngine->AxisData(mIndex).labelsMultiLine; }
void ChartAxis::SetLabelsMultiLine(bool value) {
  Assign(*mEngine, mEngine->AxisData(mIndex).labelsMultiLine, value);
}

QString ChartAxis::DateTimeFormat() const { return mEngine->AxisData(mIndex).dateTimeFormat; }
void ChartAxis::SetDateTimeFormat(const QString& format) {
  Assign(*mEngine, mEngine->AxisData(mIndex).dateTimeFormat, format);
}

int ChartAxis::LabelsFontSize() const {
  return ChartEngine::FontSizeInPoints(mEngine->AxisData(mIndex).labelFont);
}

double ChartAxis::CalcPosPoint(int pixel) const { return mEngine->CalcPosPoint(mIndex, pixel); }
int ChartAxis::CalcPosValue(double value) const { return mEngine->CalcPosValue(mIndex, value); }
double ChartAxis::CalcXYIncrement(int labelSize) const { return mEngine->CalcXYIncrement(mIndex, labelSize); }

const std::vector<AxisLabel>& ChartAxis::DrawnLabels() const { return mEngine->AxisData(mIndex).drawnLabels; }

// ---------------------------------------------------------------------------------------------
// Series

ChartSeries::ChartSeries(ChartEngine& engine, int index)
    : mEngine(&engine), mIndex(index), mPointer(engine, index), mLinePen(engine, index) {}

void ChartSeries::Clear() {
  auto& s = mEngine->SeriesData(mIndex);
  if (s.points.empty()) return;
  s.points.clear();
  s.minY = s.maxY = 0.0;
  s.dataChanged = true;
  mEngine->Changed();
}

void ChartSeries::AddXY(double x, double y, const QString&, const QColor&) {
  auto& s = mEngine->SeriesData(mIndex);
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
  mEngine->Changed();
}

int ChartSeries::Count() const { return static_cast<int>(mEngine->SeriesData(mIndex).points.size()); }

double ChartSeries::XValue(int index) const {
  return mEngine->SeriesData(mIndex).points.at(static_cast<std::size_t>(index)).x;
}

double ChartSeries::YValue(int index) const {
  return mEngine->SeriesData(mIndex).points.at(static_cast<std::size_t>(index)).y;
}

double ChartSeries::MinYValue() const { return mEngine->SeriesData(mIndex).minY; }
double ChartSeries::MaxYValue() const { return mEngine->SeriesData(mIndex).maxY; }

double ChartSeries::MinXValue() const {
  const auto& points = mEngine->SeriesData(mIndex).points;
  return points.empty() ? 0.0 : points.front().x;
}

double ChartSeries::MaxXValue() const {
  const auto& points = mEngine->SeriesData(mIndex).points;
  return points.empty() ? 0.0 : points.back().x;
}

QColor ChartSeries::SeriesColor() const { return mEngine->SeriesData(mIndex).color; }
void ChartSeries::SetSeriesColor(const QColor& color) { Assign(*mEngine, mEngine->SeriesData(mIndex).color, color); }

QString ChartSeries::Title() const { return mEngine->SeriesData(mIndex).title; }
void ChartSeries::SetTitle(const QString& title) { Assign(*mEngine, mEngine->SeriesData(mIndex).title, title); }

SeriesPointer& ChartSeries::Pointer() { return mPointer; }
const SeriesPointer& ChartSeries::Pointer() const { return mPointer; }
SeriesLinePen& ChartSeries::LinePen() { return mLinePen; }
const SeriesLinePen& ChartSeries::LinePen() const { return mLinePen; }

PointerStyle SeriesPointer::Style() const { return mEngine->SeriesData(mIndex).pointerStyle; }
void SeriesPointer::SetStyle(PointerStyle style) {
  Assign(*mEngine, mEngine->SeriesData(mIndex).pointerStyle, style);
}
bool SeriesPointer::Visible() const { return mEngine->SeriesData(mIndex).pointerVisible; }
void SeriesPointer::SetVisible(bool value) { Assign(*mEngine, mEngine->SeriesData(mIndex).pointerVisible, value); }

bool SeriesLinePen::Visible() const { return mEngine->SeriesData(mIndex).lineVisible; }
void SeriesLinePen::SetVisible(bool value) { Assign(*mEngine, mEngine->SeriesData(mIndex).lineVisible, value); }

// ---------------------------------------------------------------------------------------------
// Legend and canvas

PixelRect ChartLegend::GetRectLegend() const { return mEngine->LegendRect(); }

ChartCanvas::ChartCanvas(ChartEngine& engine) : mEngine(&engine), mPen(engine), mFont(engine) {}

CanvasPen& ChartCanvas::Pen() { return mPen; }
CanvasFont& ChartCanvas::Font() { return mFont; }
void ChartCanvas::MoveTo(int x, int y) { mEngine->CanvasData().penPosition = QPoint(x, y); }
void ChartCanvas::LineTo(int x, int y) { mEngine->CanvasLineTo(x, y); }
void ChartCanvas::TextOut(int x, int y, const QString& s) { mEngine->CanvasTextOut(x, y, s); }
int ChartCanvas::TextWidth(const QString& s) const {
  return QFontMetrics(mEngine->CanvasFont()).horizontalAdvance(s);
}
int ChartCanvas::TextHeight(const QString&) const { return QFontMetrics(mEngine->CanvasFont()).height(); }

PenMode CanvasPen::Mode() const { return mEngine->CanvasData().penMode; }
void CanvasPen::SetMode(PenMode mode) { mEngine->CanvasData().penMode = mode; }
int CanvasPen::Width() const { return mEngine->CanvasData().penWidth; }
void CanvasPen::SetWidth(int width) { mEngine->CanvasData().penWidth = std::max(1, width); }
QColor CanvasPen::Color() const { return mEngine->CanvasData().penColor; }
void CanvasPen::SetColor(const QColor& color) { mEngine->CanvasData().penColor = color; }

FontStyles CanvasFont::Style() const { return mEngine->CanvasData().fontStyle; }
void CanvasFont::SetStyle(FontStyles style) { mEngine->CanvasData().fontStyle = style; }
int CanvasFont::Height() const { return mEngine->CanvasData().fontHeight; }
void CanvasFont::SetHeight(int height) { mEngine->CanvasData().fontHeight = height; }
QColor CanvasFont::Color() const { return mEngine->CanvasData().fontColor; }
void CanvasFont::SetColor(const QColor& color) { mEngine->CanvasData().fontColor = color; }

// ---------------------------------------------------------------------------------------------
// Chart

Chart::Chart(QWidget* parent) : QWidget(parent), mEngine(std::make_unique<ChartEngine>(*this)) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

Chart::~Chart() {
  // The surface calls into the engine: it goes first.
  delete mEngine->SurfaceWidget();
}

ChartAxis& Chart::BottomAxis() { return mEngine->Axis(ChartEngine::Bottom); }
const ChartAxis& Chart::BottomAxis() const { return mEngine->Axis(ChartEngine::Bottom); }
ChartAxis& Chart::LeftAxis() { return mEngine->Axis(ChartEngine::Left); }
const ChartAxis& Chart::LeftAxis() const { return mEngine->Axis(ChartEngine::Left); }

ChartSeries& Chart::SeriesList(int index) {
  if (index < 0 || index >= SeriesCount) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  }
  return mEngine->Series(index);
}

const ChartSeries& Chart::SeriesList(int index) const { return const_cast<Chart*>(this)->SeriesList(index); }

ChartLegend& Chart::Legend() { return mEngine->Legend(); }
PixelRect Chart::ChartRect() const { return mEngine->PlotRect(); }
ChartCanvas& Chart::Canvas() { return mEngine->Canvas(); }
void Chart::SaveToBitmapFile(const QString& fileName) { mEngine->SaveBitmap(fileName); }

QByteArray Chart::ImageFileBytes(ChartImageFormat format) {
  if (format == ChartImageFormat::Svg || format == ChartImageFormat::Pdf) return mEngine->VectorImageBytes(format);
  if (mEngine->RedrawPending() || !mEngine->HasDrawn()) mEngine->Draw();
  return EncodePicture(mEngine->Picture(), format);
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
void Chart::Redraw() { mEngine->Draw(); }
bool Chart::RedrawPending() const { return mEngine->RedrawPending(); }
QImage Chart::Picture() const { return mEngine->Picture(); }

QList<QWidget*> Chart::OverlayControls() const {
  QList<QWidget*> controls;
  for (QObject* child : children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget && widget != mEngine->SurfaceWidget()) controls.push_back(widget);
  }
  return controls;
}

void Chart::SetOnBeforeDrawAxes(ChartNotifyEvent handler) { mEngine->SetOnBeforeDrawAxes(std::move(handler)); }
void Chart::SetOnAfterDraw(ChartNotifyEvent handler) { mEngine->SetOnAfterDraw(std::move(handler)); }
void Chart::SetOnGetNextAxisLabel(ChartGetNextAxisLabelEvent handler) {
  mEngine->SetOnGetNextAxisLabel(std::move(handler));
}
void Chart::SetOnMouseMove(ChartMouseMoveEvent handler) { mEngine->SetOnMouseMove(std::move(handler)); }

void Chart::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The surface fills the chart; its own resize draws the chart at the new size.
  mEngine->SurfaceWidget()->setGeometry(rect());
}

}  // namespace erp::ui
