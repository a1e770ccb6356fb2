#include "core/ColumnFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace erp {
namespace {

std::vector<std::string> Strings(const auto& array) {
  std::vector<std::string> out(array.begin(), array.end());
  while (!out.empty() && out.back().empty()) out.pop_back();  // trailing empties are implied
  return out;
}

// The record of `line` by the ways a line is parsed, which must agree to the bit, or on the
// failure's message: field by field (SplitDataLine, then ParseRecord), in one pass (ParseDataLine,
// as the loading pass reads) and its epoch alone (ParseDataLineEpoch, for the lines before the
// window). Throws the failure.
DataRecord Parse(const std::string& line, const char* spec) {
  const FormatTokens tokens = SplitFormatSpec(spec);
  std::optional<DataRecord> byFields;
  std::optional<DataRecord> inOnePass;
  std::optional<double> epochAlone;
  std::string byFieldsError = "none";
  std::string inOnePassError = "none";
  std::string epochAloneError = "none";
  try {
    byFields = ParseRecord(SplitDataLine(line), tokens);
  } catch (const std::runtime_error& e) {
    byFieldsError = e.what();
  }
  try {
    inOnePass = ParseDataLine(line, tokens);
  } catch (const std::runtime_error& e) {
    inOnePassError = e.what();
  }
  try {
    epochAlone = ParseDataLineEpoch(line, tokens);
  } catch (const std::runtime_error& e) {
    epochAloneError = e.what();
  }
  EXPECT_EQ(inOnePassError, byFieldsError) << "line '" << line << "', format " << spec;
  EXPECT_EQ(epochAloneError, byFieldsError) << "line '" << line << "', format " << spec;
  if (byFields && inOnePass) {
    EXPECT_EQ(std::memcmp(&*byFields, &*inOnePass, sizeof(DataRecord)), 0) << "line '" << line << "', format " << spec;
  }
  if (byFields && epochAlone) {
    EXPECT_EQ(std::memcmp(&byFields->EpochMJD, &*epochAlone, sizeof(double)), 0) << "line '" << line << "', format " << spec;
  }
  if (!byFields) throw std::runtime_error(byFieldsError);
  return *byFields;
}

TEST(SplitFormatSpec, Tokens) {
  struct Case {
    const char* spec;
    std::vector<std::string> tokens;
  } const cases[] = {
      {"j_xp_yp_u", {"j", "xp", "yp", "u"}},
      {"j_xp_yp_u_", {"j", "xp", "yp", "u"}},
      {"_j__u", {"", "j", "", "u"}},
      {"j u", {"j u"}},
      {"abcdefghijkl", {"abcdefghij", "kl"}},
      {"", {}},
      {"a_b_c_d_e_f_g_h_i_j_k_l_m_n_o_p_q", {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spec);
    EXPECT_EQ(Strings(SplitFormatSpec(c.spec).text), c.tokens);
  }
  const FormatTokens t = SplitFormatSpec("yy_mm_dd_hh_j_rrr_xp_yp_u_U_ j");
  const ColumnKind kinds[] = {ColumnKind::Year, ColumnKind::Month, ColumnKind::Day, ColumnKind::Hour,
                              ColumnKind::Epoch, ColumnKind::Unused, ColumnKind::Xp, ColumnKind::Yp,
                              ColumnKind::UT1, ColumnKind::Ignored, ColumnKind::Ignored};
  for (std::size_t i = 0; i < std::size(kinds); ++i) EXPECT_EQ(t.kind[i], kinds[i]) << i;
  EXPECT_TRUE(HasUT1(t));
  EXPECT_FALSE(HasUT1(SplitFormatSpec("j_xp_yp_U")));
}

TEST(SplitDataLine, Fields) {
  struct Case {
    const char* name;
    std::string line;
    std::vector<std::string> fields;
  } const cases[] = {
      {"single blanks", "56508.0 0.1 0.2 -0.0123", {"56508.0", "0.1", "0.2", "-0.0123"}},
      {"runs of blanks", "   56508.0   0.1  0.2     -0.0123", {"56508.0", "0.1", "0.2", "-0.0123"}},
      {"one word", "56508", {"56508"}},
      {"one word after blanks", "  56508", {"", "56508"}},
      {"one word before blanks", "56508  ", {"", "56508"}},
      {"long last word is cut", "0.12345678901", {"0.12345678", "901"}},
      {"long word before a blank stays whole", "0.12345678901 7", {"0.12345678901", "7"}},
      {"tab is no separator", "a\tb d", {"a\tb", "d"}},
      {"empty", "", {}},
      {"blanks only", "     ", {}},
      {"sixteen words lose the last",
       "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
       {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Strings(SplitDataLine(c.line)), c.fields);
  }
}

struct RecordCase {
  const char* name;
  const char* spec;
  const char* line;
  double epoch;
  double ut1, xp, yp;
};

TEST(ParseRecord, Records) {
  const RecordCase cases[] = {
      {"MJD layout", "j_xp_yp_u", "56508.0 0.1 0.2 -0.0123", 56508.0, -0.0123, 0.1, 0.2},
      {"calendar with hour", "yy_mm_dd_hh_u", "13 8 4 6 0.1", 56508.25, 0.1, 0, 0},
      {"four-digit year", "yy_mm_dd_u", "2013 8 4 0.1", 56508.0, 0.1, 0, 0},
      {"day 0 of March in a leap year", "yy_mm_dd", "12 3 0", 55986.0, 0, 0, 0},
      {"MJD column wins over the date", "j_yy_mm_dd", "56508.5 99 12 31", 56508.5, 0, 0, 0},
      {"MJD 0 lets the date decide", "j_yy_mm_dd", "0 13 8 4", 56508.0, 0, 0, 0},
      {"hour not added to an MJD epoch", "j_hh", "56508.5 6", 56508.5, 0, 0, 0},
      {"later duplicate wins", "j_u_u", "56508 0.1 0.2", 56508.0, 0.2, 0, 0},
      {"ignored columns are not looked at", "j_x_u", "56508 garbage 0.5", 56508.0, 0.5, 0, 0},
  };
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.name);
    const DataRecord r = Parse(c.line, c.spec);
    EXPECT_EQ(r.EpochMJD, c.epoch);
    EXPECT_EQ(r.UT1, c.ut1);
    EXPECT_EQ(r.Xp, c.xp);
    EXPECT_EQ(r.Yp, c.yp);
  }
}

TEST(ParseRecord, Failures) {
  struct Case {
    const char* name;
    const char* spec;
    const char* line;
    const char* message;
  } const cases[] = {
      {"bad real in an unused column", "j_rrr_u", "56508 abc 0.1", "'abc' is not a valid floating point value"},
      {"too few words", "j_xp_yp_u", "56508 0.1", "'' is not a valid floating point value"},
      {"decimal comma", "j_u", "56508 0,1", "'0,1' is not a valid floating point value"},
      {"tab inside a real column", "j_u", "56508 0.1\t2 3", "'0.1\t2' is not a valid floating point value"},
      {"bad integer", "yy_mm_dd", "13 8 4.0", "''4.0'' is not a valid integer value"},
      {"integer out of range", "yy_mm_dd", "13 8 4294967300", "''4294967300'' is not a valid integer value"},
      {"day 0 of March, not a leap year", "yy_mm_dd", "13 3 0", "Invalid argument to date encode"},
      {"month 13", "yy_mm_dd", "13 13 1", "Invalid argument to date encode"},
      {"no date columns and MJD 0", "j_u", "0 0.1", "Invalid argument to date encode"},
      {"empty format specification", "", "56508 0.1", "Invalid argument to date encode"},
      {"header line", "j_u", "MJD UT1", "'MJD' is not a valid floating point value"},
      {"blank line", "j_u", "", "'' is not a valid floating point value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Parse(c.line, c.spec);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST(NormaliseYear, TwoDigitAndSixteenBitYears) {
  struct Case {
    std::uint16_t in, out;
  } const cases[] = {{0, 2000}, {13, 2013}, {79, 2079}, {80, 1980}, {85, 1985}, {99, 1999},
                     {2000, 2000}, {2013, 2013}, {2079, 2079}, {2085, 1985}, {1999, 1899}, {100, 0}};
  for (const Case& c : cases) EXPECT_EQ(NormaliseYear(c.in), c.out) << c.in;
  // A converted year keeps its low 16 bits: 65536 + 13 reads as 13.
  EXPECT_EQ(Parse("65549 8 4", "yy_mm_dd").EpochMJD, 56508.0);
}

// Hostile lines must parse or fail with one of the conversion messages, never crash or read out of
// bounds (run under the sanitizers to make the last part strict).
TEST(ParseRecord, HostileLinesParseOrFailCleanly) {
  std::vector<std::string> lines = {
      "",
      std::string(40, ' '),
      std::string(10000, '7'),
      std::string(10000, ' ') + "1",
      std::string("56508\0 0.1", 10),
      std::string("\0\0\0 \0", 5),
      "\xC0\xFF\x80 0.1 \xE9",
      "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20",
      std::string(200, '\x01'),
  };
  const char* specs[] = {"j_xp_yp_u", "yy_mm_dd_hh_u", "", "u_u_u_u_u_u_u_u_u_u_u_u_u_u_u"};
  for (const std::string& line : lines) {
    for (const char* spec : specs) {
      try {
        const DataRecord r = Parse(line, spec);
        EXPECT_NE(r.EpochMJD, 0.0);
      } catch (const std::runtime_error& e) {
        const std::string m = e.what();
        EXPECT_TRUE(m.ends_with("is not a valid floating point value") ||
                    m.ends_with("is not a valid integer value") || m == "Invalid argument to date encode")
            << m;
      }
    }
  }
  // A NUL byte in a field does not cut the message short.
  try {
    Parse(std::string("56508\0x 0.1", 12), "j_u");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "'56508x' is not a valid floating point value");
  }
  // Every field views the line itself.
  const std::string line = std::string(300, 'x') + " " + std::string(25, 'y');
  for (std::string_view f : SplitDataLine(line)) {
    if (f.empty()) continue;
    EXPECT_GE(f.data(), line.data());
    EXPECT_LE(f.data() + f.size(), line.data() + line.size());
  }
}

// Lines of random words, blanks, tabs and long last words under the layouts of the providers and
// odd ones: the one-pass parsing agrees with the field-by-field one on every line.
TEST(ParseDataLine, AgreesWithTheFieldByFieldParsing) {
  std::mt19937 random(1012);
  const char* const words[] = {"56508.5", "13", "8", "4", "0.107640", "-0.2423126", "1e-3", "abc", "2013",
                               "0.12345678901", "", "+5", "3", "0", "1234567890123", "5.", ".5", "-0", "1.5x",
                               "2147483647", "2147483648", "-2147483648", "-2147483649", "65549", "007",
                               "123456789012345", "1234567890123456", "9.999999999999999", "-"};
  const char* const gaps[] = {" ", "  ", "\t", " \t ", "\x01", " \x01"};
  const char* const specs[] = {"j_xp_yp_u",     "yy_mm_dd_hh_u_xp_yp", "rrr_j_xp_yp_u_rrr_rrr", "j__u", "_j",
                               "yy_mm_dd",      "u_u_u_u_u_u_u_u_u_u_u_u_u_u_u", "x_x_x_j", "", "jxpypuyymm", "j"};
  for (int round = 0; round < 5000; ++round) {
    std::string line = random() % 4 == 0 ? gaps[random() % std::size(gaps)] : "";
    const int count = static_cast<int>(random() % 18);
    for (int w = 0; w < count; ++w) {
      if (w > 0) line += gaps[random() % std::size(gaps)];
      line += words[random() % std::size(words)];
    }
    if (random() % 4 == 0) line += gaps[random() % std::size(gaps)];
    for (const char* spec : specs) {
      try {
        Parse(line, spec);
      } catch (const std::runtime_error&) {
        // a failure, the same both ways
      }
    }
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace erp
