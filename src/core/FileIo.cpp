#include "core/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace erp {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinks = 40;          // symbolic links followed before giving up (as the kernel)
constexpr int kTemporaryAttempts = 100;  // names tried for the new file

// The file a path finally names: symbolic links are followed (also a link to a file that does
// not exist yet), so that the file is replaced and the links stay.
fs::path FollowLinks(fs::path path) {
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) ThrowSystemError(ec.value());
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  ThrowSystemError(ELOOP);
}

// Closes a descriptor and removes the unfinished file on every way out but success.
class PendingFile {
 public:
  PendingFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(path_.c_str());
  }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // Closes the descriptor, reporting the error a delayed write may surface here.
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }
  void Commit() { committed_ = true; }

 private:
  int fd_;
  std::string path_;
  bool committed_ = false;
};

// Creates a new, empty file beside `target` whose name no other file has.
PendingFile CreateTemporaryBeside(const fs::path& target) {
  const auto seed = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    fs::path name = target;
    name += ".tmp" + std::to_string(::getpid()) + "." + std::to_string((seed + attempt) % 1000000007ULL);
    const std::string path = name.string();
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

void ThrowSystemError(int err) { throw std::runtime_error(std::strerror(err)); }

FileHandle OpenForReading(const std::string& path) {
  FileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) ThrowSystemError(errno);
  return file;
}

void CreateEmptyFileIfMissing(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return;
    ThrowSystemError(errno);
  }
  if (::close(fd) != 0) ThrowSystemError(errno);
}

void WriteFileReplacing(const std::string& path, std::string_view contents) {
  const fs::path target = FollowLinks(fs::path(path));

  // An existing file must be writable as it is, exactly as for a direct write. Opening it without
  // truncation (and without blocking on a pipe) checks that and changes nothing.
  struct stat old {};
  bool exists = false;
  {
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      exists = ::fstat(fd, &old) == 0;
      ::close(fd);
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
  if (::rename(pending.path().c_str(), target.c_str()) != 0) ThrowSystemError(errno);
  pending.Commit();
  SyncFolder(target);
}

}  // namespace erp
