// A whole loading pass over a fuzzed data file. Input: the first line is the format specification
// of slot 1; the rest is the data file, read by slot 1 with that format and by slots 2 and 15 with
// two fixed layouts. Whatever the file holds, the store keeps its shape (rows filled from 1
// without gaps, epochs inside the day window, finite values, MissingValue where nothing was read)
// and holds exactly what a plain transcription of the pass's rules puts there.
#include <cmath>
#include <array>
#include <memory>
#include <string>
#include <vector>
#include <stdexcept>

#include "FuzzSupport.h"
#include "core/ColumnFormat.h"
#include "core/FileIo.h"
#include "core/ObservationStore.h"
#include "core/Ut1Correction.h"

namespace {

constexpr double kBaseMJD = 56508.0 + 10.0 / 24.0 - 750.0;  // reference moment MJD 56508.41666...

void CheckSeries(const erp::ObservationStore& store, int series, bool hasUT1) {
  using P = erp::StoreParameter;
  int r = 1;
  for (; r <= erp::ObservationStore::Rows && store.At(r, series, P::EpochMJD) != erp::MissingValue; ++r) {
    const double e = store.At(r, series, P::EpochMJD);
    FUZZ_CHECK(e - kBaseMJD >= 1.0 && e - kBaseMJD < 1000.0);
    for (int p = 1; p <= erp::ObservationStore::Parameters; ++p) FUZZ_CHECK(std::isfinite(store.At(r, series, p)));
    if (!hasUT1) FUZZ_CHECK(store.At(r, series, P::UT1) == erp::MissingValue && store.At(r, series, P::UT1R) == erp::MissingValue);
    FUZZ_CHECK(!(store.At(r, series, P::Xp) == 0.0 && store.At(r, series, P::Yp) == 0.0));
  }
  for (; r <= erp::ObservationStore::Rows; ++r) {
    for (int p = 1; p <= erp::ObservationStore::Parameters; ++p) FUZZ_CHECK(store.At(r, series, p) == erp::MissingValue);
  }
}

// The lines of a data file: a line feed ends a line, carriage returns are dropped, a byte 26 ends
// the file, and a line keeps its first 200 characters.
std::vector<std::string> ReferenceLines(std::string_view file) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < file.size() && file[i] != 26) {
    std::string line;
    for (; i < file.size() && file[i] != 26 && file[i] != '\n'; ++i) {
      if (file[i] != '\r' && line.size() < 200) line += file[i];
    }
    if (i < file.size() && file[i] == '\n') ++i;
    lines.push_back(line);
  }
  return lines;
}

// The rows one slot's pass stores, as (UT1, UT1R, Xp, Yp, epoch); the error that ended it, if any.
using Row = std::array<double, 5>;
std::string ReferenceSeries(const std::vector<std::string>& lines, const std::string& spec, std::vector<Row>& rows) {
  const erp::FormatTokens tokens = erp::SplitFormatSpec(spec);
  const bool hasUT1 = erp::HasUT1(tokens);
  for (const std::string& line : lines) {
    erp::DataRecord rec;
    try {
      rec = erp::ParseRecord(erp::SplitDataLine(line), tokens);
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    const double e = rec.EpochMJD;
    if (std::trunc(e - kBaseMJD) <= 0) continue;     // DayIndex <= 0
    if (std::trunc(e - kBaseMJD) >= 1000) break;     // DayIndex >= 1000
    if (rows.size() == erp::ObservationStore::Rows) continue;
    const bool poleAbsent = rec.Xp == 0.0 && rec.Yp == 0.0;
    rows.push_back({hasUT1 ? rec.UT1 : erp::MissingValue, hasUT1 ? rec.UT1 - erp::Ut1Correction(e, 1) : erp::MissingValue,
                    poleAbsent ? erp::MissingValue : rec.Xp, poleAbsent ? erp::MissingValue : rec.Yp, e});
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto store = std::make_unique<erp::ObservationStore>();
  std::string_view rest = erp::fuzz::Bytes(data, size);
  const std::string spec(erp::fuzz::FirstLine(rest));
  const erp::fuzz::MemoryFile file(rest);

  erp::SeriesSlots slots;
  slots.SeriesFileName.Fill("");
  const int slotsRead[] = {1, 2, 15};
  const std::string specs[] = {spec, "j_xp_yp_u", "yy_mm_dd_hh_u_xp_yp"};
  for (int k = 0; k < 3; ++k) {
    slots.SeriesFileName[slotsRead[k]] = file.Name();
    slots.SeriesFormatSpec[slotsRead[k]] = specs[k];
  }
  store->DataDirectory = erp::fuzz::MemoryFile::Folder();
  bool ready = false;
  std::string error;
  try {
    const erp::LoadOutcome outcome = erp::LoadObservations(kBaseMJD, slots, *store, [&](const erp::LoadStatus& status) {
      ready = status.Now == erp::LoadStatus::Step::Ready;
    });
    FUZZ_CHECK(outcome == erp::LoadOutcome::Loaded && ready);  // the file exists
  } catch (const erp::PlacedError& e) {
    error = e.what();
    FUZZ_CHECK(erp::fuzz::IsConversionMessage(error));
    FUZZ_CHECK(!ready && e.File == erp::fuzz::MemoryFile::Folder() + file.Name());
  }
  FUZZ_CHECK(store->SeriesLoaded[1] && store->AnySeriesLoaded);
  for (int s = 1; s <= erp::SeriesCount; ++s) {
    CheckSeries(*store, s, erp::HasUT1(erp::SplitFormatSpec(slots.SeriesFormatSpec[s])));
  }

  // The same pass by the rules: the slots in order, each up to its end or the first error.
  const std::vector<std::string> lines = ReferenceLines(rest);
  std::string expectedError;
  for (int k = 0; k < 3; ++k) {
    const int s = slotsRead[k];
    FUZZ_CHECK(store->SeriesLoaded[s] == expectedError.empty());
    if (!expectedError.empty()) continue;
    std::vector<Row> rows;
    expectedError = ReferenceSeries(lines, specs[k], rows);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (int p = 1; p <= 5; ++p) {
        const double stored = store->At(static_cast<int>(r) + 1, s, p);
        FUZZ_CHECK(stored == rows[r][static_cast<std::size_t>(p - 1)]);
      }
    }
    if (rows.size() < erp::ObservationStore::Rows) {
      FUZZ_CHECK(store->At(static_cast<int>(rows.size()) + 1, s, erp::StoreParameter::EpochMJD) == erp::MissingValue);
    }
  }
  FUZZ_CHECK(error == expectedError);
  return 0;
}
