#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "bridge/surface_control.h"
#include "remote/remote_dispatcher.h"
#include "snapshots/snapshot_store.h"
#include "support/pump.h"
#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using Sent = std::tuple<int, int, int>;
using testing::PumpPending;

// What the windows answer, and what reached the windows and the snapshot store.
struct FakeHost {
  int channel = 1;
  bool modal = false;
  bool active = true;
  std::vector<std::string> calls;
};

// Passes every command on, noting the snapshot and take-mode commands that were not dropped.
class NotingCommands : public SurfaceCommands {
 public:
  NotingCommands(SurfaceCommands& to, const SnapshotStore& store, FakeHost& host)
      : to_(to), store_(store), host_(host) {}
  CommandOutcome MoveSlot(int s, int v, SurfaceClient f) override { return to_.MoveSlot(s, v, f); }
  CommandOutcome SetButton(int s, int v, SurfaceClient f) override {
    return to_.SetButton(s, v, f);
  }
  CommandOutcome SetDefinition(int n, int v, SurfaceClient f) override {
    return to_.SetDefinition(n, v, f);
  }
  CommandOutcome ShowPage(int p, SurfaceClient f) override { return to_.ShowPage(p, f); }
  CommandOutcome ToggleCompactView(SurfaceClient f) override { return to_.ToggleCompactView(f); }
  CommandOutcome MinimizeOrRestore(SurfaceClient f) override { return to_.MinimizeOrRestore(f); }
  CommandOutcome SnapshotSlotAction(int slot, SurfaceClient f) override {
    return Note(to_.SnapshotSlotAction(slot, f), "snapshot " + std::to_string(slot));
  }
  CommandOutcome SetTakeMode(bool on, SurfaceClient f) override {
    return Note(to_.SetTakeMode(on, f), on ? "take on" : "take off");
  }
  CommandOutcome ToggleTakeMode(SurfaceClient f) override {
    const CommandOutcome o = to_.ToggleTakeMode(f);
    return Note(o, store_.TakeMode() ? "take on" : "take off");
  }
  CommandOutcome ShowBank(int b, SurfaceClient f) override { return to_.ShowBank(b, f); }
  CommandOutcome Recall(int b, int s, SurfaceClient f) override { return to_.Recall(b, s, f); }
  CommandOutcome Morph(int m, SurfaceClient f) override { return to_.Morph(m, f); }

 private:
  CommandOutcome Note(CommandOutcome outcome, const std::string& call) {
    if (outcome != CommandOutcome::kDropped) host_.calls.push_back(call);
    return outcome;
  }
  SurfaceCommands& to_;
  const SnapshotStore& store_;
  FakeHost& host_;
};

class RemoteDispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model.MutablePages().Initialize();
    // Every definition on its own controller and channel, so a send names its sender.
    for (int i = 0; i < kDefinitionCount; ++i) {
      Tcontroller& d = model.MutablePages()[i];
      d.ctrl = static_cast<std::uint8_t>(i % 100 + 1);
      d.channel = static_cast<std::uint8_t>(i % 16 + 1);
      d.value = 0;
    }
    model.SetOutputInUse(true);
    model.SetShortSender([this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
      sent.emplace_back(s, d1, d2);
      return true;
    });
    SurfaceControl::WindowHooks hooks;
    hooks.modal_dialog_open = [this] { return host.modal; };
    hooks.application_active = [this] { return host.active; };
    hooks.bring_to_front = [this] { host.calls.emplace_back("front"); };
    hooks.show_compact_value = [this](int slot, int value) {
      host.calls.push_back("compact " + std::to_string(slot) + "=" + std::to_string(value));
    };
    control.SetWindowHooks(hooks);
    model.ShowPage(1);
  }

  // One event of the remote input, then the event loop's turn that ends the burst.
  RemoteAction Cc(int controller, int value, int channel = 1) {
    const RemoteAction action =
        dispatcher.Dispatch(ControlChangeStatus(channel), static_cast<std::uint8_t>(controller),
                            static_cast<std::uint8_t>(value));
    PumpPending();
    return action;
  }
  // Slot s of the current page as a button of its own: controller, channel, starting state.
  Tcontroller& MakeButton(int slot, int ctrl, int channel, int state) {
    Tcontroller& d = model.SlotDefinition(slot);
    d.use_slider = false;
    d.button_ctrl = static_cast<std::uint8_t>(ctrl);
    d.button_channel = static_cast<std::uint8_t>(channel);
    d.button_value = static_cast<std::uint8_t>(state);
    return d;
  }

  SurfaceModel model;
  SnapshotStore store{model};
  SurfaceControl control{model, store};
  FakeHost host;
  NotingCommands commands{control, store, host};
  RemoteDispatcher dispatcher{commands, [this] { return host.channel; }, 1};
  std::vector<Sent> sent;
};

