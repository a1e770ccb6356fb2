#include "core/LineReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace erp {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::vector<std::string> ReadAll(const std::string& bytes) {
  std::unique_ptr<std::FILE, FileCloser> f(std::tmpfile());
  std::fwrite(bytes.data(), 1, bytes.size(), f.get());
  std::rewind(f.get());
  LineReader reader(f.get());
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.emplace_back(reader.ReadLine());
  return lines;
}

TEST(LineReader, Lines) {
  using V = std::vector<std::string>;
  struct Case {
    const char* name;
    std::string bytes;
    V lines;
  } const cases[] = {
      {"LF lines", "a\nb\n", V{"a", "b"}},
      {"no final line end", "a\nb", V{"a", "b"}},
      {"CR LF", "a\r\nb\r\n", V{"a", "b"}},
      {"CR dropped anywhere", "a\rb\r\r\nc", V{"ab", "c"}},
      {"CR-only line ends join the file", "a\rb\rc\r", V{"abc"}},
      {"empty line kept", "a\n\nb\n", V{"a", "", "b"}},
      {"Ctrl-Z ends the file", std::string("a\nb\x1A" "c\nd\n"), V{"a", "b"}},
      {"Ctrl-Z at a line start", std::string("a\n\x1A" "b\n"), V{"a"}},
      {"NUL bytes are characters", std::string("a\0b\n", 4), V{std::string("a\0b", 3)}},
      {"bytes above 127", "\xC0\xFF\n", V{"\xC0\xFF"}},
      {"empty file", "", V{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadAll(c.bytes), c.lines);
  }
}

TEST(LineReader, KeepsTheFirst200BytesOfALine) {
  const std::string longLine = std::string(200, 'a') + std::string(50, 'b');
  const auto lines = ReadAll(longLine + "\nnext\n" + std::string(1 << 20, 'z'));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(200, 'a'));
  EXPECT_EQ(lines[1], "next");
  EXPECT_EQ(lines[2], std::string(200, 'z'));
}

// Lines as a plain byte-by-byte reading gives them, over random bytes that put line feeds,
// carriage returns, Ctrl-Z and long lines anywhere, across the reader's 64 KiB blocks.
TEST(LineReader, ReadsAsAByteByByteReading) {
  std::mt19937 random(1210);
  const char alphabet[] = {'a', '0', ' ', '.', '\n', '\n', '\r', '\0', '\x1A'};
  for (int round = 0; round < 20; ++round) {
    std::string bytes;
    const std::size_t size = 1 + random() % 200000;
    const unsigned spread = round % 2 == 0 ? 8 : 9;  // every other round without Ctrl-Z
    for (std::size_t i = 0; i < size; ++i) {
      bytes += random() % 40 == 0 ? alphabet[random() % spread] : static_cast<char>('a' + random() % 26);
    }
    std::vector<std::string> expected;
    std::string line;
    bool open = false;
    for (const char c : bytes) {
      if (c == '\x1A') break;
      open = true;
      if (c == '\n') {
        expected.push_back(line);
        line.clear();
        open = false;
      } else if (c != '\r' && line.size() < LineReader::MaxLineLength) {
        line += c;
      }
    }
    if (open) expected.push_back(line);
    ASSERT_EQ(ReadAll(bytes), expected) << "round " << round;
  }
}

TEST(LineReader, ReadErrorCarriesTheSystemMessage) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(".", "rb"));  // a directory opens, reads fail
  if (!f) GTEST_SKIP() << "this system refuses to open a directory";
  LineReader reader(f.get());
  EXPECT_THROW(reader.AtEnd(), std::runtime_error);
}

}  // namespace
}  // namespace erp
