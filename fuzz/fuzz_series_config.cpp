// Reading series.ini: any bytes give fifteen rows or "Invalid numeric input", the same as a
// literal transcription of the row-reading steps gives, and rows that were read are written and
// read back unchanged. Input: the bytes of series.ini.
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

#include "FuzzSupport.h"
#include "core/NumberText.h"
#include "core/SeriesConfig.h"

namespace {

// The row-reading steps on the whole file as one string, positions counted from 1 as the steps
// count them. Fills `rows` up to the row that fails; returns the error, or empty.
std::string ReferenceRows(const std::string& file, std::vector<erp::SeriesConfig>& rows) {
  std::size_t pos = 0;
  const auto readInteger = [&](std::int32_t& value) {
    while (pos < file.size() && static_cast<unsigned char>(file[pos]) <= 32) ++pos;
    value = 0;
    if (pos == file.size()) return true;
    std::string token;
    while (pos < file.size() && static_cast<unsigned char>(file[pos]) > 32 && token.size() < 32) token += file[pos++];
    const std::optional<std::int32_t> parsed = erp::ParseInt32(token);
    if (!parsed) return false;
    value = *parsed;
    return true;
  };
  for (int slot = 1; slot <= erp::SeriesCount; ++slot) {
    erp::SeriesConfig row;
    if (!readInteger(row.ColorIndex) || !readInteger(row.SymbolIndex)) return "Invalid numeric input";  // 1, 2
    const std::size_t end = std::min(file.find_first_of("\r\n", pos), file.size());
    std::string rest = file.substr(pos, end - pos);  // 3
    pos = end;
    if (pos < file.size() && file[pos] == '\r') {  // 4: CR LF, or CR alone
      ++pos;
      if (pos < file.size() && file[pos] == '\n') ++pos;
    } else if (pos < file.size() && file[pos] == '\n') {  // LF alone
      ++pos;
    }
    if (!rest.empty()) rest.erase(0, 1);  // 5
    const std::size_t p1 = rest.find(' ') == std::string::npos ? 0 : rest.find(' ') + 1;  // 6
    if (p1 > 1) row.Title = rest.substr(0, p1 - 1);
    rest.erase(0, p1);  // 7
    const std::size_t p2 = rest.find(' ') == std::string::npos ? 0 : rest.find(' ') + 1;  // 8
    if (p2 > 1) row.FileName = rest.substr(0, p2 - 1);
    row.FormatSpec = rest.substr(p2, erp::MaxFormatSpecLength);  // 9: from position p2 + 1
    rows.push_back(row);
  }
  return {};
}

// Reads the rows of a file; the message of the error that ended the reading, or empty.
std::string ReadRows(const std::string& path, std::vector<erp::SeriesConfig>& rows, erp::SeriesSlots& slots) {
  try {
    FUZZ_CHECK(erp::FileExists(path));
    erp::ReadSeriesConfig(
        [&](int slot, const erp::SeriesConfig& row) {
          FUZZ_CHECK(slot == static_cast<int>(rows.size()) + 1);
          rows.push_back(row);
          erp::ApplySeriesSlots(slots, slot, row);
        },
        path);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const erp::fuzz::MemoryFile file(erp::fuzz::Bytes(data, size));
  std::vector<erp::SeriesConfig> rows;
  erp::SeriesSlots slots = erp::DefaultSeriesSlots();
  const std::string error = ReadRows(file.Path(), rows, slots);
  std::vector<erp::SeriesConfig> expected;
  FUZZ_CHECK(ReferenceRows(std::string(erp::fuzz::Bytes(data, size)), expected) == error);
  FUZZ_CHECK(rows == expected);

  for (const erp::SeriesConfig& row : rows) {
    FUZZ_CHECK(row.Title.find_first_of(" \r\n") == std::string::npos);
    FUZZ_CHECK(row.FileName.find_first_of(" \r\n") == std::string::npos);
    FUZZ_CHECK(row.FormatSpec.size() <= erp::MaxFormatSpecLength);
    FUZZ_CHECK(row.FormatSpec.find_first_of("\r\n") == std::string::npos);
    const erp::SeriesLook look = erp::LookOfSeries(row);
    FUZZ_CHECK(!look.Color || (*look.Color >= 0 && *look.Color < erp::ColorListSize));
  }
  for (const std::string& name : slots.SeriesFileName) FUZZ_CHECK(name.size() <= erp::MaxFileNameLength);
  if (!error.empty()) {
    FUZZ_CHECK(error == "Invalid numeric input");
    FUZZ_CHECK(rows.size() < erp::SeriesCount);
    return 0;
  }
  FUZZ_CHECK(rows.size() == erp::SeriesCount);

  // What was read, written by the dialog's writer, reads back the same.
  erp::SlotArray<erp::SeriesConfig, erp::SeriesCount> table;
  for (int i = 1; i <= erp::SeriesCount; ++i) table[i] = rows[static_cast<std::size_t>(i - 1)];
  const erp::fuzz::MemoryFile written(erp::SeriesConfigText(table));
  std::vector<erp::SeriesConfig> back;
  erp::SeriesSlots backSlots = erp::DefaultSeriesSlots();
  FUZZ_CHECK(ReadRows(written.Path(), back, backSlots).empty());
  FUZZ_CHECK(back == rows);
  return 0;
}
