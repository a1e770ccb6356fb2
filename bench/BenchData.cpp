#include "BenchData.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace bench {

namespace {

// Year, month and day of an MJD (proleptic Gregorian), for the files dated by calendar fields.
void CalendarOf(int mjd, int& y, int& m, int& d) {
  const int z = mjd - 40587 + 719468;  // days from 0000-03-01
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

// Column layouts of the fifteen files, as different providers write them.
struct Layout {
  const char* spec;
  bool calendar;
};
constexpr Layout kLayouts[] = {
    {"j_xp_yp_u", false},
    {"yy_mm_dd_hh_u_xp_yp", true},
    {"rrr_j_xp_yp_u_rrr_rrr", false},
};

std::string DataLine(const Layout& layout, int mjd, int k) {
  const double xp = 0.1 + 1e-5 * k, yp = 0.35 - 2e-5 * k, ut1 = -0.1234567 + 1e-6 * k;
  char line[160];
  if (layout.calendar) {
    int y = 0, m = 0, d = 0;
    CalendarOf(mjd, y, m, d);
    std::snprintf(line, sizeof line, "%4d %2d %2d  0 %10.7f %9.6f %9.6f\n", y, m, d, ut1, xp, yp);
  } else if (layout.spec[0] == 'j') {
    std::snprintf(line, sizeof line, "%8.2f %9.6f %9.6f %10.7f\n", static_cast<double>(mjd), xp, yp, ut1);
  } else {
    std::snprintf(line, sizeof line, "%d %8.2f %9.6f %9.6f %10.7f 0.000012 0.000034\n", k, static_cast<double>(mjd), xp, yp, ut1);
  }
  return line;
}

}  // namespace

bool LoadSilently(const erp::SeriesSlots& slots, double baseMJD, erp::ObservationStore& store) {
  return erp::LoadObservations(baseMJD, slots, store, {}) == erp::LoadOutcome::Loaded;
}

erp::SeriesSlots WriteDailySeries(const std::filesystem::path& folder, int lastMjd) {
  erp::SeriesSlots slots;
  for (int i = 1; i <= erp::SeriesCount; ++i) {
    const Layout& layout = kLayouts[(i - 1) % std::size(kLayouts)];
    const std::string name = "series" + std::to_string(i) + ".dat";
    std::ofstream out(folder / name, std::ios::binary);
    for (int k = 0; k <= kDays; ++k) out << DataLine(layout, lastMjd - kDays + k, k);
    slots.SeriesFileName[i] = name;
    slots.SeriesFormatSpec[i] = layout.spec;
  }
  return slots;
}

}  // namespace bench
