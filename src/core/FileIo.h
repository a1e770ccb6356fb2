// File access shared by the settings files and the loading pass: what stands under a name,
// reading handles and replace-on-write for settings files. Only regular files (or symbolic links
// to them) are ever read or replaced: a FIFO, socket or device would block the program or feed it
// without end. Failures throw std::runtime_error with the system's message (strerror).
#pragma once

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace erp {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Throws std::runtime_error carrying strerror(err).
[[noreturn]] void ThrowSystemError(int err);

// An error of a settings or data file together with its place: the file and the line (series.ini:
// the row) that failed, 0 when the file as a whole did (it could not be opened). The message is
// the converter's or the system's as it stands; whoever shows it says where.
struct PlacedError : std::runtime_error {
  PlacedError(const std::string& message, std::string file, long line)
      : std::runtime_error(message), File(std::move(file)), Line(line) {}
  std::string File;
  long Line;
};

// What stands under a name, as the readers see it.
enum class FileKind {
  Regular,      // a regular file, or a symbolic link to one: it is read
  Missing,      // nothing: no such name, a missing folder on the way, an empty name, a name no file
                // can have (an embedded NUL, a part longer than the system allows), a dangling link
  NotAFile,     // a folder, FIFO, socket or device (through links too)
  Unreachable,  // the name cannot be followed: a symbolic-link loop, a folder that may not be
                // searched, an input/output error
};

// The result of the one existence check of the program.
struct FileState {
  FileKind Kind = FileKind::Missing;
  // Why it cannot be read (an errno value): 0 for a regular file, the look-up's error when
  // missing (ENOENT, ENOTDIR, ENAMETOOLONG), EISDIR
  // for a folder, EINVAL for a FIFO, socket or device (there is no errno of its own for "not a
  // regular file"; EINVAL is what the system answers when a regular file is needed, as for
  // truncate), and the look-up's own error when unreachable.
  int Error = ENOENT;
};

// Looks at what stands under `path` (following symbolic links) without opening it.
FileState FileStateOf(const std::string& path);

// The existence check of the settings files: true for a regular file (or a link to one), false
// when nothing is there; throws the system's message (FileState::Error) for anything else, so that
// a folder, FIFO, device or link loop is reported instead of being read or created over.
bool FileExists(const std::string& path);

// Opens a regular file for reading as bytes. Neither the open nor a read ever waits (a FIFO put in
// the file's place after a check would block an ordinary open until a writer comes); anything but
// a regular file is refused with FileStateOf's errors (EISDIR, EINVAL). Throws the system's message.
FileHandle OpenForReading(const std::string& path);

// Asks the system to bring a regular file's contents from the disk now, without waiting for it,
// so that reading several files one after the other does not wait for the disk at each. Nothing
// happens to anything else (a FIFO or device is left unopened), and a failure is ignored.
void ReadAheadFile(const std::string& path);

// Creates an empty file where nothing exists yet (through a dangling symbolic link, its target).
// An existing regular file is left as it is; a folder, FIFO, socket or device fails with
// EISDIR or EINVAL. Throws the system's message when the file cannot be created.
void CreateEmptyFileIfMissing(const std::string& path);

// The file that `path` finally names, with the symbolic links of its last part followed, also to
// a file that does not exist yet: the file a write of `path` replaces. Throws ELOOP's message.
std::string FollowLinks(const std::string& path);

// The name of the temporary file that holds a new version of the file `fileName` (a name within a
// folder) until it is renamed over it: "<fileName>.tmp<pid>.<serial>", with `fileName` cut (at a
// character boundary) where the whole would pass the system's 255 bytes.
std::string TemporaryNameFor(const std::string& fileName, long pid, unsigned long long serial);

// The name under which CommitTogether keeps the old version of `fileName` until a set is in place:
// "<fileName>.old<pid>.<serial>", cut as TemporaryNameFor's. Not a temporary name: no later run
// removes it, since after a failure it may be the only copy of the old file.
std::string KeptNameFor(const std::string& fileName, long pid, unsigned long long serial);

// The process that wrote `entry`, when `entry` is a temporary name of `fileName` as
// TemporaryNameFor makes them; nothing for any other name.
std::optional<long> TemporaryOwner(std::string_view entry, std::string_view fileName);

// What a name stands for, in plain words, when it is not a regular file: "a folder", "a FIFO
// (named pipe)", "a socket", "a character device", "a block device" (links followed); empty for a
// regular file, a missing one or one that cannot be looked at.
std::string NonFileKindText(const std::string& path);

// The message of a failed write of `path` whose error said `what`, naming the file: "path: what",
// or, for a name that stands for no regular file (which the writer refuses to replace),
// "path: is a character device, not a regular file; only regular files are replaced".
std::string WriteFailureText(const std::string& path, const std::string& what);

// A new version of a file, written in full and flushed to disk beside it under a temporary name,
// and not yet in place. Commit() renames it over the file; left uncommitted, its temporary file is
// removed when it goes, so the old file stays exactly as it was. Several of them make a set of
// files that change together: prepare all, then commit all.
class PreparedFile {
 public:
  PreparedFile(PreparedFile&& other) noexcept;
  PreparedFile& operator=(PreparedFile&&) = delete;
  PreparedFile(const PreparedFile&) = delete;
  PreparedFile& operator=(const PreparedFile&) = delete;
  ~PreparedFile();

  // Renames the new file over the old one and flushes the folder to disk, so that the new name
  // lasts; a set of files in one folder can leave the flush to SyncFolderOf once all are renamed.
  // Throws the system's message when the rename fails; the old file then stays.
  enum class FolderSync { Now, Later };
  void Commit(FolderSync sync = FolderSync::Now);
  // The file that Commit replaces (symbolic links followed).
  const std::string& Target() const { return target_; }

 private:
  friend PreparedFile PrepareFileReplacing(const std::string& path, std::string_view contents);
  friend void CommitTogether(std::vector<PreparedFile>& files);
  PreparedFile(std::string temporary, std::string target)
      : temporary_(std::move(temporary)), target_(std::move(target)) {}
  std::string temporary_;
  std::string target_;
  bool pending_ = true;
};

// Puts a set of prepared files in place as one change. The file each replaces is first kept under
// a second name beside it (KeptNameFor: a hard link, or a copy where the file system has no
// links); when a rename fails, the files already renamed get their old contents back (or go,
// where there was none), and the system's message is thrown. Without a failure the kept files go
// once all are in place. What remains possible is a failure of the putting back itself (the disk
// taken away in between): PartlyCommitted then names where each old file that could not be put
// back is kept.
struct PartlyCommitted : std::runtime_error {
  using std::runtime_error::runtime_error;
};
void CommitTogether(std::vector<PreparedFile>& files);

// Flushes the folder that holds `path` to disk (its entries: names renamed into it last).
void SyncFolderOf(const std::string& path);

// The first half of WriteFileReplacing: checks the file, writes `contents` beside it, flushes it to
// disk and closes it, with the same checks and errors; the old file is not touched yet.
PreparedFile PrepareFileReplacing(const std::string& path, std::string_view contents);

// Replaces the contents of the file at `path` with `contents` without ever leaving it half
// written: the bytes go to a new file in the same folder, are flushed to disk (fsync), and that
// file is renamed over the old one. A symbolic link is followed, so the file it points to is
// replaced and the link stays. The new file gets the old file's permissions (and, where allowed,
// its owner); a new file gets the usual permissions (0666 less the umask).
//
// Errors: an existing file that may not be opened for writing fails as a direct write would,
// untouched; a folder, FIFO, socket or device fails with EISDIR or EINVAL and is neither written
// nor replaced; any failure afterwards (folder not writable, disk full, file size limit) removes
// the new file and leaves the old one as it was. The exception carries strerror.
void WriteFileReplacing(const std::string& path, std::string_view contents);

}  // namespace erp
