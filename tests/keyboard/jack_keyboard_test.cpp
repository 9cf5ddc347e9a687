// The keyboard window's sends against a real MIDI system: a private JACK dummy server, the
// program's output wired to a peer client.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "jack_ports.h"
#include "keyboard/keyboard_geometry.h"
#include "keyboard/keyboard_sender.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using testing::MidiBytes;

class JackKeyboard : public testing::JackPortsTest {
 protected:
  JackKeyboard() : JackPortsTest(false) {}

  void SetUp() override {
    JackPortsTest::SetUp();
    if (HasFatalFailure()) return;
    testing::SetSetting(model_, &SurfaceSettings::global_channel, 1);
  }

  // Plays the events the keyboard reported, as the window does.
  void Play(const std::vector<NoteEvent>& events) {
    for (const NoteEvent& e : events) {
      if (e.on)
        sender_.NoteOn(e.note, e.velocity);
      else
        sender_.NoteOff(e.note);
    }
  }

  // Everything the peer received, once a marker proves nothing else is in flight.
  std::vector<MidiBytes> Received(std::size_t expected) {
    (*ports_)->MidiOutput1().SendShort(0xF8, 0, 0);
    EXPECT_TRUE(peer_->waitFor(expected + 1));
    std::vector<MidiBytes> out;
    for (const auto& e : peer_->events()) out.push_back(e.bytes);
    if (!out.empty() && out.back() == MidiBytes{0xF8}) out.pop_back();
    return out;
  }

  KeyboardSender sender_{[this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
                           return model_.SendShortMessage(s, d1, d2);
                         },
                         [this] { return model_.Settings().global_channel; },
                         [this] { return model_.OutputInUse(); }};
  const KeyboardGeometry keys_{TKeyboardOrientation::kbHorizontal, 11, 2, 473, 59};
  KeyboardState state_;
};

TEST_F(JackKeyboard, KeysPanicBankAndProgramReachTheWire) {
  Play(state_.Press(keys_, 5, 36, KeyboardState::Button::kLeft));
  Play(state_.Release());
  sender_.Panic();
  sender_.ChooseProgram(9);  // entry "10"
  sender_.ChooseBank(2);     // entry "3"
  EXPECT_FALSE(sender_.StepProgram(-1));
  EXPECT_EQ(
      Received(6),
      (std::vector<MidiBytes>{
          {0x90, 24, 77}, {0x90, 24, 0}, {0xB0, 123, 0}, {0xC0, 9}, {0xB0, 32, 2}, {0xC0, 9}}));
  EXPECT_TRUE(model_.Status().OutActivity());
}

TEST_F(JackKeyboard, AGlideAcrossThreeKeysEndsEachBeforeTheNext) {
  Play(state_.Press(keys_, 5, 40, KeyboardState::Button::kLeft));
  Play(state_.Move(keys_, 8, 40, true));
  Play(state_.Move(keys_, 16, 40, true));
  Play(state_.Move(keys_, 27, 40, true));
  Play(state_.Release());
  EXPECT_EQ(Received(6), (std::vector<MidiBytes>{{0x90, 24, 86},
                                                 {0x90, 24, 0},
                                                 {0x90, 26, 86},
                                                 {0x90, 26, 0},
                                                 {0x90, 28, 86},
                                                 {0x90, 28, 0}}));
}

TEST_F(JackKeyboard, WithoutAnOutputNothingIsSentAndTheLampStaysDark) {
  (*ports_)->CloseInUse();
  (*ports_)->Use(PortRole::kOutput, -1);
  ASSERT_FALSE(model_.OutputInUse());
  Play(state_.Press(keys_, 5, 36, KeyboardState::Button::kLeft));
  Play(state_.Release());
  sender_.Panic();
  sender_.ChooseBank(4);
  EXPECT_FALSE(model_.Status().OutActivity());
  EXPECT_FALSE(peer_->waitFor(1, std::chrono::milliseconds(300)));
}

}  // namespace
}  // namespace quorvane
