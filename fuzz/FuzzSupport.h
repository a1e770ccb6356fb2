// Helpers shared by the fuzz targets: in-memory files with a path, and checks that stop the run.
// Each target is built twice: with libFuzzer (clang, scripts/fuzz) and with ReplayMain.cpp, which
// feeds it the files of its corpus as a test of the normal build.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

// Stops the run when a property of the code under test does not hold; libFuzzer then saves the
// input that broke it, and a replay test fails.
#define FUZZ_CHECK(condition)                                                             \
  do {                                                                                    \
    if (!(condition)) {                                                                   \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (false)

namespace erp::fuzz {

// A file that lives in memory only, reached by a path (/proc/self/fd/N), so that the readers run
// exactly as on a file of the working folder, without touching the disk.
class MemoryFile {
 public:
  explicit MemoryFile(std::string_view bytes) : fd_(::memfd_create("orbelon-fuzz", MFD_CLOEXEC)) {
    FUZZ_CHECK(fd_ >= 0);
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      FUZZ_CHECK(n > 0);
      done += static_cast<std::size_t>(n);
    }
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  ~MemoryFile() { ::close(fd_); }

  // The folder part and the name part of the file's path.
  static std::string Folder() { return "/proc/self/fd/"; }
  std::string Name() const { return std::to_string(fd_); }
  std::string Path() const { return Folder() + Name(); }

 private:
  int fd_;
};

// The bytes of a fuzz input.
inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Splits off the first line (up to a line feed, which is dropped); `rest` keeps what follows.
inline std::string_view FirstLine(std::string_view& rest) {
  const std::size_t end = rest.find('\n');
  const std::string_view line = rest.substr(0, end);
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  return line;
}

inline bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
inline bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// True for the messages of a line that does not convert.
inline bool IsConversionMessage(std::string_view m) {
  return m == "Invalid argument to date encode" ||
         (StartsWith(m, "''") && EndsWith(m, "'' is not a valid integer value")) ||
         (StartsWith(m, "'") && EndsWith(m, "' is not a valid floating point value"));
}

}  // namespace erp::fuzz
