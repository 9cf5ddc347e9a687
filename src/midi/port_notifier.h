#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "midi/midi_service.h"

class QSocketNotifier;

namespace quorvane {

// The hidden window of a port: carries notices from the MIDI service's thread to the thread
// that created it (the GUI thread). Posting is lock-free and allocation-free: counters and an
// intrusive list of headers, then one eventfd write to wake the GUI thread's event loop.
class PortNotifier : public QObject {
  Q_OBJECT

 public:
  explicit PortNotifier(QObject* parent = nullptr);  // throws std::runtime_error without eventfd
  ~PortNotifier() override;

  PortNotifier(const PortNotifier&) = delete;
  PortNotifier& operator=(const PortNotifier&) = delete;

  // Any thread. One call = one notice.
  void PostDataReady() noexcept;
  void PostOverflow() noexcept;
  // header->notice_next is used as the link until the notice is handled.
  void PostSendDone(MidiBufferHeader* header) noexcept;

  // Owner's thread: handle every notice posted so far, in the order data-ready, overflow,
  // send-done (send-done in posting order). Also runs when the eventfd wakes the event loop.
  void Dispatch();
  // Owner's thread: forget every notice posted so far.
  void Discard() noexcept;

  // Set by the owning port; each runs once per notice.
  std::function<void()> on_data_ready;
  std::function<void()> on_overflow;
  std::function<void(MidiBufferHeader*)> on_send_done;
  // A handler raised while the event loop woke this notifier: the error stops here, since
  // nothing may leave a Qt slot by exception.
  std::function<void(const std::string&)> on_error;

 private:
  void Wake() noexcept;
  void Drain() noexcept;
  MidiBufferHeader* TakeSendDone() noexcept;  // oldest first

  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> socket_notifier_;
  std::atomic<std::uint32_t> data_ready_{0};
  std::atomic<std::uint32_t> overflow_{0};
  std::atomic<MidiBufferHeader*> send_done_{nullptr};  // newest first
  // Set by the first notice after a wake-up was handled: a burst costs one eventfd write.
  std::atomic<bool> wake_pending_{false};
};

}  // namespace quorvane
