#include "core/ObservationStore.h"

#include <filesystem>
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
constexpr const char* kReadingStatus = "  Считывание данных из файла: ";
constexpr const char* kReadyStatus = "  Ready";
constexpr const char* kNoDataMessage = "Путь к файлам данных указан неверно!";
constexpr char kPathSeparator = '/';

// True when a data file stands under `path`: not for an empty or blank name, a name the system
// cannot hold (an embedded NUL would cut it short), a directory, or nothing at all.
bool DataFileExists(const std::string& path, std::string_view fileName) {
  if (fileName.find_first_not_of(' ') == std::string_view::npos) return false;
  if (path.find('\0') != std::string::npos) return false;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

// Reads one data file into series `series` of the store.
// `line` counts the lines begun, so that a failure can be placed.
void LoadSeriesFile(const std::string& path, const std::string& formatSpec, int series,
                    double baseMJD, ObservationStore& store, long& line) {
  const FormatTokens tokens = SplitFormatSpec(formatSpec);
  const bool hasUT1 = HasUT1(tokens);
  const FileHandle file = OpenForReading(path);
  LineReader reader(file.get());
  int n = 0;  // records accepted so far
  while (!reader.AtEnd()) {
    ++line;
    const DataRecord rec = ParseRecord(SplitDataLine(reader.ReadLine()), tokens);
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
      store.At(n, series, StoreParameter::UT1R) = rec.UT1 - Ut1Correction(e, kWithSeasonalTerm);
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
  // Rows of one series lie together: a series is read row after row.
  return (static_cast<std::size_t>(series - 1) * Rows + static_cast<std::size_t>(row - 1)) * Parameters +
         static_cast<std::size_t>(parameter - 1);
}

void LoadObservations(double baseMJD, const SeriesSlots& slots, ObservationStore& store,
                      SlotArray<bool, SeriesCount>& seriesVisible, bool& rescaleOnChange,
                      double& timeShiftDays, LoadUi& ui) {
  store.Values.fill(MissingValue);
  store.SeriesLoaded.Fill(false);
  seriesVisible.Fill(false);

  for (;;) {
    for (int i = 1; i <= SeriesCount; ++i) {
      const std::string& fileName = slots.SeriesFileName[i];
      const std::string path = store.DataDirectory + fileName;
      if (!DataFileExists(path, fileName)) continue;
      ui.ShowStatus(kReadingStatus + PathForDisplay(path));
      store.SeriesLoaded[i] = true;
      store.AnySeriesLoaded = true;
      long line = 0;
      try {
        LoadSeriesFile(path, slots.SeriesFormatSpec[i], i, baseMJD, store, line);
      } catch (...) {
        ui.ReadFailed(path, line);
        throw;
      }
    }
    if (store.AnySeriesLoaded) break;

    ui.ShowMessage(kNoDataMessage);
    if (const std::optional<std::string> chosen = ui.ChooseDirectory(WorkingDirectory())) {
      store.DataDirectory = (*chosen + kPathSeparator).substr(0, MaxFileNameLength);
    }
  }

  rescaleOnChange = true;
  timeShiftDays = 0.0;
  ui.ShowStatus(kReadyStatus);
}

}  // namespace erp
