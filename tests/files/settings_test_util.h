#pragma once

#include <QByteArray>

#include "files/settings_text_file.h"

namespace quorvane::testing {

// A settings file held in memory, as read from these bytes.
inline SettingsTextFile FromBytes(const QByteArray& bytes) {
  SettingsTextFile f;
  f.LoadFromBytes(bytes);
  return f;
}

}  // namespace quorvane::testing
