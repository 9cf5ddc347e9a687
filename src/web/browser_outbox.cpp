#include "web/browser_outbox.h"

#include <algorithm>

namespace quorvane {
namespace {

// Bytes a server's unmasked frame of a payload puts on the wire.
qint64 WireSize(qint64 payload) {
  constexpr qint64 kShortPayload = 126;
  constexpr qint64 kMediumPayload = 65536;
  if (payload < kShortPayload) return payload + 2;
  if (payload < kMediumPayload) return payload + 4;
  return payload + 10;
}

}  // namespace

void BrowserOutbox::MarkSlot(int slot) {
  if (slot >= 1 && slot <= kSlotCount) slots_.set(static_cast<std::size_t>(slot - 1));
}

void BrowserOutbox::MarkState() {
  state_ = true;
}

BrowserOutbox::Due BrowserOutbox::Take(std::vector<int>& changed) {
  changed.clear();
  if (Held() || !Owes()) return Due::kNothing;
  const Due due = state_ ? Due::kState : Due::kSlots;
  if (!state_)
    for (int slot = 1; slot <= kSlotCount; ++slot)
      if (slots_.test(static_cast<std::size_t>(slot - 1))) changed.push_back(slot);
  state_ = false;
  slots_.reset();
  return due;
}

void BrowserOutbox::Queued(qint64 payload) {
  if (payload > 0) unwritten_ += WireSize(payload);
}

bool BrowserOutbox::Written(qint64 bytes) {
  const bool was_held = Held();
  // The handshake's bytes were never counted: the count stops at nothing.
  unwritten_ = std::max<qint64>(0, unwritten_ - bytes);
  return was_held && !Held() && Owes();
}

}  // namespace quorvane
