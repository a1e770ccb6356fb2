#include "core/LineReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
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

TEST(LineReader, ReadErrorCarriesTheSystemMessage) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(".", "rb"));  // a directory opens, reads fail
  if (!f) GTEST_SKIP() << "this system refuses to open a directory";
  LineReader reader(f.get());
  EXPECT_THROW(reader.AtEnd(), std::runtime_error);
}

}  // namespace
}  // namespace erp
