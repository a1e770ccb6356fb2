// Faults injected into each system call of a settings write (and of any set of files written
// together). The program is linked with
// -Wl,--wrap for write, fsync, close and rename, so the calls of WriteFileReplacing come here
// first; unarmed, every call goes straight through.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "SettingsTestSupport.h"
#include "core/FileIo.h"

namespace {

enum class Step { None, Write, Fsync, Close, Rename, OneRename, RenamesFrom };

Step g_failAt = Step::None;
int g_error = 0;
std::size_t g_writeBudget = 0;  // bytes that still get through before an armed write fails
int g_linkError = 0;            // when set, every hard link fails with it (a file system without links)

}  // namespace

extern "C" {
ssize_t __real_write(int fd, const void* bytes, std::size_t count);
int __real_fsync(int fd);
int __real_close(int fd);
int __real_rename(const char* from, const char* to);
int __real_link(const char* from, const char* to);

int __wrap_link(const char* from, const char* to) {
  if (g_linkError != 0) {
    errno = g_linkError;
    return -1;
  }
  return __real_link(from, to);
}

ssize_t __wrap_write(int fd, const void* bytes, std::size_t count) {
  if (g_failAt == Step::Write) {
    if (g_writeBudget == 0) {
      errno = g_error;
      return -1;
    }
    count = std::min(count, g_writeBudget);  // a short write first, as when the disk fills up
    g_writeBudget -= count;
  }
  return __real_write(fd, bytes, count);
}

int __wrap_fsync(int fd) {
  if (g_failAt == Step::Fsync) {
    errno = g_error;
    return -1;
  }
  return __real_fsync(fd);
}

// A failing close still releases the descriptor (as on Linux); the error is a delayed write error.
int __wrap_close(int fd) {
  const int rc = __real_close(fd);
  if (g_failAt == Step::Close) {
    errno = g_error;
    return -1;
  }
  return rc;
}

int __wrap_rename(const char* from, const char* to) {
  if (g_failAt == Step::OneRename) {
    // The renames of the budget get through, the next one fails, and the later ones get through.
    if (g_writeBudget-- == 0) {
      errno = g_error;
      return -1;
    }
    return __real_rename(from, to);
  }
  if (g_failAt == Step::RenamesFrom && g_writeBudget > 0) {
    --g_writeBudget;  // the renames of the budget get through, every later one fails
    return __real_rename(from, to);
  }
  if (g_failAt == Step::Rename || g_failAt == Step::RenamesFrom) {
    errno = g_error;
    return -1;
  }
  return __real_rename(from, to);
}
}

namespace erp {
namespace {

using testing::ErrorOf;
using testing::Names;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Arms one fault for the lifetime of the object.
class InjectedFault {
 public:
  InjectedFault(Step step, int error, std::size_t writeBudget) {
    g_failAt = step;
    g_error = error;
    g_writeBudget = writeBudget;
  }
  InjectedFault(const InjectedFault&) = delete;
  InjectedFault& operator=(const InjectedFault&) = delete;
  ~InjectedFault() { g_failAt = Step::None; }
};

TEST(WriteFileReplacing, FailureAtAnyStepKeepsTheOldFileAndLeavesNoTemporaryFile) {
  struct Case {
    const char* name;
    Step step;
    int error;
    std::size_t writeBudget;
  };
  const Case cases[] = {
      {"write stops half-way (disk full)", Step::Write, ENOSPC, 10},
      {"write fails at once", Step::Write, EIO, 0},
      {"flush to disk fails", Step::Fsync, EIO, 0},
      {"close reports a delayed write error", Step::Close, EDQUOT, 0},
      {"rename fails", Step::Rename, EBUSY, 0},
  };
  const std::string contents = "a new settings file, longer than the old one\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "old.ini", "old contents\r\n");
    {
      const InjectedFault fault(c.step, c.error, c.writeBudget);
      EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(dir / "old.ini", contents); }), std::strerror(c.error));
      EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(dir / "new.ini", contents); }), std::strerror(c.error));
    }
    EXPECT_EQ(ReadBytes(dir / "old.ini"), "old contents\r\n");
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{"old.ini"});  // no new file, no temporary file

    WriteFileReplacing(dir / "old.ini", contents);  // unarmed, the same write succeeds
    EXPECT_EQ(ReadBytes(dir / "old.ini"), contents);
  }
}

