// The chart widget: the effects of its operations and events as the main window relies on them.
#include "ChartFixture.h"

#include <QCheckBox>
#include <QImageReader>
#include <QPainter>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

using namespace erp::ui;
using namespace chart_test;

namespace {

// One call of OnGetNextAxisLabel as the handler saw it on entry.
struct LabelCall {
  const ChartAxis* axis;
  int index;
  double value;
  bool stop;
};

std::vector<double> LabelValues(const ChartAxis& axis) {
  std::vector<double> values;
  for (const AxisLabel& label : axis.DrawnLabels()) values.push_back(label.Value);
  return values;
}

bool SameValues(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::abs(a[i] - b[i]) > 1e-9 * std::max(1.0, std::abs(b[i]))) return false;
  }
  return true;
}

}  // namespace

class ChartTest : public QObject {
  Q_OBJECT

 private slots:
  // --- Axis ranges -------------------------------------------------------------------------

  void refusals_data() {
    QTest::addColumn<bool>("bottom");
    QTest::newRow("BottomAxis") << true;
    QTest::newRow("LeftAxis") << false;
  }
  void refusals() {
    QFETCH(bool, bottom);
    Chart chart;
    ChartAxis& axis = bottom ? chart.BottomAxis() : chart.LeftAxis();
    axis.SetMaximum(1000000);
    axis.SetMinimum(10);
    axis.SetMaximum(20);
    QCOMPARE(ErrorOf([&] { axis.SetMinimum(20.5); }), "Axis Minimum Value must be <= Maximum");
    QCOMPARE(ErrorOf([&] { axis.SetMaximum(9.5); }), "Axis Maximum Value must be >= Minimum");
    QCOMPARE(axis.Minimum(), 10.0);
    QCOMPARE(axis.Maximum(), 20.0);
    // Equal ends are accepted.
    QCOMPARE(ErrorOf([&] { axis.SetMinimum(20); }), QString());
    QCOMPARE(ErrorOf([&] { axis.SetMaximum(20); }), QString());
    QCOMPARE(ErrorOf([&] { axis.SetIncrement(-1); }), "Axis Increment must be >= 0");
  }

  // Moving a window by a year either way: maximum to a huge value, minimum, maximum is always
  // accepted; setting the new ends directly fails on one side or the other.
  void maximumFirstOrder_data() {
    QTest::addColumn<bool>("bottom");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("shift");
    QTest::addColumn<double>("huge");
    const double start = MonthStart();
    QTest::newRow("time window forward a year") << true << start << start + 28 << 364.0 << 1000000.0;
    QTest::newRow("time window back a year") << true << start << start + 28 << -364.0 << 1000000.0;
    QTest::newRow("value range up") << false << -0.0015 << 0.0085 << 0.5 << 10000000.0;
    QTest::newRow("value range down") << false << -0.0015 << 0.0085 << -0.5 << 10000000.0;
  }
  void maximumFirstOrder() {
    QFETCH(bool, bottom);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, shift);
    QFETCH(double, huge);
    Chart chart;
    ChartAxis& axis = bottom ? chart.BottomAxis() : chart.LeftAxis();
    const auto setRange = [&](double lo, double hi) {
      axis.SetMaximum(huge);
      axis.SetMinimum(lo);
      axis.SetMaximum(hi);
    };
    setRange(min, max);
    QCOMPARE(ErrorOf([&] { setRange(min + shift, max + shift); }), QString());
    QCOMPARE(axis.Minimum(), min + shift);
    QCOMPARE(axis.Maximum(), max + shift);

