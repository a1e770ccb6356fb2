// Renders a month view with fifteen series, the week labels and week numbers as the main window
// draws them, and writes the picture as a PNG, for looking at the chart's look by eye.
// Usage: chart_render out.png [width height [year]]  ("year": the year view, the chart's own labels)
#include "ui/chart/Chart.h"

#include <QApplication>
#include <QCheckBox>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: chart_render out.png [width height]\n");
    return 2;
  }
  const int width = argc >= 4 ? std::atoi(argv[2]) : 882;
  const int height = argc >= 4 ? std::atoi(argv[3]) : 615;
  const bool year = argc >= 5 && std::string(argv[4]) == "year";

  erp::ui::Chart chart;
  chart.resize(width, height);
  const double start = year ? 41127.0 : 41463.0;  // Monday 6 August 2012 or 8 July 2013 (date-time days)
  const int days = year ? 364 : 28;
  auto& bottom = chart.BottomAxis();
  bottom.SetAutomatic(false);
  bottom.SetLabels(true);
  bottom.SetLabelsMultiLine(true);
  bottom.SetIncrement(year ? 30 : 7);
  bottom.SetMinorTickCount(year ? 3 : 6);
  bottom.SetMaximum(1000000);
  bottom.SetMinimum(start);
  bottom.SetMaximum(start + days);
  bottom.SetDateTimeFormat("mmm/dd yyyy");
  auto& left = chart.LeftAxis();
  left.SetAutomatic(false);

  const QColor colours[] = {Qt::black, Qt::red, Qt::blue, Qt::darkGreen, Qt::magenta, Qt::darkCyan,
                            Qt::darkYellow, Qt::gray, Qt::darkRed, Qt::darkBlue, Qt::green, Qt::cyan,
                            Qt::darkMagenta, QColor(255, 128, 0), QColor(128, 0, 255)};
  for (int s = 0; s < erp::ui::Chart::SeriesCount; ++s) {
    auto& series = chart.SeriesList(s);
    series.SetSeriesColor(colours[s]);
    series.SetTitle(s == 4 ? QString() : QStringLiteral("Centre %1").arg(s + 1));
    if (s % 4 == 1) series.Pointer().SetStyle(erp::ui::PointerStyle::Circle);
    if (s % 4 == 2) series.Pointer().SetStyle(erp::ui::PointerStyle::Triangle);
    if (s == 3) series.LinePen().SetVisible(false);
    for (int d = 0; d <= days; ++d) {
      series.AddXY(start + d, 0.0035 + 0.004 * std::sin(0.2 * d * 28 / days + 0.4 * s), QString(), colours[s]);
    }
  }
  chart.SetOnGetNextAxisLabel([&](erp::ui::ChartAxis& sender, int, double& value, bool& stop) {
    if (year || &sender != &chart.BottomAxis()) return;
    if (start > value) value = start;
    else value += 7;
    stop = false;
  });
  chart.SetOnBeforeDrawAxes([&] {
    if (year) return;
    const auto r = chart.ChartRect();
    const int plotWidth = r.Right - r.Left + 1;
    chart.Canvas().Font().SetStyle({.Bold = true});
    chart.Canvas().Font().SetHeight(20);
    for (int i = -1; i <= 3; ++i) {
      chart.Canvas().TextOut((plotWidth / 8) * (2 * i + 1) + r.Left - 10, r.Bottom + 20, QString::number(1959 + i));
    }
  });
  chart.SetOnAfterDraw([&] {
    chart.BottomAxis().SetAutomaticMinimum(true);
    const auto r = chart.ChartRect();
    auto& canvas = chart.Canvas();
    canvas.Pen().SetMode(erp::ui::PenMode::Not);
    canvas.Pen().SetWidth(1);
    const int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
    canvas.MoveTo(r.Left, y);
    canvas.LineTo(r.Right, y);
    canvas.MoveTo(x, r.Top);
    canvas.LineTo(x, r.Bottom);
  });
  // A checkbox laid on the chart, as the window does: it must not be in the picture.
  auto* box = new QCheckBox(&chart);
  box->move(5, 5);
  chart.show();
  for (int i = 0; i < 5; ++i) app.processEvents();
  chart.Redraw();
  if (!chart.Picture().save(argv[1])) return 1;
  std::printf("plot %d,%d-%d,%d legend %d,%d-%d,%d\n", chart.ChartRect().Left, chart.ChartRect().Top,
              chart.ChartRect().Right, chart.ChartRect().Bottom, chart.Legend().GetRectLegend().Left,
              chart.Legend().GetRectLegend().Top, chart.Legend().GetRectLegend().Right,
              chart.Legend().GetRectLegend().Bottom);
  for (const auto& l : chart.BottomAxis().DrawnLabels()) std::printf("[%s] ", qPrintable(l.Text));
  std::printf("\n");
  for (const auto& l : chart.LeftAxis().DrawnLabels()) std::printf("[%s] ", qPrintable(l.Text));
  std::printf("\n");
  return 0;
}
