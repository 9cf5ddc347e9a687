#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace quorvane {

// Turns SIGINT and SIGTERM into a Qt signal on the GUI thread. The handler only writes one
// byte to a pipe; everything else happens in the event loop.
class SignalWatcher : public QObject {
  Q_OBJECT

 public:
  explicit SignalWatcher(QObject* parent = nullptr);
  ~SignalWatcher() override;

 signals:
  void terminationRequested(int signal_number);

 private:
  void ReadPipe();

  int fds_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quorvane