    setRange(min, max);
    const QString direct = ErrorOf([&] {
      if (shift > 0) {
        axis.SetMinimum(min + shift);
        axis.SetMaximum(max + shift);
      } else {
        axis.SetMaximum(max + shift);
        axis.SetMinimum(min + shift);
      }
    });
    QCOMPARE(direct, shift > 0 ? "Axis Minimum Value must be <= Maximum" : "Axis Maximum Value must be >= Minimum");
  }

  // --- Redraw requests -----------------------------------------------------------------------

  // A changed property asks for one merged redraw, the same value again for none.
  void redrawOnChange() {
    auto chart = MakeChart();
    int drawings = 0;
    chart->SetOnAfterDraw([&] { ++drawings; });
    Settle();
    QCOMPARE(drawings, 0);

    struct Case {
      const char* name;
      std::function<void(Chart&)> set;
    };
    const Case cases[] = {
        {"Minimum", [](Chart& c) { c.BottomAxis().SetMinimum(MonthStart() + 1); }},
        {"Maximum", [](Chart& c) { c.LeftAxis().SetMaximum(0.02); }},
        {"Increment", [](Chart& c) { c.LeftAxis().SetIncrement(0.002); }},
        {"MinorTickCount", [](Chart& c) { c.BottomAxis().SetMinorTickCount(3); }},
        {"Automatic", [](Chart& c) { c.LeftAxis().SetAutomatic(true); }},
        {"AutomaticMinimum", [](Chart& c) { c.BottomAxis().SetAutomaticMinimum(true); }},
        {"Labels", [](Chart& c) { c.LeftAxis().SetLabels(false); }},
        {"LabelsMultiLine", [](Chart& c) { c.BottomAxis().SetLabelsMultiLine(false); }},
        {"DateTimeFormat", [](Chart& c) { c.BottomAxis().SetDateTimeFormat("dd.mm"); }},
        {"SeriesColor", [](Chart& c) { c.SeriesList(2).SetSeriesColor(Qt::red); }},
        {"Title", [](Chart& c) { c.SeriesList(3).SetTitle("IERS"); }},
        {"Pointer.Style", [](Chart& c) { c.SeriesList(4).Pointer().SetStyle(PointerStyle::Circle); }},
        {"Pointer.Visible", [](Chart& c) { c.SeriesList(5).Pointer().SetVisible(false); }},
        {"LinePen.Visible", [](Chart& c) { c.SeriesList(6).LinePen().SetVisible(false); }},
    };
    for (const Case& c : cases) {
      drawings = 0;
      c.set(*chart);
      QVERIFY2(chart->RedrawPending(), c.name);
      c.set(*chart);  // a second change before the redraw runs is merged into it
      Settle();
      QVERIFY2(drawings == 1, c.name);
      c.set(*chart);  // the value it already has
      QVERIFY2(!chart->RedrawPending(), c.name);
      Settle();
      QVERIFY2(drawings == 1, c.name);
    }

    // Points: every added point changes the series; clearing an empty series changes nothing.
    drawings = 0;
    chart->SeriesList(0).AddXY(MonthStart(), 0.001);
    chart->SeriesList(0).AddXY(MonthStart() + 1, 0.002);
    Settle();
    QCOMPARE(drawings, 1);
    chart->SeriesList(0).Clear();
    Settle();
    QCOMPARE(drawings, 2);
    chart->SeriesList(0).Clear();
    QVERIFY(!chart->RedrawPending());
  }

  // The window turns the automatic minimum on after every drawing: that asks for one more
  // drawing, after which nothing changes and the drawings stop.
  void afterDrawDoesNotLoop() {
    auto chart = MakeChart();
    AddDailyPoints(chart->SeriesList(0), MonthStart(), 28, 0.003);
    int drawings = 0;
    chart->SetOnAfterDraw([&] {
      ++drawings;
      chart->BottomAxis().SetAutomaticMinimum(true);
    });
    Settle();
    QCOMPARE(drawings, 2);
    QTest::qWait(50);
    QCOMPARE(drawings, 2);
    QVERIFY(!chart->RedrawPending());
  }

  // --- Automatic ends ------------------------------------------------------------------------

  void automaticMinimum() {
    const double start = MonthStart();
    auto chart = MakeChart();
    ChartAxis& bottom = chart->BottomAxis();
    AddDailyPoints(chart->SeriesList(1), start, 28, 0.003);
    AddDailyPoints(chart->SeriesList(7), start + 2, 20, 0.001);
    bottom.SetAutomaticMinimum(true);
    chart->Redraw();
    // The smallest x less room for the markers: the first marker lies about half a marker
    // (with its outline) inside the axis; the maximum stays as set.
    QVERIFY(bottom.Minimum() < start);
    const int room = bottom.CalcPosValue(start) - bottom.CalcPosValue(bottom.Minimum());
    QVERIFY2(room >= 4 && room <= 6, qPrintable(QString::number(room)));
    QCOMPARE(bottom.Maximum(), start + 28);
    // The drawn labels begin at the axis as drawn.
    QVERIFY(bottom.DrawnLabels().front().Value >= bottom.Minimum());

    // A series that starts earlier moves the axis with it.
    chart->SeriesList(14).AddXY(start - 3, 0.002);
    chart->Redraw();
    QVERIFY(bottom.Minimum() < start - 3);

    // Without markers the axis starts at the smallest x itself.
    for (int i = 0; i < Chart::SeriesCount; ++i) chart->SeriesList(i).Pointer().SetVisible(false);
    chart->Redraw();
    QCOMPARE(bottom.Minimum(), start - 3);

    // No point at all: the minimum last set stays.
    for (int i = 0; i < Chart::SeriesCount; ++i) chart->SeriesList(i).Clear();
    bottom.SetMinimum(start + 7);
    chart->Redraw();
    QCOMPARE(bottom.Minimum(), start + 7);

    // SetAutomatic(false) returns to the explicit range even with points.
    AddDailyPoints(chart->SeriesList(0), start, 28, 0.003);
    bottom.SetAutomatic(false);
    QVERIFY(!bottom.AutomaticMinimum());
    bottom.SetMinimum(start + 1);
    chart->Redraw();
    QCOMPARE(bottom.Minimum(), start + 1);
  }

  void automaticRange() {
    auto chart = MakeChart();
    ChartAxis& left = chart->LeftAxis();
    chart->SeriesList(0).AddXY(MonthStart() + 3, -0.002);
    chart->SeriesList(0).AddXY(MonthStart() + 4, 0.006);
    left.SetAutomatic(true);
    QVERIFY(left.AutomaticMinimum() && left.AutomaticMaximum());
    chart->Redraw();
    QVERIFY(left.Minimum() < -0.002);
    QVERIFY(left.Maximum() > 0.006);
    const int roomBelow = left.CalcPosValue(left.Minimum()) - left.CalcPosValue(-0.002);
    const int roomAbove = left.CalcPosValue(0.006) - left.CalcPosValue(left.Maximum());
    QVERIFY2(roomBelow >= 4 && roomBelow <= 6, qPrintable(QString::number(roomBelow)));
    QVERIFY2(roomAbove >= 4 && roomAbove <= 6, qPrintable(QString::number(roomAbove)));
  }

  // --- Labels --------------------------------------------------------------------------------

  // Stop left true at the first call: default labels, and no further call.
  void nextLabelStopLeftTrue() {
    auto chart = MakeChart();
    chart->Redraw();
    const std::vector<double> defaults = LabelValues(chart->BottomAxis());
    QVERIFY(!defaults.empty());

    std::vector<LabelCall> calls;
    chart->SetOnGetNextAxisLabel([&](ChartAxis& axis, int index, double& value, bool& stop) {
      calls.push_back({&axis, index, value, stop});
    });
    chart->Redraw();
    QCOMPARE(calls.size(), std::size_t{2});  // one per axis
    for (const LabelCall& call : calls) {
      QCOMPARE(call.index, 0);
      QCOMPARE(call.value, call.axis->Minimum());
      QVERIFY(call.stop);
    }
    QVERIFY(SameValues(LabelValues(chart->BottomAxis()), defaults));
  }

  // Each returned value inside the range is labelled and handed back, until one falls outside
  // or stop stays true; the left axis, whose handler returns at once, keeps its default labels.
  void nextLabelSequence_data() {
    QTest::addColumn<int>("stopAt");  // index of the call that leaves stop true, -1 for none
    QTest::addColumn<int>("labels");
    QTest::addColumn<int>("bottomCalls");
    QTest::newRow("until a value falls outside") << -1 << 5 << 6;
    QTest::newRow("until stop stays true") << 3 << 3 << 4;
  }
  void nextLabelSequence() {
    QFETCH(int, stopAt);
    QFETCH(int, labels);
    QFETCH(int, bottomCalls);
    const double start = MonthStart();
    auto chart = MakeChart();
    chart->LeftAxis().SetIncrement(0.001);
    chart->Redraw();
    const std::vector<double> leftDefaults = LabelValues(chart->LeftAxis());

    std::vector<LabelCall> calls;
    chart->SetOnGetNextAxisLabel([&](ChartAxis& axis, int index, double& value, bool& stop) {
      calls.push_back({&axis, index, value, stop});
      if (&axis != &chart->BottomAxis() || index == stopAt) return;
      value = index == 0 ? start : value + 7;
      stop = false;
    });
    chart->Redraw();

    std::vector<LabelCall> bottom;
    std::vector<LabelCall> left;
    for (const LabelCall& call : calls) (call.axis == &chart->BottomAxis() ? bottom : left).push_back(call);
    QCOMPARE(static_cast<int>(bottom.size()), bottomCalls);
    QCOMPARE(bottom[0].value, chart->BottomAxis().Minimum());
    for (int i = 1; i < bottomCalls; ++i) {
      QCOMPARE(bottom[static_cast<std::size_t>(i)].index, i);
      QVERIFY(bottom[static_cast<std::size_t>(i)].stop);
      QCOMPARE(bottom[static_cast<std::size_t>(i)].value, start + 7.0 * (i - 1));  // handed back
    }
    std::vector<double> expected;
    for (int i = 0; i < labels; ++i) expected.push_back(start + 7.0 * i);
    QVERIFY(SameValues(LabelValues(chart->BottomAxis()), expected));
    QCOMPARE(chart->BottomAxis().DrawnLabels().front().Text, "Jul/08\n2013");

    QCOMPARE(left.size(), std::size_t{1});
    QVERIFY(SameValues(LabelValues(chart->LeftAxis()), leftDefaults));
  }

  // The month view's labels: on the Mondays when the automatic minimum with markers starts the
  // axis before the window, from the window start + 7 days when the markers are hidden.
  void weekLabelsFollowAutomaticMinimum() {
    const double start = MonthStart();
    auto chart = MakeChart();
    chart->SetOnGetNextAxisLabel([&](ChartAxis& axis, int, double& value, bool& stop) {
      if (&axis != &chart->BottomAxis()) return;
      if (start > value) value = start;
      else value += 7;
      stop = false;
    });
    AddDailyPoints(chart->SeriesList(0), start, 28, 0.003);
    chart->BottomAxis().SetAutomaticMinimum(true);
    chart->Redraw();
    QVERIFY(SameValues(LabelValues(chart->BottomAxis()), {start, start + 7, start + 14, start + 21, start + 28}));

    chart->SeriesList(0).Pointer().SetVisible(false);
    chart->Redraw();
    QVERIFY(SameValues(LabelValues(chart->BottomAxis()), {start + 7, start + 14, start + 21, start + 28}));
  }

  // The step between value labels for each scale increment and several plot heights: never below
  // the increment, the one drawn, and the smallest ladder step whose labels fit.
  void calcXYIncrement_data() {
    QTest::addColumn<double>("increment");
    QTest::addColumn<int>("height");
    for (const double inc : {0.003, 0.002, 0.001, 0.0005, 0.00025, 0.03, 0.02, 0.01, 0.005, 0.0025}) {
      for (const int height : {260, 400, 615, 1000}) {
        QTest::addRow("%g at %d px", inc, height) << inc << height;
      }
    }
  }
  void calcXYIncrement() {
    QFETCH(double, increment);
    QFETCH(int, height);
    auto chart = MakeChart(882, height);
    ChartAxis& left = chart->LeftAxis();
    // Sixteen grid steps centred on 0, as the densest grid gives.
    left.SetIncrement(increment);
    left.SetMaximum(10000000);
    left.SetMinimum(-8 * increment);
    left.SetMaximum(8 * increment);
    chart->Redraw();

    const int labelSize = left.LabelsFontSize() + 6;
    const double step = left.CalcXYIncrement(labelSize);
    QVERIFY(step >= increment);
    const std::vector<double> drawn = LabelValues(left);
    QVERIFY(drawn.size() >= 2);
    for (std::size_t i = 1; i < drawn.size(); ++i) QVERIFY(std::abs(drawn[i] - drawn[i - 1] - step) < step * 1e-9);

    // The labels with their 100 % separation fit at this step, and at the increment they did not
    // when it was enlarged.
    const double plotHeight = chart->ChartRect().Height();
    QVERIFY(step / (16 * increment) * plotHeight >= 2.0 * labelSize - 1e-6);
    if (step > increment) QVERIFY(increment / (16 * increment) * plotHeight < 2.0 * labelSize);
  }

  void calcXYIncrementEnlargesOnSmallCharts() {
    auto small = MakeChart(882, 260);
    auto large = MakeChart(882, 1000);
    for (Chart* chart : {small.get(), large.get()}) {
      chart->LeftAxis().SetMinimum(-0.004);
      chart->LeftAxis().SetMaximum(0.004);
      chart->LeftAxis().SetIncrement(0.0005);
      chart->Redraw();
    }
    const int size = small->LeftAxis().LabelsFontSize() + 6;
    QVERIFY(small->LeftAxis().CalcXYIncrement(size) > 0.0005);
    QCOMPARE(large->LeftAxis().CalcXYIncrement(size), 0.0005);
  }

  // --- Scales and rectangles -----------------------------------------------------------------

  void calcPosPoint() {
    const double start = MonthStart();
    auto chart = MakeChart();
    chart->Redraw();
    const PixelRect r = chart->ChartRect();
    const ChartAxis& bottom = chart->BottomAxis();
    const ChartAxis& left = chart->LeftAxis();

    // The bottom axis starts 1 % into the plot width and ends at its right edge.
    const double daysPerPixel = 28.0 / (0.99 * r.Width());
    QVERIFY(std::abs(bottom.CalcPosPoint(r.Right) - (start + 28)) < 1e-9);
    QVERIFY(std::abs(bottom.CalcPosPoint(r.Left) - (start - 0.01 * r.Width() * daysPerPixel)) < 1e-9);
    // Linear, also far outside the plot.
    for (const int p : {-500, 0, r.Left, (r.Left + r.Right) / 2, r.Right, chart->width() + 700}) {
      QVERIFY(std::abs(bottom.CalcPosPoint(p) - (start + 28 - (r.Right - p) * daysPerPixel)) < 1e-7);
      QCOMPARE(bottom.CalcPosValue(bottom.CalcPosPoint(p)), p);
    }
    // The left axis grows upwards from the plot's last row.
    const double unitsPerPixel = 0.01 / r.Height();
    for (const int p : {-300, r.Top, r.Bottom - 1, chart->height() + 300}) {
      QVERIFY(std::abs(left.CalcPosPoint(p) - (-0.0015 + (r.Bottom - 1 - p) * unitsPerPixel)) < 1e-12);
      QCOMPARE(left.CalcPosValue(left.CalcPosPoint(p)), p);
    }
  }

  void legendRows_data() {
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("empty titles") << QStringList();
    QTest::newRow("short titles") << QStringList{"A", "B", "C"};
    QTest::newRow("one long title") << QStringList{"", "", "", "", "", "", "", "IERS C04 combined daily series"};
    QTest::newRow("mixed") << QStringList{"USNO", "", "IERS", "", "SLR"};
    QTest::newRow("300 characters") << QStringList{"", QString(300, 'W')};
  }
  void legendRows() {
    QFETCH(QStringList, titles);
    auto chart = MakeChart();
    const PixelRect before = chart->Legend().GetRectLegend();
    for (int i = 0; i < titles.size(); ++i) chart->SeriesList(i).SetTitle(titles[i]);
    chart->Redraw();
    const PixelRect legend = chart->Legend().GetRectLegend();
    // Fifteen rows of one height, whatever the titles.
    QCOMPARE(legend.Height() % Chart::SeriesCount, 0);
    QCOMPARE(legend.Height(), before.Height());
    QVERIFY(legend.Width() >= before.Width());
    // Right of the plot, level with its top, inside the chart.
    QVERIFY(legend.Left > chart->ChartRect().Right);
    QCOMPARE(legend.Top, chart->ChartRect().Top);
    QVERIFY(legend.Right <= chart->width());
    // A title is drawn at most 220 pixels wide (elided), so the plot keeps most of the width; the
    // series keeps its whole title.
    QVERIFY(legend.Width() <= before.Width() + 220);
    QVERIFY(chart->ChartRect().Width() > chart->width() / 2);
    if (titles.size() > 1) QCOMPARE(chart->SeriesList(1).Title(), titles[1]);
  }

  // --- Drawing events and canvas -------------------------------------------------------------

  // OnBeforeDrawAxes draws under the axes, with the plot rectangle already laid out; OnAfterDraw
  // follows every drawing.
  void beforeDrawAxesUnderAxes() {
    const double start = MonthStart();
    auto chart = MakeChart();
    std::vector<char> order;
    PixelRect seen;
    chart->SetOnBeforeDrawAxes([&] {
      order.push_back('B');
      seen = chart->ChartRect();
      ChartCanvas& canvas = chart->Canvas();
      canvas.Pen().SetMode(PenMode::Copy);
      canvas.Pen().SetColor(Qt::red);
      canvas.Pen().SetWidth(16);
      canvas.MoveTo(seen.Left - 30, seen.Bottom);
      canvas.LineTo(seen.Right, seen.Bottom);
    });
    chart->SetOnAfterDraw([&] { order.push_back('A'); });
    chart->Redraw();
    chart->Redraw();
    QCOMPARE(order, (std::vector<char>{'B', 'A', 'B', 'A'}));
    QCOMPARE(seen, chart->ChartRect());

    // Between two day ticks: the red band shows below the axis line, and the axis line, drawn
    // afterwards, is black across it.
    const QImage picture = chart->Picture().convertToFormat(QImage::Format_RGB32);
    const int x = chart->BottomAxis().CalcPosValue(start + 3.5);
    const int y = seen.Bottom;
    QCOMPARE(picture.pixelColor(x, y + 5), QColor(Qt::red));
    bool axisLine = false;
    for (int dy = -2; dy <= 1; ++dy) axisLine = axisLine || picture.pixelColor(x, y + dy) == QColor(Qt::black);
    QVERIFY(axisLine);
  }

  // Inverting lines twice restores the picture byte for byte, without any redraw.
  void invertingPenTwice_data() {
    QTest::addColumn<int>("width");
    QTest::newRow("1 px") << 1;
    QTest::newRow("3 px") << 3;
  }
  void invertingPenTwice() {
    QFETCH(int, width);
    auto chart = MakeChart();
    AddDailyPoints(chart->SeriesList(0), MonthStart(), 28, 0.003);
    chart->Redraw();
    int drawings = 0;
    chart->SetOnAfterDraw([&] { ++drawings; });
    const QImage before = chart->Picture();
    const PixelRect r = chart->ChartRect();
    const QPoint at((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);

    const auto crosshair = [&] {
      ChartCanvas& canvas = chart->Canvas();
      canvas.Pen().SetMode(PenMode::Not);
      canvas.Pen().SetWidth(width);
      canvas.MoveTo(r.Left, at.y());
      canvas.LineTo(r.Right, at.y());
      canvas.MoveTo(at.x(), r.Top);
      canvas.LineTo(at.x(), r.Bottom);
    };
    crosshair();
    const QImage once = chart->Picture();
    QVERIFY(once != before);
    const QPoint probe(r.Left + 10, at.y());
    QCOMPARE(once.pixel(probe) & 0xFFFFFF, ~before.pixel(probe) & 0xFFFFFF);
    crosshair();
    const QImage twice = chart->Picture();
    QCOMPARE(twice.sizeInBytes(), before.sizeInBytes());
    QVERIFY(std::memcmp(twice.constBits(), before.constBits(), static_cast<std::size_t>(before.sizeInBytes())) == 0);
    Settle();
    QCOMPARE(drawings, 0);
  }

  // A mouse move over the chart reaches the handler with chart pixels, and a crosshair drawn
  // from it causes no redraw; over a control laid on the chart there is no chart mouse move.
  void mouseMove() {
    auto chart = MakeChart();
    QVERIFY(QTest::qWaitForWindowExposed(chart.get()));
    auto* box = new QCheckBox(chart.get());
    box->setGeometry(5, 5, 17, 17);
    box->show();
    int drawings = 0;
    chart->SetOnAfterDraw([&] { ++drawings; });
    std::vector<QPoint> moves;
    chart->SetOnMouseMove([&](Qt::KeyboardModifiers, int x, int y) {
      moves.emplace_back(x, y);
      const PixelRect r = chart->ChartRect();
      chart->Canvas().Pen().SetMode(PenMode::Not);
      chart->Canvas().MoveTo(r.Left, y);
      chart->Canvas().LineTo(r.Right, y);
    });
    const QImage before = chart->Picture();
    const PixelRect r = chart->ChartRect();
    const QPoint inside((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    QTest::mouseMove(chart.get(), inside);
    Settle();
    QVERIFY(!moves.empty());
    QCOMPARE(moves.back(), inside);
    QVERIFY(chart->Picture() != before);
    QCOMPARE(drawings, 0);

    const std::size_t count = moves.size();
    QTest::mouseMove(chart.get(), QPoint(12, 12));  // over the checkbox
    Settle();
    QCOMPARE(moves.size(), count);
  }

  // --- Export and overlay controls -----------------------------------------------------------

  void saveToBitmapFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto chart = MakeChart(640, 480);
    auto* box = new QCheckBox(chart.get());
    box->setGeometry(100, 100, 17, 17);
    box->show();
    AddDailyPoints(chart->SeriesList(0), MonthStart(), 28, 0.003);
    int drawings = 0;
    chart->SetOnAfterDraw([&] { ++drawings; });

    // A pending redraw runs first.
    QVERIFY(chart->RedrawPending());
    const QString name = dir.filePath("xp.bmp");
    chart->SaveToBitmapFile(name);
    QCOMPARE(drawings, 1);
    QVERIFY(!chart->RedrawPending());

    QImageReader reader(name);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage saved = reader.read();
    const qreal ratio = chart->devicePixelRatioF();
    QCOMPARE(saved.size(), QSize(qRound(640 * ratio), qRound(480 * ratio)));
    // The picture itself, without the checkbox laid on the chart.
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), chart->Picture().convertToFormat(QImage::Format_RGB32));
    QCOMPARE(saved.pixelColor(qRound(105 * ratio), qRound(105 * ratio)),
             chart->Picture().pixelColor(qRound(105 * ratio), qRound(105 * ratio)));

    // A file that cannot be written fails with the system's message.
    QCOMPARE(ErrorOf([&] { chart->SaveToBitmapFile(dir.filePath("missing/utr.bmp")); }),
             QString::fromLocal8Bit(std::strerror(ENOENT)));
  }

  // PNG and BMP files hold the picture's pixels as Format_RGB32 shows them: the chart's own
  // picture (opaque, encoded as it lies), with the inverting pen's lines on it, a picture with
  // transparent pixels, which the encoder converts first, an odd-sized part of a picture, and
  // random pixels.
  void encodedPicturesKeepThePixels() {
    auto chart = MakeChart(640, 480);
    AddDailyPoints(chart->SeriesList(0), MonthStart(), 28, 0.003);
    chart->Redraw();
    const QImage drawn = chart->Picture();
    chart->Canvas().Pen().SetMode(PenMode::Not);
    chart->Canvas().MoveTo(5, 240);
    chart->Canvas().LineTo(600, 240);
    const QImage inverted = chart->Picture();
    QImage translucent = drawn;
    translucent.setPixelColor(20, 20, QColor(200, 40, 10, 128));
    translucent.setPixelColor(21, 20, QColor(0, 0, 0, 0));
    QCOMPARE(translucent.format(), QImage::Format_ARGB32_Premultiplied);
    // Every byte difference to the row above, borrows between the bytes of a pixel among them.
    QImage noise(203, 37, QImage::Format_ARGB32_Premultiplied);
    std::mt19937 random(11);
    for (int y = 0; y < noise.height(); ++y) {
      auto* pixel = reinterpret_cast<quint32*>(noise.scanLine(y));
      for (int x = 0; x < noise.width(); ++x) pixel[x] = 0xff000000U | (static_cast<quint32>(random()) & 0xffffffU);
    }

    const struct {
      const char* name;
      QImage picture;
    } cases[] = {{"drawn", drawn},
                 {"inverting pen", inverted},
                 {"transparent pixels", translucent},
                 {"odd-sized part", drawn.copy(3, 5, 637, 101)},
                 {"random opaque pixels", noise}};
    for (const auto& c : cases) {
      for (const ChartImageFormat format : {ChartImageFormat::Png, ChartImageFormat::Bmp}) {
        qInfo("%s, %s", c.name, format == ChartImageFormat::Png ? "PNG" : "BMP");
        const QImage decoded = QImage::fromData(Chart::EncodePicture(c.picture, format));
        QCOMPARE(decoded.convertToFormat(QImage::Format_RGB32), c.picture.convertToFormat(QImage::Format_RGB32));
      }
    }
    QVERIFY(inverted != drawn);
  }

  // The background is the radial gradient from silver to white, the same pixels however it is
  // drawn (the chart copies it from a picture of its own): the top rows hold nothing else.
  void backgroundIsTheRadialGradient() {
    for (const QSize size : {QSize(640, 480), QSize(917, 603)}) {
      auto chart = MakeChart(size.width(), size.height());
      chart->Redraw();
      QImage expected(size, QImage::Format_ARGB32_Premultiplied);
      {
        QRadialGradient gradient(QRectF(QPointF(0, 0), QSizeF(size)).center(), std::hypot(size.width(), size.height()) / 2.0);
        gradient.setColorAt(0.0, QColor(192, 192, 192));
        gradient.setColorAt(1.0, Qt::white);
        QPainter painter(&expected);
        painter.fillRect(QRect(QPoint(0, 0), size), gradient);
      }
      const QImage picture = chart->Picture();
      for (int y = 0; y < 15; ++y) {
        QVERIFY(std::memcmp(picture.constScanLine(y), expected.constScanLine(y), static_cast<std::size_t>(size.width()) * 4) == 0);
      }
    }
  }

  // A redraw draws on the memory of the last picture when nobody holds that picture any more,
  // also at a smaller or slightly larger size; a picture that is held keeps its pixels.
  void redrawsReuseOnlyFreePictures() {
    auto chart = MakeChart(800, 600);
    AddDailyPoints(chart->SeriesList(0), MonthStart(), 28, 0.003);
    chart->Redraw();
    const uchar* first = chart->Picture().constBits();

    chart->resize(700, 500);
    chart->Redraw();
    QCOMPARE(chart->Picture().constBits(), first);
    chart->resize(820, 610);  // within the room a block keeps for the window's settling
    chart->Redraw();
    QCOMPARE(chart->Picture().constBits(), first);

    // An encoder (any holder) keeps its picture as it was; the drawing goes elsewhere.
    const QImage held = chart->Picture();
    const QImage heldPixels = held.copy();
    chart->SeriesList(0).Clear();
    chart->resize(640, 480);
    chart->Redraw();
    QVERIFY(chart->Picture().constBits() != held.constBits());
    QCOMPARE(held, heldPixels);
  }

  // A drawing paints every pixel of its picture, whatever the memory held before: the background
  // all but the last row, which is white.
  void drawingPaintsEveryPixel() {
    auto chart = MakeChart(640, 480);
    AddDailyPoints(chart->SeriesList(0), MonthStart(), 28, 0.003);
    chart->Redraw();
    const uchar* const memory = chart->Picture().constBits();
    {
      // Leaves the memory, which the next drawing reuses, transparent black.
      const QImage held = chart->Picture();
      std::memset(const_cast<uchar*>(held.constBits()), 0, static_cast<std::size_t>(held.sizeInBytes()));
    }
    chart->Redraw();
    const QImage picture = chart->Picture();
    QCOMPARE(picture.constBits(), memory);
    for (int y = 0; y < picture.height(); ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
      for (int x = 0; x < picture.width(); ++x) {
        if (qAlpha(row[x]) != 255 || (y == picture.height() - 1 && row[x] != qRgb(255, 255, 255))) {
          QFAIL(qPrintable(QStringLiteral("pixel %1, %2 is %3").arg(x).arg(y).arg(row[x], 8, 16)));
        }
      }
    }
  }

  // A block made ahead is handed out only once the work that brings it in has run, on any
  // thread; until then a picture goes to a block of its own. Work that is dropped frees the block.
  void preparedPictureBlocksAreTakenOnlyWhenReady() {
    const QSize size(320, 200);
    PictureBlocks blocks;
    PictureBlocks::Preparation spare = blocks.Prepare(size, QSize());
    QCOMPARE(blocks.Count(), 1);
    const QImage first = blocks.Take(size, QSize());
    QCOMPARE(blocks.Count(), 2);

    std::thread([&spare] { spare(); }).join();
    spare();  // a second time does nothing
    QImage second = blocks.Take(size, QSize());
    QCOMPARE(blocks.Count(), 2);  // the prepared block, not a third
    QVERIFY(second.constBits() != first.constBits());
    second.fill(Qt::red);  // the whole picture is writable
    QCOMPARE(second.pixel(size.width() - 1, size.height() - 1), QColor(Qt::red).rgb());

    PictureBlocks::Preparation dropped = blocks.Prepare(size, QSize());
    QCOMPARE(blocks.Count(), 3);
    dropped = PictureBlocks::Preparation();
    second = QImage();
    const QImage third = blocks.Take(QSize(640, 480), QSize());  // fits neither: the free ones go
    QCOMPARE(blocks.Count(), 2);
  }

  void overlayControlsStayOnTop() {
    auto chart = MakeChart();
    auto* first = new QCheckBox(chart.get());
    auto* second = new QCheckBox(chart.get());
    first->setGeometry(200, 200, 17, 17);
    second->setGeometry(300, 200, 17, 17);
    first->show();
    second->show();
    chart->Redraw();
    QCOMPARE(chart->OverlayControls(), (QList<QWidget*>{first, second}));
    QCOMPARE(chart->childAt(QPoint(205, 205)), first);
    QVERIFY(chart->childAt(QPoint(250, 250)) != nullptr);  // the drawing surface under them
  }

  // --- Series --------------------------------------------------------------------------------

  void seriesPoints() {
    Chart chart;
    ChartSeries& series = chart.SeriesList(3);
    QCOMPARE(series.MinYValue(), 0.0);
    QCOMPARE(series.MaxYValue(), 0.0);
    const double points[][2] = {{3, 1}, {1, 2}, {2, 3}, {2, 4}, {0.5, -1}, {3, 5}};
    for (const auto& p : points) series.AddXY(p[0], p[1], QString(), Qt::black);
    const double xs[] = {0.5, 1, 2, 2, 3, 3};
    const double ys[] = {-1, 2, 3, 4, 1, 5};
    QCOMPARE(series.Count(), 6);
    for (int i = 0; i < 6; ++i) {
      QCOMPARE(series.XValue(i), xs[i]);
      QCOMPARE(series.YValue(i), ys[i]);
    }
    QCOMPARE(series.MinYValue(), -1.0);
    QCOMPARE(series.MaxYValue(), 5.0);
    series.Clear();
    QCOMPARE(series.Count(), 0);
    QCOMPARE(series.MinYValue(), 0.0);
    QCOMPARE(series.MaxYValue(), 0.0);
  }

  void seriesDefaults() {
    Chart chart;
    for (int i = 0; i < Chart::SeriesCount; ++i) {
      const ChartSeries& s = chart.SeriesList(i);
      QCOMPARE(s.Pointer().Style(), i == 0 ? PointerStyle::Rectangle : PointerStyle::Diamond);
      QVERIFY(s.Pointer().Visible());
      QVERIFY(s.LinePen().Visible());
      QCOMPARE(s.SeriesColor(), QColor(Qt::black));
    }
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, chart.SeriesList(15));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, chart.SeriesList(-1));
    // The value axis as the layout gives it.
    QCOMPARE(chart.LeftAxis().Minimum(), -0.0015);
    QCOMPARE(chart.LeftAxis().Maximum(), 0.0085);
    QCOMPARE(chart.LeftAxis().Increment(), 0.001);
    QCOMPARE(chart.LeftAxis().MinorTickCount(), 9);
  }

  // A handler that throws does not stop the drawing: it counts as one that returned at once.
  void throwingHandlers() {
    auto chart = MakeChart();
    chart->Redraw();
    const std::vector<double> defaults = LabelValues(chart->BottomAxis());
    bool after = false;
    chart->SetOnBeforeDrawAxes([] { throw std::runtime_error("before"); });
    chart->SetOnGetNextAxisLabel([](ChartAxis&, int, double& value, bool& stop) {
      value = 1e9;
      stop = false;
      throw std::runtime_error("label");
    });
    chart->SetOnAfterDraw([&] {
      after = true;
      throw std::runtime_error("after");
    });
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("OnBeforeDrawAxes.*before"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("OnGetNextAxisLabel.*label"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("OnGetNextAxisLabel.*label"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("OnAfterDraw.*after"));
    chart->Redraw();
    QVERIFY(after);
    QVERIFY(SameValues(LabelValues(chart->BottomAxis()), defaults));
  }
};

QTEST_MAIN(ChartTest)
#include "tst_chart.moc"
