#include "surface/status_notices.h"

#include <QStringList>

namespace quorvane {

void StatusNotices::Set(Source source, const QString& text) {
  lines_.at(static_cast<std::size_t>(source)) = text.trimmed();
}

QString StatusNotices::Shown() const {
  for (const QString& line : lines_) {
    if (!line.isEmpty()) return line;
  }
  return {};
}

QString StatusNotices::All() const {
  QStringList all;
  for (const QString& line : lines_) {
    if (!line.isEmpty()) all << line;
  }
  return all.join(QLatin1Char('\n'));
}

}  // namespace quorvane
