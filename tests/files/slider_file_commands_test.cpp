#include "files/slider_file_commands.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "fake_file_interaction.h"
#include "files/slider_settings_file.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using Answer = FileInteraction::Answer;
using testing::FakeFileInteraction;
using testing::TempDir;

QByteArray SliderFileWithCaption(const QString& caption, const QString& dump = {}) {
  TPageSet defs;
  defs.Initialize();
  defs[0].caption = caption;
  SettingsTextFile f;
  WriteSliderSettings(f, defs, dump);
  return f.ToBytes();
}

class SliderFileCommandsTest : public ::testing::Test {
 protected:
  SliderFileCommandsTest() : commands(defs, dump, ui) {
    defs.Initialize();
    defs[0].caption = "Before";
    QObject::connect(&commands, &SliderFileCommands::definitionsReplaced, [this] { ++replaced; });
    QObject::connect(&commands, &SliderFileCommands::titleChanged,
                     [this](const QString& t) { titles.push_back(t); });
  }

  TempDir dir;
  TPageSet defs;
  QString dump = "old dump";
  FakeFileInteraction ui;
  SliderFileCommands commands;
  int replaced = 0;
  std::vector<QString> titles;
};

TEST_F(SliderFileCommandsTest, OpenReadsTheFileAndSetsNameTitleAndFolder) {
  const QString path = dir.write("Lead.qrt", SliderFileWithCaption("Cutoff", "F0 F7"));
  commands.SetSliderSettingsDir("/start/");
  ui.answers = {Answer::kNo};
  ui.open_choices = {path};
  EXPECT_TRUE(commands.OpenSliderFile());
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].text, "Save current file?");
  EXPECT_EQ(ui.questions[0].kind, FileInteraction::Kind::kWarning);
  EXPECT_EQ(ui.questions[0].buttons, FileInteraction::Buttons::kYesNoCancel);
  EXPECT_EQ(ui.open_calls.at(0).start_dir, "/start/");
  EXPECT_EQ(defs[0].caption, "Cutoff");
  EXPECT_EQ(dump, "F0 F7");
  EXPECT_EQ(replaced, 1);
  EXPECT_EQ(commands.current_file_name(), path);
  EXPECT_EQ(commands.title(), "Quorvane - [" + path + "]");
  EXPECT_EQ(titles, std::vector<QString>{"Quorvane - [" + path + "]"});
  EXPECT_EQ(commands.SliderSettingsDir(), dir.path() + "/");
  EXPECT_EQ(ui.busy_depth, 0);
}

TEST_F(SliderFileCommandsTest, OpenDialogStartsInTheFolderOfTheNameItProposes) {
  const struct {
    const char *name, *start_dir;
  } cases[] = {{"", "/start/"},
               {"Pad.qrt", "/start/"},
               {"/music/patches/Pad.qrt", "/music/patches/"},
               {"/Pad.qrt", "/"}};
  commands.SetSliderSettingsDir("/start/");
  for (const auto& c : cases) {
    commands.SetOpenDialogName(c.name);
    ui.answers = {Answer::kNo};
    ui.open_choices = {std::nullopt};
    EXPECT_FALSE(commands.OpenSliderFile());
    ASSERT_FALSE(ui.open_calls.empty());
    EXPECT_EQ(ui.open_calls.back().start_dir, c.start_dir) << c.name;
    EXPECT_EQ(ui.open_calls.back().proposed_name, c.name);
  }
  EXPECT_EQ(commands.SliderSettingsDir(), "/start/") << "a cancelled dialog moves nothing";
}

TEST_F(SliderFileCommandsTest, RefusedOpenChangesNothingButTheFolder) {
  QDir().mkdir(dir.file("other"));
  const QString bad =
      dir.write("other/bad.qrt", "[Application Settings]\nFile Type=wrong file type\n");
  ui.answers = {Answer::kNo};
  ui.open_choices = {bad};
  EXPECT_TRUE(commands.OpenSliderFile()) << "the dialog was confirmed";
  EXPECT_EQ(ui.warnings, std::vector<QString>{"Wrong file type."});
  EXPECT_EQ(defs[0].caption, "Before");
  EXPECT_EQ(dump, "old dump");
  EXPECT_EQ(replaced, 0);
  EXPECT_TRUE(commands.current_file_name().isEmpty());
  EXPECT_EQ(commands.title(), "Quorvane");
  EXPECT_TRUE(titles.empty());
  EXPECT_EQ(commands.SliderSettingsDir(), dir.file("other") + "/");
}

TEST_F(SliderFileCommandsTest, CancelInSaveCurrentLeavesEverythingUntouched) {
  ui.answers = {Answer::kCancel};
  EXPECT_FALSE(commands.OpenSliderFile());
  ui.answers = {Answer::kCancel};
  EXPECT_FALSE(commands.InitialiseSliders());
  EXPECT_TRUE(ui.open_calls.empty());
  EXPECT_TRUE(ui.save_calls.empty());
  EXPECT_EQ(defs[0].caption, "Before");
  EXPECT_EQ(dump, "old dump");
}

