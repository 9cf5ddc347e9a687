#include "files/settings_lock.h"

#include <QDir>
#include <QFileInfo>

namespace quorvane {

SettingsLock::SettingsLock(const QString& settings_path)
    : lock_(settings_path + QStringLiteral(".lock")) {
  // Only a dead holder makes a lock stale, never its age: a run lasts hours.
  lock_.setStaleLockTime(0);
  QDir().mkpath(QFileInfo(settings_path).absolutePath());
  // A folder where no lock can be made is no sign of another program: saving is tried as ever.
  in_use_elsewhere_ = !lock_.tryLock(0) && lock_.error() == QLockFile::LockFailedError;
}

}  // namespace quorvane
