#include "core/ScaleMemory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "SettingsTestSupport.h"

namespace erp {
namespace {

using testing::ErrorOf;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

ScaleMemory Memory(const std::vector<std::int32_t>& first) {
  ScaleMemory memory{};
  for (std::size_t k = 0; k < first.size(); ++k) memory[static_cast<int>(k) + 1] = first[k];
  return memory;
}

TEST(ScaleSlot, NumbersTheSixteenViews) {
  struct Case {
    int p, i, t;
    std::optional<int> slot;
  };
  const Case cases[] = {
      {0, 0, 0, 1},  {0, 0, 1, 2},  {0, 1, 0, 3},  {1, 0, 0, 5},  {1, 1, 1, 8},
      {2, 0, 0, 9},  {2, 1, 1, 12}, {3, 0, 0, 13}, {3, 1, 1, 16},
      // no slot outside the ranges
      {-1, 0, 0, std::nullopt}, {4, 0, 0, std::nullopt}, {0, -1, 0, std::nullopt}, {0, 2, 0, std::nullopt},
      {0, 0, -1, std::nullopt}, {0, 0, 2, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "p=" << c.p << " i=" << c.i << " t=" << c.t);
    EXPECT_EQ(ScaleSlot(c.p, c.i, c.t), c.slot);
  }
}

TEST(LoadScaleMemory, ReadsOneNumberPerLine) {
  std::string twenty;
  for (int k = 1; k <= 20; ++k) twenty += std::to_string(k % 5) + "\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::int32_t> first;  // then zeros
  };
  const Case cases[] = {
      {"sixteen CR LF lines", "2\r\n0\r\n1\r\n4\r\n3\r\n3\r\n0\r\n1\r\n2\r\n2\r\n0\r\n0\r\n1\r\n4\r\n4\r\n1\r\n",
       {2, 0, 1, 4, 3, 3, 0, 1, 2, 2, 0, 0, 1, 4, 4, 1}},
      {"blank line passed over, missing numbers are 0", "1\r\n\r\n3\r\n", {1, 3}},
      {"blanks and tabs around numbers", "   1 \n\t\t2\t\r\n", {1, 2}},
      {"lines of blanks and tabs passed over", "1\r\n \t \r\n2\r\n", {1, 2}},
      {"LF and CR-only line ends", "1\n2\r3\r\n4", {1, 2, 3, 4}},
      {"values outside 0..4 are kept", "-7\r\n2147483647\r\n+12\r\n", {-7, 2147483647, 12}},
      {"more than sixteen lines", twenty, {1, 2, 3, 4, 0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0, 1}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "scale.ini", c.bytes);
    ScaleMemory memory = Memory(std::vector<std::int32_t>(16, 9));  // nothing of this may survive
    EXPECT_EQ(ErrorOf([&] { LoadScaleMemory(memory, dir / "scale.ini"); }), "");
    EXPECT_EQ(memory, Memory(c.first));
  }
}

TEST(LoadScaleMemory, NonIntegerStopsAfterTheNumbersBeforeIt) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::int32_t> setBefore;
  };
  const Case cases[] = {
      {"word", "abc\r\n", {}},
      {"fraction on line 3", "1\r\n2\r\n2.5\r\n4\r\n", {1, 2}},
      {"out of range", "1\r\n99999999999\r\n", {1}},
      {"text before the number", "x1\r\n", {}},
      {"binary", "1\r\n\x89PNG\r\n\x1a\n", {1}},
      // A line is an entry only when the whole line is one number: a data file's record put in
      // its place (a link by mistake) is refused, not read as its first field.
      {"a data file's record", "60654 0.107640 0.264314 0.2423126\r\n", {}},
      {"two numbers on a line", "1\r\n3 4\r\n", {1}},
      {"text after a number", "2 two\r\n", {}},
      {"NUL bytes before a number", std::string("\0\0" "3\r\n", 5), {}},
      {"control bytes after a number", std::string("1\r\n2\0\1\2\r\n", 9), {1}},
      {"a megabyte after the first number", "1 " + std::string(1 << 20, 'x') + "\r\n2\r\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "scale.ini", c.bytes);
    ScaleMemory memory{};
    EXPECT_EQ(ErrorOf([&] { LoadScaleMemory(memory, dir / "scale.ini"); }), "Invalid numeric input");
    EXPECT_EQ(memory, Memory(c.setBefore));
  }
}

TEST(LoadScaleMemory, MissingFileIsCreatedEmpty) {
  TempDir dir;
  const std::string path = dir / "scale.ini";
  ScaleMemory memory = Memory({3, 1});
  LoadScaleMemory(memory, path);
  EXPECT_EQ(memory, Memory({3, 1}));
  ASSERT_TRUE(std::filesystem::is_regular_file(path));
  EXPECT_EQ(ReadBytes(path), "");
}

