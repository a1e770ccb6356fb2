// A full redraw of the chart at 1920 x 1080 with fifteen series of 364 daily points each (the
// year view with every series shown): layout, labels, series with markers, legend and the
// picture on the screen. Target: under 16 ms. Also the PNG encoding of such a picture at 1280 x 800.
#include "YearChart.h"

#include <QApplication>
#include <QDate>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

constexpr int Points = bench::kYearPoints;
constexpr double YearStart = bench::kYearStart;

std::unique_ptr<erp::ui::Chart> MakeYearChart() {
  auto chart = bench::MakeYearAxesChart();
  for (int s = 0; s < erp::ui::Chart::SeriesCount; ++s) chart->SeriesList(s).SetTitle(QStringLiteral("Series %1").arg(s + 1));
  chart->SetOnAfterDraw([c = chart.get()] { c->BottomAxis().SetAutomaticMinimum(true); });
  chart->show();
  return chart;
}

void FillSeries(erp::ui::Chart& chart) {
  for (int s = 0; s < erp::ui::Chart::SeriesCount; ++s) {
    auto& series = chart.SeriesList(s);
    series.Clear();
    for (int d = 0; d < Points; ++d) {
      series.AddXY(YearStart + d, 0.012 * std::sin(0.05 * d + 0.4 * s), QString(), series.SeriesColor());
    }
  }
}

// Drawing and showing the picture, the points unchanged.
void BM_ChartRedraw(benchmark::State& state) {
  auto chart = MakeYearChart();
  FillSeries(*chart);
  chart->Redraw();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    chart->Redraw();
    QCoreApplication::processEvents();  // the paint of the new picture
  }
}
BENCHMARK(BM_ChartRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();

// As a refresh pass does it: every series emptied and refilled, then the drawing.
void BM_ChartRefillAndRedraw(benchmark::State& state) {
  auto chart = MakeYearChart();
  for (auto _ : state) {
    FillSeries(*chart);
    chart->Redraw();
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_ChartRefillAndRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();

// The batch export's encoding of one picture: the year view at 1280 x 800 as a PNG file's bytes.
void BM_EncodePng(benchmark::State& state) {
  auto chart = MakeYearChart();
  chart->resize(1280, 800);
  FillSeries(*chart);
  chart->Redraw();
  const QImage picture = chart->Picture();
  for (auto _ : state) benchmark::DoNotOptimize(erp::ui::Chart::EncodePicture(picture, erp::ui::ChartImageFormat::Png));
}
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
