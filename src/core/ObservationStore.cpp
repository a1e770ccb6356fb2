#include "core/ObservationStore.h"

#include <array>
#include <atomic>
#include <cassert>
#include <cmath>
#include <exception>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "core/ColumnFormat.h"
#include "core/Cp1251.h"
#include "core/FileIo.h"
#include "core/LineReader.h"
#include "core/Ut1Correction.h"

namespace erp {
namespace {

namespace fs = std::filesystem;

constexpr double kWindowDays = 1000.0;  // DayIndex at which a file ends (days after BaseMJD)
constexpr int kWithSeasonalTerm = 1;
constexpr char kPathSeparator = '/';

// True for a name that names no file at all: empty or blanks only.
bool IsBlankName(std::string_view fileName) {
  return fileName.find_first_not_of(' ') == std::string_view::npos;
}

// The UT1 corrections of one loading pass by day of the window. The series of different centres
// mostly share their epochs (a record a day at 00:00), and the correction of an epoch is the same
// computation each time: those worked out ahead are looked up, and of the others the last one of
// each day is kept and used again for the same epoch.
class CorrectionCache {
 public:
  explicit CorrectionCache(const DayCorrections* ahead) : ahead_(ahead) {}

  // The correction (with the seasonal term) of `epoch`, which lies `days` (1 <= days < 1000) after
  // the store's day origin.
  double Of(double epoch, double days) {
    if (ahead_ != nullptr) {
      if (const std::optional<double> known = ahead_->Of(epoch, days)) return *known;
    }
    Entry& entry = entries_[static_cast<std::size_t>(days)];
    if (!entry.valid || entry.epoch != epoch) entry = Entry{true, epoch, Ut1Correction(epoch, kWithSeasonalTerm)};
    return entry.correction;
  }

 private:
  struct Entry {
    bool valid = false;
    double epoch = 0.0;       // MJD
    double correction = 0.0;  // seconds
  };
  const DayCorrections* ahead_;  // none, or those of the pass's window
  std::array<Entry, static_cast<std::size_t>(kWindowDays)> entries_{};
};

// One data file of a loading pass: read on one of the pass's threads, its outcome told in slot
// order on the pass's own.
struct DataFileRead {
  int Slot = 0;
  std::string Path;
  FileState State;
  long Line = 0;                // the lines begun, so that a failure can be placed
  std::exception_ptr Failure;   // what ended the reading, if anything did
};

// Where a loading pass stands, shared by its two threads: the next file to take, and the first
// file (in slot order) known to have failed. The files after a failure are not needed.
class PassProgress {
 public:
  explicit PassProgress(std::size_t files) : files_(files), failedAt_(files), finished_(files) {}

  // The next file nobody has taken yet, or none when all are taken.
  std::optional<std::size_t> Take() {
    const std::size_t file = next_.fetch_add(1, std::memory_order_relaxed);
    if (file >= files_) return std::nullopt;
    return file;
  }
  // True when file `file` is not needed (any more): a file before it failed, or the pass ended.
  bool Stops(std::size_t file) const { return failedAt_.load(std::memory_order_relaxed) < file; }
  void Failed(std::size_t file) {
    std::size_t first = failedAt_.load(std::memory_order_relaxed);
    while (file < first && !failedAt_.compare_exchange_weak(first, file, std::memory_order_relaxed)) {
    }
  }
  void End() { failedAt_.store(0, std::memory_order_relaxed); }

  // The thread that read `file` says so; the pass's own thread waits for it. What the reading
  // wrote (the series, the failure) is seen by whoever sees the file finished.
  void Finish(std::size_t file) {
    finished_[file].store(true, std::memory_order_release);
    finished_[file].notify_all();
  }
  bool Finished(std::size_t file) const { return finished_[file].load(std::memory_order_acquire); }
  void WaitFinished(std::size_t file) const { finished_[file].wait(false, std::memory_order_acquire); }

