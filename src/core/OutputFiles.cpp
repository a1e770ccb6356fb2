#include "core/OutputFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>
#include <utility>

#include "core/FileIo.h"
#include "core/DifferenceSettings.h"
#include "core/ScaleMemory.h"

namespace erp {
namespace {

namespace fs = std::filesystem;

constexpr std::chrono::milliseconds kLockPoll{20};  // between two tries of a held lock

// The file a path's write replaces; a link loop stands for itself (its write fails anyway).
std::string TargetOf(const std::string& path) {
  try {
    return FollowLinks(path);
  } catch (const std::exception&) {
    return path;
  }
}

// The folder a path's file lies in, links of the file followed.
std::string FolderOf(const std::string& path) {
  const fs::path folder = fs::path(TargetOf(path)).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

// A process of that number runs (possibly another user's).
bool ProcessRuns(long pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

// Removes from `folder` the temporary files of `names` left by processes that have ended.
void RemoveStaleTemporaries(const std::string& folder, const std::vector<std::string>& names) {
  DIR* const dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const long self = ::getpid();
  while (const dirent* entry = ::readdir(dir)) {
    for (const std::string& name : names) {
      const std::optional<long> owner = TemporaryOwner(entry->d_name, name);
      if (!owner || *owner == self || ProcessRuns(*owner)) continue;
      struct stat st {};
      if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
        ::unlinkat(::dirfd(dir), entry->d_name, 0);
      }
      break;
    }
  }
  ::closedir(dir);
}

}  // namespace

bool FileIdentity::operator==(const FileIdentity& other) const {
  return Exists && other.Exists ? Device == other.Device && Inode == other.Inode : Path == other.Path;
}

FileIdentity IdentityOf(const std::string& path) {
  FileIdentity identity;
  std::error_code ec;
  const fs::path name(TargetOf(path));
  identity.Path = fs::weakly_canonical(fs::absolute(name, ec), ec);
  if (ec) identity.Path = fs::absolute(name, ec).lexically_normal();
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0) {
    identity.Exists = true;
    identity.Device = st.st_dev;
    identity.Inode = st.st_ino;
  }
  return identity;
}

std::vector<ReadFile> ViewerFilesRead(const SeriesSlots& slots, const std::string& dataDirectory) {
  std::vector<ReadFile> files{{SeriesConfigFileName, std::string("the settings file ") + SeriesConfigFileName},
                              {ScaleMemoryFileName, std::string("the settings file ") + ScaleMemoryFileName},
                              {DifferenceSettingsFileName, std::string("the settings file ") + DifferenceSettingsFileName}};
  for (int slot = 1; slot <= SeriesCount; ++slot) {
    const std::string& name = slots.SeriesFileName[slot];
    if (name.find_first_not_of(' ') == std::string::npos) continue;
    files.push_back({dataDirectory + name, "the data file " + name + " of series " + std::to_string(slot)});
  }
  return files;
}

void CheckOutputs(const std::vector<std::string>& outputs, const std::vector<ReadFile>& readFiles) {
  std::vector<FileIdentity> read;
  read.reserve(readFiles.size());
  for (const ReadFile& file : readFiles) read.push_back(IdentityOf(file.Path));
  std::vector<FileIdentity> written;
  for (const std::string& output : outputs) {
    const FileIdentity identity = IdentityOf(output);
    for (std::size_t i = 0; i < read.size(); ++i) {
      if (read[i] == identity) throw std::runtime_error(output + ": would overwrite " + readFiles[i].Role);
    }
    for (std::size_t i = 0; i < written.size(); ++i) {
      if (written[i] == identity) throw std::runtime_error(output + ": is the same file as " + outputs[i]);
    }
    written.push_back(identity);
  }
}

void WriteSettingsFile(const std::string& path, std::string_view contents, const std::vector<ReadFile>& othersRead) {
  std::vector<ReadFile> others;
  for (const ReadFile& file : othersRead) {
    if (file.Path != path) others.push_back(file);
  }
  CheckOutputs({path}, others);
  WriteFileReplacing(path, contents);
}

FolderLock::FolderLock(const std::string& folder, std::chrono::milliseconds patience) {
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= giveUp) {
      const bool held = errno == EWOULDBLOCK;
      ::close(fd_);
      fd_ = -1;
      if (!held) return;  // a file system without locks: nothing to wait for
      throw std::runtime_error(folder + ": another run is writing into this folder; nothing was written (try again later)");
    }
    std::this_thread::sleep_for(kLockPoll);
  }
}

FolderLock::FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor lets go of the lock
}

std::vector<FolderLock> TakeOutputFolders(const std::vector<std::string>& outputs) {
  std::vector<FolderLock> locks;
  std::vector<std::pair<FileIdentity, std::string>> folders;  // each folder once: a second flock
                                                              // of it would wait for the first
  for (const std::string& output : outputs) {
    const std::string folder = FolderOf(output);
    const FileIdentity identity = IdentityOf(folder);
    bool seen = false;
    for (const auto& known : folders) seen = seen || known.first == identity;
    if (!seen) folders.emplace_back(identity, folder);
  }
  for (const auto& folder : folders) locks.emplace_back(folder.second, OutputFolderPatience);
  for (const auto& folder : folders) {
    std::vector<std::string> names;
    for (const std::string& output : outputs) {
      if (IdentityOf(FolderOf(output)) == folder.first) names.push_back(fs::path(TargetOf(output)).filename().string());
    }
    RemoveStaleTemporaries(folder.second, names);
  }
  return locks;
}

}  // namespace erp
