#include "core/FileIo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "SettingsTestSupport.h"
#include "core/ScaleMemory.h"
#include "core/SeriesConfig.h"

namespace erp {
namespace {

using testing::ErrorOf;
using testing::FileSizeLimit;
using testing::Names;
using testing::ReadBytes;
using testing::RunUnprivileged;
using testing::TempDir;
using testing::WriteBytes;
namespace fs = std::filesystem;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST(WriteFileReplacing, WritesNewAndExistingFilesWithTheirPermissions) {
  const mode_t savedUmask = ::umask(022);
  TempDir dir;
  const std::string fresh = dir / "fresh.ini";
  WriteFileReplacing(fresh, "one\r\n");
  EXPECT_EQ(ReadBytes(fresh), "one\r\n");
  EXPECT_EQ(ModeOf(fresh), 0644u);  // 0666 less the umask

  const std::string kept = dir / "kept.ini";
  WriteBytes(kept, "a much longer old content that must not leave a tail behind\n");
  ::chmod(kept.c_str(), 0640);
  WriteFileReplacing(kept, "new");
  EXPECT_EQ(ReadBytes(kept), "new");
  EXPECT_EQ(ModeOf(kept), 0640u);

  WriteFileReplacing(kept, "");
  EXPECT_EQ(ReadBytes(kept), "");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"fresh.ini", "kept.ini"}));
  ::umask(savedUmask);
}

TEST(WriteFileReplacing, WritesThroughSymbolicLinks) {
  TempDir dir;
  fs::create_directory(dir.path() / "real");
  WriteBytes(dir / "real/settings.ini", "old");
  fs::create_symlink("real/settings.ini", dir.path() / "relative.ini");
  fs::create_symlink(dir / "relative.ini", dir.path() / "chain.ini");  // absolute, to another link
  fs::create_symlink("real/later.ini", dir.path() / "dangling.ini");

  WriteFileReplacing(dir / "chain.ini", "through two links");
  EXPECT_EQ(ReadBytes(dir / "real/settings.ini"), "through two links");
  EXPECT_TRUE(fs::is_symlink(dir.path() / "chain.ini"));
  EXPECT_TRUE(fs::is_symlink(dir.path() / "relative.ini"));

  WriteFileReplacing(dir / "dangling.ini", "created");
  EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling.ini"));
  EXPECT_EQ(ReadBytes(dir / "real/later.ini"), "created");
  EXPECT_EQ(Names(dir.path() / "real"), (std::set<std::string>{"settings.ini", "later.ini"}));
}

TEST(WriteFileReplacing, FailuresLeaveTheOldFileAndNoTemporaryFile) {
  TempDir dir;
  fs::create_directory(dir.path() / "folder.ini");
  fs::create_symlink("loop-b.ini", dir.path() / "loop-a.ini");
  fs::create_symlink("loop-a.ini", dir.path() / "loop-b.ini");
  WriteBytes(dir / "old.ini", "old contents\r\n");
  const auto before = Names(dir.path());

  EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(dir / "folder.ini", "x"); }), std::strerror(EISDIR));
  EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(dir / "loop-a.ini", "x"); }), std::strerror(ELOOP));
  EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(dir / "missing/x.ini", "x"); }), std::strerror(ENOENT));
  {
    const FileSizeLimit limit(4);  // the write stops part-way, as on a full disk
    EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(dir / "old.ini", "new contents, longer than four bytes"); }),
              std::strerror(EFBIG));
  }
  EXPECT_EQ(ReadBytes(dir / "old.ini"), "old contents\r\n");
  EXPECT_EQ(Names(dir.path()), before);
}

// Permissions stop an ordinary user only; as root the check runs as "nobody" in a child process.
TEST(WriteFileReplacing, ReadOnlyFolderOrFileIsNotReplaced) {
  const auto outcome = RunUnprivileged([]() -> std::string {
    TempDir dir;
    fs::create_directory(dir.path() / "locked");
    const std::string inLocked = dir / "locked/scale.ini";
    WriteBytes(inLocked, "1\r\n");
    ::chmod((dir / "locked").c_str(), 0555);
    const std::string readOnly = dir / "readonly.ini";
    WriteBytes(readOnly, "2\r\n");
    ::chmod(readOnly.c_str(), 0444);

    std::string failures;
    const std::string denied = std::strerror(EACCES);
    if (ErrorOf([&] { WriteFileReplacing(inLocked, "9\r\n"); }) != denied) failures += "read-only folder written; ";
    if (ErrorOf([&] { WriteFileReplacing(dir / "locked/new.ini", "9"); }) != denied) failures += "file created in read-only folder; ";
    if (ErrorOf([&] { WriteFileReplacing(readOnly, "9\r\n"); }) != denied) failures += "read-only file replaced; ";
    if (ReadBytes(inLocked) != "1\r\n" || ReadBytes(readOnly) != "2\r\n") failures += "old contents changed; ";
    if (Names(dir.path() / "locked") != std::set<std::string>{"scale.ini"}) failures += "file left in read-only folder; ";
    if (Names(dir.path()) != std::set<std::string>{"locked", "readonly.ini"}) failures += "temporary file left; ";
    return failures;
  });
  if (!outcome) GTEST_SKIP() << "running as root and cannot switch to the user nobody, so permissions are not enforced";
  EXPECT_EQ(*outcome, "");
}

// Both settings files are written through the same replacement.
TEST(SettingsWrites, KeepTheOldFileWhenTheWriteFails) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> write;
  };
  const Case cases[] = {
      {"scale.ini", [](const std::string& path) { SaveScaleMemory(ScaleMemory{}, path); }},
      {"series.ini", [](const std::string& path) { WriteSeriesConfig(SlotArray<SeriesConfig, SeriesCount>{}, path); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir / c.name;
    WriteBytes(path, "old");
    {
      const FileSizeLimit limit(8);
      EXPECT_EQ(ErrorOf([&] { c.write(path); }), std::strerror(EFBIG));
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{c.name});
    c.write(path);  // and without the limit it is written
    EXPECT_NE(ReadBytes(path), "old");
  }
}

}  // namespace
}  // namespace erp