TEST_F(SliderFileCommandsTest, YesWithoutCurrentFileAsksForANameAndCancellingAbandons) {
  ui.answers = {Answer::kYes};
  ui.save_choices = {std::nullopt};
  EXPECT_FALSE(commands.OpenSliderFile());
  EXPECT_EQ(ui.save_calls.size(), 1u);
  EXPECT_TRUE(ui.open_calls.empty());
}

TEST_F(SliderFileCommandsTest, YesWithCurrentFileSavesThereBeforeOpening) {
  const QString current = dir.write("cur.qrt", "[Keep]\nme=1\n");
  const QString next = dir.write("next.qrt", SliderFileWithCaption("Next"));
  commands.SetCurrentFileName(current, true);
  ui.answers = {Answer::kYes};
  ui.open_choices = {next};
  ASSERT_TRUE(commands.OpenSliderFile());
  EXPECT_TRUE(ui.save_calls.empty());
  SettingsTextFile saved(current);
  ASSERT_TRUE(saved.Load().ok);
  EXPECT_EQ(saved.ReadString("Slider Settings", "s1_caption", ""), "Before");
  EXPECT_EQ(saved.ReadInteger("Keep", "me", 0), 1);
  EXPECT_EQ(defs[0].caption, "Next");
}

TEST_F(SliderFileCommandsTest, SaveAsRemembersTheNameUntilInitialize) {
  const QString path = dir.file("mine.qrt");
  ui.save_choices = {path};
  EXPECT_TRUE(commands.SaveSliderFileAs());
  EXPECT_EQ(commands.current_file_name(), path);
  EXPECT_EQ(commands.title(), "Quorvane - [" + path + "]");
  EXPECT_TRUE(QFile::exists(path));

  ui.save_choices = {std::nullopt};
  EXPECT_FALSE(commands.SaveSliderFileAs());
  EXPECT_EQ(ui.save_calls.back().proposed_name, path);

  ui.answers = {Answer::kNo};
  ASSERT_TRUE(commands.InitialiseSliders());
  EXPECT_EQ(commands.title(), "Quorvane");
  EXPECT_TRUE(commands.current_file_name().isEmpty());
  EXPECT_EQ(defs, [] {
    TPageSet s;
    s.Initialize();
    return s;
  }());
  EXPECT_TRUE(dump.isEmpty());

  ui.save_choices = {std::nullopt};
  EXPECT_FALSE(commands.SaveSliderFile()) << "no current file: Save asks for a name";
  EXPECT_EQ(ui.save_calls.back().proposed_name, "");
  EXPECT_EQ(ui.save_calls.back().start_dir, dir.path() + "/");
}

TEST_F(SliderFileCommandsTest, SaveWritesToTheCurrentFileWithoutTouchingTheTitle) {
  const QString path = dir.write("cur.qrt", SliderFileWithCaption("x"));
  commands.SetCurrentFileName(path, true);
  titles.clear();
  defs[0].caption = "Changed";
  EXPECT_TRUE(commands.SaveSliderFile());
  EXPECT_TRUE(ui.save_calls.empty());
  EXPECT_TRUE(titles.empty());
  TPageSet back;
  QString d;
  SettingsTextFile f(path);
  ASSERT_TRUE(f.Load().ok);
  ASSERT_TRUE(ReadSliderSettings(f, back, d).ok);
  EXPECT_EQ(back[0].caption, "Changed");
}

TEST_F(SliderFileCommandsTest, FailedSaveAsKeepsNameAndTitleButMovesTheFolder) {
  QDir().mkdir(dir.file("sub"));
  const QString target = dir.file("sub/x.qrt");
  commands.SetWriter([](const QString&, const QByteArray&) { return false; });
  ui.save_choices = {target};
  EXPECT_FALSE(commands.SaveSliderFileAs());
  EXPECT_EQ(ui.warnings, std::vector<QString>{"Unable to write to " + target});
  EXPECT_TRUE(commands.current_file_name().isEmpty());
  EXPECT_EQ(commands.title(), "Quorvane");
  EXPECT_EQ(commands.SliderSettingsDir(), dir.file("sub") + "/");
  EXPECT_FALSE(QFile::exists(target));
}

TEST_F(SliderFileCommandsTest, FailedSaveInConfirmStopsTheCommand) {
  const QString current = dir.write("cur.qrt", "old");
  commands.SetCurrentFileName(current, true);
  commands.SetWriter([](const QString&, const QByteArray&) { return false; });
  ui.answers = {Answer::kYes};
  EXPECT_FALSE(commands.InitialiseSliders());
  EXPECT_EQ(defs[0].caption, "Before");
  EXPECT_EQ(commands.current_file_name(), current);
}

}  // namespace
}  // namespace quorvane
