// The files a run writes (images, statistics, scale.ini, imported data files, series.ini), held
// against the files it reads and against each other before anything is written, and the folder
// they go into, held by one run at a time.
//
// Names are compared by what they finally lead to: symbolic links are followed (also a link to a
// file not made yet), and existing files by device and inode, so that "./a", a link to "a" and a
// hard link of "a" are all "a".
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

#include "core/SeriesConfig.h"

namespace erp {

// Where a path finally leads.
struct FileIdentity {
  std::filesystem::path Path;  // absolute, links followed
  dev_t Device = 0;
  ino_t Inode = 0;
  bool Exists = false;
  bool operator==(const FileIdentity& other) const;
};

FileIdentity IdentityOf(const std::string& path);

// A file the run reads, which no output may replace, and the words that name it in a message.
struct ReadFile {
  std::string Path;
  std::string Role;  // "the settings file series.ini", "the data file erp03.dat of series 3"
};

// The files of a working folder that the viewer reads: series.ini, scale.ini, differences.ini and
// the data file of
// every slot that names one (`dataDirectory` in front of its name, as the loading pass reads it).
std::vector<ReadFile> ViewerFilesRead(const SeriesSlots& slots, const std::string& dataDirectory);

// Throws std::runtime_error with one line when an output would replace a file the run reads
// ("xp.bmp: would overwrite the data file erp03.dat of series 3") or another output of the run
// ("xp.bmp: is the same file as utr.bmp"). Nothing has been written when it throws.
void CheckOutputs(const std::vector<std::string>& outputs, const std::vector<ReadFile>& readFiles);

// Writes a settings file whole (WriteFileReplacing) unless its name leads to one of `othersRead`
// (an entry named `path` itself is the file being replaced and is left out of the check).
void WriteSettingsFile(const std::string& path, std::string_view contents, const std::vector<ReadFile>& othersRead);

// An advisory lock (flock) on a folder that a run writes into, held until it goes, so that two
// runs never write their sets into one folder at once. Runs of this program's writers take it;
// anything else is not kept out.
class FolderLock {
 public:
  // Waits up to `patience` for another run to let go of `folder`, then throws std::runtime_error
  // "<folder>: another run is writing into this folder; nothing was written (try again later)".
  // A folder that cannot be opened for the lock is not locked (the writes then fail on their own).
  FolderLock(const std::string& folder, std::chrono::milliseconds patience);
  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&&) = delete;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

 private:
  int fd_ = -1;
};

// How long a run waits for another run's lock on its output folder: longer than any export or
// import takes, short enough for cron.
constexpr std::chrono::milliseconds OutputFolderPatience{3000};

// Locks the folders of `outputs` (each once, links followed) with OutputFolderPatience, then
// removes the temporary files of earlier runs that were killed before they could (names of
// TemporaryNameFor's pattern for one of `outputs`, written by a process that no longer runs).
std::vector<FolderLock> TakeOutputFolders(const std::vector<std::string>& outputs);

}  // namespace erp
