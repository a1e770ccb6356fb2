#include "core/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace erp {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinks = 40;          // symbolic links followed before giving up (as the kernel)
constexpr int kTemporaryAttempts = 100;  // names tried for the new file
constexpr std::size_t kMaxNameBytes = 255;  // bytes of one name in a folder (NAME_MAX)
constexpr std::string_view kTemporaryMark = ".tmp";
constexpr std::string_view kKeptMark = ".old";  // an old file kept while a set is put in place

// The state of what a successful stat found.
FileState StateOfMode(mode_t mode) {
  if (S_ISREG(mode)) return {FileKind::Regular, 0};
  return {FileKind::NotAFile, S_ISDIR(mode) ? EISDIR : EINVAL};
}

// A descriptor that is closed on every way out unless it is released.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// The file a path finally names: symbolic links are followed (also a link to a file that does
// not exist yet), so that the file is replaced and the links stay.
fs::path FollowPathLinks(fs::path path) {
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) ThrowSystemError(ec.value());
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  ThrowSystemError(ELOOP);
}

// Closes a descriptor and removes the unfinished file on every way out but its release.
class PendingFile {
 public:
  PendingFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!released_) ::unlink(path_.c_str());
  }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // Closes the descriptor, reporting the error a delayed write may surface here.
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }
  // Hands the finished file over to its new owner: it is no longer removed here.
  void Release() { released_ = true; }

 private:
  int fd_;
  std::string path_;
  bool released_ = false;
};

// Creates a new, empty file beside `target` whose name no other file has.
PendingFile CreateTemporaryBeside(const fs::path& target) {
  const auto seed = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    const std::string name =
        TemporaryNameFor(target.filename().string(), ::getpid(), (seed + attempt) % 1000000007ULL);
    const std::string path = (target.parent_path() / name).string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return PendingFile(fd, path);
    if (errno != EEXIST) ThrowSystemError(errno);
  }
  ThrowSystemError(EEXIST);
}

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowSystemError(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Flushes the folder so that the rename itself survives a crash; a failure here loses nothing.
void SyncFolder(const fs::path& file) {
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

namespace {

// "<fileName><mark><pid>.<serial>", cut to the system's 255 bytes.
std::string MarkedName(const std::string& fileName, std::string_view mark, long pid, unsigned long long serial) {
  const std::string suffix = std::string(mark) + std::to_string(pid) + "." + std::to_string(serial);
  std::size_t keep = std::min(fileName.size(), kMaxNameBytes - suffix.size());
  // A cut inside a UTF-8 character would leave a name no file manager can show.
  while (keep > 0 && keep < fileName.size() && (static_cast<unsigned char>(fileName[keep]) & 0xC0) == 0x80) --keep;
  return fileName.substr(0, keep) + suffix;
}

}  // namespace

std::string TemporaryNameFor(const std::string& fileName, long pid, unsigned long long serial) {
  return MarkedName(fileName, kTemporaryMark, pid, serial);
}

std::string KeptNameFor(const std::string& fileName, long pid, unsigned long long serial) {
  return MarkedName(fileName, kKeptMark, pid, serial);
}

std::optional<long> TemporaryOwner(std::string_view entry, std::string_view fileName) {
  const std::size_t mark = entry.rfind(kTemporaryMark);
  if (mark == std::string_view::npos || mark == 0 || !fileName.starts_with(entry.substr(0, mark))) return std::nullopt;
  // A shorter name is only a cut one when the whole would have passed the limit (a cut backs off
  // at most three bytes of a UTF-8 character).
  if (mark != fileName.size() && entry.size() + 3 < kMaxNameBytes) return std::nullopt;
  const std::string_view numbers = entry.substr(mark + kTemporaryMark.size());
  const std::size_t dot = numbers.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const auto allDigits = [](std::string_view digits) {
    return !digits.empty() && digits.size() <= 18 &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  const std::string_view pid = numbers.substr(0, dot);
  if (!allDigits(pid) || !allDigits(numbers.substr(dot + 1))) return std::nullopt;
  return std::stol(std::string(pid));
}

void ThrowSystemError(int err) { throw std::runtime_error(std::strerror(err)); }

FileState FileStateOf(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return {FileKind::Missing, ENOENT};
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR || err == ENAMETOOLONG) return {FileKind::Missing, err};
    return {FileKind::Unreachable, err};
  }
  return StateOfMode(st.st_mode);
}

bool FileExists(const std::string& path) {
  const FileState state = FileStateOf(path);
  if (state.Kind == FileKind::Regular) return true;
  if (state.Kind == FileKind::Missing) return false;
  ThrowSystemError(state.Error);
}

void ReadAheadFile(const std::string& path) {
  if (path.find('\0') != std::string::npos) return;
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_WILLNEED);
}

