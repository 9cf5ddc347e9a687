#include "support/temp_dir.h"

#include <QFile>
#include <stdexcept>

namespace quorvane::testing {

TempDir::TempDir() {
  if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
}

QString TempDir::write(const QString& name, const QByteArray& bytes) const {
  const QString path = file(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
    throw std::runtime_error("cannot write test file");
  return path;
}

}  // namespace quorvane::testing
