// What an output name may meet, for the tests of writes that must survive it: a small, full disk
// (a tmpfs mounted over a test folder, as root; elsewhere the tests skip, and a filler file that
// takes every free block), device nodes and FIFOs.
#pragma once

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QFile>
#include <QString>

#include <string>

// A tmpfs of `bytes` mounted over `folder` for the lifetime of the object.
struct TmpfsMount {
  TmpfsMount(const QString& folder, long bytes) : path(QFile::encodeName(folder).toStdString()) {
    const std::string options = "size=" + std::to_string(bytes);
    mounted = ::mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  }
  // Makes the mounted folder read-only, as a read-only file system (which stops root too).
  bool MakeReadOnly() {
    return ::mount("tmpfs", path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
  }
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  ~TmpfsMount() {
    if (mounted) ::umount2(path.c_str(), MNT_DETACH);
  }
  std::string path;
  bool mounted = false;
};

// Writes `path` until the disk is full; returns the bytes written.
inline qint64 FillDisk(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return 0;
  const QByteArray block(512, 'x');
  qint64 written = 0;
  for (qint64 n = 0; (n = file.write(block)) > 0;) written += n;
  return written;
}

// True when `path` itself (not followed) is a FIFO.
inline bool IsFifo(const QString& path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// A copy of /dev/null (as root), or a FIFO where device nodes cannot be made: either way a name
// that must never be replaced by a regular file. False when neither can be made.
inline bool MakeNullDevice(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0 || ::mkfifo(name.constData(), 0666) == 0;
}

// True when `path` itself is still the device (or FIFO) that MakeNullDevice made.
inline bool IsNullDevice(const QString& path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode));
}