FileHandle OpenForReading(const std::string& path) {
  if (path.find('\0') != std::string::npos) ThrowSystemError(ENOENT);
  // O_NONBLOCK: opening a FIFO returns at once instead of waiting for a writer; O_NOCTTY: a
  // terminal never becomes the program's own.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) {
    const int err = errno;
    // A socket cannot be opened at all (ENXIO); it is reported as any other thing but a file.
    const FileState state = FileStateOf(path);
    ThrowSystemError(state.Kind == FileKind::NotAFile ? state.Error : err);
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) ThrowSystemError(errno);
  const FileState state = StateOfMode(st.st_mode);
  if (state.Kind != FileKind::Regular) ThrowSystemError(state.Error);
  // The descriptor stays non-blocking: the system ignores that for the data of real files, while a
  // pseudo-file that would wait for ever (/proc/kmsg, a trace pipe) fails at once with EAGAIN.
  std::FILE* stream = ::fdopen(fd.get(), "rb");
  if (stream == nullptr) ThrowSystemError(errno);
  fd.release();
  return FileHandle(stream);
}

void CreateEmptyFileIfMissing(const std::string& path) {
  const FileState state = FileStateOf(path);
  if (state.Kind == FileKind::Regular) return;
  if (state.Kind != FileKind::Missing) ThrowSystemError(state.Error);
  // A dangling link gets its file and stays a link, as when a settings file is written.
  const fs::path target = FollowPathLinks(fs::path(path));
  const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int err = errno;
    if (err == EEXIST && FileStateOf(path).Kind == FileKind::Regular) return;  // made meanwhile
    ThrowSystemError(err);
  }
  if (::close(fd) != 0) ThrowSystemError(errno);
}

std::string NonFileKindText(const std::string& path) {
  struct stat st {};
  if (path.empty() || path.find('\0') != std::string::npos || ::stat(path.c_str(), &st) != 0) return {};
  if (S_ISDIR(st.st_mode)) return "a folder";
  if (S_ISFIFO(st.st_mode)) return "a FIFO (named pipe)";
  if (S_ISSOCK(st.st_mode)) return "a socket";
  if (S_ISCHR(st.st_mode)) return "a character device";
  if (S_ISBLK(st.st_mode)) return "a block device";
  return {};
}

std::string WriteFailureText(const std::string& path, const std::string& what) {
  const std::string kind = NonFileKindText(path);
  if (kind.empty()) return path + ": " + what;
  return path + ": is " + kind + ", not a regular file; only regular files are replaced";
}

PreparedFile::PreparedFile(PreparedFile&& other) noexcept
    : temporary_(std::move(other.temporary_)), target_(std::move(other.target_)),
      pending_(std::exchange(other.pending_, false)) {}

PreparedFile::~PreparedFile() {
  if (pending_) ::unlink(temporary_.c_str());
}

void PreparedFile::Commit(FolderSync sync) {
  if (!pending_) return;
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) ThrowSystemError(errno);
  pending_ = false;
  if (sync == FolderSync::Now) SyncFolder(target_);
}

namespace {

// A second name for the file `target`, holding its present contents, beside it: a hard link, or
// where the file system has none (FAT, some network and FUSE file systems), a copy flushed to
// disk. Empty when there is no file. Throws the system's message when neither can be made.
std::string KeepOldFile(const fs::path& target, unsigned long long serial) {
  std::string name = (target.parent_path() / KeptNameFor(target.filename().string(), ::getpid(), serial)).string();
  if (::link(target.c_str(), name.c_str()) == 0) return name;
  if (errno == ENOENT) return {};
  if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK && errno != EXDEV) ThrowSystemError(errno);
  const Descriptor in(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (in.get() < 0) {
    if (errno == ENOENT) return {};
    ThrowSystemError(errno);
  }
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) ThrowSystemError(errno);  // (a name that is there already is not ours to remove)
  PendingFile copy(fd, name);
  std::array<char, 65536> buffer{};
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowSystemError(errno);
    if (n == 0) break;
    WriteAll(copy.fd(), std::string_view(buffer.data(), static_cast<std::size_t>(n)));
  }
  if (::fsync(copy.fd()) != 0 || copy.Close() != 0) ThrowSystemError(errno);
  copy.Release();
  return name;
}

}  // namespace

