// What the viewer lays on the chart: the month view's week labels, and the crosshair inverted over
// the picture with its readouts.
#include "ChartFixture.h"

#include <QPainter>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "ui/Crosshair.h"
#include "ui/TimeAxisLabels.h"

using namespace erp::ui;
using namespace chart_test;

namespace {

constexpr double kAxisStartMJD = 56481.0;  // Monday 8 July 2013, first week of the window
constexpr std::int32_t kCurrentWeek = 1962;

double Offset() { return MonthStart() - kAxisStartMJD; }

std::vector<double> LabelValues(const ChartAxis& axis) {
  std::vector<double> values;
  for (const AxisLabel& label : axis.DrawnLabels()) values.push_back(label.Value - MonthStart());
  return values;
}

bool SamePicture(const QImage& a, const QImage& b) {
  return a.size() == b.size() && a.sizeInBytes() == b.sizeInBytes() &&
         std::memcmp(a.constBits(), b.constBits(), static_cast<std::size_t>(a.sizeInBytes())) == 0;
}

}  // namespace

class ChartOverlaysTest : public QObject {
  Q_OBJECT

 private slots:
  // Date labels of the month view on the Mondays of the shifted window (days from 8 July 2013);
  // the year view and the value axis keep the chart's own labels.
  void weekLabels_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<double>("shift");
    QTest::addColumn<std::vector<double>>("labels");
    QTest::newRow("no shift") << 0 << 0.0 << std::vector<double>{0, 7, 14, 21, 28};
    QTest::newRow("a week back") << 0 << -7.0 << std::vector<double>{-7, 0, 7, 14, 21};
    QTest::newRow("three weeks on") << 0 << 21.0 << std::vector<double>{21, 28, 35, 42, 49};
    QTest::newRow("year") << 1 << 0.0 << std::vector<double>{};
  }
  void weekLabels() {
    QFETCH(int, interval);
    QFETCH(double, shift);
    QFETCH(std::vector<double>, labels);
    auto chart = MakeChart();
    InstallTimeAxisLabels(*chart, [&] {
      return TimeAxisView{interval, shift, kAxisStartMJD, Offset(), kCurrentWeek};
    });
    const double start = MonthStart() + shift;
    const double length = interval == 0 ? 28 : 364;
    chart->BottomAxis().SetIncrement(interval == 0 ? 7 : 30);
    chart->BottomAxis().SetMinorTickCount(interval == 0 ? 6 : 3);
    chart->BottomAxis().SetMaximum(1000000);
    chart->BottomAxis().SetMinimum(start + 28 - length);
    chart->BottomAxis().SetMaximum(start + 28);
    AddDailyPoints(chart->SeriesList(0), start + 28 - length, static_cast<int>(length), 0.003);
    // As after every drawing of the viewer: the axis starts at the first point less its marker.
    chart->BottomAxis().SetAutomaticMinimum(true);
    chart->Redraw();

    const std::vector<double> drawn = LabelValues(chart->BottomAxis());
    if (interval == 0) {
      QCOMPARE(drawn, labels);
    } else {
      // The chart's own labels, a month or more apart: no week in between.
      QVERIFY(drawn.size() >= 2);
      for (std::size_t i = 1; i < drawn.size(); ++i) QVERIFY(drawn[i] - drawn[i - 1] >= 28);
    }
    // The value axis is labelled at its own increment.
    const ChartAxis& leftAxis = chart->LeftAxis();
    const auto& left = leftAxis.DrawnLabels();
    QVERIFY(left.size() >= 2);
    QVERIFY(std::abs(left[1].Value - left[0].Value - leftAxis.CalcXYIncrement(leftAxis.LabelsFontSize() + 6)) < 1e-12);
  }

  // The crosshair follows the pointer over the picture without a redraw; erasing and drawing
  // again leaves the picture as before; outside the plot it hides while the readouts follow.
  void crosshairFollowsThePointer() {
    auto chart = MakeChart();
    AddDailyPoints(chart->SeriesList(0), MonthStart(), 28, 0.003);
    chart->Redraw();
    Settle();
    int drawings = 0;
    chart->SetOnAfterDraw([&] { ++drawings; });
    std::optional<QPoint> pointer;
    Crosshair crosshair(*chart, [&]() -> std::optional<QPoint> {
      if (!pointer) return std::nullopt;
      return chart->mapToGlobal(*pointer);
    });
    const PixelRect r = chart->ChartRect();
    const QImage clean = chart->Picture();
    const QPoint a((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    const QPoint b(r.Left + 20, r.Bottom - 30);

    pointer = a;
    QVERIFY(crosshair.MouseMove(Offset()));
    const QImage atA = chart->Picture();
    QVERIFY(!SamePicture(atA, clean));
    pointer = b;
    crosshair.MouseMove(Offset());
    pointer = a;
    crosshair.MouseMove(Offset());
    QVERIFY(SamePicture(chart->Picture(), atA));

    // Noon of a day reads as that day's MJD with ".5"; the value follows the left axis.
    pointer = QPoint(chart->BottomAxis().CalcPosValue(MonthStart() + 10.5), chart->LeftAxis().CalcPosValue(0.004));
    std::optional<CrosshairReadout> readout = crosshair.MouseMove(Offset());
    QVERIFY(readout);
    QCOMPARE(readout->X, QStringLiteral("56491.5"));
    QVERIFY(std::abs(readout->Y.toDouble() - 0.004) < 0.0001);
    QCOMPARE(readout->Y.size(), 7);  // five decimals

    // Outside the plot: no crosshair, readouts all the same.
    pointer = QPoint(r.Right + 5, r.Bottom + 5);
    readout = crosshair.MouseMove(Offset());
    QVERIFY(SamePicture(chart->Picture(), clean));
    QVERIFY(readout && readout->X.toDouble() > kAxisStartMJD + 28);
    QVERIFY(!crosshair.Restore(Offset()));

    // A pointer that cannot be read: the old crosshair is erased, the position stays.
    pointer = a;
    crosshair.MouseMove(Offset());
    pointer.reset();
    QVERIFY(!crosshair.MouseMove(Offset()));
    QVERIFY(SamePicture(chart->Picture(), clean));
    QCOMPARE(QPoint(crosshair.X(), crosshair.Y()), a);

    Settle();
    QCOMPARE(drawings, 0);
  }

  // Long straight canvas lines (drawn in pieces) invert exactly the pixels of one inverted line,
  // in either direction: no gap and no pixel inverted twice where the pieces meet.
  void longStraightLinesInvertEveryPixelOnce() {
    auto chart = MakeChart();
    chart->Redraw();
    const QImage before = chart->Picture();
    QImage expected = before.copy();
    expected.setDevicePixelRatio(before.devicePixelRatio());
    const QLine lines[] = {{10, 20, 710, 20}, {300, 400, 300, 5}, {600, 30, 50, 30}, {40, 10, 40, 41}};
    {
      QPainter painter(&expected);
      QPen pen(Qt::black, 1);
      pen.setCapStyle(Qt::FlatCap);
      pen.setCosmetic(true);
      painter.setPen(pen);
      painter.setCompositionMode(QPainter::RasterOp_NotDestination);
      for (const QLine& line : lines) painter.drawLine(line);
    }
    ChartCanvas& canvas = chart->Canvas();
    canvas.Pen().SetMode(PenMode::Not);
    canvas.Pen().SetWidth(1);
    for (const QLine& line : lines) {
      canvas.MoveTo(line.x1(), line.y1());
      canvas.LineTo(line.x2(), line.y2());
    }
    QVERIFY(SamePicture(chart->Picture(), expected));
    QVERIFY(!SamePicture(chart->Picture(), before));
  }
};

QTEST_MAIN(ChartOverlaysTest)
#include "tst_chart_overlays.moc"
