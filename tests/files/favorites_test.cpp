#include "files/favorites.h"

#include <gtest/gtest.h>

#include <QDir>

#include "fake_file_interaction.h"
#include "files/slider_settings_file.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using Answer = FileInteraction::Answer;
using testing::FakeFileInteraction;
using testing::TempDir;

class FavoritesTest : public ::testing::Test {
 protected:
  FavoritesTest() : commands(defs, dump, ui), favorites(commands, ui) {
    defs.Initialize();
    QObject::connect(&commands, &SliderFileCommands::definitionsReplaced, [this] { ++replaced; });
  }

  QString WriteSliderFile(const QString& name, const QString& caption) {
    TPageSet s;
    s.Initialize();
    s[0].caption = caption;
    SettingsTextFile f;
    WriteSliderSettings(f, s, {});
    return dir.write(name, f.ToBytes());
  }

  TempDir dir;
  TPageSet defs;
  QString dump;
  FakeFileInteraction ui;
  SliderFileCommands commands;
  Favorites favorites;
  int replaced = 0;
};

TEST_F(FavoritesTest, CaptionsAtStartFollowTheStoredPaths) {
  EXPECT_EQ(favorites.caption(1), "Load File &1...");
  EXPECT_EQ(favorites.caption(10), "Load File &10...");
  EXPECT_EQ(Favorites::Hint(10), "Load File 10");
  std::array<QString, kFavoriteCount> files;
  files[2] = "/music/patches/Lead.qrt";
  files[9] = "/x/Pad.qrt";
  favorites.SetFiles(files);
  EXPECT_EQ(favorites.caption(3), "&3 Lead.qrt");
  EXPECT_EQ(favorites.caption(10), "&10 Pad.qrt");
  EXPECT_EQ(favorites.caption(4), "Load File &4...");
}

TEST_F(FavoritesTest, FreeSlotIsFilledByOpenAndThenLoadsWithoutADialog) {
  const QString lead = WriteSliderFile("Lead.qrt", "Lead");
  ui.answers = {Answer::kNo};
  ui.open_choices = {lead};
  favorites.LoadFavorite(4);
  EXPECT_EQ(favorites.file(4), lead);
  EXPECT_EQ(favorites.caption(4), "&4 Lead.qrt");
  EXPECT_EQ(defs[0].caption, "Lead");

  defs[0].caption = "edited";
  ui.answers = {Answer::kNo};
  favorites.LoadFavorite(4);
  EXPECT_EQ(ui.open_calls.size(), 1u) << "a filled slot shows no dialog";
  EXPECT_EQ(ui.questions.back().text, "Save current file?");
  EXPECT_EQ(defs[0].caption, "Lead");
  EXPECT_EQ(commands.title(), "Quorvane - [" + lead + "]");
  EXPECT_EQ(favorites.caption(4), "&4 Lead.qrt");
}

TEST_F(FavoritesTest, OpenAfterAFavouriteStartsInTheFavouritesFolderWithItSelected) {
  QDir().mkdir(dir.file("kept"));
  const QString lead = WriteSliderFile("kept/Lead.qrt", "Lead");
  commands.SetSliderSettingsDir(dir.path() + "/");  // where the last dialog was
  std::array<QString, kFavoriteCount> files;
  files[0] = lead;
  favorites.SetFiles(files);
  ui.answers = {Answer::kNo};
  favorites.LoadFavorite(1);
  ASSERT_EQ(defs[0].caption, "Lead");

  ui.answers = {Answer::kNo};
  ui.open_choices = {std::nullopt};
  favorites.LoadFavorite(2);  // a free slot: the Open dialog
  ASSERT_EQ(ui.open_calls.size(), 1u);
  EXPECT_EQ(ui.open_calls[0].start_dir, dir.file("kept") + "/");
  EXPECT_EQ(ui.open_calls[0].proposed_name, lead);
}

TEST_F(FavoritesTest, SameFileMayFillSeveralSlots) {
  const QString lead = WriteSliderFile("Lead.qrt", "Lead");
  ui.answers = {Answer::kNo, Answer::kNo};
  ui.open_choices = {lead, lead};
  favorites.LoadFavorite(1);
  favorites.LoadFavorite(2);
  EXPECT_EQ(favorites.file(1), lead);
  EXPECT_EQ(favorites.file(2), lead);
}

