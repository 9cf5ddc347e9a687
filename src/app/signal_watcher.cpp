#include "app/signal_watcher.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>

namespace quorvane {
namespace {

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The write end of the active watcher's pipe; a signal handler can reach nothing else.
std::atomic<int> g_signal_fd{-1};

extern "C" void OnTerminationSignal(int signal_number) {
  const int saved_errno = errno;
  const int fd = g_signal_fd.load();
  if (fd >= 0) {
    const unsigned char byte = static_cast<unsigned char>(signal_number);
    [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
  }
  errno = saved_errno;
}

}  // namespace

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent) {
  if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot create pipe");
  g_signal_fd.store(fds_[1]);
  struct sigaction action = {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  // A closed terminal or a session logging out (SIGHUP) ends the run the same orderly way.
  for (int signal_number : kTerminationSignals) ::sigaction(signal_number, &action, nullptr);
  notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalWatcher::ReadPipe);
}

SignalWatcher::~SignalWatcher() {
  for (int signal_number : kTerminationSignals) ::signal(signal_number, SIG_DFL);
  g_signal_fd.store(-1);
  notifier_.reset();
  ::close(fds_[0]);
  ::close(fds_[1]);
}

void SignalWatcher::ReadPipe() {
  unsigned char byte = 0;
  while (::read(fds_[0], &byte, 1) == 1) emit terminationRequested(byte);
}

}  // namespace quorvane