TEST_F(RemoteDispatcherTest, DefaultsFollowTheSettingsFile) {
  const RemoteControllers c = dispatcher.Controllers();
  for (int n = 1; n <= kSlotCount; ++n) {
    EXPECT_EQ(c.slider[n - 1], n);
    EXPECT_EQ(c.button[n - 1], n + 64);
  }
  for (int p = 1; p <= kPageCount; ++p) EXPECT_EQ(c.page[p - 1], p + 40);
  EXPECT_EQ(c.compact_view, 46);
  EXPECT_EQ(c.minimize, 47);
  EXPECT_EQ(c.take_snapshot, 48);
  for (int s = 0; s < kRemoteSnapshotCount; ++s) EXPECT_EQ(c.snapshot[s], s + 49);

  AppSettings edited;
  edited.slider_controllers[3] = 99;
  edited.snapshot_controllers[9] = 7;
  edited.minimize_controller = 12;
  const RemoteControllers read = RemoteControllersOf(edited);
  EXPECT_EQ(read.slider[3], 99);
  EXPECT_EQ(read.snapshot[9], 7);
  EXPECT_EQ(read.minimize, 12);
}

// Each of the 24 entries moves its own slot of the page shown and sends that slot's own
// controller and channel with the value received.
TEST_F(RemoteDispatcherTest, EverySliderEntryMovesItsSlotAndSendsItsOwnController) {
  model.ShowPage(3);
  RemoteControllers c = dispatcher.Controllers();
  for (int n = 1; n <= kSlotCount; ++n) c.slider[n - 1] = static_cast<std::uint8_t>(100 + n);
  dispatcher.SetControllers(c);
  for (int n = 1; n <= kSlotCount; ++n) {
    SCOPED_TRACE(n);
    sent.clear();
    const int value = 10 + n;
    ASSERT_EQ(Cc(100 + n, value), RemoteAction::kSlider);
    const Tcontroller& d = model.SlotDefinition(n);
    EXPECT_EQ(d.value, value);
    EXPECT_EQ(model.View(n).position, 127 - value);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], Sent(ControlChangeStatus(d.channel), d.ctrl, value));
    // Only slot n of page 3 moved.
    for (int later = n + 1; later <= kSlotCount; ++later)
      EXPECT_EQ(model.SlotDefinition(later).value, 0);
    EXPECT_EQ(model.Definition(1, n).value, 0);
  }
}

TEST_F(RemoteDispatcherTest, OneMessageDrivesEverySlotThatListensToIt) {
  RemoteControllers c = dispatcher.Controllers();
  c.slider[2] = 9;
  c.slider[16] = 9;
  dispatcher.SetControllers(c);
  EXPECT_EQ(Cc(9, 70), RemoteAction::kSlider);
  EXPECT_EQ(model.SlotDefinition(3).value, 70);
  EXPECT_EQ(model.SlotDefinition(9).value, 70);
  EXPECT_EQ(model.SlotDefinition(17).value, 70);
  EXPECT_EQ(sent.size(), 3u);
}

