#include "core/Interpolation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace erp {
namespace {

struct Points {
  std::vector<double> epochs, values;
};

// Daily points from MJD 60000 for `days` days of f(day).
template <class F>
Points Daily(int days, F f) {
  Points p;
  for (int d = 0; d < days; ++d) {
    p.epochs.push_back(60000.0 + d);
    p.values.push_back(f(static_cast<double>(d)));
  }
  return p;
}

std::optional<double> At(const Points& p, double epoch, bool wholeSeconds = false) {
  return InterpolateReference(p.epochs, p.values, epoch, wholeSeconds);
}

double Cubic(double t) { return 0.1 + 2e-3 * t - 3e-4 * t * t + 5e-6 * t * t * t; }

TEST(InterpolateReference, FourPointsReproduceACubicAndTheEndsALine) {
  const Points cubic = Daily(10, Cubic);
  const struct {
    const char* name;
    double epoch;
    std::optional<double> expected;
  } cases[] = {
      {"inside: exact for degree 3", 60004.76, Cubic(4.76)},
      {"a quarter day after a point", 60005.25, Cubic(5.25)},
      {"at a point: its value", 60003.0, Cubic(3.0)},
      {"first point", 60000.0, Cubic(0.0)},
      {"between the first two: the line through them", 60000.5, (Cubic(0.0) + Cubic(1.0)) / 2},
      {"between the last two: the line through them", 60008.25, Cubic(8.0) * 0.75 + Cubic(9.0) * 0.25},
      {"before the first point: nothing", 59999.9, std::nullopt},
      {"after the last point: nothing", 60009.01, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<double> got = At(cubic, c.epoch);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (got) {
      EXPECT_NEAR(*got, *c.expected, 1e-14);
    }
  }
}

TEST(InterpolateReference, GapsAreNeverCrossed) {
  Points p = Daily(4, Cubic);                              // 60000..60003
  for (int d = 7; d < 11; ++d) {                           // a gap of four days, then 60007..60010
    p.epochs.push_back(60000.0 + d);
    p.values.push_back(Cubic(d));
  }
  EXPECT_EQ(At(p, 60005.0), std::nullopt);                 // inside the gap
  EXPECT_NEAR(*At(p, 60002.5), Cubic(2) * 0.5 + Cubic(3) * 0.5, 1e-14);  // beside it: linear
  EXPECT_NEAR(*At(p, 60008.5), Cubic(8.5), 1e-14);         // four close points again

  // Three days apart is still close; the same epoch twice falls back to the line.
  const Points sparse{{60000, 60003, 60006, 60009}, {1, 2, 3, 4}};
  EXPECT_NEAR(*At(sparse, 60004.5), 2.5, 1e-14);
  const Points repeated{{60000, 60001, 60001, 60002, 60002}, {1, 2, 2, 3, 3}};
  EXPECT_NEAR(*At(repeated, 60001.5), 2.5, 1e-14);
  EXPECT_EQ(InterpolateReference({}, {}, 60000.0, false), std::nullopt);
}

// A leap second among the four points: UT1 - UTC jumps by +1 s. The points are put on the left
// neighbour's second first, so the value is that of the smooth curve, not of the step.
TEST(InterpolateReference, ALeapSecondAmongThePointsDoesNotBendTheCurve) {
  const Points smooth = Daily(8, [](double t) { return -0.4 - 1e-3 * t; });
  Points stepped = smooth;
  for (std::size_t k = 4; k < stepped.values.size(); ++k) stepped.values[k] += 1.0;  // the leap second at 60004
  for (const double epoch : {60002.5, 60003.5, 60004.5}) {
    SCOPED_TRACE(epoch);
    // The smooth curve, on the second of the left point (after the leap second from 60004 on).
    EXPECT_NEAR(*At(stepped, epoch, true), *At(smooth, epoch) + (epoch > 60004 ? 1.0 : 0.0), 1e-12);
  }
}

}  // namespace
}  // namespace erp
