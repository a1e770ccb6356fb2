// Comparison statistics against a reference series, on small plot arrays computed by hand.
#include "core/SeriesStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "core/PlotPipeline.h"

namespace erp {
namespace {

constexpr double kMsDay = 1.0 / 86400000.0;  // one millisecond (days)

struct Plot {
  std::unique_ptr<PlotArrays> plot = std::make_unique<PlotArrays>();
  SlotArray<bool, SeriesCount> drawn{};

  Plot() { plot->SeriesEmpty.Fill(true); }
  void Set(int slot, std::vector<std::pair<double, double>> points, bool visible = true) {
    plot->PlotCount[slot] = static_cast<int>(points.size());
    plot->SeriesEmpty[slot] = points.empty();
    drawn[slot] = visible;
    for (std::size_t n = 0; n < points.size(); ++n) {
      plot->PlotMJD(static_cast<int>(n) + 1, slot) = points[n].first;
      plot->PlotValue(static_cast<int>(n) + 1, slot) = points[n].second;
    }
  }
};

const SeriesStatisticsRow* RowOf(const SeriesStatisticsTable& table, int slot) {
  for (int i = 0; i < table.RowCount; ++i) {
    if (table.Rows[static_cast<std::size_t>(i)].Slot == slot) return &table.Rows[static_cast<std::size_t>(i)];
  }
  return nullptr;
}

TEST(SeriesStatistics, HandComputedRows) {
  Plot p;
  // The reference: 1 ms a day, so that it interpolates exactly between its points.
  p.Set(1, {{100, 0.0010}, {101, 0.0020}, {102, 0.0030}, {103, 0.0040}});
  // Out of epoch order; at 101, 102, 103: d = 0.2, 0.0, 0.6 ms; 104 lies after the reference.
  p.Set(2, {{104, 0.0100}, {103, 0.0046}, {101, 0.0022}, {102, 0.0030}});
  p.Set(3, {{200, 0.0010}, {201, 0.0020}});                    // outside the reference: none
  p.Set(4, {{101.76, 0.00326}, {102.25, 0.00375}});             // sessions between its points: 0.5 ms
  p.Set(5, {{101 + 0.6 * kMsDay, 0.0020}});                    // a millisecond off: no common epoch
  p.Set(6, {{101, 0.5}}, false);                                // not drawn: no row
  p.Set(7, {});                                                 // drawn, no points: no row
  p.drawn[7] = true;

  const SeriesStatisticsTable table = ComputeSeriesStatistics(*p.plot, p.drawn, StoreParameter::UT1, 1);
  ASSERT_EQ(table.RowCount, 5);
  EXPECT_EQ(RowOf(table, 6), nullptr);
  EXPECT_EQ(RowOf(table, 7), nullptr);

  const SeriesStatisticsRow& ref = *RowOf(table, 1);
  EXPECT_TRUE(ref.Reference);
  EXPECT_EQ(ref.Points, 4);
  EXPECT_EQ(ref.LatestEpoch, 103.0);
  EXPECT_FALSE(ref.Mean || ref.StdDev || ref.Rms || ref.Minimum || ref.Maximum || ref.DriftPerYear);

  const SeriesStatisticsRow& two = *RowOf(table, 2);
  EXPECT_EQ(two.Points, 4);
  EXPECT_EQ(two.CommonEpochs, 3);
  EXPECT_EQ(two.Differences, 3);
  EXPECT_EQ(two.LatestEpoch, 104.0);
  EXPECT_NEAR(*two.Mean, 0.8 / 3, 1e-12);
  EXPECT_NEAR(*two.StdDev, std::sqrt(0.4 / 3 - 0.64 / 9), 1e-12);
  EXPECT_NEAR(*two.Rms, std::sqrt(0.4 / 3), 1e-12);
  EXPECT_NEAR(*two.Minimum, 0.0, 1e-12);
  EXPECT_NEAR(*two.Maximum, 0.6, 1e-12);
  EXPECT_NEAR(*two.DriftPerYear, 0.2 * 365.25, 1e-9);  // 0.4 / 2 ms per day

  const SeriesStatisticsRow& three = *RowOf(table, 3);
  EXPECT_EQ(three.Differences, 0);
  EXPECT_FALSE(three.Mean || three.StdDev || three.Rms || three.Minimum || three.Maximum || three.DriftPerYear);

  // No epoch in common, and still compared: the reference interpolated at each session.
  const SeriesStatisticsRow& four = *RowOf(table, 4);
  EXPECT_EQ(four.CommonEpochs, 0);
  EXPECT_EQ(four.Differences, 2);
  EXPECT_NEAR(*four.Mean, 0.5, 1e-9);
  EXPECT_NEAR(*four.StdDev, 0.0, 1e-9);
  EXPECT_NEAR(*four.Rms, 0.5, 1e-9);
  EXPECT_NEAR(*four.DriftPerYear, 0.0, 1e-6);

  EXPECT_EQ(RowOf(table, 5)->CommonEpochs, 0);
  EXPECT_EQ(RowOf(table, 5)->Differences, 1);
  EXPECT_NEAR(*RowOf(table, 5)->Mean, 0.0, 1e-6);

  // Another reference, its points out of order: series 1 against series 2 is the same difference
  // negated.
  const SeriesStatisticsTable other = ComputeSeriesStatistics(*p.plot, p.drawn, StoreParameter::UT1, 2);
  EXPECT_TRUE(RowOf(other, 2)->Reference);
  EXPECT_EQ(RowOf(other, 1)->Differences, 3);
  EXPECT_NEAR(*RowOf(other, 1)->Mean, -0.8 / 3, 1e-12);
  // A reference without points: no differences anywhere.
  const SeriesStatisticsTable none = ComputeSeriesStatistics(*p.plot, p.drawn, StoreParameter::UT1, 7);
  EXPECT_EQ(RowOf(none, 2)->Differences, 0);
  EXPECT_FALSE(RowOf(none, 2)->Mean);
}

// The differences view's values are in mas (or ms): against the view's reference, the zero line,
// they are the differences drawn; against another series, the difference between the two.
TEST(SeriesStatistics, DifferencesViewValuesAreInThousandths) {
  Plot p;
  p.Set(3, {{100, 0.0}, {101, 0.0}, {102, 0.0}});
  p.Set(5, {{100.5, 0.3}, {101.5, 0.5}});
  const SeriesStatisticsTable table = ComputeSeriesStatistics(*p.plot, p.drawn, StoreParameter::Xp, 3, true);
  EXPECT_EQ(RowOf(table, 5)->Differences, 2);
  EXPECT_NEAR(*RowOf(table, 5)->Mean, 0.4, 1e-12);
  const SeriesStatisticsTable other = ComputeSeriesStatistics(*p.plot, p.drawn, StoreParameter::Xp, 5, true);
  EXPECT_EQ(RowOf(other, 3)->Differences, 1);  // only 101 lies between series 5's points
  EXPECT_NEAR(*RowOf(other, 3)->Mean, -0.4, 1e-12);
}

TEST(SeriesStatistics, WholeSecondOffsetAlignedFirst) {
  // Series 2 one second and 0.1 ms above series 1: the pass's alignment takes the second out, so
  // the statistics see 0.1 ms.
  Plot p;
  p.Set(1, {{100, -0.5001}, {101, -0.4991}, {102, -0.4981}});
  p.Set(2, {{100, 0.5000}, {101, 0.5010}, {102, 0.5020}});
  AlignWholeSeconds(*p.plot, 2);
  const SeriesStatisticsTable table = ComputeSeriesStatistics(*p.plot, p.drawn, StoreParameter::UT1R, 1);
  const SeriesStatisticsRow& two = *RowOf(table, 2);
  EXPECT_NEAR(*two.Mean, 0.1, 1e-9);
  EXPECT_NEAR(*two.StdDev, 0.0, 1e-9);
  EXPECT_NEAR(*two.DriftPerYear, 0.0, 1e-6);
}

TEST(SeriesStatistics, HugeValuesGiveFiniteResults) {
  constexpr double kMax = std::numeric_limits<double>::max();
  Plot p;
  p.Set(1, {{100, 1e300}, {101, -1e300}, {102, -kMax}});
  p.Set(2, {{100, -1e300}, {101, 1e300}, {102, kMax}});
  const SeriesStatisticsTable table = ComputeSeriesStatistics(*p.plot, p.drawn, StoreParameter::Xp, 1);
  const SeriesStatisticsRow& two = *RowOf(table, 2);
  for (const auto& value : {two.Mean, two.StdDev, two.Rms, two.Minimum, two.Maximum, two.DriftPerYear}) {
    ASSERT_TRUE(value.has_value());
    EXPECT_TRUE(std::isfinite(*value)) << *value;
  }
  EXPECT_DOUBLE_EQ(*two.Minimum, -2e303);
  EXPECT_EQ(*two.Maximum, kMax);  // 2 x max held at the largest double
  EXPECT_GT(*two.Rms, 1e303);
}

TEST(SeriesStatistics, TableText) {
  Plot p;
  p.Set(1, {{100, 0.10}, {101, 0.20}});
  p.Set(3, {{100, 0.1012344}, {101, 0.2}});
  SlotArray<std::string, SeriesCount> titles;
  titles[1] = "Alpha, \"A\"";
  titles[3] = "Gam\tma";
  const SeriesStatisticsTable table = ComputeSeriesStatistics(*p.plot, p.drawn, StoreParameter::Yp, 1);
  EXPECT_EQ(SeriesStatisticsText(table, titles, ','),
            "Ряд,Точек,Общих эпох,Среднее (мсд),СКО (мсд),RMS (мсд),Мин. (мсд),Макс. (мсд),Дрейф (мсд/год),"
            "Разностей,Последняя эпоха\r\n"
            "\"Alpha, \"\"A\"\"\",2,,,,,,,,,101.00\r\n"
            "Gam\tma,2,2,0.6172,0.6172,0.8729,0.0000,1.2344,-450.8646,2,101.00\r\n");
  const std::string tsv = SeriesStatisticsText(table, titles, '\t');
  EXPECT_NE(tsv.find("Gam ma\t2\t2\t0.6172\t"), std::string::npos) << tsv;
  EXPECT_EQ(StatisticsUnit(StoreParameter::UT1), "мс");
  EXPECT_EQ(StatisticText(1e13), "1.000000e+13");
  EXPECT_EQ(StatisticText(std::nullopt), "");
}

}  // namespace
}  // namespace erp
