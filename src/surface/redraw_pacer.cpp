#include "surface/redraw_pacer.h"

#include <algorithm>
#include <utility>

namespace quorvane {

RedrawPacer::RedrawPacer(QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  // A coarse timer may fire up to 5 % late; a frame need not be exact to the millisecond.
  timer_.setTimerType(Qt::CoarseTimer);
  connect(&timer_, &QTimer::timeout, this, &RedrawPacer::Flush);
}

void RedrawPacer::MarkSlot(int slot) {
  if (slot < 1 || slot > kSlotCount) return;
  marked_.dirty_slots.set(static_cast<std::size_t>(slot));
  Arm();
}

void RedrawPacer::MarkAllSlots() {
  for (int s = 1; s <= kSlotCount; ++s) marked_.dirty_slots.set(static_cast<std::size_t>(s));
  Arm();
}

void RedrawPacer::MarkPanel(int panel) {
  if (panel < 0 || panel >= StatusBoard::kStatusPanels) return;
  marked_.dirty_panels.set(static_cast<std::size_t>(panel));
  Arm();
}

void RedrawPacer::MarkLamps() {
  marked_.lamps = true;
  Arm();
}

int RedrawPacer::FrameDelayMs(qint64 since_last_frame_ms) {
  if (since_last_frame_ms < 0) return kFrameMs;
  return static_cast<int>(std::max<qint64>(kFrameMs, kStreamFrameMs - since_last_frame_ms));
}

void RedrawPacer::Arm() {
  if (timer_.isActive()) return;
  timer_.start(FrameDelayMs(last_frame_.isValid() ? last_frame_.elapsed() : -1));
}

void RedrawPacer::Flush() {
  timer_.stop();
  if (marked_.Empty()) return;
  const RedrawFrame frame = std::exchange(marked_, RedrawFrame{});
  last_frame_.start();
  emit frameDue(frame);
}

}  // namespace quorvane
