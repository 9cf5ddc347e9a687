#pragma once

#include <QRect>
#include <bitset>
#include <vector>

namespace quorvane {

enum class TKeyboardOrientation { kbHorizontal, kbVertical };

// Where a press landed: the note (may lie outside 0..127) and its velocity (1..127).
struct KeyHit {
  int note = -1;
  int velocity = 0;
  bool black = false;
  bool operator==(const KeyHit&) const = default;
};

// A rectangle in keyboard coordinates: along runs from the low notes, across from the back
// edge (where the black keys sit) to the front.
struct KeyArea {
  int along = 0;
  int across = 0;
  int along_extent = 0;
  int across_extent = 0;
  bool operator==(const KeyArea&) const = default;
};

// The piano keyboard's geometry in one orientation and size: what each pixel plays and where
// each key is drawn. Knows no widgets, so every rule is tested without a display.
class KeyboardGeometry {
 public:
  static constexpr int kNoteCount = 128;

  KeyboardGeometry() = default;
  KeyboardGeometry(TKeyboardOrientation orientation, int note_width, int base_octave, int width,
                   int height, bool velocity_mode = true)
      : orientation_(orientation),
        note_width_(note_width),
        base_octave_(base_octave),
        width_(width),
        height_(height),
        velocity_mode_(velocity_mode) {}

  TKeyboardOrientation Orientation() const { return orientation_; }
  int NoteWidth() const { return note_width_; }
  int BaseOctave() const { return base_octave_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  int Length() const;   // extent along the keyboard
  int Breadth() const;  // extent across it
  int BlackKeyLength() const { return Breadth() * 3 / 5; }
  // Always odd, so the key sits centred on the separator.
  int BlackKeyWidth() const;
  int Half() const { return BlackKeyWidth() / 2; }

  int Along(int x, int y) const;
  int Across(int x, int y) const;
  // Widget rectangle of an area given in keyboard coordinates.
  QRect ToWidget(const KeyArea& area) const;

  // Note sounded by white key k (0 = leftmost, or bottom when vertical).
  int WhiteKeyNote(int k) const;
  // White keys shown, counting the partial one at the far end.
  int WhiteKeyCount() const;
  // Positions along of the separators between white keys, low to high.
  std::vector<int> Separators() const;
  // The black keys drawn, low to high.
  std::vector<KeyArea> BlackKeys() const;

  KeyHit HitTest(int x, int y) const;

  // The face of a key drawn inverted while it is pressed; empty for a note not on the keyboard.
  std::vector<KeyArea> PressedAreas(int note) const;

 private:
  // Left edge of the black key after white key k, at position i in the octave.
  int BlackKeyStart(int k, int i) const;

  TKeyboardOrientation orientation_ = TKeyboardOrientation::kbHorizontal;
  int note_width_ = 10;
  int base_octave_ = 3;
  int width_ = 200;
  int height_ = 50;
  bool velocity_mode_ = true;
};

// A note starting or ending, in the order it happened.
struct NoteEvent {
  bool on = false;
  int note = 0;
  int velocity = 0;
  bool operator==(const NoteEvent&) const = default;
};

// Which keys show pressed and what the mouse does to them: press, glide while the left
// button is held, release.
class KeyboardState {
 public:
  enum class Button { kLeft, kOther };

  const std::bitset<KeyboardGeometry::kNoteCount>& PressedNotes() const { return pressed_; }
  bool IsPressed(int note) const;

  // The event fires even for a key already shown pressed.
  NoteEvent NoteOn(int note, int velocity);
  NoteEvent NoteOff(int note);
  // Note offs for every key shown pressed, low to high.
  std::vector<NoteEvent> ReleaseAll();

  std::vector<NoteEvent> Press(const KeyboardGeometry& g, int x, int y, Button button);
  std::vector<NoteEvent> Move(const KeyboardGeometry& g, int x, int y, bool left_held);
  std::vector<NoteEvent> Release();

 private:
  static bool InRange(int note) { return note >= 0 && note < KeyboardGeometry::kNoteCount; }

  std::bitset<KeyboardGeometry::kNoteCount> pressed_;
  int last_note_ = -1;
};

}  // namespace quorvane
