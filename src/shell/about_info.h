#pragma once

#include <QString>
#include <QUrl>

namespace quorvane {

// What the About box and --version tell.
struct AboutInfo {
  QString version;
  QString author;
  QString web_address;
  QString contact_address;

  static AboutInfo OfThisBuild();
  QUrl WebUrl() const { return QUrl(web_address); }
  QUrl MailUrl() const { return QUrl(QStringLiteral("mailto:") + contact_address); }
};

}  // namespace quorvane
