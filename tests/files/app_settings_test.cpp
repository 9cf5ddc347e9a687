#include "files/app_settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "files/slider_settings_file.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;

const QSize kScreen(1920, 1080);

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  return f.readAll();
}

TPageSet Initialised() {
  TPageSet s;
  s.Initialize();
  return s;
}

TEST(AppSettingsLoad, NoFileGivesDefaultsAndInitialisedDefinitionsSilently) {
  TempDir dir;
  TPageSet defs;
  QString dump = "x";
  const AppSettingsLoad r = LoadAppSettings(dir.file("Brellin.ini"), kScreen, defs, dump);
  EXPECT_TRUE(r.messages.isEmpty());
  EXPECT_EQ(r.settings, AppSettings());
  EXPECT_EQ(r.settings.x, 100);
  EXPECT_EQ(r.settings.w, 755);
  EXPECT_EQ(r.settings.h, 622);
  EXPECT_EQ(r.settings.output_device, -1);
  EXPECT_EQ(r.settings.listen_channel, 1);
  EXPECT_EQ(r.settings.midi_delay, 5);
  EXPECT_EQ(r.settings.randomize_factor, 50);
  EXPECT_EQ(r.settings.midi_api, "ALSA");
  EXPECT_EQ(r.settings.button_controllers[0], 65);
  EXPECT_EQ(r.settings.snapshot_controllers[9], 58);
  EXPECT_EQ(defs, Initialised());
  EXPECT_TRUE(dump.isEmpty());
}

TEST(AppSettingsLoad, PresentFileWithoutFileTypeWarnsAndKeepsDefinitions) {
  TempDir dir;
  const QString path = dir.write("Brellin.ini", "[Window Settings]\nW=900\n");
  TPageSet defs;  // blank, as at start-up
  QString dump;
  const AppSettingsLoad r = LoadAppSettings(path, kScreen, defs, dump);
  EXPECT_EQ(r.messages, QStringList{"Wrong file type."});
  EXPECT_EQ(r.settings.w, 900);
  EXPECT_EQ(defs, TPageSet());
}

TEST(AppSettingsLoad, PositionsNearOrBeyondTheScreenEdgeTakeTheDefault) {
  TempDir dir;
  const struct { int x, expected; } xs[] = {{5000, 100}, {-20, -20}, {1915, 100}, {1914, 1914}};
  for (const auto& c : xs) {
    const QString path =
        dir.write("Brellin.ini", QStringLiteral("[Window Settings]\nX=%1\nY=%2\nMorph Slider X=%1\n"
                                                "Snapshot Window Y=%2\nW=5000\n")
                                     .arg(c.x)
                                     .arg(c.x - 840)
                                     .toUtf8());
    TPageSet defs;
    QString dump;
    const AppSettings a = LoadAppSettings(path, kScreen, defs, dump).settings;
    EXPECT_EQ(a.x, c.expected) << c.x;
    EXPECT_EQ(a.morph_slider_x, c.expected == 100 ? 50 : c.expected) << c.x;
    const int y = c.x - 840;  // 4160, -860, 1075, 1074 against a height of 1080
    EXPECT_EQ(a.y, y >= 1075 ? 100 : y) << y;
    EXPECT_EQ(a.snapshot_window_y, y >= 1075 ? 50 : y) << y;
    EXPECT_EQ(a.w, 5000) << "sizes are taken as they are";
  }
}

TEST(AppSettingsLoad, DevicesBelowZeroAreStoredAndWrittenAsMinusOne) {
  TempDir dir;
  const QString path = dir.write("Brellin.ini",
                                 "[MIDI Settings]\nMIDI Out1=-7\nMIDI In1=3\nMIDI In2=-2\n"
                                 "MIDI API=jack\nMIDI In1 Name=Synth In\n");
  TPageSet defs;
  QString dump;
  const AppSettings a = LoadAppSettings(path, kScreen, defs, dump).settings;
  EXPECT_EQ(a.output_device, -1);
  EXPECT_EQ(a.input_device1, 3);
  EXPECT_EQ(a.input_device2, -1);
  EXPECT_EQ(a.midi_api, "JACK");
  EXPECT_EQ(a.input_device1_name, "Synth In");
  ASSERT_TRUE(SaveAppSettings(path, a, defs, dump).ok);
  SettingsTextFile f(path);
  ASSERT_TRUE(f.Load().ok);
  EXPECT_EQ(f.ReadString("MIDI Settings", "MIDI Out1", ""), "-1");
  EXPECT_EQ(f.ReadString("MIDI Settings", "MIDI API", ""), "JACK");
}

TEST(AppSettingsSave, EveryValueRoundTrips) {
  AppSettings a;
  a.x = -3;
  a.y = 7;
  a.w = 800;
  a.always_on_top = true;
  a.minimize_to_tray = true;
  a.vector_controller_x = 11;
  a.show_midi_keyboard = true;
  a.snapshot_window_h = 410;
  a.update_slider_numbers = true;
  a.patch_dir = "/p/";
  a.slider_settings_dir = "/s/";
  a.snapshot_dir = "/n/";
  a.favorite_files[9] = "/x/Ten.qrt";
  a.vector_x = {1, 2, 3, 119};
  a.vector_y[3] = 0;
  a.input_device1 = 2;
  a.output_device_name = "Out";
  a.midi_delay = 12;
  a.global_channel = 16;
  a.listen_channel = 0;
  a.slider_controllers[23] = 1;
  a.page_controllers[4] = 99;
  a.take_snapshot_controller = 3;
  a.snapshot_controllers[0] = 4;
  a.play_controller = 20;
  a.transport_channel = 9;
  a.group_mode = true;
  a.randomize_factor = 100;
  TPageSet defs = Initialised();
  defs[44].caption = "Mid";
  TempDir dir;
  const QString path = dir.file("Brellin.ini");
  ASSERT_TRUE(SaveAppSettings(path, a, defs, "F0 F7").ok);
  TPageSet back;
  QString dump;
  const AppSettingsLoad r = LoadAppSettings(path, kScreen, back, dump);
  EXPECT_TRUE(r.messages.isEmpty());
  EXPECT_EQ(r.settings, a);
  EXPECT_EQ(back, defs);
  EXPECT_EQ(dump, "F0 F7");
}

