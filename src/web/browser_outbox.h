#pragma once

#include <QtGlobal>
#include <bitset>
#include <cstdint>
#include <vector>

#include "model/controller.h"

namespace quorvane {

// A client with more than this not yet written gets nothing more until it drains.
inline constexpr qint64 kBrowserBacklogBytes = qint64{64} * 1024;

// What one page is owed: the slots others changed since its last message, or the whole
// state. While its socket holds more than the bound not yet written it is sent nothing; the
// marks stay, so it then gets the latest of each, and nothing queues without bound.
class BrowserOutbox {
 public:
  enum class Due : std::uint8_t { kNothing, kState, kSlots };

  explicit BrowserOutbox(qint64 backlog_bound = kBrowserBacklogBytes) : bound_(backlog_bound) {}

  void MarkSlot(int slot);  // 1..24
  void MarkState();
  // What to send now, the marks cleared; kSlots fills changed with the slots (1..24, in order).
  // Nothing while held back or when nothing is owed.
  Due Take(std::vector<int>& changed);
  // A message of this payload went to the socket.
  void Queued(qint64 payload);
  // The socket wrote bytes (the handshake's too). True when that ends a hold while something
  // is owed: time to send again.
  bool Written(qint64 bytes);
  bool Held() const { return unwritten_ > bound_; }
  bool Owes() const { return state_ || slots_.any(); }

 private:
  qint64 bound_;
  std::bitset<kSlotCount> slots_;
  bool state_ = false;
  qint64 unwritten_ = 0;  // counted as frames on the wire
};

}  // namespace quorvane
