#include "ui/chart/ChartEngine.h"

#include "ui/chart/AxisScale.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QScreen>
#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <stdexcept>

namespace erp::ui {

namespace {

// The chart's look (pixels unless said otherwise).
constexpr double kTopMarginPercent = 5.0;
constexpr double kBottomMarginPercent = 13.0;
constexpr double kLeftMarginPercent = 1.0;
constexpr double kRightMarginPercent = 1.0;
constexpr int kTitleBand = 16;        // room above the plot kept by the (empty) chart title
constexpr int kLabelPadding = 3;      // between the ticks and the labels of an axis
constexpr int kLegendSpace = 24;      // between the plot and the legend (room for a checkbox column)
constexpr int kLegendPadding = 4;     // inside the legend frame, left of the samples
constexpr int kLegendTitlePadding = 8;  // inside the legend frame, right of the longest title
constexpr int kLegendSampleWidth = 50;
constexpr int kLegendSampleGap = 4;   // between the sample and the title
constexpr int kLegendRowExtra = 4;    // added to the title's line height for a legend row
constexpr int kLegendFontPixels = 13;
// The widest a legend title is drawn: about 30 characters, and at most a fifth of the chart, so
// that a long title cannot squeeze the plot; a longer one ends in "…" (the series keeps it whole).
constexpr int kLegendTitleMaxWidth = 220;
constexpr int kLegendTitleMaxShare = 5;
constexpr double kMarkerSize = 8.0;   // marker width and height, outline excluded
constexpr int kMarkerRoom = 5;        // half a marker with its outline: room an automatic end keeps
constexpr double kBottomAxisStart = 0.01;  // the bottom axis starts 1 % into the plot width
constexpr int kReferenceDpi = 96;     // pixels per inch of font sizes in points
constexpr int kLinePiece = 32;        // logical pixels of one piece of a long straight canvas line

const QColor kSilver(192, 192, 192);
const QColor kGridGrey(128, 128, 128);

// Runs an event handler; an exception it lets escape stops here and goes to the Qt warning log
// (see Chart.h). False when one escaped.
template <class Call>
bool CallLoggingEscapes(const char* event, Call&& call) noexcept {
  try {
    call();
    return true;
  } catch (const std::exception& e) {
    qWarning("Chart %s handler failed: %s", event, e.what());
  } catch (...) {
    qWarning("Chart %s handler failed", event);
  }
  return false;
}

bool InRange(double v, double lo, double hi) {
  const double eps = std::max(hi - lo, std::abs(lo) * 1e-3) * 1e-9;
  return v >= lo - eps && v <= hi + eps;
}

QFont PixelFont(int pixels, bool bold) {
  QFont font;
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// Width and height of a (possibly multi-line) label as the axis draws it.
QSize LabelSize(const QFontMetrics& metrics, const QString& text) {
  return metrics.boundingRect(0, 0, 0, 0, Qt::TextDontClip | Qt::AlignHCenter, text).size();
}

// The bottom axis: date-time values, a bold label font, one day from 0.
AxisModel BottomAxisModel() {
  AxisModel::Look look;
  look.dateTime = true;
  look.labelFont = PixelFont(13, true);
  look.separationPercent = 10.0;
  look.startFraction = kBottomAxisStart;
  look.tickLength = 4;
  look.minorTickLength = 4;
  return AxisModel(look, 0.0, 1.0, 1.0, 0);
}

// The left axis: numbers, nine minor ticks between labels.
AxisModel LeftAxisModel() {
  AxisModel::Look look;
  look.dateTime = false;
  look.labelFont = PixelFont(11, false);
  look.separationPercent = 100.0;
  look.tickLength = 6;
  look.minorTickLength = 5;
  return AxisModel(look, -0.0015, 0.0085, 0.001, 9);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Plot items.

// The drawing surface: QCustomPlot whose picture is drawn by the engine into one image; the
// widget shows that image, so drawing on it (the canvas) needs no redraw of the plot.
class PlotSurface : public QCustomPlot {
 public:
  PlotSurface(ChartEngine& engine, QWidget* parent) : QCustomPlot(parent), engine_(engine) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("ChartSurface"));
    // The library never draws on its own: its replot (queued by its constructor, and by nothing
    // else here) would set up its layer buffers at the widget's size and draw the whole chart
    // into them, for nobody, since the widget shows the engine's picture. A replot that finds one
    // under way returns at once.
    mReplotting = true;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QImage& picture = engine_.Picture();
    if (picture.isNull()) {
      painter.fillRect(rect(), Qt::white);
      return;
    }
    painter.drawImage(QPoint(0, 0), picture);
    const QSize shown = picture.deviceIndependentSize().toSize();
    if (shown.width() < width()) painter.fillRect(shown.width(), 0, width() - shown.width(), height(), Qt::white);
    if (shown.height() < height()) painter.fillRect(0, shown.height(), width(), height() - shown.height(), Qt::white);
  }
  void resizeEvent(QResizeEvent*) override {
    setViewport(rect());
    engine_.DrawFromEvent();
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    engine_.MouseMoved(event->modifiers(), event->position().toPoint());
  }
  // The plot has no interactions: clicks and the wheel must not start the library's own
  // selection handling and redraws, so the library's handlers are passed over on purpose.
  // NOLINTBEGIN(bugprone-parent-virtual-call)
  void mousePressEvent(QMouseEvent* event) override { QWidget::mousePressEvent(event); }
  void mouseReleaseEvent(QMouseEvent* event) override { QWidget::mouseReleaseEvent(event); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { QWidget::mouseDoubleClickEvent(event); }
  void wheelEvent(QWheelEvent* event) override { QWidget::wheelEvent(event); }
  // NOLINTEND(bugprone-parent-virtual-call)

 private:
  ChartEngine& engine_;
};

// Ticks, minor ticks and labels decided by the layout of the drawing.
class LabelTicker : public QCPAxisTicker {
 public:
  QVector<double> ticks;
  QVector<double> minorTicks;
  QVector<QString> labels;

  void generate(const QCPRange&, const QLocale&, QChar, int, QVector<double>& outTicks,
                QVector<double>* outMinorTicks, QVector<QString>* outLabels) override {
    outTicks = ticks;
    if (outMinorTicks) *outMinorTicks = minorTicks;
    if (outLabels) *outLabels = labels;
  }
};

// The chart's background: a radial gradient from silver in the centre to white at the edges.
class BackgroundItem : public QCPLayerable {
 public:
  BackgroundItem(QCustomPlot* plot, const QString& layer) : QCPLayerable(plot, layer) {}

 protected:
  void applyDefaultAntialiasingHint(QCPPainter* painter) const override { painter->setAntialiasing(false); }
  void draw(QCPPainter* painter) override {
    const QRect area = mParentPlot->viewport();
    // Into a picture pixel for pixel, the gradient of one size is drawn once into a picture of its
    // own and copied from there after: the same pixels (an opaque fill replaces what lies under
    // it) at a twentieth of the cost. A chart in a window keeps it from its third drawing in a row
    // at one size, so that the window settling to its size at start-up (drawn twice at some sizes)
    // makes none; a chart that is never shown (the batch export's, drawn again and again at one
    // size) keeps it at once. Any other device (a scaled picture, SVG, PDF) gets the fill.
    drawingsAtSize_ = area.size() == drawnSize_ ? drawingsAtSize_ + 1 : 1;
    drawnSize_ = area.size();
    if (filled_.size() != area.size()) filled_ = QImage();
    const QPaintDevice* device = painter->device();
    const auto* picture = device && device->devType() == QInternal::Image ? static_cast<const QImage*>(device) : nullptr;
    if (picture && picture->format() == QImage::Format_ARGB32_Premultiplied && painter->deviceTransform().isIdentity() &&
        painter->compositionMode() == QPainter::CompositionMode_SourceOver && !area.isEmpty() &&
        (drawingsAtSize_ >= 3 || !mParentPlot->window()->testAttribute(Qt::WA_WState_ExplicitShowHide))) {
      if (filled_.isNull()) {
        const QRect own(QPoint(0, 0), area.size());
        filled_ = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter fill(&filled_);
        fill.fillRect(own, Gradient(own));
      }
      painter->drawImage(area.topLeft(), filled_);
      return;
    }
    painter->fillRect(area, Gradient(area));
  }

 private:
  static QRadialGradient Gradient(const QRect& area) {
    const QPointF centre = QRectF(area).center();
    const double radius = std::hypot(area.width(), area.height()) / 2.0;
    QRadialGradient gradient(centre, std::max(radius, 1.0));
    gradient.setColorAt(0.0, kSilver);
    gradient.setColorAt(1.0, Qt::white);
    return gradient;
  }

  QImage filled_;             // the gradient at drawnSize_, once kept
  QSize drawnSize_;           // the size of the last drawing
  int drawingsAtSize_ = 0;    // drawings in a row at that size
};

// Calls OnBeforeDrawAxes under the axes, with the canvas drawing into the drawing under way.
class BeforeAxesItem : public QCPLayerable {
 public:
  BeforeAxesItem(QCustomPlot* plot, const QString& layer, ChartEngine& engine)
      : QCPLayerable(plot, layer), engine_(engine) {}

 protected:
  void applyDefaultAntialiasingHint(QCPPainter* painter) const override { painter->setAntialiasing(false); }
  void draw(QCPPainter* painter) override { engine_.RunBeforeDrawAxes(painter); }

 private:
  ChartEngine& engine_;
};

class LegendItem : public QCPLayerable {
 public:
  LegendItem(QCustomPlot* plot, const QString& layer, const ChartEngine& engine)
      : QCPLayerable(plot, layer), engine_(engine) {}

 protected:
  void applyDefaultAntialiasingHint(QCPPainter* painter) const override { painter->setAntialiasing(false); }
  void draw(QCPPainter* painter) override { engine_.DrawLegend(painter); }

 private:
  const ChartEngine& engine_;
};

// ---------------------------------------------------------------------------------------------

ChartEngine::ChartEngine(Chart& chart)
    : chart_(chart),
      axes_{BottomAxisModel(), LeftAxisModel()},
      legend_(*this),
      canvas_(*this),
      legendFont_(PixelFont(kLegendFontPixels, false)) {
  surface_ = new PlotSurface(*this, &chart);
  surface_->setGeometry(chart.rect());
  surface_->lower();
  surface_->setLocale(QLocale::c());
  surface_->setBackground(QBrush(Qt::NoBrush));
  surface_->setNotAntialiasedElements(QCP::aeAll);
  surface_->legend->setVisible(false);

  QCustomPlot* plot = surface_;
  plot->addLayer(QStringLiteral("chartBackground"), plot->layer(QStringLiteral("background")), QCustomPlot::limBelow);
  plot->addLayer(QStringLiteral("beforeAxes"), plot->layer(QStringLiteral("background")), QCustomPlot::limAbove);
  new BackgroundItem(plot, QStringLiteral("chartBackground"));
  new BeforeAxesItem(plot, QStringLiteral("beforeAxes"), *this);
  new LegendItem(plot, QStringLiteral("legend"), *this);

  QCPAxisRect* rect = plot->axisRect();
  rect->setAutoMargins(QCP::msNone);
  rect->setBackground(QBrush(Qt::white));  // the back wall

  for (int i = 0; i < 2; ++i) {
    axisObjects_[static_cast<std::size_t>(i)].reset(new ChartAxis(*this, i));
    tickers_[static_cast<std::size_t>(i)] = QSharedPointer<LabelTicker>::create();
    const AxisModel::Look& look = axes_[static_cast<std::size_t>(i)].GetLook();
    QCPAxis* axis = i == Bottom ? plot->xAxis : plot->yAxis;
    axis->setTicker(tickers_[static_cast<std::size_t>(i)]);
    axis->setNumberFormat(QStringLiteral("f"));  // no exponent rewriting of the label texts
    axis->setTickLengthIn(0);
    axis->setTickLengthOut(look.tickLength);
    axis->setSubTickLengthIn(0);
    axis->setSubTickLengthOut(look.minorTickLength);
    axis->setTickPen(QPen(Qt::black, 2));
    axis->setSubTickPen(QPen(Qt::black, i == Bottom ? 1 : 2));
    axis->setBasePen(QPen(Qt::black, 1));
    axis->setTickLabelFont(look.labelFont);
    axis->setTickLabelColor(Qt::black);
    axis->setTickLabelPadding(kLabelPadding);
    axis->setPadding(0);
    axis->setOffset(0);
    axis->grid()->setPen(QPen(kGridGrey, 1, Qt::DashDotDotLine));
    axis->grid()->setSubGridVisible(false);
    axis->grid()->setZeroLinePen(Qt::NoPen);
  }
  plot->xAxis2->setVisible(false);
  plot->yAxis2->setVisible(false);

  // Series1 marks its points with squares, the others with diamonds. Nothing is drawn yet, so
  // there is no redraw to ask for.
  static_cast<void>(series_[0].SetPointer(PointerStyle::Rectangle));
  for (int i = 0; i < Chart::SeriesCount; ++i) {
    QCPGraph*& graph = graphs_[static_cast<std::size_t>(i)];
    graph = plot->addGraph(plot->xAxis, plot->yAxis);
    graph->setAdaptiveSampling(false);
    seriesObjects_[static_cast<std::size_t>(i)].reset(new ChartSeries(*this, i));
  }
}

ChartEngine::~ChartEngine() = default;

QWidget* ChartEngine::SurfaceWidget() const { return surface_; }

void ChartEngine::Changed() {
  if (pending_) return;
  pending_ = true;
  QMetaObject::invokeMethod(
      surface_, [this] { if (pending_) DrawFromEvent(); }, Qt::QueuedConnection);
}

void ChartEngine::DrawFromEvent() noexcept {
  CallLoggingEscapes("drawing", [this] { Draw(); });
}

// ---------------------------------------------------------------------------------------------
// Drawing.

QSize ChartEngine::PictureSize() const {
  const double ratio = surface_->devicePixelRatioF();
  return {static_cast<int>(std::ceil(std::max(1, chart_.width()) * ratio)),
          static_cast<int>(std::ceil(std::max(1, chart_.height()) * ratio))};
}

QSize ChartEngine::PictureReserve() const {
  const QScreen* screen = surface_->screen();
  return screen ? (QSizeF(screen->size()) * surface_->devicePixelRatioF()).toSize() : QSize();
}

PictureBlocks::Preparation ChartEngine::PrepareSparePicture() {
  return pictureBlocks_.Prepare(PictureSize(), PictureReserve());
}

void ChartEngine::Draw() {
  if (drawing_) {
    Changed();
    return;
  }
  drawing_ = true;
  pending_ = false;
  struct DrawingEnds {
    bool& flag;
    ~DrawingEnds() { flag = false; }
  } drawingEnds{drawing_};

  if (surface_->geometry() != chart_.rect()) surface_->setGeometry(chart_.rect());
  const int width = std::max(1, chart_.width());
  const int height = std::max(1, chart_.height());
  const double ratio = surface_->devicePixelRatioF();
  surface_->setViewport(QRect(0, 0, width, height));

  Layout(width, height);
  PushSeries();

  // A picture that nobody else holds (an encoder or a caller of Picture()) is drawn over at the
  // same size; at another size the new picture takes the memory of the old one when it fits
  // (PictureBlocks): pages in use already, where a new picture of some megabytes starts on pages
  // the system has to fault in and clear. Another holder lets go on its own thread; the fence
  // orders its last reads of the pixels before this drawing's writes.
  const QSize size = PictureSize();
  QImage picture;
  if (picture_.size() == size && picture_.isDetached()) {
    std::atomic_thread_fence(std::memory_order_acquire);
    picture = std::move(picture_);
  } else {
    if (picture_.isDetached()) picture_ = QImage();
    picture = pictureBlocks_.Take(size, PictureReserve());
  }
  picture.setDevicePixelRatio(ratio);
  // The background paints the picture opaquely but for its last row, which QCustomPlot's layers
  // leave out (each is clipped one pixel up): only that row is filled white first, not the whole
  // picture (about 0.2 ms at 1920 x 1080). At another pixel ratio the background's edge may fall
  // between device pixels, and the whole picture is filled.
  if (ratio == 1.0) {
    auto* const lastRow = reinterpret_cast<QRgb*>(picture.scanLine(picture.height() - 1));
    std::fill_n(lastRow, picture.width(), QColor(Qt::white).rgba());
  } else {
    picture.fill(Qt::white);
  }
  {
    QCPPainter painter(&picture);
    surface_->toPainter(&painter, width, height);
  }
  picture_ = std::move(picture);
  hasDrawn_ = true;

  if (onAfterDraw_) CallLoggingEscapes("OnAfterDraw", onAfterDraw_);
  surface_->update();
}

void ChartEngine::Layout(int width, int height) {
  AxisModel& bottom = axes_[Bottom];
  AxisModel& left = axes_[Left];

  // Heights first: they depend on nothing drawn.
  const int top = static_cast<int>(std::lround(height * kTopMarginPercent / 100.0)) + kTitleBand;
  const int bottomMargin = static_cast<int>(std::lround(height * kBottomMarginPercent / 100.0));
  const int leftMargin = static_cast<int>(std::lround(width * kLeftMarginPercent / 100.0));
  const int rightMargin = static_cast<int>(std::lround(width * kRightMarginPercent / 100.0));
  int bottomBand = std::max(bottom.GetLook().tickLength, bottom.GetLook().minorTickLength);
  if (bottom.Labels()) {
    QString sample = FormatDateTime(bottom.Maximum(), bottom.DateTimeFormat(), QLocale());
    if (bottom.LabelsMultiLine()) sample = MultiLineLabel(sample);
    bottomBand += kLabelPadding + LabelSize(QFontMetrics(bottom.GetLook().labelFont), sample).height();
  }
  const int plotTop = top;
  const int plotBottom = std::max(plotTop + 1, height - bottomMargin - bottomBand);

  // The left axis: its range and labels fix the width of its label band.
  ApplyAutomatic(left, Left, plotBottom - plotTop);
  left.SetLengthPx(plotBottom - plotTop);
  MakeLabels(Left);
  int leftBand = std::max(left.GetLook().tickLength, left.GetLook().minorTickLength);
  if (left.Labels()) {
    const QFontMetrics metrics(left.GetLook().labelFont);
    int widest = 0;
    for (const AxisLabel& label : left.DrawnLabels()) widest = std::max(widest, LabelSize(metrics, label.Text).width());
    leftBand += kLabelPadding + widest;
  }

  // The legend: right of the plot, from its top, fifteen rows of one height.
  const QFontMetrics legendMetrics(legendFont_);
  legendRowHeight_ = std::max(legendMetrics.height(), static_cast<int>(kMarkerSize) + 2) + kLegendRowExtra;
  legendTitleWidth_ = std::min(kLegendTitleMaxWidth, width / kLegendTitleMaxShare);
  int widestTitle = 0;
  for (const SeriesModel& s : series_) {
    widestTitle = std::max(widestTitle, legendMetrics.horizontalAdvance(LegendTitle(legendMetrics, s)));
  }
  const int legendWidth = std::max(legendMinimumWidth_,
                                   kLegendPadding + kLegendSampleWidth + kLegendSampleGap + widestTitle + kLegendTitlePadding);
  legendRect_.Right = width - rightMargin;
  legendRect_.Left = legendRect_.Right - legendWidth;
  legendRect_.Top = plotTop;
  legendRect_.Bottom = plotTop + Chart::SeriesCount * legendRowHeight_;

  const int plotLeft = leftMargin + leftBand;
  const int plotRight = std::max(plotLeft + 1, legendRect_.Left - kLegendSpace);
  chartRect_ = PixelRect{plotLeft, plotTop, plotRight, plotBottom};

  // The bottom axis, now that the plot width is known.
  bottom.SetLengthPx((plotRight - plotLeft) * (1.0 - bottom.GetLook().startFraction));
  ApplyAutomatic(bottom, Bottom, bottom.LengthPx());
  MakeLabels(Bottom);

  QCPAxisRect* rect = surface_->axisRect();
  rect->setMargins(QMargins(plotLeft, plotTop, width - plotRight, height - plotBottom));
  PushAxis(Bottom, surface_->xAxis);
  PushAxis(Left, surface_->yAxis);
}

void ChartEngine::ApplyAutomatic(AxisModel& axis, int index, double lengthPx) {
  const bool automaticMinimum = axis.Automatic() || axis.AutomaticMinimum();
  const bool automaticMaximum = axis.Automatic() || axis.AutomaticMaximum();
  double drawnMinimum = axis.Minimum();
  double drawnMaximum = axis.Maximum();
  if (automaticMinimum || automaticMaximum) {
    bool any = false;
    bool markers = false;
    double lo = 0.0;
    double hi = 0.0;
    for (const SeriesModel& s : series_) {
      if (s.Points().empty()) continue;
      const double sLo = index == Bottom ? s.Points().front().x : s.MinY();
      const double sHi = index == Bottom ? s.Points().back().x : s.MaxY();
      lo = any ? std::min(lo, sLo) : sLo;
      hi = any ? std::max(hi, sHi) : sHi;
      any = true;
      markers = markers || s.PointerVisible();
    }
    if (any) {
      // Room for the markers, as a part of the axis length.
      double room = markers && lengthPx > 0.0 ? kMarkerRoom / lengthPx : 0.0;
      if (room >= 0.25) room = 0.0;
      double minimum = drawnMinimum;
      double maximum = drawnMaximum;
      if (automaticMinimum && automaticMaximum) {
        const double span = (hi - lo) / (1.0 - 2.0 * room);
        minimum = lo - room * span;
        maximum = hi + room * span;
        if (!(maximum > minimum)) {
          minimum = lo - 1.0;
          maximum = hi + 1.0;
        }
      } else if (automaticMinimum) {
        minimum = (lo - room * maximum) / (1.0 - room);
      } else {
        maximum = (hi - room * minimum) / (1.0 - room);
      }
      if (minimum <= maximum && std::isfinite(minimum) && std::isfinite(maximum)) {
        drawnMinimum = minimum;
        drawnMaximum = maximum;
      }
    }
  }
  axis.SetDrawnRange(drawnMinimum, drawnMaximum);
}

void ChartEngine::MakeLabels(int index) {
  AxisModel& axis = axes_[static_cast<std::size_t>(index)];
  const double lo = axis.DrawnMinimum();
  const double hi = axis.DrawnMaximum();
  std::vector<double> values;
  bool custom = false;

  if (onGetNextAxisLabel_) {
    ChartAxis& sender = Axis(index);
    double value = lo;
    bool stop = true;
    if (!CallLoggingEscapes("OnGetNextAxisLabel", [&] { onGetNextAxisLabel_(sender, 0, value, stop); })) {
      value = lo;
      stop = true;
    }
    custom = !stop;
    for (int labelIndex = 1; !stop; ++labelIndex) {
      if (!InRange(value, lo, hi) || values.size() >= static_cast<std::size_t>(MaxAxisLabels)) break;
      values.push_back(value);
      stop = true;
      if (!CallLoggingEscapes("OnGetNextAxisLabel", [&] { onGetNextAxisLabel_(sender, labelIndex, value, stop); })) break;
    }
  }

  const auto text = [&axis](double v) {
    if (!axis.IsDateTime()) return FormatAxisNumber(v);
    const QString date = FormatDateTime(v, axis.DateTimeFormat(), QLocale());
    return axis.LabelsMultiLine() ? MultiLineLabel(date) : date;
  };

  double step = axis.Increment();
  if (!custom) {
    int labelSize = FontSizeInPoints(axis.GetLook().labelFont) + 6;
    if (axis.IsDateTime()) {
      // The widest label text at the desired step decides whether the labels fit.
      const double desired = axis.Increment() > 0.0 ? axis.Increment() : (hi - lo) / 10.0;
      const std::vector<double> sample = DefaultLabelValues(lo, hi, desired, true);
      const QFontMetrics metrics(axis.GetLook().labelFont);
      labelSize = LabelSize(metrics, text(lo)).width();
      for (std::size_t i = 0; i < sample.size() && i < 64; ++i) {
        labelSize = std::max(labelSize, LabelSize(metrics, text(sample[i])).width());
      }
    }
    step = EnlargedIncrement(axis.Increment(), hi - lo, axis.LengthPx(), labelSize, axis.GetLook().separationPercent,
                             axis.IsDateTime());
    values = DefaultLabelValues(lo, hi, step, axis.IsDateTime());
  }

  std::vector<AxisLabel> labels;
  labels.reserve(values.size());
  for (const double v : values) labels.push_back(AxisLabel{v, text(v)});
  axis.SetDrawnLabels(std::move(labels));

  const double gap = step > 0.0 ? step : hi - lo;
  const std::vector<double> minor = MinorTickValues(values, axis.MinorTickCount(), lo, hi, gap);
  LabelTicker& ticker = *tickers_[static_cast<std::size_t>(index)];
  ticker.ticks = QVector<double>(values.begin(), values.end());
  ticker.minorTicks = QVector<double>(minor.begin(), minor.end());
  ticker.labels.clear();
  for (const AxisLabel& label : axis.DrawnLabels()) ticker.labels.push_back(label.Text);
}

void ChartEngine::PushAxis(int index, QCPAxis* plotAxis) {
  const AxisModel& axis = axes_[static_cast<std::size_t>(index)];
  double lo = axis.DrawnMinimum();
  double hi = axis.DrawnMaximum();
  if (!(hi - lo > std::abs(lo) * 1e-12)) {  // an empty range still needs a scale
    lo -= 0.5;
    hi += 0.5;
  }
  const double startFraction = axis.GetLook().startFraction;
  if (startFraction > 0.0) lo -= (hi - lo) * startFraction / (1.0 - startFraction);
  plotAxis->setRange(lo, hi);
  plotAxis->setTickLabels(axis.Labels());
}

void ChartEngine::PushSeries() {
  for (std::size_t i = 0; i < series_.size(); ++i) {
    SeriesModel& s = series_[i];
    QCPGraph* graph = graphs_[i];
    if (s.TakePointsChanged()) {
      QVector<QCPGraphData> data;
      data.reserve(static_cast<qsizetype>(s.Points().size()));
      for (const SeriesModel::Point& p : s.Points()) data.push_back(QCPGraphData(p.x, p.y));
      graph->data()->set(data, true);
    }
    graph->setPen(QPen(s.Color(), 1));
    graph->setLineStyle(s.LineVisible() ? QCPGraph::lsLine : QCPGraph::lsNone);
    graph->setScatterStyle(MarkerStyle(s));
  }
}

QCPScatterStyle ChartEngine::MarkerStyle(const SeriesModel& series) const {
  if (!series.PointerVisible()) return QCPScatterStyle(QCPScatterStyle::ssNone);
  QCPScatterStyle::ScatterShape shape = QCPScatterStyle::ssDiamond;
  switch (series.Pointer()) {
    case PointerStyle::Rectangle: shape = QCPScatterStyle::ssSquare; break;
    case PointerStyle::Circle: shape = QCPScatterStyle::ssCircle; break;
    case PointerStyle::Triangle: shape = QCPScatterStyle::ssTriangle; break;
    case PointerStyle::Diamond: shape = QCPScatterStyle::ssDiamond; break;
  }
  return QCPScatterStyle(shape, QPen(Qt::black, 1), QBrush(series.Color()), kMarkerSize);
}

void ChartEngine::RunBeforeDrawAxes(QCPPainter* painter) {
  if (!onBeforeDrawAxes_) return;
  drawingPainter_ = painter;
  CallLoggingEscapes("OnBeforeDrawAxes", onBeforeDrawAxes_);
  drawingPainter_ = nullptr;
}

void ChartEngine::SetLegendMinimumWidth(int pixels) {
  if (pixels == legendMinimumWidth_) return;
  legendMinimumWidth_ = pixels;
  Changed();
}

void ChartEngine::DrawLegend(QCPPainter* painter) const {
  const QRect frame = legendRect_.ToQRect();
  painter->setPen(QPen(Qt::black, 1));
  painter->setBrush(Qt::white);
  painter->drawRect(frame.adjusted(0, 0, -1, -1));
  painter->setFont(legendFont_);
  const QFontMetrics metrics(legendFont_);
  const int sampleLeft = frame.left() + kLegendPadding;
  const int titleLeft = sampleLeft + kLegendSampleWidth + kLegendSampleGap;
  for (int i = 0; i < Chart::SeriesCount; ++i) {
    const SeriesModel& s = series_[static_cast<std::size_t>(i)];
    const int rowTop = frame.top() + i * legendRowHeight_;
    const int middle = rowTop + legendRowHeight_ / 2;
    if (s.LineVisible()) {
      painter->setPen(QPen(s.Color(), 1));
      painter->drawLine(QLineF(sampleLeft, middle, sampleLeft + kLegendSampleWidth, middle));
    }
    if (s.PointerVisible()) {
      const QCPScatterStyle marker = MarkerStyle(s);
      marker.applyTo(painter, QPen(s.Color()));
      marker.drawShape(painter, sampleLeft + kLegendSampleWidth / 2.0, middle);
    }
    painter->setPen(Qt::black);
    painter->setBrush(Qt::NoBrush);
    painter->drawText(QPoint(titleLeft, middle - metrics.height() / 2 + metrics.ascent()), LegendTitle(metrics, s));
  }
}

QString ChartEngine::LegendTitle(const QFontMetrics& metrics, const SeriesModel& series) const {
  return metrics.elidedText(series.Title(), Qt::ElideRight, legendTitleWidth_);
}

// ---------------------------------------------------------------------------------------------
// Scales.

double ChartEngine::CalcPosPoint(int index, int pixel) const {
  if (!hasDrawn_) return 0.0;
  const QCPAxis* axis = index == Bottom ? surface_->xAxis : surface_->yAxis;
  return axis->pixelToCoord(pixel);
}

int ChartEngine::CalcPosValue(int index, double value) const {
  if (!hasDrawn_) return 0;
  const QCPAxis* axis = index == Bottom ? surface_->xAxis : surface_->yAxis;
  return static_cast<int>(std::lround(axis->coordToPixel(value)));
}

double ChartEngine::CalcXYIncrement(int index, int labelSize) const {
  const AxisModel& axis = axes_[static_cast<std::size_t>(index)];
  return EnlargedIncrement(axis.Increment(), axis.DrawnMaximum() - axis.DrawnMinimum(), axis.LengthPx(), labelSize,
                           axis.GetLook().separationPercent, axis.IsDateTime());
}

int ChartEngine::FontSizeInPoints(const QFont& font) {
  if (font.pixelSize() > 0) return static_cast<int>(std::lround(font.pixelSize() * 72.0 / kReferenceDpi));
  return static_cast<int>(std::lround(font.pointSizeF()));
}

// ---------------------------------------------------------------------------------------------
// Canvas.

QFont ChartEngine::CanvasFont() const {
  QFont font;
  const FontStyles style = canvasState_.FontStyle();
  font.setBold(style.Bold);
  font.setItalic(style.Italic);
  font.setUnderline(style.Underline);
  font.setStrikeOut(style.StrikeOut);
  const int height = canvasState_.FontHeight();
  if (height < 0) {
    font.setPixelSize(-height);  // character height
  } else {
    // Cell height: the largest pixel size whose line height does not exceed it.
    int pixels = std::max(1, height);
    font.setPixelSize(pixels);
    while (pixels > 1 && QFontMetrics(font).height() > height) font.setPixelSize(--pixels);
  }
  return font;
}

template <class Paint>
void ChartEngine::PaintOnCanvas(Paint&& paint, const QRect& dirty) {
  if (drawingPainter_) {
    drawingPainter_->save();
    paint(static_cast<QPainter&>(*drawingPainter_));
    drawingPainter_->restore();
    return;
  }
  if (picture_.isNull()) return;
  {
    QPainter painter(&picture_);
    paint(painter);
  }
  // Only the pixels drawn are shown again: a crosshair costs two thin strips, not the picture.
  if (dirty.isNull()) {
    surface_->update();
  } else {
    surface_->update(dirty);
  }
}

void ChartEngine::CanvasLineTo(int x, int y) {
  const QPoint from = canvasState_.PenPosition();
  const QPoint to(x, y);
  canvasState_.MoveTo(to);
  const int penWidth = canvasState_.PenWidth();
  PaintOnCanvas([&](QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(canvasState_.PenColor(), std::max(1, canvasState_.PenWidth()));
    pen.setCapStyle(Qt::FlatCap);
    // A one-pixel pen stays one device pixel wide on a high-density screen, as thin as the pointer.
    if (pen.width() == 1) pen.setCosmetic(true);
    painter.setPen(pen);
    if (canvasState_.Mode() == PenMode::Not) painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    const QPoint span = to - from;
    const int length = std::max(std::abs(span.x()), std::abs(span.y()));
    if ((span.x() != 0 && span.y() != 0) || length <= kLinePiece) {
      painter.drawLine(from, to);
      return;
    }
    // A long horizontal or vertical line is drawn in pieces: Qt's raster engine hands a line of
    // more than about a hundred pixels to its worker threads, whose wake-ups cost several times
    // the line itself (a crosshair's mouse move took 0.75 ms instead of 0.15). The flat-capped
    // line leaves out its last pixel, so the pieces meet without a gap or a pixel drawn twice.
    const QPoint step = span * kLinePiece / length;
    for (int done = 0; done < length; done += kLinePiece) {
      const QPoint start = from + step * (done / kLinePiece);
      painter.drawLine(start, done + kLinePiece < length ? start + step : to);
    }
  }, QRect(from, to).normalized().adjusted(-penWidth - 1, -penWidth - 1, penWidth + 1, penWidth + 1));
}

void ChartEngine::CanvasTextOut(int x, int y, const QString& s) {
  const QFont font = CanvasFont();
  PaintOnCanvas([&](QPainter& painter) {
    painter.setFont(font);
    painter.setPen(canvasState_.FontColor());
    painter.drawText(QPoint(x, y + QFontMetrics(font).ascent()), s);
  }, QRect());
}

// ---------------------------------------------------------------------------------------------

void ChartEngine::MouseMoved(Qt::KeyboardModifiers modifiers, QPoint position) {
  if (onMouseMove_) CallLoggingEscapes("OnMouseMove", [&] { onMouseMove_(modifiers, position.x(), position.y()); });
}

QByteArray ChartEngine::VectorImageBytes(ChartImageFormat format) {
  if ((pending_ || !hasDrawn_) && !drawing_) Draw();
  if (!hasDrawn_) throw std::runtime_error("The chart has no picture yet");
  const int width = std::max(1, chart_.width());
  const int height = std::max(1, chart_.height());
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  // The plot draws itself again on a vector device, in chart pixels: the layout of the last
  // drawing is kept, as the size is the same.
  const auto drawOn = [&](QPaintDevice& device) {
    QCPPainter painter;
    if (!painter.begin(&device)) throw std::runtime_error("The chart image cannot be drawn");
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.setWindow(0, 0, width, height);
    surface_->toPainter(&painter, width, height);
    painter.end();
  };
  if (format == ChartImageFormat::Svg) {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(width, height));
    generator.setViewBox(QRect(0, 0, width, height));
    drawOn(generator);
    // XML has no place for control characters, which a series title may bring from series.ini:
    // they are left out of the text, so that the file stays a valid SVG.
    bytes.removeIf([](char c) {
      const auto byte = static_cast<unsigned char>(c);
      return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
    });
  } else {
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    drawOn(writer);
  }
  return bytes;
}

}  // namespace erp::ui
