// The public classes of the chart: each reads and changes its part of the state (ChartModel.h,
// owned by the engine) and asks the engine for one redraw when a property changes value.
#include "ui/chart/Chart.h"

#include "core/FileIo.h"
#include "ui/chart/ChartEngine.h"
#include "ui/chart/PngEncoder.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

namespace erp::ui {

namespace {

// One redraw when a setter changed the state.
void RedrawIfChanged(ChartEngine& engine, bool changed) {
  if (changed) engine.Changed();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ChartAxis

bool ChartAxis::IsDateTime() const { return engine_->AxisState(index_).IsDateTime(); }
double ChartAxis::Minimum() const { return engine_->AxisState(index_).Minimum(); }
double ChartAxis::Maximum() const { return engine_->AxisState(index_).Maximum(); }

void ChartAxis::SetMinimum(double value) { RedrawIfChanged(*engine_, engine_->AxisState(index_).SetMinimum(value)); }
void ChartAxis::SetMaximum(double value) { RedrawIfChanged(*engine_, engine_->AxisState(index_).SetMaximum(value)); }

double ChartAxis::Increment() const { return engine_->AxisState(index_).Increment(); }
void ChartAxis::SetIncrement(double value) {
  RedrawIfChanged(*engine_, engine_->AxisState(index_).SetIncrement(value));
}

int ChartAxis::MinorTickCount() const { return engine_->AxisState(index_).MinorTickCount(); }
void ChartAxis::SetMinorTickCount(int count) {
  RedrawIfChanged(*engine_, engine_->AxisState(index_).SetMinorTickCount(count));
}

bool ChartAxis::Automatic() const { return engine_->AxisState(index_).Automatic(); }
void ChartAxis::SetAutomatic(bool value) { RedrawIfChanged(*engine_, engine_->AxisState(index_).SetAutomatic(value)); }

bool ChartAxis::AutomaticMinimum() const { return engine_->AxisState(index_).AutomaticMinimum(); }
void ChartAxis::SetAutomaticMinimum(bool value) {
  RedrawIfChanged(*engine_, engine_->AxisState(index_).SetAutomaticMinimum(value));
}

bool ChartAxis::AutomaticMaximum() const { return engine_->AxisState(index_).AutomaticMaximum(); }
void ChartAxis::SetAutomaticMaximum(bool value) {
  RedrawIfChanged(*engine_, engine_->AxisState(index_).SetAutomaticMaximum(value));
}

bool ChartAxis::Labels() const { return engine_->AxisState(index_).Labels(); }
void ChartAxis::SetLabels(bool value) { RedrawIfChanged(*engine_, engine_->AxisState(index_).SetLabels(value)); }

bool ChartAxis::LabelsMultiLine() const { return engine_->AxisState(index_).LabelsMultiLine(); }
void ChartAxis::SetLabelsMultiLine(bool value) {
  RedrawIfChanged(*engine_, engine_->AxisState(index_).SetLabelsMultiLine(value));
}

QString ChartAxis::DateTimeFormat() const { return engine_->AxisState(index_).DateTimeFormat(); }
void ChartAxis::SetDateTimeFormat(const QString& format) {
  RedrawIfChanged(*engine_, engine_->AxisState(index_).SetDateTimeFormat(format));
}

int ChartAxis::LabelsFontSize() const {
  return ChartEngine::FontSizeInPoints(engine_->AxisState(index_).GetLook().labelFont);
}

double ChartAxis::CalcPosPoint(int pixel) const { return engine_->CalcPosPoint(index_, pixel); }
int ChartAxis::CalcPosValue(double value) const { return engine_->CalcPosValue(index_, value); }
double ChartAxis::CalcXYIncrement(int labelSize) const { return engine_->CalcXYIncrement(index_, labelSize); }

const std::vector<AxisLabel>& ChartAxis::DrawnLabels() const { return engine_->AxisState(index_).DrawnLabels(); }

// ---------------------------------------------------------------------------------------------
// Series

ChartSeries::ChartSeries(ChartEngine& engine, int index)
    : engine_(&engine), index_(index), pointer_(engine, index), linePen_(engine, index) {}

void ChartSeries::Clear() { RedrawIfChanged(*engine_, engine_->SeriesState(index_).Clear()); }

void ChartSeries::AddXY(double x, double y, const QString&, const QColor&) {
  RedrawIfChanged(*engine_, engine_->SeriesState(index_).Add(x, y));
}

int ChartSeries::Count() const { return static_cast<int>(engine_->SeriesState(index_).Points().size()); }

double ChartSeries::XValue(int index) const {
  return engine_->SeriesState(index_).Points().at(static_cast<std::size_t>(index)).x;
}

double ChartSeries::YValue(int index) const {
  return engine_->SeriesState(index_).Points().at(static_cast<std::size_t>(index)).y;
}

double ChartSeries::MinYValue() const { return engine_->SeriesState(index_).MinY(); }
double ChartSeries::MaxYValue() const { return engine_->SeriesState(index_).MaxY(); }

double ChartSeries::MinXValue() const {
  const auto& points = engine_->SeriesState(index_).Points();
  return points.empty() ? 0.0 : points.front().x;
}

double ChartSeries::MaxXValue() const {
  const auto& points = engine_->SeriesState(index_).Points();
  return points.empty() ? 0.0 : points.back().x;
}

QColor ChartSeries::SeriesColor() const { return engine_->SeriesState(index_).Color(); }
void ChartSeries::SetSeriesColor(const QColor& color) {
  RedrawIfChanged(*engine_, engine_->SeriesState(index_).SetColor(color));
}

QString ChartSeries::Title() const { return engine_->SeriesState(index_).Title(); }
void ChartSeries::SetTitle(const QString& title) {
  RedrawIfChanged(*engine_, engine_->SeriesState(index_).SetTitle(title));
}

SeriesPointer& ChartSeries::Pointer() { return pointer_; }
const SeriesPointer& ChartSeries::Pointer() const { return pointer_; }
SeriesLinePen& ChartSeries::LinePen() { return linePen_; }
const SeriesLinePen& ChartSeries::LinePen() const { return linePen_; }

PointerStyle SeriesPointer::Style() const { return engine_->SeriesState(index_).Pointer(); }
void SeriesPointer::SetStyle(PointerStyle style) {
  RedrawIfChanged(*engine_, engine_->SeriesState(index_).SetPointer(style));
}
bool SeriesPointer::Visible() const { return engine_->SeriesState(index_).PointerVisible(); }
void SeriesPointer::SetVisible(bool value) {
  RedrawIfChanged(*engine_, engine_->SeriesState(index_).SetPointerVisible(value));
}

bool SeriesLinePen::Visible() const { return engine_->SeriesState(index_).LineVisible(); }
void SeriesLinePen::SetVisible(bool value) {
  RedrawIfChanged(*engine_, engine_->SeriesState(index_).SetLineVisible(value));
}

// ---------------------------------------------------------------------------------------------
// Legend and canvas

PixelRect ChartLegend::GetRectLegend() const { return engine_->LegendRect(); }
void ChartLegend::SetMinimumWidth(int pixels) { engine_->SetLegendMinimumWidth(pixels); }

ChartCanvas::ChartCanvas(ChartEngine& engine) : engine_(&engine), pen_(engine), font_(engine) {}

CanvasPen& ChartCanvas::Pen() { return pen_; }
CanvasFont& ChartCanvas::Font() { return font_; }
void ChartCanvas::MoveTo(int x, int y) { engine_->CanvasState().MoveTo(QPoint(x, y)); }
void ChartCanvas::LineTo(int x, int y) { engine_->CanvasLineTo(x, y); }
void ChartCanvas::TextOut(int x, int y, const QString& s) { engine_->CanvasTextOut(x, y, s); }
int ChartCanvas::TextWidth(const QString& s) const {
  return QFontMetrics(engine_->CanvasFont()).horizontalAdvance(s);
}
int ChartCanvas::TextHeight(const QString&) const { return QFontMetrics(engine_->CanvasFont()).height(); }

PenMode CanvasPen::Mode() const { return engine_->CanvasState().Mode(); }
void CanvasPen::SetMode(PenMode mode) { engine_->CanvasState().SetMode(mode); }
int CanvasPen::Width() const { return engine_->CanvasState().PenWidth(); }
void CanvasPen::SetWidth(int width) { engine_->CanvasState().SetPenWidth(width); }
QColor CanvasPen::Color() const { return engine_->CanvasState().PenColor(); }
void CanvasPen::SetColor(const QColor& color) { engine_->CanvasState().SetPenColor(color); }

FontStyles CanvasFont::Style() const { return engine_->CanvasState().FontStyle(); }
void CanvasFont::SetStyle(FontStyles style) { engine_->CanvasState().SetFontStyle(style); }
int CanvasFont::Height() const { return engine_->CanvasState().FontHeight(); }
void CanvasFont::SetHeight(int height) { engine_->CanvasState().SetFontHeight(height); }
QColor CanvasFont::Color() const { return engine_->CanvasState().FontColor(); }
void CanvasFont::SetColor(const QColor& color) { engine_->CanvasState().SetFontColor(color); }

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
void Chart::SaveToBitmapFile(const QString& fileName) {
  const QByteArray bytes = ImageFileBytes(ChartImageFormat::Bmp);
  WriteFileReplacing(QFile::encodeName(fileName).toStdString(), std::string_view(bytes.constData(), bytes.size()));
}

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
  if (format == ChartImageFormat::Png) return EncodePng(picture);
  // The chart's own pictures go to the writer as they lie, without a converted copy.
  QImage image = Rgb32Pixels(picture);
  image.setDevicePixelRatio(1.0);
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

PictureBlocks::Preparation Chart::PrepareSparePicture() { return engine_->PrepareSparePicture(); }

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
