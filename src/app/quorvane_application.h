#pragma once

#include <QApplication>
#include <QString>
#include <functional>

namespace quorvane {

// The application object. Its notify() is the one top-level handler for errors raised
// while handling an event (port errors above all): it shows the message and carries on.
class QuorvaneApplication : public QApplication {
  Q_OBJECT

 public:
  using ErrorPresenter = std::function<void(const QString&)>;

  QuorvaneApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Replaces the message box (tests read the message instead).
  void SetErrorPresenter(ErrorPresenter presenter) { presenter_ = std::move(presenter); }

 private:
  void Present(const QString& message);

  ErrorPresenter presenter_;
};

}  // namespace quorvane
