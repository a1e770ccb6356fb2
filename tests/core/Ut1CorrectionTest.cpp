#include "core/Ut1Correction.h"

#include <gtest/gtest.h>

#include <cmath>

namespace erp {
namespace {

constexpr double kTol = 1e-9;  // seconds

TEST(Ut1Correction, KnownEpochs) {
  struct Case {
    const char* name;
    double mjd;
    double tidal;
    double seasonal;
  } const cases[] = {
      {"J2000.0 (T = 0)", 51544.5, -0.001260687, -0.004919668},
      {"4 August 2013", 56508.0, 0.000261868, -0.004346344},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(Ut1Correction(c.mjd, 0), c.tidal, kTol);
    EXPECT_NEAR(SeasonalTerm(c.mjd), c.seasonal, kTol);
    EXPECT_NEAR(Ut1Correction(c.mjd, 1), c.tidal - c.seasonal, kTol);
    EXPECT_EQ(Ut1Correction(c.mjd, 2), Ut1Correction(c.mjd, 0));  // only 1 adds the seasonal term
  }
  EXPECT_NEAR(Ut1Correction(51544.5, 1), 0.003658980, kTol);
  EXPECT_NEAR(0.1 - Ut1Correction(56508.0, 1), 0.095391788, kTol);  // UT1R of UT1 = 0.1 s
}

TEST(Ut1Correction, TableAndBounds) {
  ASSERT_EQ(ZonalTideTable.size(), 41u);
  double sumAtZero = 0.0;
  double magnitudes = 0.0;
  for (const ZonalTideTerm& t : ZonalTideTable) {
    sumAtZero += t.amplitude * std::sin(t.phase);
    magnitudes += std::fabs(t.amplitude);
  }
  EXPECT_NEAR(sumAtZero, -0.001260687, kTol);
  EXPECT_NEAR(magnitudes, 0.002723, 1e-12);

  for (double m = 40000.0; m < 70000.0; m += 7.3) {
    ASSERT_LE(std::fabs(Ut1Correction(m, 0)), 0.002723 + 1e-12) << m;
    ASSERT_LE(std::fabs(SeasonalTerm(m)), 0.0306) << m;
  }
}

TEST(Ut1Correction, SeasonalTermHasABesselianYearPeriod) {
  for (double m : {51544.5, 56508.0, 60000.25}) {
    EXPECT_NEAR(SeasonalTerm(m), SeasonalTerm(m + 365.2422), 1e-12) << m;
  }
}

}  // namespace
}  // namespace erp