// Only a regular file is read; nothing at all is created empty; anything else fails with the
// system's message and neither blocks (FIFO), reads for ever (device) nor is created over.
TEST(LoadScaleMemory, ReadsOnlyARegularFile) {
  const testing::HostileNames names;
  const TempDir& dir = names.dir;
  WriteBytes(dir / "file.ini", "3\r\n1\r\n");
  struct Case {
    const char* name;
    std::string path;
    std::string error;
    std::vector<std::int32_t> memory;  // what is read; untouched (7, 7) on failure
  };
  const Case cases[] = {
      {"link to a regular file", dir / "link.ini", "", {3, 1}},
      {"dangling link: its file is created empty", dir / "dangling.ini", "", {7, 7}},
      {"folder", dir / "folder.ini", std::strerror(EISDIR), {7, 7}},
      {"FIFO", dir / "fifo.ini", std::strerror(EINVAL), {7, 7}},
      {"socket", dir / "socket.ini", std::strerror(EINVAL), {7, 7}},
      {"link to an endless device", dir / "zero.ini", std::strerror(EINVAL), {7, 7}},
      {"link loop", dir / "loop-a.ini", std::strerror(ELOOP), {7, 7}},
      {"missing folder: cannot be created", dir / "no-folder/scale.ini", std::strerror(ENOENT), {7, 7}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScaleMemory memory = Memory({7, 7});
    EXPECT_EQ(ErrorOf([&] { LoadScaleMemory(memory, c.path); }), c.error);
    EXPECT_EQ(memory, Memory(c.memory));
  }
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "dangling.ini"));
  EXPECT_EQ(ReadBytes(dir / "nowhere.ini"), "");
  EXPECT_EQ(std::filesystem::status(dir.path() / "fifo.ini").type(), std::filesystem::file_type::fifo);
}

// Permissions stop an ordinary user only; as root the check runs as "nobody" in a child process.
// A file that may not be read is no missing file: it is reported, not created over.
TEST(LoadScaleMemory, UnreadableFileGivesTheSystemMessageAndStays) {
  const auto outcome = testing::RunUnprivileged([]() -> std::string {
    TempDir dir;
    const std::string path = dir / "scale.ini";
    WriteBytes(path, "3\r\n");
    ::chmod(path.c_str(), 0);
    ScaleMemory memory = Memory({7});
    std::string failures;
    if (ErrorOf([&] { LoadScaleMemory(memory, path); }) != std::strerror(EACCES)) failures += "wrong or no error; ";
    if (memory != Memory({7})) failures += "memory changed; ";
    ::chmod(path.c_str(), 0600);
    if (ReadBytes(path) != "3\r\n") failures += "file changed; ";
    return failures;
  });
  if (!outcome) GTEST_SKIP() << "running as root and cannot switch to the user nobody, so permissions are not enforced";
  EXPECT_EQ(*outcome, "");
}

TEST(SaveScaleMemory, WritesSixteenShortestLinesThatReadBack) {
  const ScaleMemory memory = Memory({2, 0, 1, 4, 3, 0, 0, 0, 4, -1, 0, 0, 0, 0, 2147483647, -2147483647 - 1});
  TempDir dir;
  const std::string path = dir / "scale.ini";
  WriteBytes(path, "an older and longer file\r\n");
  SaveScaleMemory(memory, path);
  EXPECT_EQ(ReadBytes(path),
            "2\r\n0\r\n1\r\n4\r\n3\r\n0\r\n0\r\n0\r\n4\r\n-1\r\n0\r\n0\r\n0\r\n0\r\n2147483647\r\n-2147483648\r\n");
  ScaleMemory back{};
  LoadScaleMemory(back, path);
  EXPECT_EQ(back, memory);
}

// scale.ini is written only where it is no other file the viewer reads: a link from scale.ini to
// a data file or to series.ini is refused with one line, and the file behind it stays whole.
TEST(SaveScaleMemory, RefusesALinkToAFileTheViewerReads) {
  TempDir dir;
  const std::string data = dir / "erp02.dat";
  const std::string ini = dir / "series.ini";
  WriteBytes(data, "25 1 15 12 0.22 0.31 0.1\r\n");
  WriteBytes(ini, "9 1 Alpha erp02.dat yy_mm_dd_hh_xp_yp_u\r\n");
  const std::vector<ReadFile> read{{ini, "the settings file series.ini"}, {data, "the data file erp02.dat of series 2"}};
  struct Case {
    const char* name;
    std::string target;
    std::string error;
  };
  const Case cases[] = {
      {"link to a data file", data, dir / "scale.ini" + ": would overwrite the data file erp02.dat of series 2"},
      {"link to series.ini", ini, dir / "scale.ini" + ": would overwrite the settings file series.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / "scale.ini";
    std::filesystem::remove(path);
    std::filesystem::create_symlink(c.target, path);
    const std::string before = ReadBytes(c.target);
    EXPECT_EQ(ErrorOf([&] { SaveScaleMemory(Memory({2}), path, read); }), c.error);
    EXPECT_EQ(ReadBytes(c.target), before);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
  }
  // A link to a file of its own is written through, as always.
  std::filesystem::remove(dir / "scale.ini");
  WriteBytes(dir / "scales.txt", "");
  std::filesystem::create_symlink(dir / "scales.txt", dir / "scale.ini");
  EXPECT_EQ(ErrorOf([&] { SaveScaleMemory(Memory({2}), dir / "scale.ini", read); }), "");
  EXPECT_EQ(ReadBytes(dir / "scales.txt").substr(0, 3), "2\r\n");
}

}  // namespace
}  // namespace erp
