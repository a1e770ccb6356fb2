#include "core/ColumnFormat.h"

#include <algorithm>
#include <stdexcept>

#include "core/NumberText.h"
#include "core/TimeBase.h"

namespace erp {
namespace {

constexpr std::size_t kPieceLength = 10;  // piece of a format specification, or of a last word without separator

bool IsBelow33(char c) { return static_cast<unsigned char>(c) < 33; }

// The fields of a line one after the other, by the splitting rules: a field is the text up to the
// next blank (runs of blanks, and characters below code 33 beside them, separate fields), except
// that the text without any blank left (the last word) is cut into pieces of kPieceLength, and a
// line whose only word has blanks around it (and no blank between words) gives an empty field
// first. The line is trimmed of characters below code 33 at both ends once; each field is found
// from where the last one ended, so splitting a line is one pass over it.
class FieldCursor {
 public:
  explicit FieldCursor(std::string_view line) : line_(line), end_(line.size()) {
    while (end_ > 0 && IsBelow33(line_[end_ - 1])) --end_;
    // A blank anywhere, trailing ones too, decides the quirk of the first field.
    firstHasBlank_ = line_.find(' ') != std::string_view::npos;
  }

  // The next field into `field`; false (and `field` empty) when the line has no field left, so
  // that every further field is empty too.
  bool Next(std::string_view& field) {
    std::size_t start = pos_;
    while (start < end_ && IsBelow33(line_[start])) ++start;
    if (start >= end_) {
      field = {};
      pos_ = end_;
      return false;
    }
    const bool first = !begun_;
    begun_ = true;
    const std::size_t blank = line_.find(' ', start);
    if (blank < end_) {
      field = line_.substr(start, blank - start);
      pos_ = blank;
    } else if (first && firstHasBlank_) {
      // Blanks only around the line's one word: the first field is empty, the word comes next.
      field = {};
      pos_ = start;
    } else {
      field = line_.substr(start, std::min(kPieceLength, end_ - start));
      pos_ = start + field.size();
    }
    return true;
  }

