#include "snapshots/snapshot_store.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <tuple>
#include <vector>

#include "support/pump.h"
#include "support/surface_settings.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using Sent = std::tuple<int, int, int>;

class SnapshotStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    surface.MutablePages().Initialize();
    testing::SetSetting(surface, &SurfaceSettings::midi_delay, 0);
    surface.SetShortSender([this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
      sent.emplace_back(s, d1, d2);
      return true;
    });
    surface.ShowPage(1);
  }
  void TearDown() override { surface.Sends().StopSends(); }

  std::vector<bool> Enabled() const {
    std::vector<bool> out;
    for (int s = 0; s < kSnapshotsPerBank; ++s) out.push_back(store.SlotEnabled(s));
    return out;
  }
  static std::vector<bool> FirstInUse(int count) {
    std::vector<bool> out(kSnapshotsPerBank, false);
    for (int s = 0; s < count; ++s) out[static_cast<std::size_t>(s)] = true;
    return out;
  }
  // Stores the current values into the next free slots until count are in use.
  void Fill(int count) {
    for (int s = 0; s < count; ++s) {
      store.SetTakeMode(true);
      store.SnapshotSlotAction(s);
    }
  }
  int LastUsed() const { return store.Library().LastUsed(store.CurrentBank()); }
  bool WaitForSends() {
    return testing::Pump([this] { return surface.Sends().RunningSends() == 0; });
  }

  SurfaceModel surface;
  SnapshotStore store{surface};
  std::vector<Sent> sent;
};

TEST_F(SnapshotStoreTest, FreshLibraryShowsDefaultNamesAllDisabled) {
  for (int s = 0; s < kSnapshotsPerBank; ++s) {
    EXPECT_EQ(store.SlotName(s), QStringLiteral("Snapshot %1").arg(s));
    EXPECT_EQ(store.ListName(1, s), QStringLiteral("[empty]"));
  }
  EXPECT_EQ(Enabled(), FirstInUse(0));
  EXPECT_EQ(store.CurrentBank(), 1);
  EXPECT_FALSE(store.TakeMode());
  EXPECT_EQ(store.PopupSlot(), 0);
}

