// Helpers of the settings and loading tests: temporary folders, whole-file access, and running a
// check as an unprivileged user (permission checks mean nothing to root).
#pragma once

#include <grp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

namespace erp::testing {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "orbelon-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error(std::strerror(errno));
    path_ = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // The folder with a trailing "/", as a data directory is given.
  std::string prefix() const { return path_.string() + "/"; }

 private:
  fs::path path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write test file " + path);
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read test file " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// Things that stand under a name but are no regular file. Each returns false when this system or
// user cannot make it (a device node needs root).
inline bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0666) == 0; }

inline bool MakeSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  path.copy(address.sun_path, path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);  // the socket's name stays in the folder
  return bound;
}

// A character device node like /dev/null (reads end at once) in a folder of the test's own, so
// that a fault that replaced it would destroy nothing of the system.
inline bool MakeNullDevice(const std::string& path) {
  return ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
}

// A folder with one of every kind of thing a name can stand for: file.ini (a regular file),
// link.ini (a link to it), folder.ini, folder-link.ini, dangling.ini (a link to nowhere.ini),
// loop-a.ini and loop-b.ini (links to each other), zero.ini (a link to /dev/zero), fifo.ini and
// socket.ini.
struct HostileNames {
  HostileNames() {
    WriteBytes(dir / "file.ini", "contents\r\n");
    fs::create_symlink("file.ini", dir.path() / "link.ini");
    fs::create_directory(dir.path() / "folder.ini");
    fs::create_symlink("folder.ini", dir.path() / "folder-link.ini");
    fs::create_symlink("nowhere.ini", dir.path() / "dangling.ini");
    fs::create_symlink("loop-b.ini", dir.path() / "loop-a.ini");
    fs::create_symlink("loop-a.ini", dir.path() / "loop-b.ini");
    fs::create_symlink("/dev/zero", dir.path() / "zero.ini");  // endless bytes for a reader
    if (!MakeFifo(dir / "fifo.ini") || !MakeSocket(dir / "socket.ini")) throw std::runtime_error("cannot make a FIFO or socket");
  }
  TempDir dir;
};

// The message of the std::runtime_error that `action` throws; empty when it throws nothing.
inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return {};
}

// Runs `check` as an ordinary user and returns what it returns (empty: passed, else what failed).
// When the test runs as root, `check` runs in a child process that has given up root for the
// user "nobody" (65534); empty optional when that is not possible here.
inline std::optional<std::string> RunUnprivileged(const std::function<std::string()>& check) {
  if (::geteuid() != 0) return check();
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return std::nullopt;
  const pid_t pid = ::fork();
  if (pid < 0) return std::nullopt;
  if (pid == 0) {
    ::close(pipeFds[0]);
    constexpr uid_t kNobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(77);
    std::string result;
    try {
      result = check();
    } catch (const std::exception& e) {
      result = std::string("unexpected exception: ") + e.what();
    }
    if (!result.empty() && ::write(pipeFds[1], result.data(), result.size()) < 0) ::_exit(2);
    ::_exit(result.empty() ? 0 : 1);
  }
  ::close(pipeFds[1]);
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return std::nullopt;
  if (!WIFEXITED(status)) return "the unprivileged check ended abnormally";
  if (WEXITSTATUS(status) != 0 && report.empty()) return "the unprivileged check failed";
  return report;
}

// Limits the size of files this process may write while it lives (a write past the limit fails
// with EFBIG, "File too large"), the way a full disk makes a write fail part-way.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

}  // namespace erp::testing
