#include "core/FileIo.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

#include "SettingsTestSupport.h"
#include "core/ScaleMemory.h"
#include "core/SeriesConfig.h"

namespace erp {
namespace {

using testing::ErrorOf;
using testing::FileSizeLimit;
using testing::HostileNames;
using testing::MakeFifo;
using testing::MakeNullDevice;
using testing::MakeSocket;
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

TEST(FileStateOf, TellsRegularFilesFromEverythingElse) {
  const HostileNames names;
  const TempDir& dir = names.dir;
  struct Case {
    const char* name;
    std::string path;
    FileKind kind;
    int error;
  };
  const Case cases[] = {
      {"regular file", dir / "file.ini", FileKind::Regular, 0},
      {"link to a regular file", dir / "link.ini", FileKind::Regular, 0},
      {"nothing", dir / "missing.ini", FileKind::Missing, ENOENT},
      {"dangling link", dir / "dangling.ini", FileKind::Missing, ENOENT},
      {"a file where a folder should be", dir / "file.ini/x.ini", FileKind::Missing, ENOTDIR},
      {"a name part longer than any file name", dir / std::string(300, 'n'), FileKind::Missing, ENAMETOOLONG},
      {"empty name", "", FileKind::Missing, ENOENT},
      {"NUL inside the name (must not find file.ini)", dir / std::string("file.ini\0.bak", 13), FileKind::Missing, ENOENT},
      {"folder", dir / "folder.ini", FileKind::NotAFile, EISDIR},
      {"link to a folder", dir / "folder-link.ini", FileKind::NotAFile, EISDIR},
      {"FIFO", dir / "fifo.ini", FileKind::NotAFile, EINVAL},
      {"socket", dir / "socket.ini", FileKind::NotAFile, EINVAL},
      {"link to a device", dir / "zero.ini", FileKind::NotAFile, EINVAL},
      {"symbolic-link loop", dir / "loop-a.ini", FileKind::Unreachable, ELOOP},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const FileState state = FileStateOf(c.path);
    EXPECT_EQ(state.Kind, c.kind);
    EXPECT_EQ(state.Error, c.error);
    // The settings files' check: true, false, or the system's message.
    bool exists = false;
    const std::string error = ErrorOf([&] { exists = FileExists(c.path); });
    EXPECT_EQ(exists, c.kind == FileKind::Regular);
    const bool fails = c.kind == FileKind::NotAFile || c.kind == FileKind::Unreachable;
    EXPECT_EQ(error, fails ? std::strerror(c.error) : "");
  }
}

// Permissions stop an ordinary user only; as root the check runs as "nobody" in a child process.
TEST(FileStateOf, AFolderThatMayNotBeSearchedHidesWhatIsInIt) {
  const auto outcome = RunUnprivileged([]() -> std::string {
    TempDir dir;
    for (const char* folder : {"closed", "search-only"}) {
      fs::create_directory(dir.path() / folder);
      WriteBytes(dir / (std::string(folder) + "/file.ini"), "x");
    }
    ::chmod((dir / "closed").c_str(), 0);
    ::chmod((dir / "search-only").c_str(), 0111);  // may not be listed, but named files are found
    std::string failures;
    const FileState closed = FileStateOf(dir / "closed/file.ini");
    if (closed.Kind != FileKind::Unreachable || closed.Error != EACCES) failures += "closed folder not unreachable; ";
    if (ErrorOf([&] { FileExists(dir / "closed/file.ini"); }) != std::strerror(EACCES)) failures += "no system message; ";
    if (FileStateOf(dir / "search-only/file.ini").Kind != FileKind::Regular) failures += "search-only folder hides its file; ";
    return failures;
  });
  if (!outcome) GTEST_SKIP() << "running as root and cannot switch to the user nobody, so permissions are not enforced";
  EXPECT_EQ(*outcome, "");
}

TEST(OpenForReading, OpensOnlyRegularFilesAndNeverWaits) {
  const HostileNames names;
  const TempDir& dir = names.dir;
  // A writer keeps this FIFO open with bytes in it: a reader would get them.
  ASSERT_TRUE(MakeFifo(dir / "busy-fifo.ini"));
  const int writer = ::open((dir / "busy-fifo.ini").c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::write(writer, "1\r\n", 3), 3);
  struct Case {
    const char* name;
    std::string path;
    int error;
  };
  const Case cases[] = {
      {"FIFO without a writer (an ordinary open waits for ever)", dir / "fifo.ini", EINVAL},
      {"FIFO with a writer and data", dir / "busy-fifo.ini", EINVAL},
      {"socket", dir / "socket.ini", EINVAL},
      {"link to an endless device", dir / "zero.ini", EINVAL},
      {"folder", dir / "folder.ini", EISDIR},
      {"link loop", dir / "loop-a.ini", ELOOP},
      {"nothing (also a file removed after a check)", dir / "missing.ini", ENOENT},
      {"NUL inside the name", dir / std::string("file.ini\0", 9), ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ErrorOf([&] { OpenForReading(c.path); }), std::strerror(c.error));
  }
  ::close(writer);

  const FileHandle file = OpenForReading(dir / "link.ini");
  char bytes[16] = {};
  EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file.get()), 10u);
  EXPECT_STREQ(bytes, "contents\r\n");
}

