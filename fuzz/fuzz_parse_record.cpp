// Splitting and parsing of data lines under a fuzzed format and under formats that hold every
// token. Input: the first line is the format specification, every further line a data line
// (given to SplitDataLine as it stands, of any length, carriage returns included).
// Besides the properties every result must have, the splitting is compared with a literal,
// unoptimised transcription of its rules, the number conversions with the C library's, and the
// one-pass parsing of a line (and of its epoch alone) with the field-by-field one.
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "core/ColumnFormat.h"
#include "core/NumberText.h"

namespace {

using erp::fuzz::FirstLine;

// Every token in many positions, and the layouts the providers use.
const std::array<erp::FormatTokens, 5>& FixedFormats() {
  static const std::array<erp::FormatTokens, 5> formats = {
      erp::SplitFormatSpec("yy_mm_dd_hh_j_rrr_xp_yp_u"),
      erp::SplitFormatSpec("u_yp_xp_rrr_j_hh_dd_mm_yy"),
      erp::SplitFormatSpec("yy_mm_dd_hh_u_xp_yp"),
      erp::SplitFormatSpec("j_xp_yp_u"),
      erp::SplitFormatSpec("_j__rrr___________u"),
  };
  return formats;
}

// --- The rules, step by step, on copies -------------------------------------------------------

std::string TrimBelow33(std::string r) {
  while (!r.empty() && static_cast<unsigned char>(r.front()) < 33) r.erase(0, 1);
  while (!r.empty() && static_cast<unsigned char>(r.back()) < 33) r.pop_back();
  return r;
}

// Splitting a format specification: the text before each "_", or else pieces of 10 characters.
std::array<std::string, erp::MaxColumns> ReferenceTokens(std::string s) {
  std::array<std::string, erp::MaxColumns> tokens;
  for (std::string& token : tokens) {
    const std::size_t p = s.find('_');
    if (p != std::string::npos) {
      token = s.substr(0, p);
      s.erase(0, p + 1);
    } else {
      token = s.substr(0, 10);
      s.erase(0, token.size());
    }
  }
  return tokens;
}

// Splitting a line, five steps per field.
std::array<std::string, erp::MaxColumns> ReferenceFields(std::string r) {
  std::array<std::string, erp::MaxColumns> fields;
  for (std::string& field : fields) {
    const bool noBlank = r.find(' ') == std::string::npos;  // 1. looked at before anything else
    r = TrimBelow33(r);                                      // 2.
    if (const std::size_t q = r.find(' '); q != std::string::npos) {  // 3.
      field = r.substr(0, q);
      r.erase(0, q);
    }
    r = TrimBelow33(r);  // 4.
    if (noBlank) {       // 5.
      field = r.substr(0, 10);
      r.erase(0, field.size());
    }
  }
  return fields;
}

// A real number as the C library reads it (the program never changes the "C" locale), limited to
// decimal text: no blanks, no "inf", "nan" or hex. Out of range (also underflow to zero) fails.
std::optional<double> ReferenceReal(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string::npos) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  if (errno == ERANGE && (std::isinf(value) || value == 0.0)) return std::nullopt;
  return value;
}

std::optional<std::int32_t> ReferenceInt32(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789+-") != std::string::npos) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size() || errno == ERANGE) return std::nullopt;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

// ------------------------------------------------------------------------------------------------

void CheckNumbers(std::string_view field) {
  const std::string text(field);
  const std::optional<double> real = erp::ParseReal(field);
  const std::optional<double> expected = ReferenceReal(text);
  FUZZ_CHECK(real.has_value() == expected.has_value());
  if (real) FUZZ_CHECK(std::signbit(*real) == std::signbit(*expected) && *real == *expected);
  FUZZ_CHECK(erp::ParseInt32(field) == ReferenceInt32(text));
}

void CheckFields(std::string_view line, const erp::FieldTexts& fields) {
  const auto expected = ReferenceFields(std::string(line));
  for (int t = 0; t < erp::MaxColumns; ++t) {
    const std::string_view field = fields[static_cast<std::size_t>(t)];
    FUZZ_CHECK(field == expected[static_cast<std::size_t>(t)]);
    if (field.empty()) continue;
    // A field is a piece of the line: it never reads outside it.
    FUZZ_CHECK(field.data() >= line.data() && field.data() + field.size() <= line.data() + line.size());
    CheckNumbers(field);
  }
}

// The record of the line's fields, or the failure's message; the one-pass parsing of the loading
// pass gives the same, to the bit, and so does its parsing of the epoch alone.
void Parse(std::string_view line, const erp::FieldTexts& fields, const erp::FormatTokens& tokens) {
  std::string failure;
  erp::DataRecord rec;
  try {
    rec = erp::ParseRecord(fields, tokens);
    FUZZ_CHECK(std::isfinite(rec.EpochMJD) && rec.EpochMJD != 0.0);
    FUZZ_CHECK(std::isfinite(rec.UT1) && std::isfinite(rec.Xp) && std::isfinite(rec.Yp));
  } catch (const std::runtime_error& e) {
    failure = e.what();
    FUZZ_CHECK(erp::fuzz::IsConversionMessage(e.what()));
  }
  try {
    const erp::DataRecord onePass = erp::ParseDataLine(line, tokens);
    FUZZ_CHECK(failure.empty() && std::memcmp(&onePass, &rec, sizeof rec) == 0);
  } catch (const std::runtime_error& e) {
    FUZZ_CHECK(failure == e.what());
  }
  try {
    const double epoch = erp::ParseDataLineEpoch(line, tokens);
    FUZZ_CHECK(failure.empty() && std::memcmp(&epoch, &rec.EpochMJD, sizeof epoch) == 0);
  } catch (const std::runtime_error& e) {
    FUZZ_CHECK(failure == e.what());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest = erp::fuzz::Bytes(data, size);
  const std::string_view spec = FirstLine(rest);
  const erp::FormatTokens fuzzed = erp::SplitFormatSpec(spec);
  FUZZ_CHECK(fuzzed.text == ReferenceTokens(std::string(spec)));
  for (int t = 0; t < erp::MaxColumns; ++t) {
    FUZZ_CHECK(fuzzed.kind[static_cast<std::size_t>(t)] == erp::ColumnKindOf(fuzzed.text[static_cast<std::size_t>(t)]));
  }
  while (!rest.empty()) {
    const std::string_view line = FirstLine(rest);
    const erp::FieldTexts fields = erp::SplitDataLine(line);
    CheckFields(line, fields);
    Parse(line, fields, fuzzed);
    for (const erp::FormatTokens& tokens : FixedFormats()) Parse(line, fields, tokens);
  }
  return 0;
}
