// Correction of UT1 for the short-period zonal tides and the conventional seasonal variation.
#pragma once

#include <array>

namespace erp {

// One zonal-tide term of UT1: amplitude x sin(phase + rate x T), T in days from MJD 51544.5.
struct ZonalTideTerm {
  double phase;      // argument at MJD 51544.5 (radians, not reduced to one turn)
  double rate;       // rate of the argument (radians per day)
  double amplitude;  // effect on UT1 (seconds of time)
};

// The 41 zonal-tide terms of UT1 with periods from 5.6 to 35 days (IERS Conventions,
// short-period tidal variations of UT1), rows 1..41 at indices 0..40.
extern const std::array<ZonalTideTerm, 41> ZonalTideTable;

// Conventional seasonal variation UT2 - UT1 (seconds) at an MJD (days):
// 0.022 sin θ - 0.012 cos θ - 0.006 sin 2θ + 0.007 cos 2θ, θ being 2π times the Besselian year,
// with 2π taken as 6.28318530717959.
double SeasonalTerm(double mjd);

// UT1 - UT1R (seconds) at an MJD (days): the sum of the zonal-tide terms, accumulated in extended
// precision, less SeasonalTerm when withSeasonal is 1 (any other value: the tidal sum alone).
// Never fails for a finite epoch. UT1R = UT1 - Ut1Correction(mjd, 1).
double Ut1Correction(double mjd, int withSeasonal);

}  // namespace erp
