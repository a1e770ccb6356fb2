// Demo working folder for a given day: series.ini with fifteen slots and fifteen data files of
// invented analysis centres, in different column layouts, that look like Earth-rotation data.
//
// All centres observe one model Earth:
//   - the pole: a mean pole (0.15", 0.38") that creeps a few mas a year, the Chandler wobble
//     (433 days, 0.15") and the annual wobble (0.08"), both turning counter-clockwise as seen
//     with y toward 90° west;
//   - UT1R: a slow drift of -0.45 ms a day with a decade-long wave; UT1 - UTC is UT1R plus
//     Ut1Correction(epoch, with the seasonal term), so that the loading pass, which subtracts the
//     same correction, gets the smooth UT1R back; one second more from a leap second on.
// Each centre adds its own offset, white noise, a slow wander, an error that grows after the day
// (predictions) and, for most, an occasional gap of a few days. Noise comes from a hash of the
// seed, the slot, the record's day and the quantity, so the output depends only on the date and
// the seed, and one epoch gets the same noise whatever the date.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ToolSupport.h"
#include "core/SeriesConfig.h"
#include "core/SlotArray.h"

namespace erp::demo {

// The records of every file lie between these days, counted from the day the demo is made for.
// With the viewer started on that day at any time (or the next day), all of them fall inside the
// store's day window: 749 days before to 248 days after the reference day.
constexpr int FirstDayOffset = -730;  // about two years back (days)
constexpr int LastDayOffset = 120;    // about four months ahead (days)

struct DemoOptions {
  tools::CalendarDate Date;                        // the day the demo is made for (local calendar)
  std::optional<tools::CalendarDate> LeapSecond;   // UT1 - UTC is one second more from 00:00 UTC of this day
  std::uint64_t Seed = 1;                          // selects the noise, wander, gaps and prediction errors
  double NoiseScale = 1.0;                         // 0: each centre's offset only (no noise, wander or prediction error)
};

struct DemoFile {
  std::string Name;   // file name inside the folder
  std::string Bytes;  // contents: one record a line, CR LF
};

struct DemoFolder {
  SlotArray<SeriesConfig, SeriesCount> Rows;  // series.ini; titles in CP1251
  SlotArray<DemoFile, SeriesCount> Files;     // the data file of each slot
  double FirstMJD = 0.0;                      // first day of the data (MJD)
  double LastMJD = 0.0;                       // last day of the data (MJD)
};

// The slot whose UT1 - UTC is one whole second off the others (the viewer aligns it to series 1).
constexpr int WholeSecondSlot = 6;

// Slots with full coverage of the data's days and no gaps: 1 (whole-second reference) and 3
// (trend reference).
constexpr int ReferenceSlots[] = {1, 3};

// The model Earth of the demo, without any centre's errors.
struct ModelEarth {
  double Xp;   // arcseconds
  double Yp;   // arcseconds
  double UT1R;  // UT1R (seconds)
  double UT1;   // UT1 - UTC (seconds)
};
ModelEarth ModelEarthAt(const DemoOptions& options, double mjd);

// Builds the folder's contents. Throws std::invalid_argument when the data of that date cannot be
// written with the files' years (they must fall in 2000..2079) or the leap second lies outside
// the data's days.
DemoFolder MakeDemoFolder(const DemoOptions& options);

// Creates `directory` if needed and writes the fifteen data files and series.ini into it; files
// of those names are replaced, nothing else in the folder is touched. Throws std::runtime_error
// with the system's message.
void WriteDemoFolder(const DemoFolder& folder, const std::string& directory);

// The program make_demo_data: OUTDIR [--date YYYY-MM-DD] [--leap-second YYYY-MM-DD] [--seed N],
// or --help. Writes a report to `out`, errors to `err`; returns the exit status (0 done, 1 the
// folder could not be written, 2 wrong arguments).
int RunMakeDemoData(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace erp::demo
