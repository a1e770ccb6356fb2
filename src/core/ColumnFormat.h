// The column-format language of the data files and the parsing of one data line into a record.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace erp {

constexpr int MaxColumns = 15;  // tokens of a format specification, fields of a data line

// What a format token asks of its field.
enum class ColumnKind : std::uint8_t {
  Ignored,  // any other text, including the empty token: the field is not looked at
  Year,     // "yy": whole number
  Month,    // "mm": whole number
  Day,      // "dd": whole number
  Hour,     // "hh": whole number
  Epoch,    // "j": MJD, real number
  Unused,   // "rrr": a real number that is converted and dropped
  Xp,       // "xp": arcseconds, real number
  Yp,       // "yp": arcseconds, real number
  UT1,      // "u": UT1 - UTC, seconds, real number
};

// The kind named by one token; tokens match exactly (case and blanks count).
ColumnKind ColumnKindOf(std::string_view token);

// The 15 tokens of a format specification, with the kind each names.
struct FormatTokens {
  std::array<std::string, MaxColumns> text;
  std::array<ColumnKind, MaxColumns> kind{};
  int usedColumns = 0;  // the tokens up to the last one that names a column (0 when none does)
};

// The 15 fields of one line. They view the line's text, which must outlive them.
using FieldTexts = std::array<std::string_view, MaxColumns>;

// The values of one line; a column the format does not name leaves its value at 0.
struct DataRecord {
  std::uint16_t Year = 0;   // as converted (low 16 bits), before normalisation
  std::uint16_t Month = 0;
  std::uint16_t Day = 0;
  std::uint16_t Hour = 0;
  double EpochMJD = 0.0;    // final epoch (MJD days)
  double UT1 = 0.0;         // UT1 - UTC (seconds)
  double Xp = 0.0;          // arcseconds
  double Yp = 0.0;          // arcseconds
};

// Splits a format specification at "_" into 15 tokens. A piece without "_" is cut into tokens of at most
// 10 characters; missing tokens are empty; tokens past the 15th are lost.
FormatTokens SplitFormatSpec(std::string_view spec);

// True when any token is "u": the file carries UT1.
bool HasUT1(const FormatTokens& tokens);

// Splits a line at blanks into 15 fields. Runs of blanks count as one separator and the ends are
// trimmed of characters below code 33, with two quirks kept for compatibility with existing files:
// a single word with blanks around it lands in field 2, and the last word of a line (no blank after
// it) is cut into pieces of at most 10 characters filling consecutive fields.
FieldTexts SplitDataLine(std::string_view line);

// Converts the fields the tokens name and settles the epoch: the "j" column when it is not 0,
// otherwise the calendar fields (two-digit and 16-bit year normalisation, day 0 of March = 29
// February). Throws std::runtime_error on the first field that does not convert:
// "''<text>'' is not a valid integer value", "'<text>' is not a valid floating point value", or
// "Invalid argument to date encode" for a date that does not exist.
DataRecord ParseRecord(const FieldTexts& fields, const FormatTokens& tokens);

// ParseRecord(SplitDataLine(line), tokens) in one pass over the line: the same record, or the
// same failure. The fields after the last column the tokens name are not looked at.
DataRecord ParseDataLine(std::string_view line, const FormatTokens& tokens);

// ParseDataLine(line, tokens).EpochMJD, or the same failure: every field is checked as
// ParseDataLine converts it, but only the fields the epoch needs are converted (for the lines a
// loading pass drops by their epoch).
double ParseDataLineEpoch(std::string_view line, const FormatTokens& tokens);

// The year of a data file as the calendar uses it: 0..79 -> 2000..2079, 80..99 -> 1980..1999,
// 2000..2079 unchanged, any other year above 99 one hundred years earlier (16-bit arithmetic).
std::uint16_t NormaliseYear(std::uint16_t year);

}  // namespace erp
