#include "keyboard/computer_keys.h"

#include <Qt>
#include <algorithm>

namespace quorvane {
namespace {

constexpr std::array<int, 13> kNoteKeys{Qt::Key_A, Qt::Key_W, Qt::Key_S, Qt::Key_E, Qt::Key_D,
                                        Qt::Key_F, Qt::Key_T, Qt::Key_G, Qt::Key_Y, Qt::Key_H,
                                        Qt::Key_U, Qt::Key_J, Qt::Key_K};

}  // namespace

int ComputerKeys::Semitone(int qt_key) {
  const auto* found = std::find(kNoteKeys.begin(), kNoteKeys.end(), qt_key);
  return found == kNoteKeys.end() ? -1 : static_cast<int>(found - kNoteKeys.begin());
}

bool ComputerKeys::Handles(int qt_key) {
  return Semitone(qt_key) >= 0 || qt_key == Qt::Key_Z || qt_key == Qt::Key_X;
}

std::optional<NoteEvent> ComputerKeys::Press(int qt_key, bool auto_repeat) {
  if (auto_repeat) return std::nullopt;
  if (qt_key == Qt::Key_Z || qt_key == Qt::Key_X) {
    octave_ = std::clamp(octave_ + (qt_key == Qt::Key_X ? 1 : -1), kLowestOctave, kHighestOctave);
    return std::nullopt;
  }
  const int s = Semitone(qt_key);
  if (s < 0) return std::nullopt;
  int& held = held_[static_cast<std::size_t>(s)];
  if (held >= 0) return std::nullopt;
  held = octave_ * 12 + s;
  return NoteEvent{true, held, kVelocity};
}

std::optional<NoteEvent> ComputerKeys::Release(int qt_key, bool auto_repeat) {
  if (auto_repeat) return std::nullopt;
  const int s = Semitone(qt_key);
  if (s < 0) return std::nullopt;
  int& held = held_[static_cast<std::size_t>(s)];
  if (held < 0) return std::nullopt;
  const NoteEvent off{false, held, 0};
  held = -1;
  return off;
}

std::vector<NoteEvent> ComputerKeys::ReleaseAll() {
  std::vector<int> notes;
  for (int& held : held_) {
    if (held >= 0) notes.push_back(held);
    held = -1;
  }
  std::sort(notes.begin(), notes.end());
  std::vector<NoteEvent> out;
  out.reserve(notes.size());
  for (const int n : notes) out.push_back({false, n, 0});
  return out;
}

}  // namespace quorvane