TEST(AppSettingsSave, FreshFileHasItsSectionsInWritingOrder) {
  TempDir dir;
  const QString path = dir.file("Brellin.ini");
  ASSERT_TRUE(SaveAppSettings(path, AppSettings(), Initialised(), {}).ok);
  QStringList sections;
  for (const auto& m : QRegularExpression("^\\[(.*)\\]$", QRegularExpression::MultilineOption)
                           .globalMatch(QString::fromUtf8(ReadAll(path))))
    sections << m.captured(1);
  EXPECT_EQ(sections,
            (QStringList{"Window Settings", "Favorites", "Vector Controller Settings",
                         "MIDI Settings", "Remote Settings", "Transport Settings",
                         "Selection Settings", "Application Settings", "Slider Settings"}));
  const QByteArray bytes = ReadAll(path);
  EXPECT_TRUE(bytes.startsWith("[Window Settings]\nX=100\nY=100\nW=755\nH=622\nAlways On Top=0\n"));
  EXPECT_TRUE(bytes.contains("Update Slider Numbers=0\n[Favorites]\nF1=\n"));
  EXPECT_FALSE(bytes.contains("PatchDir")) << "empty folders are not written";
  EXPECT_TRUE(
      bytes.contains("Listen Channel=1\nMIDI Delay=5\nDump Request String=\n[Remote Settings]\n"));
}

TEST(AppSettingsSave, EmptyFolderLeavesTheEarlierLineAndHandEditsSurviveRuns) {
  TempDir dir;
  const QString path = dir.write("Brellin.ini",
                                 "[Window Settings]\nPatchDir=/old/patches/\n"
                                 "[Transport Settings]\nPlay Controller=20\n"
                                 "; my notes\n[Custom]\nmine=yes\n");
  for (int run = 0; run < 3; ++run) {
    TPageSet defs;
    QString dump;
    AppSettings a = LoadAppSettings(path, kScreen, defs, dump).settings;
    EXPECT_EQ(a.play_controller, 20) << run;
    EXPECT_EQ(a.patch_dir, "/old/patches/") << run;
    a.patch_dir.clear();  // as if nothing set it this run
    ASSERT_TRUE(SaveAppSettings(path, a, defs, dump).ok);
  }
  const QByteArray bytes = ReadAll(path);
  EXPECT_TRUE(bytes.contains("PatchDir=/old/patches/\n"));
  EXPECT_TRUE(bytes.contains("Play Controller=20\n"));
  EXPECT_TRUE(bytes.contains("; my notes\n[Custom]\nmine=yes\n"));
}

TEST(AppSettingsSave, FileWrittenAtExitOpensAsASliderSettingsFile) {
  TempDir dir;
  const QString path = dir.file("Brellin.ini");
  TPageSet defs = Initialised();
  defs[119].value = 5;
  ASSERT_TRUE(SaveAppSettings(path, AppSettings(), defs, "F0").ok);
  SettingsTextFile f(path);
  ASSERT_TRUE(f.Load().ok);
  TPageSet back;
  QString dump;
  ASSERT_TRUE(ReadSliderSettings(f, back, dump).ok);
  EXPECT_EQ(back, defs);
}

TEST(AppSettingsSave, RefusedWriteKeepsTheOldFile) {
  TempDir dir;
  const QString path = dir.write("Brellin.ini", "[Window Settings]\nX=5\n");
  const FileStatus st = SaveAppSettings(path, AppSettings(), Initialised(), {},
                                        [](const QString&, const QByteArray&) { return false; });
  EXPECT_EQ(st.message, "Unable to write to " + path);
  EXPECT_EQ(ReadAll(path), "[Window Settings]\nX=5\n");
}

TEST(AppSettingsSave, UnreadableExistingFileIsNotReplaced) {
  TempDir dir;
  const QString path = dir.file("Brellin.ini");
  QFile big(path);
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(SettingsTextFile::kMaxFileSize + 1));
  big.close();
  EXPECT_FALSE(SaveAppSettings(path, AppSettings(), Initialised(), {}).ok);
  EXPECT_EQ(QFileInfo(path).size(), SettingsTextFile::kMaxFileSize + 1);
}

TEST(AppSettingsPath, BesideTheExecutableWhenPresentOrWritableElseConfigFolder) {
  TempDir exe, config;
  auto never = [](const QString&) { return false; };
  auto always = [](const QString&) { return true; };
  EXPECT_EQ(AppSettingsPath(exe.path(), always, config.path()), exe.file("Brellin.ini"));
  EXPECT_EQ(AppSettingsPath(exe.path(), never, config.path()),
            config.path() + "/Quorvane/Brellin.ini");
  exe.write("Brellin.ini", "");
  EXPECT_EQ(AppSettingsPath(exe.path(), never, config.path()), exe.file("Brellin.ini"));
}

TEST(AppSettingsPath, SaveCreatesTheConfigFolder) {
  TempDir config;
  const QString path = AppSettingsPath("/nonexistent-exe-dir", {}, config.path());
  ASSERT_TRUE(SaveAppSettings(path, AppSettings(), Initialised(), {}).ok);
  EXPECT_TRUE(QFileInfo(config.path() + "/Quorvane/Brellin.ini").isFile());
}

}  // namespace
}  // namespace quorvane
