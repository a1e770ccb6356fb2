// One mouse move with the crosshair on, over the year view at 1920 x 1080 with fifteen series:
// the old lines inverted back, the new ones inverted, both readouts, and the repaint of the
// strips that changed. Target: under 1 ms, and no drawing of the chart.
#include "ui/Crosshair.h"

#include "YearChart.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr int Points = bench::kYearPoints;
constexpr double YearStart = bench::kYearStart;
constexpr double Offset = YearStart - 56145.0;

std::unique_ptr<erp::ui::Chart> MakeYearChart() {
  auto chart = bench::MakeYearAxesChart();
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