TEST_F(FavoritesTest, RefusedFileGivesTheSlotThePreviousCurrentFile) {
  const QString bad = dir.write("bad.qrt", "[Other]\n");
  ui.answers = {Answer::kNo};
  ui.open_choices = {bad};
  favorites.LoadFavorite(4);
  EXPECT_EQ(ui.warnings, std::vector<QString>{"Wrong file type."});
  EXPECT_TRUE(favorites.file(4).isEmpty()) << "no current file: the slot stays free";
  EXPECT_EQ(favorites.caption(4), "&4 ");

  const QString prev = WriteSliderFile("Prev.qrt", "Prev");
  commands.SetCurrentFileName(prev, true);
  ui.answers = {Answer::kNo};
  ui.open_choices = {bad};
  favorites.LoadFavorite(5);
  EXPECT_EQ(favorites.file(5), prev);
  EXPECT_EQ(favorites.caption(5), "&5 Prev.qrt");
}

TEST_F(FavoritesTest, CancelLeavesTheSlotAsItWas) {
  ui.answers = {Answer::kCancel};
  favorites.LoadFavorite(2);
  ui.answers = {Answer::kNo};
  ui.open_choices = {std::nullopt};
  favorites.LoadFavorite(2);
  EXPECT_TRUE(favorites.file(2).isEmpty());
  EXPECT_EQ(favorites.caption(2), "Load File &2...");
}

TEST_F(FavoritesTest, MissingFileOfAFilledSlotWarnsButBecomesTheCurrentFile) {
  const QString good = WriteSliderFile("Good.qrt", "Good");
  commands.SetCurrentFileName(good, true);
  std::array<QString, kFavoriteCount> files;
  files[6] = dir.file("gone.qrt");
  favorites.SetFiles(files);
  ui.answers = {Answer::kNo};
  favorites.LoadFavorite(7);
  EXPECT_EQ(ui.warnings, std::vector<QString>{"Wrong file type."});
  EXPECT_EQ(replaced, 0);
  EXPECT_EQ(commands.current_file_name(), dir.file("gone.qrt"));
  EXPECT_EQ(commands.open_dialog_name(), dir.file("gone.qrt"));
  EXPECT_EQ(commands.title(), "Quorvane - [" + good + "]");
  EXPECT_EQ(favorites.file(7), dir.file("gone.qrt"));

  // A later Save writes the unchanged definitions to the slot's path.
  EXPECT_TRUE(commands.SaveSliderFile());
  EXPECT_TRUE(QFile::exists(dir.file("gone.qrt")));
}

TEST_F(FavoritesTest, ClearAsksAndEmptiesEverySlot) {
  std::array<QString, kFavoriteCount> files;
  files.fill("/a/b.qrt");
  favorites.SetFiles(files);
  ui.answers = {Answer::kNo};
  favorites.Clear();
  EXPECT_EQ(favorites.file(1), "/a/b.qrt");
  EXPECT_EQ(ui.questions.back().text, "Are you sure you want to clear the favorites menu?");
  EXPECT_EQ(ui.questions.back().buttons, FileInteraction::Buttons::kYesNo);

  std::vector<std::pair<int, QString>> changes;
  QObject::connect(&favorites, &Favorites::captionChanged,
                   [&](int n, const QString& c) { changes.emplace_back(n, c); });
  ui.answers = {Answer::kYes};
  favorites.Clear();
  ASSERT_EQ(changes.size(), 10u);
  for (int n = 1; n <= kFavoriteCount; ++n) {
    EXPECT_TRUE(favorites.file(n).isEmpty());
    EXPECT_EQ(favorites.caption(n), QStringLiteral("Load File &%1").arg(n));
  }
  ui.answers = {Answer::kNo};
  ui.open_choices = {std::nullopt};
  favorites.LoadFavorite(9);
  EXPECT_EQ(ui.open_calls.size(), 1u) << "a cleared slot shows the open dialog";
}

}  // namespace
}  // namespace quorvane
