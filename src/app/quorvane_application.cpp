#include "app/quorvane_application.h"

#include <QMessageBox>
#include <exception>

namespace quorvane {

QuorvaneApplication::QuorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Quorvane"));
  // No display name: platforms append it to every window title ("Warning — Quorvane").
}

bool QuorvaneApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    Present(QString::fromUtf8(e.what()));
  } catch (...) {
    Present(QStringLiteral("Unexpected error"));
  }
  return false;
}

void QuorvaneApplication::Present(const QString& message) {
  if (presenter_) {
    presenter_(message);
    return;
  }
  QMessageBox::critical(activeWindow(), QStringLiteral("Quorvane"), message);
}

}  // namespace quorvane
