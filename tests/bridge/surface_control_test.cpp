#include "bridge/surface_control.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>
#include <vector>

#include "snapshots/snapshot_store.h"
#include "support/pump.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using testing::PumpPending;

class SurfaceControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model.MutablePages().Initialize();
    model.SetOutputInUse(true);
    model.SetShortSender([this](std::uint8_t, std::uint8_t, std::uint8_t) {
      ++sent;
      return true;
    });
    model.ShowPage(1);
    PumpPending();
  }

  SurfaceModel model;
  SnapshotStore store{model};
  SurfaceControl control{model, store};
  const SurfaceClient me = control.NewClient();
  int sent = 0;
};

// Each change reaches the observer once, named after whoever made it, so that a surface can
// leave its own moves out.
TEST_F(SurfaceControlTest, EachChangeNamesWhoMadeIt) {
  struct Case {
    const char* what;
    std::function<void()> act;
    int slot, from;  // slot 0: a page change
  };
  const Case cases[] = {
      {"a client's move", [&] { control.MoveSlot(3, 50, me); }, 3, me},
      {"a client's button", [&] { control.SetButton(4, 0, me); }, 4, me},
      {"a followed message", [&] { model.FollowMessage(0xB0, 5, 9); }, 5, kProgramClient},
      {"overtaken by the program",
       [&] {
         control.MoveSlot(6, 50, me);
         model.FollowMessage(0xB0, 6, 51);
       },
       6, kProgramClient},
      {"a client's page", [&] { control.ShowPage(2, me); }, 0, me},
      {"the program's page", [&] { model.ShowPage(1); }, 0, kProgramClient},
  };
  model.SlotDefinition(4).use_slider = false;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    QSignalSpy moved(&control, &SurfaceObserver::slotChanged);
    QSignalSpy pages(&control, &SurfaceObserver::pageChanged);
    k.act();
    PumpPending();
    QSignalSpy& spy = k.slot == 0 ? pages : moved;
    ASSERT_EQ(spy.count(), 1);
    if (k.slot != 0) {
      EXPECT_EQ(spy.at(0).at(0).toInt(), k.slot);
    }
    EXPECT_EQ(spy.at(0).at(1).toInt(), k.from);
  }
}

// A definition off the page shown moves and sends as a slot does, under the same rules.
TEST_F(SurfaceControlTest, ADefinitionOnAnyPageIsSetAsASlotIs) {
  struct Case {
    int number, value;
    CommandOutcome outcome;
    int sends;
  };
  model.Definition(3, 2).enabled = false;
  const Case cases[] = {
      {SequenceNumber(2, 5), 40, CommandOutcome::kApplied, 1},
      {SequenceNumber(2, 5), 40, CommandOutcome::kUnchanged, 0},
      {SequenceNumber(3, 2), 40, CommandOutcome::kNotTaken, 0},
      {SequenceNumber(1, 7), 41, CommandOutcome::kApplied, 1},
      {121, 40, CommandOutcome::kNotTaken, 0},
      {1, 128, CommandOutcome::kNotTaken, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.number);
    sent = 0;
    EXPECT_EQ(control.SetDefinition(k.number, k.value, me), k.outcome);
    EXPECT_EQ(sent, k.sends);
  }
  EXPECT_EQ(model.Definition(2, 5).value, 40);
  EXPECT_EQ(control.State().page_slots[6].value, 41);
  EXPECT_EQ(model.CurrentPage(), 1);
}

TEST_F(SurfaceControlTest, TheStateIsWhatTheCurrentPageAndBankShow) {
  model.Definition(4, 9).caption = QStringLiteral("Cutoff");
  model.Definition(4, 9).value = 99;
  control.ShowPage(4, me);
  control.SetTakeMode(true, me);
  const SurfaceState state = control.State();
  EXPECT_EQ(state.page, 4);
  EXPECT_EQ(state.page_slots[8].caption, QStringLiteral("Cutoff"));
  EXPECT_EQ(state.page_slots[8].value, 99);
  EXPECT_TRUE(state.take_mode);
  EXPECT_TRUE(state.snapshot_enabled[0]);  // opened by take mode
  EXPECT_EQ(state.snapshot_names[0], store.SlotName(0));
  EXPECT_TRUE(state.output_in_use);
}

}  // namespace
}  // namespace quorvane
