#include "core/NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>

namespace erp {
namespace {

TEST(ParseReal, Grammar) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } const cases[] = {
      // accepted forms
      {"0", true, 0.0},          {"5.", true, 5.0},        {".5", true, 0.5},
      {"+5", true, 5.0},         {"-5", true, -5.0},       {"1e5", true, 1e5},
      {"-1.5E-03", true, -1.5e-3}, {".143000", true, 0.143}, {"56508.0", true, 56508.0},
      {"-0.0123", true, -0.0123}, {"1E+2", true, 100.0},   {"007", true, 7.0},
      {"1.7976931348623157e308", true, std::numeric_limits<double>::max()},
      // refused forms
      {"", false, 0},    {"+", false, 0},    {"-", false, 0},    {".", false, 0},
      {"e5", false, 0},  {"1e", false, 0},   {"1e+", false, 0},  {"nan", false, 0},
      {"inf", false, 0}, {"-inf", false, 0}, {"0x10", false, 0}, {"1,5", false, 0},
      {" 1", false, 0},  {"1 ", false, 0},   {"1.2.3", false, 0}, {"+-1", false, 0},
      {"1e400", false, 0}, {"-1e400", false, 0}, {"abc", false, 0}, {"1d5", false, 0},
      {"\t1", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto v = ParseReal(c.text);
    ASSERT_EQ(v.has_value(), c.ok);
    if (c.ok) {
      EXPECT_EQ(*v, c.value);
    }
  }
}

// Plain decimals take a quicker way than from_chars; they must come out as the very same double,
// for every number of digits before and after the point, signs and leading zeros included.
TEST(ParseReal, PlainDecimalsAreTheNearestDouble) {
  std::mt19937_64 random(20261210);
  for (int n = 0; n < 200000; ++n) {
    const int digits = 1 + static_cast<int>(random() % 17);  // up to 17: past the quick way's 15
    const int point = static_cast<int>(random() % static_cast<std::uint64_t>(digits + 1));
    std::string text = random() % 4 == 0 ? "-" : "";
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    if (point == digits && random() % 2 == 0) text += '.';
    const std::string unsigned_text = text[0] == '-' ? text.substr(1) : text;
    double expected = 0.0;
    std::from_chars(unsigned_text.data(), unsigned_text.data() + unsigned_text.size(), expected);
    if (text[0] == '-') expected = -expected;
    const std::optional<double> value = ParseReal(text);
    ASSERT_TRUE(value) << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(*value), std::bit_cast<std::uint64_t>(expected)) << text;
  }
}

TEST(ParseReal, IgnoresTheLocaleDecimalComma) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") == nullptr) GTEST_SKIP() << "ru_RU.UTF-8 locale not generated";
  EXPECT_EQ(ParseReal("0.25"), 0.25);
  EXPECT_FALSE(ParseReal("0,25").has_value());
  EXPECT_EQ(FormatShortest(0.25), "0.25");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(ParseInt32, Grammar) {
  struct Case {
    const char* text;
    bool ok;
    std::int32_t value;
  } const cases[] = {
      {"0", true, 0}, {"13", true, 13}, {"+7", true, 7}, {"-7", true, -7}, {"0010", true, 10},
      {"2147483647", true, 2147483647}, {"-2147483648", true, std::numeric_limits<std::int32_t>::min()},
      {"", false, 0}, {"+", false, 0}, {"-", false, 0}, {"1.0", false, 0}, {"$1F", false, 0},
      {"0x1F", false, 0}, {" 1", false, 0}, {"1 ", false, 0}, {"2147483648", false, 0},
      {"-2147483649", false, 0}, {"99999999999999999999", false, 0}, {"1e3", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto v = ParseInt32(c.text);
    ASSERT_EQ(v.has_value(), c.ok);
    if (c.ok) {
      EXPECT_EQ(*v, c.value);
    }
  }
}

TEST(FormatShortest, RoundTrips) {
  for (double v : {0.0, 1.0, -2.0, 0.1, 0.001, 123456.789, -1.5e-300}) {
    EXPECT_EQ(ParseReal(FormatShortest(v)), v) << FormatShortest(v);
  }
  EXPECT_EQ(FormatShortest(2.0), "2");
}

}  // namespace
}  // namespace erp
