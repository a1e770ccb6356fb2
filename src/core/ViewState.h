// The view state of the main window: request flags and view variables that the handlers set and
// the viewer loop and its refresh pass act on. All of it lives on the GUI thread.
#pragma once

#include <array>
#include <cstdint>

#include "core/SeriesConfig.h"
#include "core/SlotArray.h"

namespace erp {

struct ViewState {
  bool Running = false;             // the viewer loop repeats while set; a Start press then exits
  bool RecomputeRequested = true;   // the next loop iteration runs a refresh pass
  bool RescaleOnChange = false;     // a refresh pass that draws re-applies the vertical scale
  bool RescaleOnChoice = false;     // same effect as RescaleOnChange; both cleared together
  bool ShiftBusy = false;           // a week step waits for its refresh pass
  bool TrendShown = false;          // false: the trend is removed from every series
  std::int32_t SelectedParameter = 0;  // 1 UT1, 2 UT1R, 3 Xp, 4 Yp; 0 before the first refresh
  bool AnySeriesVisible = false;    // at least one series checkbox was checked at the last pass
  SlotArray<bool, SeriesCount> SeriesVisible{};  // the slot's checkbox was checked at the last pass
  double TimeShiftDays = 0.0;       // display window shift (days)
  bool ExportStart = false;         // automatic export, first stage
  bool ExportUtr = false;           // second stage: save "utr.bmp"
  bool ExportXp = false;            // third stage: save "xp.bmp"
  bool ExportYp = false;            // fourth stage: save "yp.bmp"
  bool AutoStartPending = false;    // the timer presses Start once, soon after the window opens
};

}  // namespace erp
