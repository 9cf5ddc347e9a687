#include "keyboard/computer_keys.h"

#include <gtest/gtest.h>

#include <Qt>
#include <optional>
#include <vector>

namespace quorvane {
namespace {

TEST(ComputerKeysTest, TwoRowsPlayAChromaticOctave) {
  const std::vector<std::pair<int, int>> keys{
      {Qt::Key_A, 60}, {Qt::Key_W, 61}, {Qt::Key_S, 62}, {Qt::Key_E, 63}, {Qt::Key_D, 64},
      {Qt::Key_F, 65}, {Qt::Key_T, 66}, {Qt::Key_G, 67}, {Qt::Key_Y, 68}, {Qt::Key_H, 69},
      {Qt::Key_U, 70}, {Qt::Key_J, 71}, {Qt::Key_K, 72}};
  for (const auto& [key, note] : keys) {
    ComputerKeys c;
    SCOPED_TRACE(note);
    EXPECT_TRUE(ComputerKeys::Handles(key));
    EXPECT_EQ(c.Press(key, false), (NoteEvent{true, note, ComputerKeys::kVelocity}));
    EXPECT_EQ(c.Release(key, false), (NoteEvent{false, note, 0}));
  }
  ComputerKeys c;
  for (int key : {Qt::Key_Q, Qt::Key_L, Qt::Key_1, Qt::Key_Space}) {
    EXPECT_FALSE(ComputerKeys::Handles(key));
    EXPECT_EQ(c.Press(key, false), std::nullopt);
  }
}

TEST(ComputerKeysTest, HoldingRepeatsNothingAndAShiftKeepsTheHeldNote) {
  ComputerKeys c;
  EXPECT_EQ(c.Press(Qt::Key_A, false), (NoteEvent{true, 60, 100}));
  EXPECT_EQ(c.Press(Qt::Key_A, true), std::nullopt) << "auto-repeat";
  EXPECT_EQ(c.Press(Qt::Key_A, false), std::nullopt) << "already down";
  EXPECT_EQ(c.Release(Qt::Key_A, true), std::nullopt) << "auto-repeat release";
  EXPECT_EQ(c.Press(Qt::Key_X, false), std::nullopt);
  EXPECT_EQ(c.Octave(), 6);
  EXPECT_EQ(c.Press(Qt::Key_S, false), (NoteEvent{true, 74, 100}));
  EXPECT_EQ(c.Release(Qt::Key_A, false), (NoteEvent{false, 60, 0})) << "the note it started";
  EXPECT_EQ(c.Release(Qt::Key_A, false), std::nullopt);
  EXPECT_EQ(c.ReleaseAll(), (std::vector<NoteEvent>{{false, 74, 0}}));
  EXPECT_TRUE(c.ReleaseAll().empty());
  EXPECT_EQ(c.Release(Qt::Key_S, false), std::nullopt) << "already ended";
}

TEST(ComputerKeysTest, OctaveShiftsStopAtTheEndsOfTheNoteRange) {
  ComputerKeys c;
  for (int n = 0; n < 12; ++n) c.Press(Qt::Key_Z, false);
  EXPECT_EQ(c.Octave(), 0);
  EXPECT_EQ(c.Press(Qt::Key_A, false), (NoteEvent{true, 0, 100}));
  for (int n = 0; n < 12; ++n) c.Press(Qt::Key_X, false);
  EXPECT_EQ(c.Octave(), 9);
  EXPECT_EQ(c.Press(Qt::Key_K, false), (NoteEvent{true, 120, 100}));
  EXPECT_EQ(c.ReleaseAll(), (std::vector<NoteEvent>{{false, 0, 0}, {false, 120, 0}}));
}

}  // namespace
}  // namespace quorvane
