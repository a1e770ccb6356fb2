#include "core/Cp1251.h"

#include <gtest/gtest.h>

#include <string>

namespace erp {
namespace {

struct TextCase {
  const char* name;
  std::string cp1251;
  std::string utf8;
};

// Texts that the code page holds: both directions give each other.
const TextCase kTexts[] = {
    {"ascii with controls", std::string("Alpha\tbeta 1.5\0end", 18), std::string("Alpha\tbeta 1.5\0end", 18)},
    {"cyrillic title", "\xD0\xFF\xE4_\xCF\xF3\xEB\xEA\xEE\xE2\xEE", "Ряд_Пулково"},
    {"first and last letters", "\xC0\xDF\xE0\xFF", "АЯая"},
    {"yo and signs", "\xA8\xB8\xB9\x88\x96", "Ёё№€–"},
    {"ukrainian and serbian letters", "\xAA\xAF\xB2\xA5\x8A\x9A", "ЄЇІҐЉљ"},
    {"empty", "", ""},
};

TEST(Cp1251, ConvertsBothWays) {
  for (const auto& c : kTexts) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Cp1251ToUtf8(c.cp1251), c.utf8);
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251);
  }
}

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1251ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToCp1251(utf8), all);
}

TEST(Cp1251, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
  const TextCase cases[] = {
      {"latin letter outside the page", "a?b", "a\xC3\xBC" "b"},   // ü
      {"cjk, one mark per character", "??", "日本"},
      {"four-byte character", "x?", "x\xF0\x9F\x98\x80"},
      {"stray continuation byte", "?A", "\x80" "A"},
      {"truncated sequence at the end", "A?", "A\xD0"},
      {"truncated sequence before ascii", "?B", "\xD0" "B"},
      {"overlong slash", "??", "\xC0\xAF"},
      {"surrogate", "???", "\xED\xA0\x80"},
      {"beyond U+10FFFF", "????", "\xF4\x90\x80\x80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251);
  }
}

TEST(Cp1251, PathsShowAsUtf8) {
  EXPECT_EQ(PathForDisplay("/data/ряды/a.dat"), "/data/ряды/a.dat");         // valid UTF-8 stays
  EXPECT_EQ(PathForDisplay("/data/\xF0\xE0\xE7.dat"), "/data/раз.dat");  // CP1251 bytes are read as such
}

}  // namespace
}  // namespace erp