// Step 1 turns away everything that is not a control change on the remote channel.
TEST_F(RemoteDispatcherTest, OtherMessagesAreIgnored) {
  host.channel = 4;
  struct Case {
    const char* what;
    std::uint8_t status, data1, data2;
  };
  const Case cases[] = {
      {"control change on channel 1", 0xB0, 5, 100},
      {"control change on channel 5", 0xB4, 5, 100},
      {"note on, remote channel", 0x93, 5, 100},
      {"program change, remote channel", 0xC3, 5, 0},
      {"system exclusive", 0xF0, 0, 0},
      {"clock", 0xF8, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    EXPECT_EQ(dispatcher.Dispatch(k.status, k.data1, k.data2), RemoteAction::kIgnored);
    EXPECT_EQ(model.SlotDefinition(5).value, 0);
  }
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(Cc(5, 100, 4), RemoteAction::kSlider);  // the remote channel itself
}

TEST_F(RemoteDispatcherTest, ButtonEntriesSetTheButtonAndSendTheValueAsReceived) {
  const Tcontroller& d = MakeButton(6, 90, 2, 0);
  QSignalSpy changed(&model, &SurfaceModel::slotChanged);
  EXPECT_EQ(Cc(70, 64), RemoteAction::kButton);
  EXPECT_EQ(d.button_value, 127);
  EXPECT_TRUE(model.View(6).button_down);
  EXPECT_EQ(Cc(70, 63), RemoteAction::kButton);
  EXPECT_EQ(d.button_value, 0);
  EXPECT_FALSE(model.View(6).button_down);
  EXPECT_EQ(sent, (std::vector<Sent>{{0xB1, 90, 64}, {0xB1, 90, 63}}));
  EXPECT_GE(changed.count(), 2);
  EXPECT_EQ(d.value, 0);  // the slider is not touched
}

TEST_F(RemoteDispatcherTest, ButtonsUnderTheSliderOrDisabledAreOutOfReach) {
  Tcontroller& d = model.SlotDefinition(6);  // use_slider as initialised
  d.button_value = 0;
  EXPECT_EQ(Cc(70, 127), RemoteAction::kIgnored);
  EXPECT_EQ(d.button_value, 0);
  Tcontroller& off = MakeButton(7, 91, 1, 0);
  off.enabled = false;
  EXPECT_EQ(Cc(71, 127), RemoteAction::kIgnored);
  EXPECT_EQ(off.button_value, 0);
  EXPECT_TRUE(sent.empty());
}

// An instrument that echoes what it receives would loop: an entry whose message leaves its
// stored state as it is stays quiet, and still takes the message.
TEST_F(RemoteDispatcherTest, AMessageThatChangesNothingIsNotSentAgain) {
  MakeButton(6, 90, 2, 0);
  struct Case {
    const char* what;
    int controller, value;
    std::size_t sends;
    RemoteAction action;
  };
  const Case cases[] = {
      {"slider moves", 5, 100, 1, RemoteAction::kSlider},
      {"slider echo", 5, 100, 0, RemoteAction::kSlider},
      {"slider moves again", 5, 99, 1, RemoteAction::kSlider},
      {"button down", 70, 100, 1, RemoteAction::kButton},
      {"button still down", 70, 64, 0, RemoteAction::kButton},
      {"button echo", 70, 100, 0, RemoteAction::kButton},
      {"button up", 70, 0, 1, RemoteAction::kButton},
      {"button still up", 70, 63, 0, RemoteAction::kButton},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    sent.clear();
    EXPECT_EQ(Cc(k.controller, k.value), k.action);
    EXPECT_EQ(sent.size(), k.sends);
  }
}

// A slider or button that takes the message ends the dispatch: the commands after it never
// see the number.
TEST_F(RemoteDispatcherTest, HandledSlidersAndButtonsKeepTheCommandsAway) {
  MakeButton(8, 90, 1, 0);
  RemoteControllers c = dispatcher.Controllers();
  c.slider[0] = 42;  // page 2
  c.button[7] = 46;  // compact view
  c.slider[1] = 49;  // snapshot 0
  c.slider[2] = 48;  // take mode
  c.slider[3] = 47;  // minimise
  dispatcher.SetControllers(c);
  EXPECT_EQ(Cc(42, 10), RemoteAction::kSlider);
  EXPECT_EQ(Cc(46, 127), RemoteAction::kButton);
  EXPECT_EQ(Cc(49, 10), RemoteAction::kSlider);
  EXPECT_EQ(Cc(48, 10), RemoteAction::kSlider);
  EXPECT_EQ(Cc(47, 10), RemoteAction::kSlider);
  EXPECT_EQ(model.CurrentPage(), 1);
  EXPECT_FALSE(model.Window().CompactView());
  EXPECT_FALSE(model.Window().Minimized());
  EXPECT_TRUE(host.calls.empty());
  // The same message with an unchanged value is still the slider's.
  EXPECT_EQ(Cc(42, 10), RemoteAction::kSlider);
  EXPECT_EQ(model.CurrentPage(), 1);
}

// A disabled slot does not take its number, which then reaches the commands.
TEST_F(RemoteDispatcherTest, ADisabledSlotsControllerFallsThroughToTheCommands) {
  struct Case {
    int command_controller;
    RemoteAction action;
  };
  const Case cases[] = {
      {43, RemoteAction::kPage},     {46, RemoteAction::kCompactView},
      {47, RemoteAction::kMinimize}, {52, RemoteAction::kSnapshot},
      {48, RemoteAction::kTakeMode},
  };
  model.SlotDefinition(5).enabled = false;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.command_controller);
    RemoteControllers c = dispatcher.Controllers();
    c.slider[4] = static_cast<std::uint8_t>(k.command_controller);
    dispatcher.SetControllers(c);
    EXPECT_EQ(Cc(k.command_controller, 5), k.action);
    EXPECT_EQ(model.Definition(1, 5).value, 0);
    model.ShowPage(1);
    model.Window().SetMinimized(false);
  }
  EXPECT_TRUE(sent.empty());
}

