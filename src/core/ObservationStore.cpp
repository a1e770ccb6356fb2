#include "core/ObservationStore.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <exception>
#include <filesystem>
#include <future>
#include <memory>
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
constexpr const char* kReadingStatus = ReadingStatusText;
constexpr const char* kReadyStatus = "  Ready";
constexpr const char* kNoDataMessage = "Путь к файлам данных указан неверно!";
constexpr char kPathSeparator = '/';

// True for a name that names no file at all: empty or blanks only.
bool IsBlankName(std::string_view fileName) {
  return fileName.find_first_not_of(' ') == std::string_view::npos;
}

// The UT1 corrections of one loading pass by day of the window. The series of different centres
// mostly share their epochs (a record a day at 00:00), and the correction of an epoch is the same
// computation each time: the last one of each day is kept and used again for the same epoch.
class CorrectionCache {
 public:
  // The correction (with the seasonal term) of `epoch`, which lies `days` (1 <= days < 1000) after
  // the store's day origin.
  double Of(double epoch, double days) {
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

// Reads one data file into series `read.Slot` of the store, which the file's reading alone
// writes. A failure is kept in `read`, with the line it came at. Stops early, leaving the series
// part-filled, when `stop` is set.
void LoadSeriesFile(DataFileRead& read, const std::string& formatSpec, double baseMJD, ObservationStore& store,
                    CorrectionCache& corrections, const std::atomic<bool>& stop) noexcept {
  try {
    if (read.State.Kind == FileKind::Unreachable) ThrowSystemError(read.State.Error);
    const FormatTokens tokens = SplitFormatSpec(formatSpec);
    const bool hasUT1 = HasUT1(tokens);
    const int series = read.Slot;
    const FileHandle file = OpenForReading(read.Path);
    LineReader reader(file.get());
    int n = 0;  // records accepted so far
    while (!reader.AtEnd() && !stop.load(std::memory_order_relaxed)) {
      ++read.Line;
      const DataRecord rec = ParseDataLine(reader.ReadLine(), tokens);
      const double e = rec.EpochMJD;
      // DayIndex = trunc(e - BaseMJD), decided on the difference itself so that no epoch, however
      // large, has to fit an integer.
      const double days = e - baseMJD;
      if (days < 1.0) continue;             // DayIndex <= 0: before the window
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

// The number of files, from the first, that the pass's own thread reads: about half the bytes of
// `reads`, the rest going to the second thread.
std::size_t OwnPart(const std::vector<DataFileRead>& reads) {
  std::uintmax_t total = 0;
  for (const DataFileRead& read : reads) total += read.State.Bytes;
  std::uintmax_t before = 0;
  std::size_t own = 0;
  while (own < reads.size() && 2 * (before + reads[own].State.Bytes) <= total + reads[own].State.Bytes) {
    before += reads[own++].State.Bytes;
  }
  return std::max<std::size_t>(own, 1);
}

// Reads the data files of `reads` (in slot order) into the store as one pass in slot order would:
// the status names each file in turn and its slot counts as loaded; a failure ends the pass at
// that file, with the series read so far as they are and the later ones untouched. The files are
// read on two threads, the first part by the caller and the rest by a second thread at the same
// time, each file into its own series of the store.
void ReadDataFiles(std::vector<DataFileRead>& reads, const SeriesSlots& slots, double baseMJD, ObservationStore& store,
                   LoadUi& ui) {
  const std::size_t own = reads.size() < 2 ? reads.size() : OwnPart(reads);
  std::atomic<bool> stop{false};
  std::vector<std::promise<void>> done(reads.size() - own);
  std::thread second;
  if (own < reads.size()) {
    second = std::thread([&] {
      auto corrections = std::make_unique<CorrectionCache>();
      for (std::size_t i = own; i < reads.size(); ++i) {
        if (!stop.load(std::memory_order_relaxed)) {
          LoadSeriesFile(reads[i], slots.SeriesFormatSpec[reads[i].Slot], baseMJD, store, *corrections, stop);
          if (reads[i].Failure) stop.store(true, std::memory_order_relaxed);
        }
        done[i - own].set_value();
      }
    });
  }
  // The second thread ends before the pass leaves here, whichever way it leaves.
  struct Join {
    std::thread& thread;
    std::atomic<bool>& stop;
    ~Join() {
      if (thread.joinable()) {
        stop.store(true, std::memory_order_relaxed);
        thread.join();
      }
    }
  } join{second, stop};

  auto corrections = std::make_unique<CorrectionCache>();
  for (std::size_t i = 0; i < reads.size(); ++i) {
    DataFileRead& read = reads[i];
    ui.ShowStatus(kReadingStatus + PathForDisplay(read.Path));
    store.SeriesLoaded[read.Slot] = true;
    store.AnySeriesLoaded = true;
    if (i < own) {
      static const std::atomic<bool> never{false};
      LoadSeriesFile(read, slots.SeriesFormatSpec[read.Slot], baseMJD, store, *corrections, never);
    } else {
      done[i - own].get_future().wait();
    }
    if (read.Failure) {
      // The files after this one are as if never read.
      stop.store(true, std::memory_order_relaxed);
      if (second.joinable()) second.join();
      for (std::size_t later = std::max(i + 1, own); later < reads.size(); ++later) ClearSeries(store, reads[later].Slot);
      ui.ReadFailed(read.Path, read.Line);
      std::rethrow_exception(read.Failure);
    }
  }
}

std::string WorkingDirectory() {
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  return ec ? std::string() : cwd.string();
}

}  // namespace

std::size_t ObservationStore::Index(int row, int series, int parameter) {
  // Outside the table is a programming error (checked in debug builds, like SlotArray).
  assert(row >= 1 && row <= Rows && series >= 1 && series <= SeriesCount && parameter >= 1 && parameter <= Parameters);
  // Rows of one series lie together: a series is read row after row.
  return (static_cast<std::size_t>(series - 1) * Rows + static_cast<std::size_t>(row - 1)) * Parameters +
         static_cast<std::size_t>(parameter - 1);
}

bool LoadObservations(double baseMJD, const SeriesSlots& slots, ObservationStore& store,
                      SlotArray<bool, SeriesCount>& seriesVisible, bool& rescaleOnChange,
                      double& timeShiftDays, LoadUi& ui) {
  store.Values.fill(MissingValue);
  store.SeriesLoaded.Fill(false);
  seriesVisible.Fill(false);

  for (;;) {
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
    ReadDataFiles(reads, slots, baseMJD, store, ui);
    if (store.AnySeriesLoaded) break;

    ui.ShowMessage(kNoDataMessage);
    // A cancel gives up: asking again would leave the operator no way out but to kill the program.
    const std::optional<std::string> chosen = ui.ChooseDirectory(WorkingDirectory());
    if (!chosen) return false;
    store.DataDirectory = (*chosen + kPathSeparator).substr(0, MaxFileNameLength);
  }

  rescaleOnChange = true;
  timeShiftDays = 0.0;
  ui.ShowStatus(kReadyStatus);
  return true;
}

}  // namespace erp