// Each row: slots in use before, then take mode on, the slot acted on (-1: take mode off
// instead), and what follows.
TEST_F(SnapshotStoreTest, TakeModeSequences) {
  const struct {
    const char* what;
    int in_use;
    int last_after_on;
    int action;  // slot stored into, or -1 for take mode off
    int last_after;
  } cases[] = {
      {"fresh: on opens 0, off closes it", 0, 0, -1, -1},
      {"0..8 in use: on opens 9, off closes it", 9, 9, -1, 8},
      {"all ten: on gives 10, off keeps it", 10, 10, -1, 10},
      {"all ten: store keeps 10", 10, 10, 3, 10},
      {"0..3 in use: open 4, store into 2 withdraws 4", 4, 4, 2, 3},
      {"0..3 in use: open 4, store into 4 keeps it", 4, 4, 4, 4},
      {"fresh: store into the opened slot 0", 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store.ClearSnapshotLibrary();
    Fill(c.in_use);
    EXPECT_FALSE(store.TakeMode());
    QSignalSpy take(&store, &SnapshotStore::takeModeChanged);
    store.SetTakeMode(true);
    EXPECT_TRUE(store.TakeMode());
    EXPECT_EQ(LastUsed(), c.last_after_on);
    EXPECT_EQ(Enabled(), FirstInUse(std::min(c.last_after_on + 1, 10)));
    if (c.action < 0) {
      store.SetTakeMode(false);
    } else {
      store.SnapshotSlotAction(c.action);
    }
    EXPECT_FALSE(store.TakeMode());
    ASSERT_EQ(take.count(), 2);
    EXPECT_FALSE(take.at(1).at(0).toBool());
    EXPECT_EQ(LastUsed(), c.last_after);
    EXPECT_EQ(Enabled(), FirstInUse(std::min(c.last_after + 1, 10)));
  }
}

TEST_F(SnapshotStoreTest, StoreCopiesAllValuesEnabledOrNotAndKeepsTheName) {
  TPageSet& pages = surface.MutablePages();
  pages[0].value = 5;
  pages[0].enabled = false;
  pages[119].value = 77;
  pages[119].button_value = 0;
  pages[50].button_value = 127;
  QSignalSpy list(&store, &SnapshotStore::listChanged);
  store.SetTakeMode(true);
  store.SnapshotSlotAction(0);
  const TSnapshot& snap = store.Library().At(1, 0);
  EXPECT_EQ(snap.values[0], 5);
  EXPECT_EQ(snap.values[119], 77);
  EXPECT_EQ(snap.button_values[50], 127);
  EXPECT_EQ(snap.button_values[119], 0);
  EXPECT_EQ(snap.name.Text(), QStringLiteral("Snapshot 0"));
  EXPECT_EQ(store.ListName(1, 0), QStringLiteral("Snapshot 0"));
  EXPECT_EQ(list.count(), 1);
  EXPECT_TRUE(store.Modified());
  EXPECT_TRUE(sent.empty()) << "a store sends nothing";
}

TEST_F(SnapshotStoreTest, BanksKeepTheirOwnSlotsAndTakeModeSurvivesASwitch) {
  Fill(2);
  store.SelectBank(2);
  EXPECT_EQ(Enabled(), FirstInUse(0));
  store.SetTakeMode(true);  // opens bank 2 slot 0
  store.SelectBank(3);
  EXPECT_TRUE(store.TakeMode());
  store.SnapshotSlotAction(0);  // stored in bank 3, slot 0 not open there
  EXPECT_EQ(store.Library().LastUsed(2), 0) << "the slot opened in bank 2 stays open";
  EXPECT_EQ(store.Library().LastUsed(3), -1) << "a store above last_used opens nothing";
  EXPECT_EQ(store.Library().LastUsed(1), 1);
}

TEST_F(SnapshotStoreTest, TakeModeOffAfterTheLibraryWasReplacedChangesNothing) {
  Fill(3);
  store.SetTakeMode(true);
  store.ClearSnapshotLibrary();
  EXPECT_TRUE(store.TakeMode()) << "a new library does not end take mode";
  store.SetTakeMode(false);
  EXPECT_EQ(LastUsed(), -1);
  EXPECT_EQ(Enabled(), FirstInUse(0));
}

TEST_F(SnapshotStoreTest, RecallRestoresEnabledDefinitionsAndButtonsOnlyWithoutSlider) {
  Fill(1);  // slot 0 holds the initial values
  TPageSet& pages = surface.MutablePages();
  pages[0].enabled = true;  // restored fully
  pages[0].use_slider = false;
  pages[1].enabled = false;  // left alone
  pages[1].use_slider = false;
  pages[2].enabled = true;
  pages[2].use_slider = true;  // value restored, button left alone
  const TPageSet stored = pages;
  for (int i = 0; i < 3; ++i) {
    pages[i].value = 9;
    pages[i].button_value = pages[i].button_value == 0 ? 127 : 0;
  }
  const TPageSet changed = pages;
  surface.SetOutputInUse(true);
  store.SnapshotSlotAction(0);
  EXPECT_EQ(pages[0].value, stored[0].value);
  EXPECT_EQ(pages[0].button_value, stored[0].button_value);
  EXPECT_EQ(pages[1].value, 9);
  EXPECT_EQ(pages[1].button_value, changed[1].button_value);
  EXPECT_EQ(pages[2].value, stored[2].value);
  EXPECT_EQ(pages[2].button_value, changed[2].button_value);
  EXPECT_EQ(surface.View(1).value_text, QString::number(stored[0].value)) << "page redrawn";
  EXPECT_EQ(store.CurrentBank(), 1);
  EXPECT_FALSE(store.TakeMode());

  // Then every enabled definition goes out in walk order: slider, and button without slider.
  ASSERT_TRUE(WaitForSends());
  std::vector<Sent> expected;
  const int global = surface.Settings().global_channel;
  for (int i = 0; i < kDefinitionCount; ++i) {
    const Tcontroller& d = pages[i];
    if (!d.enabled) continue;
    expected.emplace_back(ControlChangeStatus(EffectiveChannel(d.channel, global)), d.ctrl,
                          d.value);
    if (!d.use_slider) {
      expected.emplace_back(ControlChangeStatus(EffectiveChannel(d.button_channel, global)),
                            d.button_ctrl, d.button_value);
    }
  }
  EXPECT_EQ(sent, expected);
}

TEST_F(SnapshotStoreTest, RecallOfASlotNotInUseDoesNothing) {
  Fill(2);
  surface.SetOutputInUse(true);
  surface.MutablePages()[0].value = 33;
  const TPageSet before = surface.Pages();
  for (const auto& [bank, slot] : {std::pair{1, 2}, {1, 9}, {2, 0}, {0, 0}, {5, 0}, {1, -1}}) {
    store.RecallSnapshot(bank, slot);
  }
  store.SnapshotSlotAction(5);
  EXPECT_EQ(surface.Pages(), before);
  EXPECT_EQ(surface.Sends().RunningSends(), 0);
  EXPECT_TRUE(sent.empty());
}

TEST_F(SnapshotStoreTest, RenameCutsAtFiftyAndEmptyGivesTheDefault) {
  const struct {
    int slot;
    QString text;
    QString name;
  } cases[] = {
      {3, QString(), QStringLiteral("Snapshot 3")},
      {7, QString(60, QLatin1Char('n')), QString(50, QLatin1Char('n'))},
      {0, QStringLiteral("Pad \u00e9"), QStringLiteral("Pad \u00e9")},
  };
  for (const auto& c : cases) {
    store.ClearSnapshotLibrary();
    store.SetPopupSlot(c.slot);
    QSignalSpy shown(&store, &SnapshotStore::bankShown);
    QSignalSpy list(&store, &SnapshotStore::listChanged);
    store.RenameSnapshot(c.text);
    EXPECT_EQ(store.SlotName(c.slot), c.name);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(store.Modified(), c.name != DefaultSnapshotName(c.slot));
  }
}

TEST_F(SnapshotStoreTest, ModifiedFollowsStoreRenameNewLoadAndSave) {
  testing::TempDir dir;
  const QString path = dir.file("lib.snp");
  EXPECT_FALSE(store.Modified());
  store.SetPopupSlot(1);
  store.RenameSnapshot(QStringLiteral("Snapshot 1"));
  EXPECT_FALSE(store.Modified()) << "the same name changes nothing";
  store.RenameSnapshot(QStringLiteral("x"));
  EXPECT_TRUE(store.Modified());

  // A failed save keeps the flag and the message.
  store.SetWriter([](const QString&, const QByteArray&) { return false; });
  const FileStatus failed = store.SaveLibraryFile(path);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.message, QStringLiteral("Could not save the snapshot."));
  EXPECT_TRUE(store.Modified());

  store.SetWriter({});
  ASSERT_TRUE(store.SaveLibraryFile(path));
  EXPECT_FALSE(store.Modified());
  EXPECT_EQ(store.LibraryFileName(), path);

  Fill(1);
  EXPECT_TRUE(store.Modified());
  ASSERT_TRUE(store.LoadLibraryFile(path));
  EXPECT_FALSE(store.Modified());
  EXPECT_EQ(LastUsed(), -1);
  EXPECT_EQ(store.Library().At(1, 1).name.Text(), QStringLiteral("x"));

  store.RenameSnapshot(QStringLiteral("y"));
  store.ClearSnapshotLibrary();
  EXPECT_FALSE(store.Modified());
  EXPECT_TRUE(store.LibraryFileName().isEmpty());
}

