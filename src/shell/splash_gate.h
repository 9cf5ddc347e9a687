#pragma once

#include <QObject>
#include <QTimer>

namespace quorvane {

// When the start-up picture may go: once it has been up for its time, or at once when the
// user clicks it. The windows stay out of reach until then.
class SplashGate : public QObject {
  Q_OBJECT

 public:
  static constexpr int kShowMs = 4000;

  explicit SplashGate(int show_ms = kShowMs, QObject* parent = nullptr);

  bool MayClose() const { return !timer_.isActive(); }
  // The picture was clicked.
  void Click();

 signals:
  // Once, when MayClose turns true.
  void mayClose();

 private:
  QTimer timer_;
};

}  // namespace quorvane