TEST(CreateEmptyFileIfMissing, CreatesOnlyWhereNothingIs) {
  const HostileNames names;
  const TempDir& dir = names.dir;
  CreateEmptyFileIfMissing(dir / "new.ini");
  EXPECT_EQ(ReadBytes(dir / "new.ini"), "");
  CreateEmptyFileIfMissing(dir / "file.ini");  // an existing file is left as it is
  EXPECT_EQ(ReadBytes(dir / "file.ini"), "contents\r\n");
  CreateEmptyFileIfMissing(dir / "dangling.ini");  // the link gets its file and stays a link
  EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling.ini"));
  EXPECT_EQ(ReadBytes(dir / "nowhere.ini"), "");

  struct Case {
    const char* name;
    std::string path;
    int error;
  };
  const Case cases[] = {
      {"folder", dir / "folder.ini", EISDIR},
      {"FIFO", dir / "fifo.ini", EINVAL},
      {"socket", dir / "socket.ini", EINVAL},
      {"link to a device", dir / "zero.ini", EINVAL},
      {"link loop", dir / "loop-a.ini", ELOOP},
      {"missing folder", dir / "no-folder/new.ini", ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ErrorOf([&] { CreateEmptyFileIfMissing(c.path); }), std::strerror(c.error));
  }
  EXPECT_EQ(fs::status(dir.path() / "fifo.ini").type(), fs::file_type::fifo);
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

// Names up to the 255 bytes a folder allows are written like any other: the temporary name beside
// them is cut to fit (at a character boundary), and it is still known for what it is.
TEST(WriteFileReplacing, NamesOfTheLongestLengthAreWritten) {
  TempDir dir;
  std::string cyrillic = "x";
  for (int i = 0; i < 127; ++i) cyrillic.append("\xd0\xb6");  // and 254 bytes of "ж"
  const std::string names[] = {std::string(249, 'n'), std::string(255, 'm'), cyrillic};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    WriteFileReplacing(dir / name, "new");
    EXPECT_EQ(ReadBytes(dir / name), "new");
    const std::string temporary = TemporaryNameFor(name, 4242, 999999999);
    EXPECT_LE(temporary.size(), 255U);
    EXPECT_EQ(TemporaryOwner(temporary, name), 4242);
  }
  EXPECT_EQ(Names(dir.path()).size(), std::size(names));  // no temporary file left
  // The cut keeps whole characters: "ж" is two bytes.
  const std::string cut = TemporaryNameFor(names[2], 4242, 999999999);
  EXPECT_EQ((cut.find(".tmp4242.") - 1) % 2, 0U) << cut;
}

