#pragma once

#include <QString>
#include <QTemporaryDir>

namespace quorvane::testing {

// A scratch folder removed with the object; tests write their files here.
class TempDir {
 public:
  TempDir();
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }
  // Writes raw bytes to a file in the folder and returns its path.
  QString write(const QString& name, const QByteArray& bytes) const;

 private:
  QTemporaryDir dir_;
};

}  // namespace quorvane::testing
