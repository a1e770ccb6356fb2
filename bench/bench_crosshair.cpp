// One mouse move with the crosshair on, over the year view at 1920 x 1080 with fifteen series:
// the old lines inverted back, the new ones inverted, both readouts, and the repaint of the
// strips that changed. Target: under 1 ms, and no drawing of the chart.
#include "ui/Crosshair.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr int Points = 364;
constexpr double YearStart = 41127.0;  // Monday 6 August 2012 (date-time days)
constexpr double Offset = YearStart - 56145.0;

std::unique_ptr<erp::ui::Chart> MakeYearChart() {
  auto chart = std::make_unique<erp::ui::Chart>();
  chart->resize(1920, 1080);
  auto& bottom = chart->BottomAxis();
  bottom.SetLabelsMultiLine(true);
  bottom.SetDateTimeFormat("mmm/dd yyyy");
  bottom.SetIncrement(30);
  bottom.SetMaximum(1000000);
  bottom.SetMinimum(YearStart);
  bottom.SetMaximum(YearStart + Points);
  auto& left = chart->LeftAxis();
  left.SetMaximum(10000000);
  left.SetMinimum(-0.016);
  left.SetMaximum(0.016);
  left.SetIncrement(0.002);
  for (int s = 0; s < erp::ui::Chart::SeriesCount; ++s) {
    auto& series = chart->SeriesList(s);
    for (int d = 0; d < Points; ++d) series.AddXY(YearStart + d, 0.012 * std::sin(0.05 * d + 0.4 * s));
  }
  chart->show();
  chart->Redraw();
  QCoreApplication::processEvents();
  return chart;
}

void BM_CrosshairMouseMove(benchmark::State& state) {
  auto chart = MakeYearChart();
  int drawings = 0;
  chart->SetOnAfterDraw([&] { ++drawings; });
  const erp::ui::PixelRect plot = chart->ChartRect();
  QPoint pointer((plot.Left + plot.Right) / 2, (plot.Top + plot.Bottom) / 2);
  erp::ui::Crosshair crosshair(*chart, [&] { return std::optional(chart->mapToGlobal(pointer)); });
  int step = 0;
  for (auto _ : state) {
    pointer += QPoint(step % 2 ? -3 : 3, step % 2 ? -2 : 2);
    ++step;
    benchmark::DoNotOptimize(crosshair.MouseMove(Offset));
    if (state.range(0)) QCoreApplication::processEvents();  // the strips shown on the screen
  }
  state.counters["drawings"] = drawings;
}
BENCHMARK(BM_CrosshairMouseMove)->Arg(0)->Arg(1)->ArgNames({"repaint"})->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
