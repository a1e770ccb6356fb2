#include "core/ObservationStore.h"

#include <array>
#include <cassert>
#include <filesystem>
#include <memory>
#include <string_view>

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

// Reads one data file into series `series` of the store.
// `line` counts the lines begun, so that a failure can be placed.
void LoadSeriesFile(const std::string& path, const std::string& formatSpec, int series,
                    double baseMJD, ObservationStore& store, CorrectionCache& corrections, long& line) {
  const FormatTokens tokens = SplitFormatSpec(formatSpec);
  const bool hasUT1 = HasUT1(tokens);
  const FileHandle file = OpenForReading(path);
  LineReader reader(file.get());
  int n = 0;  // records accepted so far
  while (!reader.AtEnd()) {
    ++line;
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

  auto corrections = std::make_unique<CorrectionCache>();
  for (;;) {
    for (int i = 1; i <= SeriesCount; ++i) {
      const std::string& fileName = slots.SeriesFileName[i];
      const std::string path = store.DataDirectory + fileName;
      if (IsBlankName(fileName)) continue;
      // A folder, FIFO, socket or device is no data file, just as nothing at all is; a name that
      // cannot be followed (link loop, folder that may not be searched) fails like an unreadable file.
      const FileState state = FileStateOf(path);
      if (state.Kind == FileKind::Missing || state.Kind == FileKind::NotAFile) continue;
      ui.ShowStatus(kReadingStatus + PathForDisplay(path));
      store.SeriesLoaded[i] = true;
      store.AnySeriesLoaded = true;
      long line = 0;
      try {
        if (state.Kind == FileKind::Unreachable) ThrowSystemError(state.Error);
        LoadSeriesFile(path, slots.SeriesFormatSpec[i], i, baseMJD, store, *corrections, line);
      } catch (...) {
        ui.ReadFailed(path, line);
        throw;
      }
    }
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