// Commands act on the controller number alone: any value triggers them.
TEST_F(RemoteDispatcherTest, CommandsIgnoreTheValue) {
  for (const int value : {0, 1, 63, 64, 127}) {
    SCOPED_TRACE(value);
    host.calls.clear();
    model.ShowPage(1);
    model.Window().SetMinimized(false);
    EXPECT_EQ(Cc(44, value), RemoteAction::kPage);
    EXPECT_EQ(model.CurrentPage(), 4);
    const bool compact = model.Window().CompactView();
    EXPECT_EQ(Cc(46, value), RemoteAction::kCompactView);
    EXPECT_NE(model.Window().CompactView(), compact);
    const bool minimized = model.Window().Minimized();
    EXPECT_EQ(Cc(47, value), RemoteAction::kMinimize);
    EXPECT_NE(model.Window().Minimized(), minimized);
    EXPECT_EQ(Cc(58, value), RemoteAction::kSnapshot);
    EXPECT_EQ(Cc(48, value), RemoteAction::kTakeMode);
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"snapshot 9", store.TakeMode() ? "take on" : "take off"}));
  }
}

TEST_F(RemoteDispatcherTest, APageControllerShowsItsPageUnlessItIsShown) {
  QSignalSpy shown(&model, &SurfaceModel::pageShown);
  QSignalSpy state(&model, &SurfaceModel::stateChanged);
  EXPECT_EQ(Cc(41, 127), RemoteAction::kIgnored);  // page 1 is shown
  EXPECT_EQ(shown.count(), 0);
  EXPECT_EQ(Cc(45, 127), RemoteAction::kPage);
  EXPECT_EQ(model.CurrentPage(), 5);
  ASSERT_EQ(shown.count(), 1);
  EXPECT_EQ(shown.at(0).at(0).toInt(), 5);
  EXPECT_GE(state.count(), 1);  // menu item and tool button follow it
  // A press and its release: the second finds the page shown already.
  EXPECT_EQ(Cc(45, 0), RemoteAction::kIgnored);
  EXPECT_EQ(shown.count(), 1);
  // Slider entries drive the page now shown.
  EXPECT_EQ(Cc(3, 33), RemoteAction::kSlider);
  EXPECT_EQ(model.Definition(5, 3).value, 33);
  EXPECT_EQ(model.Definition(1, 3).value, 0);
}

