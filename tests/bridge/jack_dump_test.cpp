// The dump request and the controller-dump filter against a real MIDI system: a private JACK
// dummy server and a peer client on the other end of both wires.
#include <gtest/gtest.h>

#include "bridge/dump_request_command.h"
#include "files/fake_file_interaction.h"
#include "files/slider_file_commands.h"
#include "jack_ports.h"
#include "support/pump.h"
#include "support/surface_settings.h"

namespace quorvane {
namespace {

using Answer = FileInteraction::Answer;
using testing::FakeFileInteraction;
using testing::MidiBytes;
using testing::Pump;

class JackDump : public testing::JackPortsTest {
 protected:
  JackDump() : JackPortsTest(true) {}

  void SetUp() override {
    model_.MutablePages().Initialize();
    for (Tcontroller& d : model_.MutablePages()) d.value = 55;
    JackPortsTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE((*ports_)->MidiInput1().IsOpen());
    ASSERT_TRUE(model_.OutputInUse());
    testing::SetSetting(model_, &SurfaceSettings::listen_channel, 1);
    model_.ShowPage(1);
  }
};

TEST_F(JackDump, TheDumpRequestLeavesAsOneSysexMessageAndLightsTheOutLamp) {
  QString dump = "F0 7E 7F 06 01 F7";
  FakeFileInteraction ui;
  DumpRequestCommand command(*ports_->link, dump, ui);
  ASSERT_FALSE(model_.Status().OutActivity());
  EXPECT_TRUE(command.Click());
  ASSERT_TRUE(peer_->waitFor(1));
  EXPECT_TRUE(model_.Status().OutActivity());
  dump = "100";
  EXPECT_TRUE(command.Click());
  ASSERT_TRUE(peer_->waitFor(2));
  const auto events = peer_->events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].bytes, (MidiBytes{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}));
  EXPECT_EQ(events[1].bytes, (MidiBytes{0x00}));
  EXPECT_TRUE(ui.inputs.empty());
}

TEST_F(JackDump, ControllersSentWhileThePromptIsOpenAreKeptAndTheRestGetZero) {
  QString dump;
  FakeFileInteraction ui;
  SliderFileCommands commands(model_.MutablePages(), dump, ui);
  ports_->link->SetDumpCapture(&commands.Capture());
  ui.while_asked = [&](const QString&) {
    // Another channel and a controller no definition uses are followed by nobody.
    ASSERT_TRUE(peer_->send({{0xB0, 7, 100}, {0xB1, 11, 90}, {0xB0, 125, 80}, {0xB0, 9, 20}}));
    ASSERT_TRUE(Pump([&] {
      return model_.Pages().byNumber(9).value == 20 && model_.Pages().byNumber(7).value == 100;
    }));
  };
  ui.answers = {Answer::kOk};
  ASSERT_TRUE(commands.FilterUsingControllerDump());
  const TPageSet& defs = model_.Pages();
  EXPECT_EQ(defs.at(1, 1).ctrl, 7);
  EXPECT_EQ(defs.at(1, 1).value, 100);
  EXPECT_TRUE(defs.at(1, 1).enabled);
  EXPECT_EQ(defs.at(1, 2).ctrl, 9);
  EXPECT_EQ(defs.at(1, 2).value, 20);
  EXPECT_TRUE(defs.at(1, 2).enabled);
  for (int i = 2; i < kDefinitionCount; ++i) {
    EXPECT_EQ(defs[i].value, 0) << i;
    EXPECT_FALSE(defs[i].enabled) << i;
  }
  EXPECT_EQ(defs.at(1, 3).ctrl, 1);
  EXPECT_FALSE(commands.Capture().used[11]);
  EXPECT_FALSE(commands.Capture().used[125]);

  // Once the command is over, input is followed but no longer recorded.
  ASSERT_TRUE(peer_->send({{0xB0, 3, 70}}));
  ASSERT_EQ(defs.at(1, 5).ctrl, 3);
  ASSERT_TRUE(Pump([&] { return defs.at(1, 5).value == 70; }));
  EXPECT_FALSE(commands.Capture().used[3]);
  ports_->link->SetDumpCapture(nullptr);
}

}  // namespace
}  // namespace quorvane