void CommitTogether(std::vector<PreparedFile>& files) {
  // The old files, kept under a second name each; empty where there was none.
  std::vector<std::string> kept(files.size());
  const auto dropKept = [&] {
    for (const std::string& name : kept) {
      if (!name.empty()) ::unlink(name.c_str());
    }
  };
  const auto serial = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (std::size_t i = 0; i < files.size(); ++i) {
    try {
      kept[i] = KeepOldFile(fs::path(files[i].target_), (serial + i) % 1000000007ULL);
    } catch (const std::exception&) {
      dropKept();
      throw;
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (::rename(files[i].temporary_.c_str(), files[i].target_.c_str()) == 0) {
      files[i].pending_ = false;
      continue;
    }
    const int err = errno;
    std::string stranded;  // old files that could not be put back: where they are
    for (std::size_t j = 0; j < i; ++j) {
      if (kept[j].empty()) {
        ::unlink(files[j].target_.c_str());
      } else if (::rename(kept[j].c_str(), files[j].target_.c_str()) == 0) {
        kept[j].clear();
      } else {
        stranded += (stranded.empty() ? "" : ", ") + files[j].target_ + " is in " + kept[j];
        kept[j].clear();  // stays where it is, for the user
      }
    }
    dropKept();
    for (const PreparedFile& file : files) SyncFolder(file.target_);
    if (!stranded.empty()) {
      throw PartlyCommitted(std::string(std::strerror(err)) + "; putting the old files back failed too: the old " +
                            stranded);
    }
    ThrowSystemError(err);
  }
  dropKept();
  for (const PreparedFile& file : files) SyncFolder(file.target_);
}

void SyncFolderOf(const std::string& path) { SyncFolder(fs::path(path)); }

PreparedFile PrepareFileReplacing(const std::string& path, std::string_view contents) {
  const fs::path target = FollowPathLinks(fs::path(path));

  // Only a regular file is replaced: a folder, FIFO, socket or device keeps its place (renaming
  // over a device node would destroy it).
  const FileState state = FileStateOf(target.string());
  if (state.Kind == FileKind::NotAFile || state.Kind == FileKind::Unreachable) ThrowSystemError(state.Error);

  // An existing file must be writable as it is, exactly as for a direct write. Opening it without
  // truncation (and without blocking on a pipe) checks that and changes nothing.
  struct stat old {};
  bool exists = false;
  {
    const Descriptor fd(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() >= 0) {
      exists = ::fstat(fd.get(), &old) == 0;
      if (exists && !S_ISREG(old.st_mode)) ThrowSystemError(StateOfMode(old.st_mode).Error);
    } else if (errno != ENOENT) {
      ThrowSystemError(errno);
    }
  }

  PendingFile pending = CreateTemporaryBeside(target);
  if (exists) {
    // Keep the owner where the system allows it (root, or a group the writer belongs to), then
    // the permissions (a change of owner would clear set-id bits).
    if (::fchown(pending.fd(), old.st_uid, old.st_gid) != 0) {
      [[maybe_unused]] const int ignored = ::fchown(pending.fd(), static_cast<uid_t>(-1), old.st_gid);
    }
    ::fchmod(pending.fd(), old.st_mode & 07777);
  }
  WriteAll(pending.fd(), contents);
  if (::fsync(pending.fd()) != 0) ThrowSystemError(errno);
  if (pending.Close() != 0) ThrowSystemError(errno);
  PreparedFile prepared(pending.path(), target.string());
  pending.Release();
  return prepared;
}

std::string FollowLinks(const std::string& path) { return FollowPathLinks(fs::path(path)).string(); }

void WriteFileReplacing(const std::string& path, std::string_view contents) {
  PrepareFileReplacing(path, contents).Commit();
}

}  // namespace erp
