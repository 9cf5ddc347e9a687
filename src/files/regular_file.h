#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace quorvane {

// Outcome of a file operation: ok, or a message ready for a warning box.
struct FileStatus {
  bool ok = true;
  QString message;

  static FileStatus Ok() { return {}; }
  static FileStatus Error(QString text) { return {false, std::move(text)}; }
  explicit operator bool() const { return ok; }
};

// Writes the whole contents of a file; returns false when the system refuses.
using FileWriter = std::function<bool(const QString& path, const QByteArray& bytes)>;

// "<path> is not a regular file"
QString NotRegularFileMessage(const QString& path);

// How reading a file the user chose went.
enum class ReadOutcome { kRead, kMissing, kFolder, kNotRegular, kTooLarge, kUnreadable };

struct FileRead {
  ReadOutcome outcome = ReadOutcome::kUnreadable;
  QByteArray bytes;  // only when kRead
  bool ok() const { return outcome == ReadOutcome::kRead; }
};

// What a file larger than the limit gives: refused, or its first max_size bytes.
enum class Oversize { kRefuse, kTakeStart };

// The one way a file the user chose is read. Links are followed; anything but a regular file
// (a FIFO, a device, a socket) is refused before it is opened, since opening a FIFO waits for a
// writer and a device may never end, and again through the opened descriptor, since the name
// may have been swapped in between; the open never blocks. At most max_size + 1 bytes are read
// even from a file that grows meanwhile.
FileRead ReadRegularFile(const QString& path, qint64 max_size,
                         Oversize oversize = Oversize::kRefuse);

// Whether a save may put a new file at path: nothing is there, or (after following links) a
// regular file or a folder, which the save itself then fails on. A FIFO or a device is never
// replaced.
bool MayReplace(const QString& path);

}  // namespace quorvane