TEST_F(SnapshotStoreTest, FailedLoadNamesTheFileButKeepsTheLibrary) {
  testing::TempDir dir;
  const QString path = dir.write("short.snp", QByteArray(11703, '\0'));
  Fill(2);
  const QByteArray before = store.Library().ToBytes();
  const FileStatus status = store.LoadLibraryFile(path);
  EXPECT_FALSE(status.ok);
  EXPECT_EQ(status.message, QStringLiteral("Could not load the snapshot."));
  EXPECT_EQ(store.Library().ToBytes(), before);
  EXPECT_EQ(store.LibraryFileName(), path);
  EXPECT_TRUE(store.Modified());
  EXPECT_EQ(Enabled(), FirstInUse(2));
}

TEST_F(SnapshotStoreTest, LoadedLibraryIsShownForTheCurrentBank) {
  testing::TempDir dir;
  TSnapshotLibrary lib;
  lib.Clear();
  lib.LastUsed(2) = 4;
  lib.At(2, 4).name.SetText(QStringLiteral("B four"));
  const QString path = dir.write("lib.snp", lib.ToBytes());
  store.SelectBank(2);
  QSignalSpy list(&store, &SnapshotStore::listChanged);
  ASSERT_TRUE(store.LoadLibraryFile(path));
  EXPECT_EQ(Enabled(), FirstInUse(5));
  EXPECT_EQ(store.SlotName(4), QStringLiteral("B four"));
  EXPECT_EQ(store.ListName(2, 4), QStringLiteral("B four"));
  EXPECT_EQ(store.ListName(2, 5), QStringLiteral("[empty]"));
  EXPECT_EQ(list.count(), 1);
}

}  // namespace
}  // namespace quorvane
