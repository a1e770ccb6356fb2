// The year view that the chart benchmarks draw: 1920 x 1080, 52 weeks from Monday 6 August 2012,
// a value axis of 0.002 per grid step.
#pragma once

#include <memory>

#include "ui/chart/Chart.h"

namespace bench {

constexpr int kYearPoints = 364;
constexpr double kYearStart = 41127.0;  // Monday 6 August 2012 (date-time days)

// A chart of 1920 x 1080 with the time axis on the year and the value axis set, no points yet.
inline std::unique_ptr<erp::ui::Chart> MakeYearAxesChart() {
  auto chart = std::make_unique<erp::ui::Chart>();
  chart->resize(1920, 1080);
  auto& bottom = chart->BottomAxis();
  bottom.SetLabelsMultiLine(true);
  bottom.SetDateTimeFormat("mmm/dd yyyy");
  bottom.SetIncrement(30);
  bottom.SetMinorTickCount(3);
  bottom.SetMaximum(1000000);
  bottom.SetMinimum(kYearStart);
  bottom.SetMaximum(kYearStart + kYearPoints);
  auto& left = chart->LeftAxis();
  left.SetMaximum(10000000);
  left.SetMinimum(-0.016);
  left.SetMaximum(0.016);
  left.SetIncrement(0.002);
  return chart;
}

}  // namespace bench
