#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

namespace quorvane::testing {

// Runs `answer` on the next modal widget of type T once it is up, polling from the event loop
// that its exec() runs. A failed check inside `answer` returns early, so whatever is still
// open then is closed to let the test go on.
template <typename T>
void WhenModal(std::function<void(T*)> answer) {
  auto* poll = new QTimer(QCoreApplication::instance());  // owned by the application
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
    if (T* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      QPointer<QWidget> shown(w);
      answer(w);
      if (shown && shown->isVisible()) shown->close();
    }
  });
  poll->start(5);
}

// Presses a file dialog's Open or Save button as the user would.
inline void ClickAccept(QFileDialog* d) {
  auto* box = d->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
  QVERIFY(box);
  for (QAbstractButton* b : box->buttons())
    if (box->buttonRole(b) == QDialogButtonBox::AcceptRole) return b->click();
  QFAIL("no accept button");
}

}  // namespace quorvane::testing
