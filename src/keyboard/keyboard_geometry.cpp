#include "keyboard/keyboard_geometry.h"

#include <algorithm>
#include <array>

namespace quorvane {
namespace {

// Shift of the black key after each white position, C..B; E and B carry none.
constexpr std::array<int, 7> kBlackOffset{-1, 1, 0, -1, 0, 1, 0};
constexpr std::array<int, 7> kWhiteSemitone{0, 2, 4, 5, 7, 9, 11};

bool HasBlackAfter(int i) {
  return i == 0 || i == 1 || i == 3 || i == 4 || i == 5;
}
bool HasBlackBefore(int i) {
  return i == 1 || i == 2 || i == 4 || i == 5 || i == 6;
}
int Prev(int i) {
  return i == 0 ? 6 : i - 1;
}

}  // namespace

int KeyboardGeometry::Length() const {
  return orientation_ == TKeyboardOrientation::kbHorizontal ? width_ : height_;
}

int KeyboardGeometry::Breadth() const {
  return orientation_ == TKeyboardOrientation::kbHorizontal ? height_ : width_;
}

int KeyboardGeometry::BlackKeyWidth() const {
  const int w = note_width_ * 3 / 5;
  return w % 2 == 0 ? w + 1 : w;
}

int KeyboardGeometry::Along(int x, int y) const {
  return orientation_ == TKeyboardOrientation::kbHorizontal ? x : height_ - 1 - y;
}

int KeyboardGeometry::Across(int x, int y) const {
  return orientation_ == TKeyboardOrientation::kbHorizontal ? y : x;
}

QRect KeyboardGeometry::ToWidget(const KeyArea& a) const {
  if (orientation_ == TKeyboardOrientation::kbHorizontal)
    return {a.along, a.across, a.along_extent, a.across_extent};
  return {a.across, height_ - a.along - a.along_extent, a.across_extent, a.along_extent};
}

int KeyboardGeometry::WhiteKeyNote(int k) const {
  return (base_octave_ + k / 7) * 12 + kWhiteSemitone[static_cast<std::size_t>(k % 7)];
}

int KeyboardGeometry::WhiteKeyCount() const {
  return static_cast<int>(Separators().size()) + 1;
}

std::vector<int> KeyboardGeometry::Separators() const {
  std::vector<int> out;
  if (note_width_ <= 0) return out;
  // The vertical layout stops one pixel short, as the painting always did.
  const int end = orientation_ == TKeyboardOrientation::kbHorizontal ? Length() : Length() - 1;
  for (int k = 1; k * note_width_ < end; ++k) out.push_back(k * note_width_);
  return out;
}

int KeyboardGeometry::BlackKeyStart(int k, int i) const {
  return (k + 1) * note_width_ - Half() + kBlackOffset[static_cast<std::size_t>(i)];
}

std::vector<KeyArea> KeyboardGeometry::BlackKeys() const {
  std::vector<KeyArea> out;
  for (const int along : Separators()) {
    const int k = along / note_width_ - 1;
    const int i = k % 7;
    if (HasBlackAfter(i))
      out.push_back({BlackKeyStart(k, i), 0, BlackKeyWidth(), BlackKeyLength()});
  }
  return out;
}

KeyHit KeyboardGeometry::HitTest(int x, int y) const {
  if (note_width_ <= 0) return {};
  const int along = Along(x, y);
  const int across = Across(x, y);
  const int d = along / note_width_;
  const int p = along % note_width_;
  int i = d % 7;
  const int prev = Prev(i);
  bool black = false;
  if (across < BlackKeyLength()) {
    if (p >= note_width_ - Half() + kBlackOffset[static_cast<std::size_t>(i)]) {
      black = HasBlackAfter(i);
    } else if (p < BlackKeyWidth() - Half() + kBlackOffset[static_cast<std::size_t>(prev)]) {
      black = HasBlackBefore(i);
      if (black) i = prev;
    }
  }
  KeyHit hit;
  hit.black = black;
  hit.note = (base_octave_ + d / 7) * 12 + (i <= 2 ? 2 * i : 2 * i - 1) + (black ? 1 : 0);
  if (!velocity_mode_) {
    hit.velocity = 127;
  } else {
    const int depth = black ? BlackKeyLength() : Breadth();
    hit.velocity = depth > 0 ? across * 127 / depth : 127;
  }
  // Velocity 0 would be taken for a note off: a press at the back edge still sounds.
  hit.velocity = std::clamp(hit.velocity, 1, 127);
  return hit;
}

std::vector<KeyArea> KeyboardGeometry::PressedAreas(int note) const {
  const int rel = note - base_octave_ * 12;
  if (rel < 0 || note < 0 || note >= kNoteCount || note_width_ <= 0) return {};
  const int semitone = rel % 12;
  const auto found = std::find(kWhiteSemitone.begin(), kWhiteSemitone.end(), semitone);
  const bool black = found == kWhiteSemitone.end();
  const int i = static_cast<int>(
      black ? std::find(kWhiteSemitone.begin(), kWhiteSemitone.end(), semitone - 1) -
                  kWhiteSemitone.begin()
            : found - kWhiteSemitone.begin());
  const int k = rel / 12 * 7 + i;
  const int x0 = k * note_width_;
  if (x0 >= Length()) return {};
  // A black key exists only where its separator is drawn.
  const std::vector<int> separators = Separators();
  if (black && static_cast<int>(separators.size()) < k + 1) return {};
  const int bw = BlackKeyWidth();
  const int bl = BlackKeyLength();
  const int right = BlackKeyStart(k, i);
  const int left = BlackKeyStart(k - 1, Prev(i));
  if (black) return {{right + 1, 1, bw - 2, bl - 2}};
  const KeyArea lower{x0 + 2, bl + 1, note_width_ - 3, Breadth() - bl - 3};
  KeyArea upper{0, 2, 0, bl - 1};
  switch (i) {
    case 0:
    case 3:
      upper.along = x0 + 2;
      upper.along_extent = right - x0 - 3;
      break;
    case 2:
    case 6:
      upper.along = left + bw + 1;
      upper.along_extent = x0 + note_width_ - left - bw - 2;
      break;
    default:
      upper.along = left + bw + 1;
      upper.along_extent = right - left - bw - 2;
      break;
  }
  return {lower, upper};
}

bool KeyboardState::IsPressed(int note) const {
  return InRange(note) && pressed_.test(static_cast<std::size_t>(note));
}

NoteEvent KeyboardState::NoteOn(int note, int velocity) {
  if (InRange(note)) pressed_.set(static_cast<std::size_t>(note));
  return {true, note, velocity};
}

NoteEvent KeyboardState::NoteOff(int note) {
  if (InRange(note)) pressed_.reset(static_cast<std::size_t>(note));
  return {false, note, 0};
}

std::vector<NoteEvent> KeyboardState::ReleaseAll() {
  std::vector<NoteEvent> out;
  for (int n = 0; n < KeyboardGeometry::kNoteCount; ++n)
    if (IsPressed(n)) out.push_back(NoteOff(n));
  return out;
}

std::vector<NoteEvent> KeyboardState::Press(const KeyboardGeometry& g, int x, int y,
                                            Button button) {
  if (button != Button::kLeft) return {};
  const KeyHit hit = g.HitTest(x, y);
  if (!InRange(hit.note)) return {};
  last_note_ = hit.note;
  return {NoteOn(hit.note, hit.velocity)};
}

std::vector<NoteEvent> KeyboardState::Move(const KeyboardGeometry& g, int x, int y,
                                           bool left_held) {
  if (!left_held || x < 0 || y < 0 || x > g.Width() - 2 || y > g.Height() - 2) return {};
  const KeyHit hit = g.HitTest(x, y);
  if (!InRange(hit.note) || hit.note == last_note_) return {};
  std::vector<NoteEvent> out;
  if (InRange(last_note_)) out.push_back(NoteOff(last_note_));
  last_note_ = hit.note;
  out.push_back(NoteOn(hit.note, hit.velocity));
  return out;
}

std::vector<NoteEvent> KeyboardState::Release() {
  // last_note stays, so another button's release ends the same note again.
  if (!InRange(last_note_)) return {};
  return {NoteOff(last_note_)};
}

}  // namespace quorvane
