#include "keyboard/keyboard_geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvane {
namespace {

using H = TKeyboardOrientation;

// The keyboard of the MIDI keyboard window: 473 x 59, note width 11, base octave 2.
KeyboardGeometry WindowKeys(H o = H::kbHorizontal, bool velocity_mode = true) {
  return o == H::kbHorizontal ? KeyboardGeometry(o, 11, 2, 473, 59, velocity_mode)
                              : KeyboardGeometry(o, 11, 2, 59, 473, velocity_mode);
}

TEST(KeyboardGeometryTest, DerivedSizes) {
  struct Case {
    int note_width, breadth, black_width, half, black_length;
  };
  const std::vector<Case> cases{
      {11, 59, 7, 3, 35},  // 6 is even: one more
      {10, 50, 7, 3, 30},  // 6 is even: one more
      {15, 50, 9, 4, 30},  // 9 is odd already
      {5, 10, 3, 1, 6},
  };
  for (const Case& c : cases) {
    for (H o : {H::kbHorizontal, H::kbVertical}) {
      const KeyboardGeometry g = o == H::kbHorizontal
                                     ? KeyboardGeometry(o, c.note_width, 3, 200, c.breadth)
                                     : KeyboardGeometry(o, c.note_width, 3, c.breadth, 200);
      SCOPED_TRACE(testing::Message()
                   << "note width " << c.note_width << " vertical " << (o == H::kbVertical));
      EXPECT_EQ(g.Breadth(), c.breadth);
      EXPECT_EQ(g.BlackKeyWidth(), c.black_width);
      EXPECT_EQ(g.Half(), c.half);
      EXPECT_EQ(g.BlackKeyLength(), c.black_length);
    }
  }
}

TEST(KeyboardGeometryTest, HitTestGivesNoteAndVelocity) {
  struct Case {
    int along, across;
    bool velocity_mode;
    KeyHit hit;
  };
  const std::vector<Case> cases{
      {0, 58, true, {24, 124, false}},    // leftmost key is C of octave 2; front edge 124
      {48, 58, false, {31, 127, false}},  // fifth white key (G); 127 only without velocity
      {5, 36, true, {24, 77, false}},
      {5, 0, true, {24, 1, false}},  // back edge: 0 would be a note off
      {6, 10, true, {24, 21, false}},
      {7, 10, true, {25, 36, true}},   // black key after C starts at 11 - 3 - 1
      {12, 10, true, {25, 36, true}},  // ... and reaches into D
      {13, 34, true, {25, 123, true}},
      {14, 10, true, {26, 21, false}},
      {12, 35, true, {26, 75, false}},  // below the black keys: always white
      {7, 58, true, {24, 124, false}},
      {31, 10, true, {28, 21, false}},   // E has no black key to its right
      {33, 10, true, {29, 21, false}},   // F has none to its left
      {42, 10, true, {30, 36, true}},    // F# starts at 44 - 3 - 1
      {470, 40, true, {96, 86, false}},  // rightmost key: C of octave 8
      {77, 20, false, {36, 127, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "along " << c.along << " across " << c.across);
    const KeyboardGeometry h = WindowKeys(H::kbHorizontal, c.velocity_mode);
    EXPECT_EQ(h.HitTest(c.along, c.across), c.hit);
    // Vertical: low notes at the bottom, black keys along the left edge.
    const KeyboardGeometry v = WindowKeys(H::kbVertical, c.velocity_mode);
    EXPECT_EQ(v.HitTest(c.across, 472 - c.along), c.hit);
  }
}

TEST(KeyboardGeometryTest, ABelowTheBlackKeysIsAlwaysWhite) {
  const KeyboardGeometry g = WindowKeys();
  for (int along = 0; along < 472; ++along) {
    for (int across = g.BlackKeyLength(); across < 59; ++across) {
      const int semitone = g.HitTest(along, across).note % 12;
      ASSERT_TRUE(semitone != 1 && semitone != 3 && semitone != 6 && semitone != 8 &&
                  semitone != 10)
          << along << "," << across;
    }
  }
}

TEST(KeyboardGeometryTest, WindowKeyboardShowsFortyThreeWhiteKeysInGroupsOfTwoAndThree) {
  for (H o : {H::kbHorizontal, H::kbVertical}) {
    const KeyboardGeometry g = WindowKeys(o);
    EXPECT_EQ(g.WhiteKeyCount(), 43);
    EXPECT_EQ(g.WhiteKeyNote(0), 24);
    EXPECT_EQ(g.WhiteKeyNote(4), 31);
    EXPECT_EQ(g.WhiteKeyNote(42), 96);
    const std::vector<KeyArea> black = g.BlackKeys();
    ASSERT_EQ(black.size(), 30u);
    EXPECT_EQ(black[0], (KeyArea{7, 0, 7, 35}));   // C#
    EXPECT_EQ(black[1], (KeyArea{20, 0, 7, 35}));  // D#
    EXPECT_EQ(black[2], (KeyArea{40, 0, 7, 35}));  // F#
    EXPECT_EQ(black[4], (KeyArea{64, 0, 7, 35}));  // A#
    // Groups: the gap after D# and after A# spans a whole white key.
    std::vector<int> gaps;
    for (std::size_t n = 1; n <= 5; ++n) gaps.push_back(black[n].along - black[n - 1].along);
    EXPECT_EQ(gaps, (std::vector<int>{13, 20, 12, 12, 20}));
  }
  // The vertical layout draws no separator on its last pixel.
  EXPECT_EQ(KeyboardGeometry(H::kbHorizontal, 10, 3, 101, 50).Separators().size(), 10u);
  EXPECT_EQ(KeyboardGeometry(H::kbVertical, 10, 3, 50, 101).Separators().size(), 9u);
}

TEST(KeyboardGeometryTest, VerticalAreasMapToTheWidget) {
  const KeyboardGeometry v = WindowKeys(H::kbVertical);
  EXPECT_EQ(v.ToWidget({7, 0, 7, 35}), QRect(0, 459, 35, 7));
  const KeyboardGeometry h = WindowKeys();
  EXPECT_EQ(h.ToWidget({7, 0, 7, 35}), QRect(7, 0, 7, 35));
}

TEST(KeyboardGeometryTest, PressedAreasCoverTheKeyFace) {
  struct Case {
    int note;
    std::vector<KeyArea> areas;
  };
  const std::vector<Case> cases{
      {24, {{2, 36, 8, 21}, {2, 2, 4, 34}}},    // C: up to the C# key
      {25, {{8, 1, 5, 33}}},                    // C#
      {26, {{13, 36, 8, 21}, {15, 2, 4, 34}}},  // D: between C# and D#
      {28, {{24, 36, 8, 21}, {28, 2, 4, 34}}},  // E: from D# to its right edge
      {96, {{464, 36, 8, 21}, {464, 2, 4, 34}}},
      {23, {}},  // below the keyboard
      {97, {}},  // no black key after the last white key
      {98, {}},  // beyond the far end
      {128, {}},
  };
  const KeyboardGeometry g = WindowKeys();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    EXPECT_EQ(g.PressedAreas(c.note), c.areas);
  }
}

TEST(KeyboardStateTest, MousePressGlideAndRelease) {
  const KeyboardGeometry g = WindowKeys();
  KeyboardState s;
  using B = KeyboardState::Button;
  EXPECT_TRUE(s.Release().empty()) << "no note ever played";
  EXPECT_TRUE(s.Press(g, 5, 36, B::kOther).empty());
  EXPECT_EQ(s.Press(g, 5, 36, B::kLeft), (std::vector<NoteEvent>{{true, 24, 77}}));
  EXPECT_TRUE(s.IsPressed(24));
  EXPECT_TRUE(s.Move(g, 8, 40, true).empty()) << "within one key";
  EXPECT_TRUE(s.Move(g, 16, 40, false).empty()) << "left button not held";
  EXPECT_TRUE(s.Move(g, 472, 40, true).empty()) << "beyond width - 2";
  EXPECT_TRUE(s.Move(g, 16, 58, true).empty()) << "beyond height - 2";
  EXPECT_EQ(s.Move(g, 16, 40, true), (std::vector<NoteEvent>{{false, 24, 0}, {true, 26, 86}}));
  EXPECT_EQ(s.Move(g, 13, 10, true), (std::vector<NoteEvent>{{false, 26, 0}, {true, 25, 36}}));
  EXPECT_FALSE(s.IsPressed(24));
  EXPECT_FALSE(s.IsPressed(26));
  EXPECT_TRUE(s.IsPressed(25));
  EXPECT_EQ(s.Release(), (std::vector<NoteEvent>{{false, 25, 0}}));
  EXPECT_TRUE(s.PressedNotes().none());
  // The last note is kept: another button's release ends it again.
  EXPECT_EQ(s.Release(), (std::vector<NoteEvent>{{false, 25, 0}}));
}

TEST(KeyboardStateTest, NoteOnFiresForAKeyAlreadyPressedAndReleaseAllEndsEveryKey) {
  KeyboardState s;
  EXPECT_EQ(s.NoteOn(60, 90), (NoteEvent{true, 60, 90}));
  EXPECT_EQ(s.NoteOn(60, 80), (NoteEvent{true, 60, 80}));
  EXPECT_EQ(s.NoteOn(30, 80), (NoteEvent{true, 30, 80}));
  EXPECT_EQ(s.PressedNotes().count(), 2u);
  EXPECT_EQ(s.ReleaseAll(), (std::vector<NoteEvent>{{false, 30, 0}, {false, 60, 0}}));
  EXPECT_TRUE(s.PressedNotes().none());
  EXPECT_TRUE(s.ReleaseAll().empty());
}

}  // namespace
}  // namespace quorvane