 private:
  const std::size_t files_;
  std::atomic<std::size_t> next_{0};
  std::atomic<std::size_t> failedAt_;
  std::vector<std::atomic<bool>> finished_;
};

// Reads one data file into series `read.Slot` of the store, which the file's reading alone
// writes. A failure is kept in `read`, with the line it came at. Stops early, leaving the series
// part-filled, when the pass no longer needs it (file `index` of the pass).
void LoadSeriesFile(DataFileRead& read, std::size_t index, const std::string& formatSpec, double baseMJD,
                    ObservationStore& store, CorrectionCache& corrections, const PassProgress& progress) noexcept {
  try {
    if (read.State.Kind == FileKind::Unreachable) ThrowSystemError(read.State.Error);
    const FormatTokens tokens = SplitFormatSpec(formatSpec);
    const bool hasUT1 = HasUT1(tokens);
    const int series = read.Slot;
    const FileHandle file = OpenForReading(read.Path);
    LineReader reader(file.get());
    int n = 0;  // records accepted so far
    bool inWindow = false;  // the last record was in the window, and the next ones likely are
    while (!reader.AtEnd() && !progress.Stops(index)) {
      ++read.Line;
      const std::string_view line = reader.ReadLine();
      // DayIndex = trunc(e - BaseMJD), decided on the difference itself so that no epoch, however
      // large, has to fit an integer. Before the window (most lines of a long file) the line's
      // fields are checked and only its epoch is converted.
      if (!inWindow && ParseDataLineEpoch(line, tokens) - baseMJD < 1.0) continue;  // DayIndex <= 0
      const DataRecord rec = ParseDataLine(line, tokens);
      const double e = rec.EpochMJD;
      const double days = e - baseMJD;
      inWindow = days >= 1.0;
      if (!inWindow) continue;              // DayIndex <= 0: before the window
      if (days >= kWindowDays) break;       // DayIndex >= 1000: beyond it, the file ends here
      if (n == ObservationStore::Rows) continue;  // the series is full: later records are ignored
      ++n;
      if (hasUT1) {
        store.At(n, series, StoreParameter::UT1) = rec.UT1;
        store.At(n, series, StoreParameter::UT1R) = rec.UT1 - corrections.Of(e, days);
      }
      const bool poleAbsent = rec.Xp == 0.0 && rec.Yp == 0.0;
      store.At(n, series, StoreParameter::Xp) = poleAbsent ? MissingValue : rec.Xp;
      store.At(n, series, StoreParameter::Yp) = poleAbsent ? MissingValue : rec.Yp;
      store.At(n, series, StoreParameter::EpochMJD) = e;
    }
  } catch (...) {
    read.Failure = std::current_exception();
  }
}

// Series `slot` of the store as the pass began it: every value MissingValue.
void ClearSeries(ObservationStore& store, int slot) {
  for (int row = 1; row <= ObservationStore::Rows; ++row) {
    for (int parameter = 1; parameter <= ObservationStore::Parameters; ++parameter) {
      store.At(row, slot, parameter) = MissingValue;
    }
  }
}

// Takes the next file of the pass and reads it, unless a file before it failed; false when every
// file is taken.
bool ReadNextFile(std::vector<DataFileRead>& reads, const SeriesSlots& slots, double baseMJD, ObservationStore& store,
                  CorrectionCache& corrections, PassProgress& progress) {
  const std::optional<std::size_t> file = progress.Take();
  if (!file) return false;
  if (!progress.Stops(*file)) {
    DataFileRead& read = reads[*file];
    LoadSeriesFile(read, *file, slots.SeriesFormatSpec[read.Slot], baseMJD, store, corrections, progress);
    if (read.Failure) progress.Failed(*file);
  }
  progress.Finish(*file);
  return true;
}

// Reads the data files of `reads` (in slot order) into the store as one pass in slot order would:
// the status names each file in turn and its slot counts as loaded; a failure ends the pass at
// that file, with the series read so far as they are and the later ones untouched. The files are
// read on two threads, the caller's and a second one, each taking the next file that nobody has
// taken yet: neither is idle while files are left, however the processor is shared and whatever
// else the caller does (it also paints the status). Each file goes into its own series.
void ReadDataFiles(std::vector<DataFileRead>& reads, const SeriesSlots& slots, double baseMJD, ObservationStore& store,
                   const LoadProgress& progress, const DayCorrections* ahead, ThreadStart secondThread) {
  PassProgress pass(reads.size());
  std::thread second;
  if (reads.size() > 1) {
    second = StartThread(secondThread, [&] {
      // First the disk is asked for every file at once, so that reading one file does not wait
      // for it while the next ones could be on their way; meanwhile the caller shows the status
      // and reads the first file.
      for (const DataFileRead& read : reads) ReadAheadFile(read.Path);
      auto corrections = std::make_unique<CorrectionCache>(ahead);
      while (ReadNextFile(reads, slots, baseMJD, store, *corrections, pass)) {
      }
    });
  }
  // The second thread ends before the pass leaves here, whichever way it leaves.
  struct Join {
    std::thread& thread;
    PassProgress& pass;
    void Now() {
      if (!thread.joinable()) return;
      pass.End();
      thread.join();
    }
    ~Join() { Now(); }
  } join{second, pass};

  auto corrections = std::make_unique<CorrectionCache>(ahead);
  for (std::size_t i = 0; i < reads.size(); ++i) {
    DataFileRead& read = reads[i];
    if (progress) progress(LoadStatus{LoadStatus::Step::Reading, read.Path});
    store.SeriesLoaded[read.Slot] = true;
    store.AnySeriesLoaded = true;
    // Until this file is read (here or on the second thread), this thread reads the next ones.
    while (!pass.Finished(i)) {
      if (!ReadNextFile(reads, slots, baseMJD, store, *corrections, pass)) pass.WaitFinished(i);
    }
    if (read.Failure) {
      // The files after this one are as if never read.
      join.Now();
      for (std::size_t later = i + 1; later < reads.size(); ++later) ClearSeries(store, reads[later].Slot);
      try {
        std::rethrow_exception(read.Failure);
      } catch (const std::exception& e) {
        throw PlacedError(e.what(), read.Path, read.Line);
      }
    }
  }
}

}  // namespace

DayCorrections::DayCorrections(double baseMJD) : baseMJD_(baseMJD) {
  epochs_.fill(std::numeric_limits<double>::quiet_NaN());  // equal to no epoch
  for (std::size_t day = 1; day < kDays; ++day) {
    // The 0h of the day is the whole MJD in [baseMJD + day, baseMJD + day + 1); it belongs to the
    // day only when the pass's own subtraction puts it there.
    const double epoch = std::ceil(baseMJD + static_cast<double>(day));
    const double days = epoch - baseMJD;
    if (!(days >= 1.0 && days < kWindowDays) || static_cast<std::size_t>(days) != day) continue;
    epochs_[day] = epoch;
    corrections_[day] = Ut1Correction(epoch, kWithSeasonalTerm);
  }
}

std::size_t ObservationStore::Index(int row, int series, int parameter) {
  // Outside the table is a programming error (checked in debug builds, like SlotArray).
  assert(row >= 1 && row <= Rows && series >= 1 && series <= SeriesCount && parameter >= 1 && parameter <= Parameters);
  // Rows of one series lie together: a series is read row after row.
  return (static_cast<std::size_t>(series - 1) * Rows + static_cast<std::size_t>(row - 1)) * Parameters +
         static_cast<std::size_t>(parameter - 1);
}

LoadOutcome LoadObservations(double baseMJD, const SeriesSlots& slots, ObservationStore& store,
                             const LoadProgress& progress, const DayCorrections* ahead, ThreadStart secondThread) {
  if (ahead != nullptr && ahead->BaseMJD() != baseMJD) ahead = nullptr;
  store.Values.fill(MissingValue);
  store.SeriesLoaded.Fill(false);

  std::vector<DataFileRead> reads;
  for (int i = 1; i <= SeriesCount; ++i) {
    const std::string& fileName = slots.SeriesFileName[i];
    if (IsBlankName(fileName)) continue;
    const std::string path = store.DataDirectory + fileName;
    // A folder, FIFO, socket or device is no data file, just as nothing at all is; a name that
    // cannot be followed (link loop, folder that may not be searched) fails like an unreadable file.
    const FileState state = FileStateOf(path);
    if (state.Kind == FileKind::Missing || state.Kind == FileKind::NotAFile) continue;
    reads.push_back(DataFileRead{i, path, state, 0, nullptr});
  }
  if (reads.empty()) return LoadOutcome::NoDataFiles;
  ReadDataFiles(reads, slots, baseMJD, store, progress, ahead, secondThread);
  if (progress) progress(LoadStatus{LoadStatus::Step::Ready, {}});
  return LoadOutcome::Loaded;
}

std::string DataDirectoryOf(const std::string& chosen) { return (chosen + kPathSeparator).substr(0, MaxFileNameLength); }

}  // namespace erp
