#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <deque>
#include <optional>
#include <vector>

#include "snapshots/snapshot_store.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using Answer = FileInteraction::Answer;

// Scripted answers; records every question and the folder each dialog started in.
class FakeSnapshotInteraction : public SnapshotInteraction {
 public:
  Answer Ask(FileInteraction::Kind, const QString& text,
             FileInteraction::Buttons buttons) override {
    if (buttons == FileInteraction::Buttons::kOk) {
      warnings.push_back(text);
      return Answer::kOk;
    }
    questions.push_back(text);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text.toStdString();
      return Answer::kCancel;
    }
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<QString> ChooseLibraryToOpen(const QString& start_dir) override {
    open_dirs.push_back(start_dir);
    return Next(open_choices);
  }
  std::optional<QString> ChooseLibraryToSave(const QString& start_dir) override {
    save_dirs.push_back(start_dir);
    return Next(save_choices);
  }

  std::deque<Answer> answers;
  std::deque<std::optional<QString>> open_choices;
  std::deque<std::optional<QString>> save_choices;
  std::vector<QString> questions;
  std::vector<QString> warnings;
  std::vector<QString> open_dirs;
  std::vector<QString> save_dirs;

 private:
  static std::optional<QString> Next(std::deque<std::optional<QString>>& q) {
    if (q.empty()) {
      ADD_FAILURE() << "unexpected dialog";
      return std::nullopt;
    }
    auto v = q.front();
    q.pop_front();
    return v;
  }
};

class SnapshotCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    surface.MutablePages().Initialize();
    store.SetInteraction(&ui);
    store.SetSnapshotDir(dir.path() + "/");
  }
  void StoreOne() {
    store.SetTakeMode(true);
    store.SnapshotSlotAction(0);
  }
  static bool Exists(const QString& path) { return QFileInfo::exists(path); }

  testing::TempDir dir;
  SurfaceModel surface;
  SnapshotStore store{surface};
  FakeSnapshotInteraction ui;
};

TEST_F(SnapshotCommandsTest, SaveWithoutANameAsksForOneAndCancelWritesNothing) {
  ui.save_choices = {std::nullopt};
  EXPECT_FALSE(store.SaveLibrary());
  EXPECT_EQ(ui.save_dirs, std::vector<QString>{dir.path() + "/"});
  EXPECT_TRUE(store.LibraryFileName().isEmpty());
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(SnapshotCommandsTest, SaveAsWritesTheFileAndRemembersItsFolder) {
  QDir(dir.path()).mkdir("sub");
  const QString path = dir.file("sub/lib.snp");
  ui.save_choices = {path};
  StoreOne();
  EXPECT_TRUE(store.SaveLibraryAs());
  EXPECT_EQ(QFileInfo(path).size(), 11704);
  EXPECT_EQ(store.LibraryFileName(), path);
  EXPECT_EQ(store.SnapshotDir(), dir.file("sub") + "/");
  EXPECT_FALSE(store.Modified());
  // Save Library now writes to that file without a dialog.
  store.SetPopupSlot(0);
  store.RenameSnapshot(QStringLiteral("again"));
  QFile::remove(path);
  EXPECT_TRUE(store.SaveLibrary());
  EXPECT_TRUE(Exists(path));
  EXPECT_EQ(ui.save_dirs.size(), 1u);
}

TEST_F(SnapshotCommandsTest, FailedSaveWarnsAndStillCountsAsDone) {
  ui.save_choices = {dir.file("lib.snp")};
  store.SetWriter([](const QString&, const QByteArray&) { return false; });
  EXPECT_TRUE(store.SaveLibrary());
  EXPECT_EQ(ui.warnings, std::vector<QString>{QStringLiteral("Could not save the snapshot.")});
}

// New Library after each answer to "Save current snapshot library?".
TEST_F(SnapshotCommandsTest, NewLibraryFollowsTheAnswer) {
  const struct {
    const char* what;
    Answer answer;
    std::optional<QString> save_choice;  // only asked after Yes
    bool cleared;
    bool saved;
  } cases[] = {
      {"No clears without saving", Answer::kNo, std::nullopt, true, false},
      {"Cancel keeps the library", Answer::kCancel, std::nullopt, false, false},
      {"Yes then cancelled dialog keeps it", Answer::kYes, std::nullopt, false, false},
      {"Yes then saved clears it", Answer::kYes, QStringLiteral("saved.snp"), true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store.ClearSnapshotLibrary();
    StoreOne();
    ui.answers = {c.answer};
    if (c.answer == Answer::kYes)
      ui.save_choices = {c.save_choice ? dir.file(*c.save_choice) : c.save_choice};
    ui.questions.clear();
    QSignalSpy list(&store, &SnapshotStore::listChanged);
    store.NewLibrary();
    EXPECT_EQ(ui.questions, std::vector<QString>{QStringLiteral("Save current snapshot library?")});
    EXPECT_EQ(store.Library().LastUsed(1), c.cleared ? -1 : 0);
    EXPECT_EQ(list.count(), c.cleared ? 1 : 0);
    EXPECT_EQ(Exists(dir.file("saved.snp")), c.saved);
    if (c.cleared) {
      EXPECT_TRUE(store.LibraryFileName().isEmpty());
    }
    QFile::remove(dir.file("saved.snp"));
  }
}

TEST_F(SnapshotCommandsTest, LoadNamesTheFileBeforeReadingAndWarnsWhenItIsShort) {
  QDir(dir.path()).mkdir("libs");
  const QString path = dir.write("libs/short.snp", QByteArray(11703, '\0'));
  StoreOne();
  ui.answers = {Answer::kNo};
  ui.open_choices = {path};
  store.LoadLibrary();
  EXPECT_EQ(ui.open_dirs, std::vector<QString>{dir.path() + "/"});
  EXPECT_EQ(ui.warnings, std::vector<QString>{QStringLiteral("Could not load the snapshot.")});
  EXPECT_EQ(store.Library().LastUsed(1), 0) << "library untouched";
  EXPECT_EQ(store.LibraryFileName(), path);
  EXPECT_EQ(store.SnapshotDir(), dir.file("libs") + "/");
}

TEST_F(SnapshotCommandsTest, LoadCancelledInTheDialogChangesNothing) {
  StoreOne();
  ui.answers = {Answer::kNo};
  ui.open_choices = {std::nullopt};
  store.LoadLibrary();
  EXPECT_EQ(store.Library().LastUsed(1), 0);
  EXPECT_TRUE(store.LibraryFileName().isEmpty());
  EXPECT_TRUE(ui.warnings.empty());
}

TEST_F(SnapshotCommandsTest, CloseAsksOnlyAfterUnsavedChanges) {
  EXPECT_TRUE(store.ConfirmClose());
  EXPECT_TRUE(ui.questions.empty()) << "nothing changed: no question";

  StoreOne();
  ui.answers = {Answer::kCancel};
  EXPECT_FALSE(store.ConfirmClose());
  ui.answers = {Answer::kNo};
  EXPECT_TRUE(store.ConfirmClose());
  EXPECT_EQ(ui.questions.size(), 2u);

  ui.save_choices = {dir.file("lib.snp")};
  ASSERT_TRUE(store.SaveLibrary());
  EXPECT_TRUE(store.ConfirmClose());
  EXPECT_EQ(ui.questions.size(), 2u) << "saved: no question";
}

}  // namespace
}  // namespace quorvane
