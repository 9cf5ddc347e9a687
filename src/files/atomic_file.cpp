#include "files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace quorvane {

namespace {

bool WriteAll(int fd, const QByteArray& bytes) {
  const char* p = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= n;
  }
  return true;
}

// Replace the file a link points to, not the link; through a chain of links, the last one.
QFileInfo SaveTarget(const QString& path) {
  QFileInfo info(path);
  if (!info.isSymLink()) return info;
  if (info.exists()) return QFileInfo(info.canonicalFilePath());
  return QFileInfo(info.symLinkTarget());  // a dangling link: create its file
}

// mkstemp's pattern: the prefix, then six letters or digits.
QByteArray TemporaryPrefix(const QFileInfo& target) {
  return "." + QFile::encodeName(target.fileName()) + ".";
}
constexpr int kTemporarySuffixLength = 6;

}  // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  const QFileInfo info = SaveTarget(path);
  const QByteArray target = QFile::encodeName(info.absoluteFilePath());
  if (!MayReplace(info.absoluteFilePath())) return false;
  const QByteArray dir = QFile::encodeName(info.absolutePath());
  QByteArray temp = dir + "/" + TemporaryPrefix(info) + QByteArray(kTemporarySuffixLength, 'X');

  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  struct stat old {};
  mode_t mode;
  if (::stat(target.constData(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.constData(), target.constData()) == 0;
  if (!ok) {
    ::unlink(temp.constData());
    return false;
  }
  // Make the rename itself durable.
  const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

FileStatus SaveFile(const QString& path, const QByteArray& bytes, const FileWriter& writer,
                    const QString& failure_message) {
  if (!MayReplace(path)) return FileStatus::Error(NotRegularFileMessage(path));
  const bool ok = writer ? writer(path, bytes) : WriteFileAtomically(path, bytes);
  return ok ? FileStatus::Ok() : FileStatus::Error(failure_message);
}

int RemoveStaleTemporaryFiles(const QString& path, std::chrono::seconds older_than) {
  const QFileInfo info = SaveTarget(path);
  if (info.fileName().isEmpty()) return 0;
  const QByteArray prefix = TemporaryPrefix(info);
  const QByteArray dir = QFile::encodeName(info.absolutePath());
  const std::time_t cutoff = std::time(nullptr) - static_cast<std::time_t>(older_than.count());
  int removed = 0;
  const QStringList names =
      QDir(info.absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& name : names) {
    const QByteArray raw = QFile::encodeName(name);
    if (raw.size() != prefix.size() + kTemporarySuffixLength || !raw.startsWith(prefix)) continue;
    bool pattern = true;
    for (qsizetype i = prefix.size(); i < raw.size(); ++i) {
      const char c = raw[i];
      pattern =
          pattern && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
    }
    if (!pattern) continue;
    const QByteArray full = dir + "/" + raw;
    // Only plain files of ours: never a link, a folder or the file being saved.
    struct stat st {};
    if (::lstat(full.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (st.st_mtime > cutoff) continue;  // may belong to a save in progress
    if (::unlink(full.constData()) == 0) ++removed;
  }
  return removed;
}

}  // namespace quorvane
