// File access shared by the settings files and the loading pass: reading handles and
// replace-on-write for settings files. Failures throw std::runtime_error with the system's
// message (strerror).
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace erp {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Throws std::runtime_error carrying strerror(err).
[[noreturn]] void ThrowSystemError(int err);

// Opens a file for reading as bytes ("rb"). Throws the system's message when it cannot.
FileHandle OpenForReading(const std::string& path);

// Creates an empty file unless something already exists under that name. Throws the system's
// message when it cannot be created.
void CreateEmptyFileIfMissing(const std::string& path);

// Replaces the contents of the file at `path` with `contents` without ever leaving it half
// written: the bytes go to a new file in the same folder, are flushed to disk (fsync), and that
// file is renamed over the old one. A symbolic link is followed, so the file it points to is
// replaced and the link stays. The new file gets the old file's permissions (and, where allowed,
// its owner); a new file gets the usual permissions (0666 less the umask).
//
// Errors: an existing file that may not be opened for writing fails as a direct write would,
// untouched; any failure afterwards (folder not writable, disk full, file size limit) removes
// the new file and leaves the old one as it was. The exception carries strerror.
void WriteFileReplacing(const std::string& path, std::string_view contents);

}  // namespace erp
