#include "core/Differences.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/ObservationStore.h"

namespace erp {
namespace {

// Plot arrays with the given points per slot.
struct Plot {
  void Set(int slot, const std::vector<double>& epochs, const std::vector<double>& values) {
    for (std::size_t k = 0; k < epochs.size(); ++k) {
      plot->PlotMJD(static_cast<int>(k) + 1, slot) = epochs[k];
      plot->PlotValue(static_cast<int>(k) + 1, slot) = values[k];
    }
    plot->PlotCount[slot] = static_cast<std::int32_t>(epochs.size());
    plot->SeriesEmpty[slot] = epochs.empty();
  }
  std::vector<double> Values(int slot) const {
    std::vector<double> v;
    for (int k = 1; k <= plot->PlotCount[slot]; ++k) v.push_back(plot->PlotValue(k, slot));
    return v;
  }
  std::unique_ptr<PlotArrays> plot = std::make_unique<PlotArrays>();
};

void ExpectNear(const std::vector<double>& got, const std::vector<double>& expected) {
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], expected[k], 1e-9) << "point " << k + 1;
}

TEST(TakeDifferences, EachSeriesMinusTheReferenceAtItsOwnEpochs) {
  Plot p;
  // Series 3, the reference: daily Xp rising 1 mas a day.
  p.Set(3, {60000, 60001, 60002, 60003, 60004}, {0.100, 0.101, 0.102, 0.103, 0.104});
  // A VLBI-like series at other epochs, 0.5 mas above; one session after the reference's end.
  p.Set(5, {60000.76, 60002.25, 60005.5}, {0.10126, 0.10275, 0.2});
  p.Set(7, {60010}, {0.1});  // wholly outside the reference: empty
  ASSERT_TRUE(TakeDifferences(*p.plot, StoreParameter::Xp, {}));
  ExpectNear(p.Values(3), {0, 0, 0, 0, 0});  // the zero line
  ExpectNear(p.Values(5), {0.5, 0.5});
  EXPECT_EQ(p.plot->PlotMJD(2, 5), 60002.25);
  EXPECT_TRUE(p.plot->SeriesEmpty[7]);
}

TEST(TakeDifferences, UtDifferencesShowNoLeapSecond) {
  Plot p;
  // Series 1 keeps its leap second (+1 s at 60002); series 2 has it taken out by the alignment.
  p.Set(1, {60000, 60001, 60002, 60003}, {-0.4, -0.401, 0.598, 0.597});
  p.Set(2, {60000.5, 60001.5, 60002.5}, {-0.4003, -0.4013, -0.4023});
  ASSERT_TRUE(TakeDifferences(*p.plot, StoreParameter::UT1, {1, false}));
  ExpectNear(p.Values(2), {0.2, 0.2, 0.2});  // 0.2 ms, no 1000 ms step
}

TEST(TakeDifferences, BiasAndRateLeaveTheScatter) {
  Plot p;
  p.Set(3, {60000, 60001, 60002, 60003, 60004}, {0.1, 0.1, 0.1, 0.1, 0.1});
  // 2 mas + 0.5 mas a day, with a scatter of +-0.1 mas.
  p.Set(4, {60000, 60001, 60002, 60003, 60004}, {0.1021, 0.1024, 0.1031, 0.1034, 0.1041});
  p.Set(6, {60002}, {0.1007});
  ASSERT_TRUE(TakeDifferences(*p.plot, StoreParameter::Yp, {3, true}));
  const std::vector<double> scatter = p.Values(4);
  double sum = 0.0;
  for (const double d : scatter) sum += d;
  EXPECT_NEAR(sum, 0.0, 1e-9);
  ExpectNear(scatter, {0.08, -0.12, 0.08, -0.12, 0.08});
  ExpectNear(p.Values(6), {0.0});  // one point: its bias
}

// A reference whose file holds a record out of order is interpolated between its points in the
// order of their epochs.
TEST(TakeDifferences, AReferenceOutOfOrderIsTakenInTheOrderOfItsEpochs) {
  Plot p;
  p.Set(3, {60001, 60002, 60000, 60003}, {0.101, 0.102, 0.100, 0.103});
  p.Set(5, {60001.5}, {0.1020});
  ASSERT_TRUE(TakeDifferences(*p.plot, StoreParameter::Xp, {}));
  ExpectNear(p.Values(5), {0.5});
}

TEST(TakeDifferences, AReferenceWithoutPointsEmptiesTheChart) {
  for (const int reference : {2, 0, 16}) {
    SCOPED_TRACE(reference);
    Plot p;
    p.Set(1, {60000, 60001}, {0.1, 0.1});
    EXPECT_FALSE(TakeDifferences(*p.plot, StoreParameter::Xp, {reference, false}));
    EXPECT_EQ(p.plot->PlotCount[1], 0);
    EXPECT_TRUE(p.plot->SeriesEmpty[1]);
  }
  // A reference of one point compares only what lies at its epoch.
  Plot single;
  single.Set(3, {60000}, {0.1});
  single.Set(4, {60000, 60001}, {0.1002, 0.1});
  ASSERT_TRUE(TakeDifferences(*single.plot, StoreParameter::Xp, {}));
  ExpectNear(single.Values(4), {0.2});
}

}  // namespace
}  // namespace erp
