#include "files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <optional>

namespace quorvane {

namespace {

std::optional<ReadOutcome> Refusal(const struct stat& st, qint64 max_size, Oversize oversize) {
  if (S_ISDIR(st.st_mode)) return ReadOutcome::kFolder;
  if (!S_ISREG(st.st_mode)) return ReadOutcome::kNotRegular;
  if (oversize == Oversize::kRefuse && st.st_size > max_size) return ReadOutcome::kTooLarge;
  return std::nullopt;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

QString NotRegularFileMessage(const QString& path) {
  return QStringLiteral("%1 is not a regular file").arg(path);
}

FileRead ReadRegularFile(const QString& path, qint64 max_size, Oversize oversize) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  if (::stat(name.constData(), &st) != 0) {
    // A missing file, or a link to one.
    const bool missing = errno == ENOENT || errno == ENOTDIR;
    return {missing ? ReadOutcome::kMissing : ReadOutcome::kUnreadable, {}};
  }
  if (const auto refused = Refusal(st, max_size, oversize)) return {*refused, {}};

  const Descriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) return {ReadOutcome::kUnreadable, {}};
  if (::fstat(fd.get(), &st) != 0) return {ReadOutcome::kUnreadable, {}};
  if (const auto refused = Refusal(st, max_size, oversize)) return {*refused, {}};

  // The size seen does not hold for a growing file: read up to one byte past the limit.
  const qint64 cap = oversize == Oversize::kRefuse ? max_size + 1 : max_size;
  QByteArray bytes(static_cast<qsizetype>(std::min<qint64>(st.st_size + 1, cap)),
                   Qt::Uninitialized);
  qsizetype got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (got >= cap) break;
      bytes.resize(static_cast<qsizetype>(std::min<qint64>(got * 2 + 4096, cap)));
    }
    const ssize_t n = ::read(fd.get(), bytes.data() + got, static_cast<size_t>(bytes.size() - got));
    if (n < 0) {
      if (errno == EINTR) continue;
      return {ReadOutcome::kUnreadable, {}};
    }
    if (n == 0) break;
    got += n;
  }
  if (got > max_size) return {ReadOutcome::kTooLarge, {}};
  bytes.truncate(got);
  return {ReadOutcome::kRead, bytes};
}

bool MayReplace(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return true;
  return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode);
}

}  // namespace quorvane
