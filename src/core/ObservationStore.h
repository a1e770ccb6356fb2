// The observation store and the loading pass that fills it from the fifteen data files.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "core/SeriesConfig.h"
#include "core/SlotArray.h"
#include "core/Threads.h"

namespace erp {

constexpr double MissingValue = 99.0;  // marks an absent value in the store

// Parameters of a store row (1..5).
struct StoreParameter {
  static constexpr int UT1 = 1;       // UT1 - UTC as read (seconds)
  static constexpr int UT1R = 2;      // UT1 - Ut1Correction(epoch, with seasonal term) (seconds)
  static constexpr int Xp = 3;        // arcseconds
  static constexpr int Yp = 4;        // arcseconds
  static constexpr int EpochMJD = 5;  // epoch of the record (MJD days)
};

// Every record of the current run that the loading pass accepted, with the state it leaves.
// 75 000 doubles (600 kB): keep it in a long-lived owner (the window), not on a small stack.
struct ObservationStore {
  static constexpr int Rows = 1000;  // rows per series: the day window holds at most 999 days
  static constexpr int Parameters = 5;

  ObservationStore() { Values.fill(MissingValue); }

  // Row 1..1000 of series 1..15, parameter 1..5 (StoreParameter). Rows of a series are filled
  // from 1 without gaps; a series ends at the first row whose EpochMJD is MissingValue. An index
  // outside the table is a programming error (checked by assert in debug builds).
  double& At(int row, int series, int parameter) { return Values[Index(row, series, parameter)]; }
  double At(int row, int series, int parameter) const {
    return Values[Index(row, series, parameter)];
  }

  std::array<double, std::size_t{Rows} * SeriesCount * Parameters> Values;
  SlotArray<bool, SeriesCount> SeriesLoaded{};  // the slot's data file existed and was opened
  bool AnySeriesLoaded = false;                 // at least one data file existed; never reset
  std::string DataDirectory;  // prefix of every data file path (at most 255 bytes); empty: working folder

 private:
  static std::size_t Index(int row, int series, int parameter);
};

// The status text of a data file being read, before its path; the status when a pass is done;
// the message when no data file is found (the window then offers a folder chooser).
constexpr const char* ReadingStatusText = "  Считывание данных из файла: ";
constexpr const char* ReadyStatusText = "  Ready";
constexpr const char* NoDataFilesText = "Путь к файлам данных указан неверно!";

// Where a loading pass stands: reading a data file (its path, as bytes), or done.
struct LoadStatus {
  enum class Step { Reading, Ready };
  Step Now = Step::Reading;
  std::string Path;  // the file being read
};
using LoadProgress = std::function<void(const LoadStatus&)>;

// A loading pass either read the data files there are, or found none at all under the names
// of the slots (the caller may then look in another folder).
enum class LoadOutcome { Loaded, NoDataFiles };

// The UT1 corrections (Ut1Correction with the seasonal term) of the epochs at 0h of the days of
// a loading pass's window, worked out before the pass: the program can do it while it waits for
// Start, so that the pass only looks them up (they are most of its records' epochs). A pass works
// out the corrections of other epochs, or of another window, itself.
class DayCorrections {
 public:
  explicit DayCorrections(double baseMJD);

  double BaseMJD() const { return baseMJD_; }
  // The correction of `epoch`, which lies `days` (1 <= days < 1000) after BaseMJD, when `epoch` is
  // the 0h of its day.
  std::optional<double> Of(double epoch, double days) const {
    const std::size_t day = static_cast<std::size_t>(days);
    if (epochs_[day] != epoch) return std::nullopt;
    return corrections_[day];
  }

 private:
  static constexpr std::size_t kDays = ObservationStore::Rows;  // days 0..999 of the window
  double baseMJD_;
  std::array<double, kDays> epochs_;  // by day (trunc(epoch - BaseMJD)); NaN where none
  std::array<double, kDays> corrections_{};
};

// The loading pass. Fills `store` from the data file of every slot:
//   1. every store value becomes MissingValue and SeriesLoaded is cleared;
//   2. for each slot, the path DataDirectory + SeriesFileName (no separator added) is skipped
//      when no data file is there (empty or blank name, nothing at all, a folder, FIFO, socket or
//      device: only regular files are read); otherwise `progress` is told that the file is being
//      read, the slot counts as loaded, and its lines are parsed with the slot's format. A record
//      at epoch e is dropped while e - baseMJD < 1 (DayIndex <= 0), ends the file at
//      e - baseMJD >= 1000 (DayIndex >= 1000), and is otherwise stored in the series' next row:
//      UT1 and UT1R when the format has a "u" column, Xp, Yp (both MissingValue when both are
//      exactly 0) and the epoch. A file with more than 1000 such records keeps the first 1000;
//      later lines are still parsed;
//   3. without any data file: NoDataFiles (nothing loaded; nobody is asked anything);
//   4. otherwise `progress` is told Ready, and the outcome is Loaded.
// The files are read on two threads at once, the calling thread and a second one, each taking the
// next file not yet taken and reading it into its own series; the statuses, the failure and what
// the store holds after it are those of a pass reading one file after the other. `progress` is
// called on the calling thread only.
// Throws PlacedError (the data file and the number of the line that failed, 0 when the file could
// not be opened) and ends the pass there: with the message of ParseRecord for a line that failed
// to convert, or the system's message when an existing file cannot be opened or read (also when
// its name cannot be followed: a link loop, a folder that may not be searched); what was stored
// stays, and step 4 does not run.
// `ahead`, when given for the same baseMJD, holds corrections worked out before the pass; the
// store is the same with or without it. `secondThread` says where the second thread first runs:
// elsewhere than the calling thread suits a caller that reads files itself with the other
// processors idle (the window's pass); a pass run beside other busy threads may leave it to the
// system.
LoadOutcome LoadObservations(double baseMJD, const SeriesSlots& slots, ObservationStore& store,
                             const LoadProgress& progress, const DayCorrections* ahead = nullptr,
                             ThreadStart secondThread = ThreadStart::Elsewhere);

// The data folder that the folder `chosen` by the operator gives: the folder and "/", cut to the
// 255 bytes of DataDirectory.
std::string DataDirectoryOf(const std::string& chosen);

}  // namespace erp
