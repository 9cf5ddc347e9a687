#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

namespace quorvane {

// Replaces the file at path with bytes so that a crash at any moment leaves either the old or
// the new contents: temporary file in the same folder, fsync, rename, fsync of the folder.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Removes the temporary files that WriteFileAtomically leaves for path when the process dies
// mid-save (".<name>.XXXXXX" beside the file) and that are older than older_than, so a save
// still running in another process keeps its file. Returns how many were removed.
int RemoveStaleTemporaryFiles(const QString& path,
                              std::chrono::seconds older_than = std::chrono::seconds(60));

}  // namespace quorvane
