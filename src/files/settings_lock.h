#pragma once

#include <QLockFile>
#include <QString>

namespace quorvane {

// Keeps two programs from overwriting each other's settings: a lock file beside the settings
// file, held for the whole run. A lock left by a process that no longer runs is taken over.
class SettingsLock {
 public:
  static inline const QString kInUseNotice =
      QStringLiteral("Settings in use by another Quorvane: they will not be saved at exit");

  explicit SettingsLock(const QString& settings_path);

  // Another program holds them: this one must not save them.
  bool InUseElsewhere() const { return in_use_elsewhere_; }

 private:
  QLockFile lock_;
  bool in_use_elsewhere_ = false;
};

}  // namespace quorvane