TEST(TemporaryOwner, KnowsOnlyTheTemporaryNamesOfTheFile) {
  struct Case {
    const char* entry;
    std::optional<long> owner;
  } const cases[] = {
      {"utr.bmp.tmp123.45", 123},
      {"utr.bmp", std::nullopt},
      {"utr.bmp.tmp", std::nullopt},
      {"utr.bmp.tmp123.", std::nullopt},
      {"utr.bmp.tmpx.45", std::nullopt},
      {"utr.bmp.tmp12 3.45", std::nullopt},
      {"utr.bm.tmp123.45", std::nullopt},  // a shorter name is a cut one only near the limit
      {"xp.bmp.tmp123.45", std::nullopt},
      {"utr.bmp.old.tmp123.45", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    EXPECT_EQ(TemporaryOwner(c.entry, "utr.bmp"), c.owner);
  }
}

// Renaming over a FIFO, socket or device node would destroy it (and, through a link, it could be
// one of the system's); writing into it could block or go nowhere.
TEST(WriteFileReplacing, NeverReplacesWhatIsNoRegularFile) {
  TempDir dir;
  ASSERT_TRUE(MakeFifo(dir / "fifo.ini"));
  ASSERT_TRUE(MakeFifo(dir / "read-fifo.ini"));
  const int reader = ::open((dir / "read-fifo.ini").c_str(), O_RDONLY | O_NONBLOCK);  // a reader waits on it
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(MakeSocket(dir / "socket.ini"));
  const bool device = MakeNullDevice(dir / "null");
  if (device) fs::create_symlink("null", dir.path() / "device.ini");
  const auto before = Names(dir.path());

  for (const char* name : {"fifo.ini", "read-fifo.ini", "socket.ini", "device.ini"}) {
    if (std::string(name) == "device.ini" && !device) continue;  // only root may make a device node
    SCOPED_TRACE(name);
    EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(dir / name, "1\r\n"); }), std::strerror(EINVAL));
  }
  char byte = 0;
  EXPECT_LE(::read(reader, &byte, 1), 0);  // nothing went into the pipe
  ::close(reader);
  EXPECT_EQ(fs::status(dir.path() / "fifo.ini").type(), fs::file_type::fifo);
  EXPECT_EQ(fs::status(dir.path() / "read-fifo.ini").type(), fs::file_type::fifo);
  EXPECT_EQ(fs::status(dir.path() / "socket.ini").type(), fs::file_type::socket);
  if (device) {
    EXPECT_EQ(fs::status(dir.path() / "null").type(), fs::file_type::character);
  }
  EXPECT_EQ(Names(dir.path()), before);
}

// Prepared files change together: nothing is in place before Commit, and a set dropped before its
// commit (a later file failed) leaves every old file and no temporary file.
TEST(PrepareFileReplacing, ChangesNothingUntilCommitted) {
  TempDir dir;
  WriteBytes(dir / "a.csv", "old a");
  fs::create_symlink("b.png", dir.path() / "link.png");  // a link to a file not made yet
  {
    PreparedFile a = PrepareFileReplacing(dir / "a.csv", "new a");
    PreparedFile b = PrepareFileReplacing(dir / "link.png", "new b");
    EXPECT_EQ(b.Target(), dir / "b.png");
    EXPECT_EQ(ReadBytes(dir / "a.csv"), "old a");
    EXPECT_FALSE(fs::exists(dir.path() / "b.png"));
  }
  EXPECT_EQ(ReadBytes(dir / "a.csv"), "old a");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"a.csv", "link.png"}));

  std::vector<PreparedFile> set;
  set.push_back(PrepareFileReplacing(dir / "a.csv", "new a"));
  set.push_back(PrepareFileReplacing(dir / "link.png", "new b"));
  for (PreparedFile& file : set) file.Commit();
  EXPECT_EQ(ReadBytes(dir / "a.csv"), "new a");
  EXPECT_EQ(ReadBytes(dir / "b.png"), "new b");
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link.png"));
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"a.csv", "b.png", "link.png"}));
}

// A failed write names the file and, for what is not a regular file, says what it is.
TEST(WriteFailureText, NamesTheFileAndWhatStandsThere) {
  TempDir dir;
  ASSERT_TRUE(MakeFifo(dir / "fifo"));
  fs::create_directory(dir.path() / "folder");
  fs::create_symlink("folder", dir.path() / "link");
  WriteBytes(dir / "file", "x");
  const std::string only = ", not a regular file; only regular files are replaced";
  EXPECT_EQ(WriteFailureText(dir / "fifo", "Invalid argument"), (dir / "fifo") + ": is a FIFO (named pipe)" + only);
  EXPECT_EQ(WriteFailureText(dir / "link", "Is a directory"), (dir / "link") + ": is a folder" + only);
  EXPECT_EQ(WriteFailureText("/dev/null", "Invalid argument"), "/dev/null: is a character device" + only);
  EXPECT_EQ(WriteFailureText(dir / "file", "No space left on device"), (dir / "file") + ": No space left on device");
  EXPECT_EQ(WriteFailureText(dir / "none", "Permission denied"), (dir / "none") + ": Permission denied");
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