// Numbers may repeat: every entry of a family is looked at in order, as the steps say.
TEST_F(RemoteDispatcherTest, RepeatedNumbersRunEveryMatchingEntryInOrder) {
  RemoteControllers c = dispatcher.Controllers();
  c.page = {41, 60, 60, 44, 60};
  c.snapshot[2] = 61;
  c.snapshot[7] = 61;
  dispatcher.SetControllers(c);
  QSignalSpy shown(&model, &SurfaceModel::pageShown);
  EXPECT_EQ(Cc(60, 0), RemoteAction::kPage);
  ASSERT_EQ(shown.count(), 3);
  EXPECT_EQ(shown.at(0).at(0).toInt(), 2);
  EXPECT_EQ(shown.at(2).at(0).toInt(), 5);
  EXPECT_EQ(Cc(61, 0), RemoteAction::kSnapshot);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"snapshot 2", "snapshot 7"}));
}

// When a number is on several command entries, the earlier step takes it.
TEST_F(RemoteDispatcherTest, TheEarlierCommandStepWins) {
  struct Case {
    const char* what;
    std::function<void(RemoteControllers&)> edit;
    RemoteAction action;
  };
  const Case cases[] = {
      {"page before compact", [](RemoteControllers& c) { c.compact_view = 42; },
       RemoteAction::kPage},
      {"compact before minimise", [](RemoteControllers& c) { c.minimize = 46; },
       RemoteAction::kCompactView},
      {"minimise before snapshot", [](RemoteControllers& c) { c.snapshot[0] = 47; },
       RemoteAction::kMinimize},
      {"snapshot before take", [](RemoteControllers& c) { c.take_snapshot = 50; },
       RemoteAction::kSnapshot},
      {"the shown page lets compact act", [](RemoteControllers& c) { c.compact_view = 41; },
       RemoteAction::kCompactView},
  };
  const std::uint8_t numbers[] = {42, 46, 47, 50, 41};
  int i = 0;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    RemoteControllers c = RemoteControllersOf(AppSettings{});
    k.edit(c);
    dispatcher.SetControllers(c);
    model.ShowPage(1);
    EXPECT_EQ(Cc(numbers[i++], 0), k.action);
  }
}

TEST_F(RemoteDispatcherTest, CompactViewTogglesExceptWhileMinimised) {
  QSignalSpy changed(&model.Window(), &WindowMode::compactViewChanged);
  EXPECT_EQ(Cc(46, 0), RemoteAction::kCompactView);
  EXPECT_TRUE(model.Window().CompactView());
  EXPECT_EQ(Cc(46, 0), RemoteAction::kCompactView);
  EXPECT_FALSE(model.Window().CompactView());
  model.Window().SetMinimized(true);
  EXPECT_EQ(Cc(46, 0), RemoteAction::kCompactView);  // taken, but nothing happens
  EXPECT_FALSE(model.Window().CompactView());
  EXPECT_EQ(changed.count(), 2);
}

