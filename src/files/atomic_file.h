#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

#include "files/regular_file.h"

namespace quorvane {

// Replaces the file at path with bytes so that a crash at any moment leaves either the old or
// the new contents: temporary file in the same folder, fsync, rename, fsync of the folder.
// A link is followed to its file; a FIFO or a device at path is never replaced (false).
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);

// The one save path of every file the program writes: refuses a FIFO or a device with
// "<path> is not a regular file" (the writer is not called), else writes through writer
// (WriteFileAtomically when empty) and gives failure_message when that fails.
FileStatus SaveFile(const QString& path, const QByteArray& bytes, const FileWriter& writer,
                    const QString& failure_message);

// Removes the temporary files that WriteFileAtomically leaves for path when the process dies
// mid-save (".<name>.XXXXXX" beside the file) and that are older than older_than, so a save
// still running in another process keeps its file. Returns how many were removed.
int RemoveStaleTemporaryFiles(const QString& path,
                              std::chrono::seconds older_than = std::chrono::seconds(60));

}  // namespace quorvane