// A set of files written together: a fault while the second one is written (a disk that fills
// up) leaves both old files as they were and no temporary file, although the first was complete.
TEST(PrepareFileReplacing, AFaultInALaterFileLeavesTheWholeSetUnchanged) {
  TempDir dir;
  WriteBytes(dir / "xp.png", "old chart");
  WriteBytes(dir / "s.csv", "old statistics");
  const std::string failure = ErrorOf([&] {
    std::vector<PreparedFile> set;
    set.push_back(PrepareFileReplacing(dir / "xp.png", "new chart"));
    const InjectedFault fault(Step::Write, ENOSPC, 4);
    set.push_back(PrepareFileReplacing(dir / "s.csv", "new statistics"));
    for (PreparedFile& file : set) file.Commit();
  });
  EXPECT_EQ(failure, std::strerror(ENOSPC));
  EXPECT_EQ(ReadBytes(dir / "xp.png"), "old chart");
  EXPECT_EQ(ReadBytes(dir / "s.csv"), "old statistics");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"s.csv", "xp.png"}));
}

// A set put in place together: when the third rename fails, the two files already renamed get
// their old contents back (a file that was new goes again), and nothing is left beside them.
TEST(CommitTogether, ARenameFailingMidwayPutsTheOldFilesBack) {
  TempDir dir;
  WriteBytes(dir / "erp01.dat", "old records");
  WriteBytes(dir / "series.ini", "old rows");
  std::vector<PreparedFile> set;
  set.push_back(PrepareFileReplacing(dir / "erp01.dat", "new records"));
  set.push_back(PrepareFileReplacing(dir / "erp02.dat", "a new series"));
  set.push_back(PrepareFileReplacing(dir / "series.ini", "new rows"));
  {
    const InjectedFault fault(Step::OneRename, EIO, 2);
    EXPECT_EQ(ErrorOf([&] { CommitTogether(set); }), std::strerror(EIO));
  }
  set.clear();
  EXPECT_EQ(ReadBytes(dir / "erp01.dat"), "old records");
  EXPECT_EQ(ReadBytes(dir / "series.ini"), "old rows");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"erp01.dat", "series.ini"}));

  set.push_back(PrepareFileReplacing(dir / "erp01.dat", "new records"));
  set.push_back(PrepareFileReplacing(dir / "series.ini", "new rows"));
  CommitTogether(set);  // unarmed, the whole set goes in and the kept old files go
  EXPECT_EQ(ReadBytes(dir / "erp01.dat"), "new records");
  EXPECT_EQ(ReadBytes(dir / "series.ini"), "new rows");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"erp01.dat", "series.ini"}));
}

// Where the file system has no hard links (FAT, some network file systems), the old files are kept
// as copies, and put back from them just the same.
TEST(CommitTogether, WithoutHardLinksTheOldFilesAreKeptAsCopies) {
  TempDir dir;
  WriteBytes(dir / "erp01.dat", "old records");
  WriteBytes(dir / "series.ini", "old rows");
  g_linkError = EPERM;
  std::vector<PreparedFile> set;
  set.push_back(PrepareFileReplacing(dir / "erp01.dat", "new records"));
  set.push_back(PrepareFileReplacing(dir / "series.ini", "new rows"));
  {
    const InjectedFault fault(Step::OneRename, EIO, 1);
    EXPECT_EQ(ErrorOf([&] { CommitTogether(set); }), std::strerror(EIO));
  }
  set.clear();
  EXPECT_EQ(ReadBytes(dir / "erp01.dat"), "old records");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"erp01.dat", "series.ini"}));
  set.push_back(PrepareFileReplacing(dir / "erp01.dat", "new records"));
  CommitTogether(set);
  g_linkError = 0;
  EXPECT_EQ(ReadBytes(dir / "erp01.dat"), "new records");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"erp01.dat", "series.ini"}));
}

// When putting an old file back fails too, the error says where it is kept, and it stays there
// (no later run removes a kept file).
TEST(CommitTogether, AnOldFileThatCannotBePutBackIsNamed) {
  TempDir dir;
  WriteBytes(dir / "erp01.dat", "old records");
  WriteBytes(dir / "series.ini", "old rows");
  std::vector<PreparedFile> set;
  set.push_back(PrepareFileReplacing(dir / "erp01.dat", "new records"));
  set.push_back(PrepareFileReplacing(dir / "series.ini", "new rows"));
  std::string message;
  {
    const InjectedFault fault(Step::RenamesFrom, EIO, 1);
    try {
      CommitTogether(set);
    } catch (const PartlyCommitted& e) {
      message = e.what();
    }
  }
  set.clear();
  EXPECT_NE(message.find(std::string(std::strerror(EIO)) + "; putting the old files back failed too: the old " +
                         (dir / "erp01.dat") + " is in " + (dir / "erp01.dat.old")),
            std::string::npos)
      << message;
  const std::string kept = message.substr(message.rfind(" is in ") + 7);
  EXPECT_EQ(ReadBytes(kept), "old records");
  EXPECT_EQ(ReadBytes(dir / "series.ini"), "old rows");
}

}  // namespace
}  // namespace erp