 private:
  std::string_view line_;
  std::size_t end_;       // after the last character of code 33 or above
  std::size_t pos_ = 0;   // where the next field is looked for
  bool firstHasBlank_ = false;
  bool begun_ = false;
};

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
    if (tokens.kind[t] != ColumnKind::Ignored) tokens.usedColumns = t + 1;
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
  FieldCursor cursor(line);
  for (std::string_view& field : fields) {
    if (!cursor.Next(field)) break;
  }
  return fields;
}

std::uint16_t NormaliseYear(std::uint16_t year) {
  std::uint16_t y = year;
  if (y > 99) y = static_cast<std::uint16_t>(y - 2000);
  if (y < 80) y = static_cast<std::uint16_t>(y + 100);
  return static_cast<std::uint16_t>(y + 1900);
}

namespace {

// Converts field `f` as `kind` asks, into `rec`.
void ConvertField(DataRecord& rec, ColumnKind kind, std::string_view f) {
  switch (kind) {
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

// The epoch of a record whose fields are converted: the "j" column when it is not 0, otherwise
// the calendar fields.
void SettleEpoch(DataRecord& rec) {
  if (rec.EpochMJD != 0.0) return;
  std::uint16_t month = rec.Month;
  std::uint16_t day = rec.Day;
  if (month == 3 && day == 0) {  // day 0 of March is the last day of February
    month = 2;
    day = 29;
  }
  rec.EpochMJD = CalendarToMJD(NormaliseYear(rec.Year), month, day, rec.Hour);
}

}  // namespace

DataRecord ParseRecord(const FieldTexts& fields, const FormatTokens& tokens) {
  DataRecord rec;
  for (int t = 0; t < MaxColumns; ++t) ConvertField(rec, tokens.kind[t], fields[t]);
  SettleEpoch(rec);
  return rec;
}

namespace {

// A whole number at `p` in the 32-bit range, kept in its low 16 bits as ParseRecord keeps it.
bool ReadWhole16(const char*& p, const char* end, std::uint16_t& value) {
  std::int32_t whole = 0;
  if (!ReadInt32(p, end, whole)) return false;
  value = static_cast<std::uint16_t>(whole);
  return true;
}

// The record of an ordinary line in one pass over its characters, numbers converted as they are
// read: words of characters above code 32 between blanks, more than one, the last at most
// kPieceLength long, every field the tokens name a plain number. For such a line the splitting
// rules give exactly its words. Anything else (another character below code 33, a single word, a
// longer last word, a field that is no plain number, a missing one) gives false, and the line
// takes the general way, which then gives the same record or the failure.
// With kValues false, the columns the epoch does not need are checked but not converted (their
// values in `rec` stay 0).
template <bool kValues>
bool ParseOrdinaryLine(std::string_view line, const FormatTokens& tokens, DataRecord& rec) {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p < end && *p == ' ') ++p;
  for (int t = 0; t < tokens.usedColumns; ++t) {
    const ColumnKind kind = tokens.kind[t];
    if (p == end) {
      if (kind != ColumnKind::Ignored) return false;  // an empty field converts to nothing
      continue;
    }
    const char* const word = p;
    bool read = true;
    switch (kind) {
      case ColumnKind::Ignored:
        for (; p < end && *p != ' '; ++p) {
          if (IsBelow33(*p)) return false;
        }
        break;
      case ColumnKind::Year: read = ReadWhole16(p, end, rec.Year); break;
      case ColumnKind::Month: read = ReadWhole16(p, end, rec.Month); break;
      case ColumnKind::Day: read = ReadWhole16(p, end, rec.Day); break;
      case ColumnKind::Hour: read = ReadWhole16(p, end, rec.Hour); break;
      case ColumnKind::Epoch: read = ReadPlainDecimal(p, end, rec.EpochMJD); break;
      case ColumnKind::Unused: read = SkipPlainDecimal(p, end); break;
      case ColumnKind::Xp: read = kValues ? ReadPlainDecimal(p, end, rec.Xp) : SkipPlainDecimal(p, end); break;
      case ColumnKind::Yp: read = kValues ? ReadPlainDecimal(p, end, rec.Yp) : SkipPlainDecimal(p, end); break;
      case ColumnKind::UT1: read = kValues ? ReadPlainDecimal(p, end, rec.UT1) : SkipPlainDecimal(p, end); break;
    }
    if (!read || (p < end && *p != ' ')) return false;  // the word goes on: not a plain number
    const std::size_t length = static_cast<std::size_t>(p - word);
    while (p < end && *p == ' ') ++p;
    if (p < end && IsBelow33(*p)) return false;
    if (p == end && (t == 0 || length > kPieceLength)) return false;  // a single word, or a long last one
  }
  return true;
}

}  // namespace

namespace {

// The record of a line that is not an ordinary one (see ParseOrdinaryLine), field by field.
DataRecord ParseOtherLine(std::string_view line, const FormatTokens& tokens) {
  DataRecord rec;
  FieldCursor cursor(line);
  std::string_view field;
  bool more = true;
  for (int t = 0; t < tokens.usedColumns; ++t) {
    if (more) more = cursor.Next(field);
    ConvertField(rec, tokens.kind[t], field);
  }
  SettleEpoch(rec);
  return rec;
}

}  // namespace

DataRecord ParseDataLine(std::string_view line, const FormatTokens& tokens) {
  DataRecord rec;
  if (!ParseOrdinaryLine<true>(line, tokens, rec)) return ParseOtherLine(line, tokens);
  SettleEpoch(rec);
  return rec;
}

double ParseDataLineEpoch(std::string_view line, const FormatTokens& tokens) {
  DataRecord rec;
  if (!ParseOrdinaryLine<false>(line, tokens, rec)) return ParseOtherLine(line, tokens).EpochMJD;
  SettleEpoch(rec);
  return rec.EpochMJD;
}

}  // namespace erp
