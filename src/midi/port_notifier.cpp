#include "midi/port_notifier.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>

namespace quorvane {

PortNotifier::PortNotifier(QObject* parent) : QObject(parent) {
  fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd_ < 0) {
    throw std::runtime_error("Cannot create MIDI notice channel: " +
                             std::error_code(errno, std::generic_category()).message());
  }
  socket_notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  connect(socket_notifier_.get(), &QSocketNotifier::activated, this, [this] {
    Drain();
    try {
      Dispatch();
    } catch (const std::exception& e) {
      if (on_error) on_error(e.what());
    }
  });
}

PortNotifier::~PortNotifier() {
  socket_notifier_.reset();
  ::close(fd_);
}

void PortNotifier::Wake() noexcept {
  // Sequentially consistent with the clearing in Drain and with the notices' counters: either
  // this sees the flag cleared and writes, or Drain's reader sees the notice (no lost wake-up).
  if (wake_pending_.exchange(true, std::memory_order_seq_cst)) return;
  const std::uint64_t one = 1;
  // Fails only when the counter would overflow, and then a wake-up is pending anyway.
  [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

void PortNotifier::Drain() noexcept {
  std::uint64_t value = 0;
  [[maybe_unused]] const ssize_t got = ::read(fd_, &value, sizeof value);
  // Cleared after the read (a write made after the clearing must stay readable) and before the
  // notices are looked at: one posted from now on wakes the loop again.
  wake_pending_.exchange(false, std::memory_order_seq_cst);
}

void PortNotifier::PostDataReady() noexcept {
  data_ready_.fetch_add(1, std::memory_order_seq_cst);
  Wake();
}

void PortNotifier::PostOverflow() noexcept {
  overflow_.fetch_add(1, std::memory_order_seq_cst);
  Wake();
}

void PortNotifier::PostSendDone(MidiBufferHeader* header) noexcept {
  MidiBufferHeader* head = send_done_.load(std::memory_order_relaxed);
  do {
    header->notice_next = head;
  } while (!send_done_.compare_exchange_weak(head, header, std::memory_order_seq_cst,
                                             std::memory_order_relaxed));
  Wake();
}

MidiBufferHeader* PortNotifier::TakeSendDone() noexcept {
  MidiBufferHeader* newest = send_done_.exchange(nullptr, std::memory_order_seq_cst);
  MidiBufferHeader* oldest = nullptr;
  while (newest != nullptr) {
    MidiBufferHeader* next = newest->notice_next;
    newest->notice_next = oldest;
    oldest = newest;
    newest = next;
  }
  return oldest;
}

void PortNotifier::Dispatch() {
  // One notice at a time, so that a handler that raises leaves the rest for the next wake-up.
  auto take_one = [](std::atomic<std::uint32_t>& counter) {
    std::uint32_t n = counter.load(std::memory_order_seq_cst);
    while (n > 0 && !counter.compare_exchange_weak(n, n - 1, std::memory_order_seq_cst)) {
    }
    return n > 0;
  };
  while (take_one(data_ready_)) {
    if (on_data_ready) on_data_ready();
  }
  while (take_one(overflow_)) {
    if (on_overflow) on_overflow();
  }
  MidiBufferHeader* header = TakeSendDone();
  while (header != nullptr) {
    MidiBufferHeader* next = header->notice_next;
    header->notice_next = nullptr;
    if (on_send_done) {
      try {
        on_send_done(header);
      } catch (...) {
        // Put the rest back so they are still handled, oldest first.
        while (next != nullptr) {
          MidiBufferHeader* after = next->notice_next;
          PostSendDone(next);
          next = after;
        }
        throw;
      }
    }
    header = next;
  }
}

void PortNotifier::Discard() noexcept {
  data_ready_.store(0, std::memory_order_relaxed);
  overflow_.store(0, std::memory_order_relaxed);
  TakeSendDone();
}

}  // namespace quorvane
