#include "core/ColumnFormat.h"

#include <stdexcept>

#include "core/NumberText.h"
#include "core/TimeBase.h"

namespace erp {
namespace {

constexpr std::size_t kPieceLength = 10;  // piece of a format specification, or of a last word without separator

bool IsBelow33(char c) { return static_cast<unsigned char>(c) < 33; }

std::string_view TrimBelow33(std::string_view s) {
  while (!s.empty() && IsBelow33(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBelow33(s.back())) s.remove_suffix(1);
  return s;
}

// The field text as it appears in an error message. NUL bytes are left out: the message travels as
// a C string and would otherwise end at the first one.
std::string MessageText(std::string_view field) {
  std::string text;
  text.reserve(field.size());
  for (char c : field) {
    if (c != '\0') text += c;
  }
  return text;
}

std::uint16_t ToWhole16(std::string_view field) {
  const auto value = ParseInt32(field);
  if (!value) throw std::runtime_error("''" + MessageText(field) + "'' is not a valid integer value");
  return static_cast<std::uint16_t>(*value);  // keeps the low 16 bits
}

double ToReal(std::string_view field) {
  const auto value = ParseReal(field);
  if (!value) throw std::runtime_error("'" + MessageText(field) + "' is not a valid floating point value");
  return *value;
}

}  // namespace

ColumnKind ColumnKindOf(std::string_view token) {
  if (token == "yy") return ColumnKind::Year;
  if (token == "mm") return ColumnKind::Month;
  if (token == "dd") return ColumnKind::Day;
  if (token == "hh") return ColumnKind::Hour;
  if (token == "j") return ColumnKind::Epoch;
  if (token == "rrr") return ColumnKind::Unused;
  if (token == "xp") return ColumnKind::Xp;
  if (token == "yp") return ColumnKind::Yp;
  if (token == "u") return ColumnKind::UT1;
  return ColumnKind::Ignored;
}

FormatTokens SplitFormatSpec(std::string_view spec) {
  FormatTokens tokens;
  std::string_view s = spec;
  for (int t = 0; t < MaxColumns; ++t) {
    const std::size_t p = s.find('_');
    std::string_view token;
    if (p != std::string_view::npos) {
      token = s.substr(0, p);
      s.remove_prefix(p + 1);
    } else {
      token = s.substr(0, kPieceLength);
      s.remove_prefix(token.size());
    }
    tokens.text[t] = std::string(token);
    tokens.kind[t] = ColumnKindOf(token);
  }
  return tokens;
}

bool HasUT1(const FormatTokens& tokens) {
  for (ColumnKind k : tokens.kind) {
    if (k == ColumnKind::UT1) return true;
  }
  return false;
}

FieldTexts SplitDataLine(std::string_view line) {
  FieldTexts fields{};
  std::string_view r = line;
  for (int t = 0; t < MaxColumns && !r.empty(); ++t) {  // an empty rest leaves the fields empty
    const bool hadBlank = r.find(' ') != std::string_view::npos;  // looked at before anything else
    r = TrimBelow33(r);
    std::string_view field;
    const std::size_t q = r.find(' ');
    if (q != std::string_view::npos) {
      field = r.substr(0, q);
      r.remove_prefix(q);
    }
    r = TrimBelow33(r);
    if (!hadBlank) {
      field = r.substr(0, kPieceLength);
      r.remove_prefix(field.size());
    }
    fields[t] = field;
  }
  return fields;
}

std::uint16_t NormaliseYear(std::uint16_t year) {
  std::uint16_t y = year;
  if (y > 99) y = static_cast<std::uint16_t>(y - 2000);
  if (y < 80) y = static_cast<std::uint16_t>(y + 100);
  return static_cast<std::uint16_t>(y + 1900);
}

DataRecord ParseRecord(const FieldTexts& fields, const FormatTokens& tokens) {
  DataRecord rec;
  for (int t = 0; t < MaxColumns; ++t) {
    const std::string_view f = fields[t];
    switch (tokens.kind[t]) {
      case ColumnKind::Ignored: break;
      case ColumnKind::Year: rec.Year = ToWhole16(f); break;
      case ColumnKind::Month: rec.Month = ToWhole16(f); break;
      case ColumnKind::Day: rec.Day = ToWhole16(f); break;
      case ColumnKind::Hour: rec.Hour = ToWhole16(f); break;
      case ColumnKind::Epoch: rec.EpochMJD = ToReal(f); break;
      case ColumnKind::Unused: ToReal(f); break;
      case ColumnKind::Xp: rec.Xp = ToReal(f); break;
      case ColumnKind::Yp: rec.Yp = ToReal(f); break;
      case ColumnKind::UT1: rec.UT1 = ToReal(f); break;
    }
  }
  if (rec.EpochMJD != 0.0) return rec;

  std::uint16_t month = rec.Month;
  std::uint16_t day = rec.Day;
  if (month == 3 && day == 0) {  // day 0 of March is the last day of February
    month = 2;
    day = 29;
  }
  rec.EpochMJD = CalendarToMJD(NormaliseYear(rec.Year), month, day, rec.Hour);
  return rec;
}

}  // namespace erp