TEST_F(RemoteDispatcherTest, CompactViewShowsTheValueOnTheStrip) {
  model.Window().ToggleCompactView();
  EXPECT_EQ(Cc(5, 88), RemoteAction::kSlider);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"compact 5=88"}));
  model.Window().ToggleCompactView();
  host.calls.clear();
  EXPECT_EQ(Cc(5, 89), RemoteAction::kSlider);
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(RemoteDispatcherTest, MinimiseRestoresMinimisesOrBringsToFront) {
  struct Case {
    const char* what;
    bool minimized, active, on_top;
    bool minimized_after;
    int minimize_requests, restore_requests;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"minimised: restore", true, false, false, false, 0, 1, {}},
      {"active: minimise", false, true, false, true, 1, 0, {}},
      {"on top: minimise", false, false, true, true, 1, 0, {}},
      {"behind others: to the front", false, false, false, false, 0, 0, {"front"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    model.Window().SetMinimized(k.minimized);
    testing::SetSetting(model, &SurfaceSettings::always_on_top, k.on_top);
    host.active = k.active;
    host.calls.clear();
    QSignalSpy minimize(&model.Window(), &WindowMode::minimizeRequested);
    QSignalSpy restore(&model.Window(), &WindowMode::restoreRequested);
    EXPECT_EQ(Cc(47, 0), RemoteAction::kMinimize);
    EXPECT_EQ(model.Window().Minimized(), k.minimized_after);
    EXPECT_EQ(minimize.count(), k.minimize_requests);
    EXPECT_EQ(restore.count(), k.restore_requests);
    EXPECT_EQ(host.calls, k.calls);
  }
}

TEST_F(RemoteDispatcherTest, SnapshotAndTakeModeGoToTheStore) {
  for (int s = 0; s < kRemoteSnapshotCount; ++s) EXPECT_EQ(Cc(49 + s, 0), RemoteAction::kSnapshot);
  EXPECT_EQ(Cc(48, 127), RemoteAction::kTakeMode);
  EXPECT_TRUE(store.TakeMode());
  EXPECT_EQ(Cc(48, 0), RemoteAction::kTakeMode);
  EXPECT_FALSE(store.TakeMode());
  std::vector<std::string> expected;
  for (int s = 0; s < kRemoteSnapshotCount; ++s)
    expected.push_back("snapshot " + std::to_string(s));
  expected.push_back("take on");
  expected.push_back("take off");
  EXPECT_EQ(host.calls, expected);
}

// A dialog is open: moves apply as usual, page and window and snapshot commands are dropped,
// not kept for later.
TEST_F(RemoteDispatcherTest, WhileAModalDialogIsOpenOnlyMovesApply) {
  MakeButton(6, 90, 2, 0);
  host.modal = true;
  EXPECT_EQ(Cc(5, 100), RemoteAction::kSlider);
  EXPECT_EQ(model.SlotDefinition(5).value, 100);
  EXPECT_EQ(Cc(70, 127), RemoteAction::kButton);
  EXPECT_EQ(model.SlotDefinition(6).button_value, 127);
  EXPECT_TRUE(model.Status().Notice().isEmpty());
  for (const int command : {42, 46, 47, 49, 48}) {
    SCOPED_TRACE(command);
    EXPECT_EQ(Cc(command, 127), RemoteAction::kIgnored);
    EXPECT_EQ(model.Status().Notice(), "Remote command ignored while a dialog is open");
  }
  EXPECT_EQ(model.CurrentPage(), 1);
  EXPECT_FALSE(model.Window().CompactView());
  EXPECT_FALSE(model.Window().Minimized());
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(sent.size(), 2u);
  host.modal = false;
  EXPECT_EQ(model.CurrentPage(), 1);  // nothing was queued
  EXPECT_EQ(Cc(42, 127), RemoteAction::kPage);
}

TEST_F(RemoteDispatcherTest, WithoutAnOutputTheSurfaceStillFollows) {
  model.SetOutputInUse(false);
  EXPECT_EQ(Cc(5, 100), RemoteAction::kSlider);
  EXPECT_EQ(model.SlotDefinition(5).value, 100);
  EXPECT_TRUE(sent.empty());
}

}  // namespace
}  // namespace quorvane
