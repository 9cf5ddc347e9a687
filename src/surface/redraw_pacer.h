#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <bitset>

#include "model/controller.h"
#include "surface/status_board.h"

namespace quorvane {

// What changed since the views last drew.
struct RedrawFrame {
  std::bitset<kSlotCount + 1> dirty_slots;  // indexed by slot
  std::bitset<StatusBoard::kStatusPanels> dirty_panels;
  bool lamps = false;

  bool Empty() const { return dirty_slots.none() && dirty_panels.none() && !lamps; }
};

// Views draw at most once a screen refresh, however fast the changes come: a change marks
// what it touched, the first mark arms one single-shot frame, and the frame hands everything
// marked to the views at once. Nothing marked, nothing armed: idle costs nothing. A change
// after a pause is drawn at the next refresh; a lasting stream at every second one, since a
// frame costs far more than the messages it shows and the eye does not follow a knob faster.
class RedrawPacer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFrameMs = 16;        // about one refresh of a 60 Hz screen
  static constexpr int kStreamFrameMs = 33;  // the least time from one frame to the next

  // How long a first mark waits for its frame, given the time since the last frame was drawn
  // (negative: none yet).
  static int FrameDelayMs(qint64 since_last_frame_ms);

  explicit RedrawPacer(QObject* parent = nullptr);

  void MarkSlot(int slot);  // 1..24; others are ignored
  void MarkAllSlots();
  void MarkPanel(int panel);
  void MarkLamps();
  // A frame is armed and not yet drawn.
  bool Pending() const { return timer_.isActive(); }
  // Hands over what is marked now instead of at the frame; nothing when nothing is.
  void Flush();

 signals:
  // Marks made while the views draw go to the next frame.
  void frameDue(const quorvane::RedrawFrame& frame);

 private:
  void Arm();

  RedrawFrame marked_;
  QTimer timer_;
  QElapsedTimer last_frame_;
};

}  // namespace quorvane
