// Small helpers of the chart tests: a chart set up as the main window sets it up at start-up,
// with the month window of Monday 8 July 2013, and daily points.
#pragma once

#include "ui/chart/Chart.h"

#include <QCoreApplication>
#include <QDate>

#include <functional>
#include <memory>
#include <stdexcept>

namespace chart_test {

// Monday 8 July 2013 as a date-time value (days since 30 December 1899).
inline double MonthStart() { return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(2013, 7, 8))); }

// The time axis as start-up sets it: four weeks from `start`, weekly labels, daily minor ticks.
inline void SetUpTimeAxis(erp::ui::Chart& chart, double start) {
  auto& bottom = chart.BottomAxis();
  bottom.SetAutomatic(false);
  bottom.SetLabels(true);
  bottom.SetLabelsMultiLine(true);
  bottom.SetIncrement(7);
  bottom.SetMinorTickCount(6);
  bottom.SetMaximum(1000000);
  bottom.SetMinimum(start);
  bottom.SetMaximum(start + 28);
  bottom.SetDateTimeFormat("mmm/dd yyyy");
  chart.LeftAxis().SetAutomatic(false);
}

// One point a day from `start` for `days` + 1 days, values around `level`.
inline void AddDailyPoints(erp::ui::ChartSeries& series, double start, int days, double level) {
  for (int d = 0; d <= days; ++d) series.AddXY(start + d, level + 0.0002 * (d % 5), QString(), series.SeriesColor());
}

// A shown chart of the given size, drawn once, with its pending redraws run.
inline std::unique_ptr<erp::ui::Chart> MakeChart(int width = 882, int height = 615) {
  auto chart = std::make_unique<erp::ui::Chart>();
  chart->resize(width, height);
  SetUpTimeAxis(*chart, MonthStart());
  chart->show();
  chart->Redraw();
  return chart;
}

// Runs the queued redraws.
inline void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

// The message of the std::runtime_error that `call` throws, empty when it throws none.
inline QString ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const std::runtime_error& e) {
    return QString::fromUtf8(e.what());
  }
  return QString();
}

}  // namespace chart_test
