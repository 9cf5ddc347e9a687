#pragma once

#include <array>
#include <optional>
#include <vector>

#include "keyboard/keyboard_geometry.h"

namespace quorvane {

// Play from the computer keyboard: the home row gives the white keys of one octave and the
// row above it the black keys (A W S E D F T G Y H U J K = C .. C'); Z and X shift the octave.
// Holding a key repeats nothing.
class ComputerKeys {
 public:
  static constexpr int kVelocity = 100;
  static constexpr int kDefaultOctave = 5;  // A plays note 60
  static constexpr int kLowestOctave = 0;
  static constexpr int kHighestOctave = 9;  // K still plays 120

  int Octave() const { return octave_; }
  // Whether the key is one of ours (a note or an octave shift): the window keeps it.
  static bool Handles(int qt_key);

  // A key went down; an auto-repeated press or a key already down gives nothing.
  std::optional<NoteEvent> Press(int qt_key, bool auto_repeat);
  // A key came up: ends the note that key started, whatever the octave is now.
  std::optional<NoteEvent> Release(int qt_key, bool auto_repeat);
  // Note offs for every note a held key sounds, low to high; the keys count as released.
  std::vector<NoteEvent> ReleaseAll();

 private:
  // Semitone above the octave's C, or -1 for a key that plays nothing.
  static int Semitone(int qt_key);
  // Held notes by semitone slot (0..12); -1 when that key is up.
  std::array<int, 13> held_{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  int octave_ = kDefaultOctave;
};

}  // namespace quorvane
