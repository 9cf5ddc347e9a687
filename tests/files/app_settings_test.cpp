#include "files/app_settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>

#include "files/settings_lock.h"
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

// Every field away from its default, array elements all different, positions on screen.
AppSettings AllChanged() {
  AppSettings a;
  a.x = 11;
  a.y = 12;
  a.w = 130;
  a.h = 140;
  a.always_on_top = a.minimize_to_tray = true;
  a.vector_controller_x = 15;
  a.vector_controller_y = 16;
  a.show_snapshot_window = a.show_vector_controller = a.show_midi_keyboard = true;
  a.morph_slider_x = 17;
  a.morph_slider_y = 18;
  a.midi_keyboard_x = 19;
  a.midi_keyboard_y = 20;
  a.snapshot_window_x = 21;
  a.snapshot_window_y = 22;
  a.snapshot_window_w = 230;
  a.snapshot_window_h = 240;
  a.show_morph_slider = a.update_slider_numbers = true;
  a.patch_dir = "/p/";
  a.slider_settings_dir = "/s/";
  a.snapshot_dir = "/n/";
  for (int i = 0; i < kFavoriteCount; ++i) a.favorite_files[i] = QString("/f/%1.qrt").arg(i + 1);
  for (int i = 0; i < 4; ++i) {
    a.vector_x[i] = 30 + i;
    a.vector_y[i] = 40 + i;
  }
  a.input_device1 = 2;
  a.input_device2 = 3;
  a.output_device = 4;
  a.input_device1_name = "In A";
  a.input_device2_name = "In B";
  a.output_device_name = "Out";
  a.midi_api = "JACK";
  a.midi_delay = 9;
  a.global_channel = 2;
  a.remote_channel = 3;
  a.listen_channel = 0;
  for (int i = 0; i < kSlotCount; ++i) {
    a.slider_controllers[i] = static_cast<std::uint8_t>(100 + i);
    a.button_controllers[i] = static_cast<std::uint8_t>(130 + i);
  }
  for (int i = 0; i < kPageCount; ++i) a.page_controllers[i] = static_cast<std::uint8_t>(160 + i);
  for (int i = 0; i < 10; ++i) a.snapshot_controllers[i] = static_cast<std::uint8_t>(170 + i);
  a.compact_view_controller = 180;
  a.minimize_controller = 181;
  a.take_snapshot_controller = 182;
  a.play_controller = 183;
  a.stop_controller = 184;
  a.record_controller = 185;
  a.pause_controller = 186;
  a.transport_channel = 7;
  a.group_mode = true;
  a.randomize_factor = 77;
  a.osc_enabled = true;
  a.osc_port = 9000;
  a.osc_feedback_host = "tablet.local";
  a.osc_feedback_port = 9001;
  a.browser_enabled = true;
  a.browser_port = 8461;
  a.browser_network = true;
  a.browser_token = "0123456789abcdef0123456789abcdef";
  return a;
}

// The lines a fresh file saved from AllChanged() holds before the definitions, as
// "section/key=value" in file order.
QStringList AllChangedLines() {
  QStringList out;
  auto add = [&out](const QString& section, const QStringList& lines) {
    for (const QString& l : lines) out << section + "/" + l;
  };
  add("Window Settings", {"X=11",
                          "Y=12",
                          "W=130",
                          "H=140",
                          "Always On Top=1",
                          "Minimize To Tray=1",
                          "Vector Controller X=15",
                          "Vector Controller Y=16",
                          "Morph Slider X=17",
                          "Morph Slider Y=18",
                          "MIDI Keyboard X=19",
                          "MIDI Keyboard Y=20",
                          "Snapshot Window X=21",
                          "Snapshot Window Y=22",
                          "Snapshot Window W=230",
                          "Snapshot Window H=240",
                          "Show Snapshot Window=1",
                          "Show Vector Controller=1",
                          "Show Morph Slider=1",
                          "Show MIDI Keyboard=1",
                          "Update Slider Numbers=1",
                          "PatchDir=/p/",
                          "SliderSettingsDir=/s/",
                          "SnapshotDir=/n/"});
  for (int n = 1; n <= 10; ++n) add("Favorites", {QString("F%1=/f/%1.qrt").arg(n)});
  for (int n = 1; n <= 4; ++n)
    add("Vector Controller Settings", {QString("X%1=%2").arg(n).arg(29 + n)});
  for (int n = 1; n <= 4; ++n)
    add("Vector Controller Settings", {QString("Y%1=%2").arg(n).arg(39 + n)});
  add("MIDI Settings",
      {"MIDI In1=2", "MIDI In2=3", "MIDI Out1=4", "MIDI In1 Name=In A", "MIDI In2 Name=In B",
       "MIDI Out1 Name=Out", "MIDI API=JACK", "Channel=2", "Remote Channel=3", "Listen Channel=0",
       "MIDI Delay=9", "Dump Request String=F0 F7"});
  for (int n = 1; n <= 24; ++n)
    add("Remote Settings", {QString("Slider Controller %1=%2").arg(n).arg(99 + n)});
  for (int n = 1; n <= 24; ++n)
    add("Remote Settings", {QString("Button Controller %1=%2").arg(n).arg(129 + n)});
  for (int n = 1; n <= 5; ++n)
    add("Remote Settings", {QString("Page Controller %1=%2").arg(n).arg(159 + n)});
  add("Remote Settings",
      {"Compact View Controller=180", "Minimize Controller=181", "Take Snapshot=182"});
  for (int n = 0; n < 10; ++n)
    add("Remote Settings", {QString("Snapshot Controller %1=%2").arg(n).arg(170 + n)});
  add("Transport Settings", {"Play Controller=183", "Stop Controller=184", "Record Controller=185",
                             "Pause Controller=186", "Channel=7"});
  add("Selection Settings", {"Group Selection=1", "Randomize Factor=77"});
  add("OSC", {"Enabled=1", "Port=9000", "Feedback Host=tablet.local", "Feedback Port=9001"});
  add("Browser Surface",
      {"Enabled=1", "Port=8461", "Network=1", "Token=0123456789abcdef0123456789abcdef"});
  return out;
}

// A file's key lines as "section/key=value", up to the definitions.
QStringList SettingsLines(const QString& path) {
  QStringList out;
  QString section;
  for (const QString& line : QString::fromUtf8(ReadAll(path)).split('\n', Qt::SkipEmptyParts)) {
    if (line == "[Application Settings]") break;
    if (line.startsWith('['))
      section = line.mid(1, line.size() - 2);
    else
      out << section + "/" + line;
  }
  return out;
}

QStringList WithoutValues(const QStringList& lines) {
  QStringList out;
  for (const QString& l : lines) out << l.section('=', 0, 0);
  return out;
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

QByteArray Utf16(const QString& text) {
  QByteArray bytes("\xFF\xFE", 2);  // little-endian byte order mark
  for (const QChar c : text) {
    bytes.append(static_cast<char>(c.unicode() & 0xFF));
    bytes.append(static_cast<char>(c.unicode() >> 8));
  }
  return bytes;
}

// A file without a valid "File Type" is no slider settings file: like a missing file, it gives
// fresh definitions without a word, and its other keys still count.
TEST(AppSettingsLoad, FileWithoutValidFileTypeInitialisesDefinitionsSilently) {
  const struct {
    const char* what;
    QByteArray contents;
    bool jack;  // the file's MIDI API=JACK is readable
    int w;      // the W it gives
  } cases[] = {
      {"only some keys", "[MIDI Settings]\nMIDI API=JACK\n", true, 755},
      {"refused type",
       "[Application Settings]\nFile Type=wrong file type\n[Window Settings]\nW=900\n"
       "[MIDI Settings]\nMIDI API=JACK\nDump Request String=F0 F7\n"
       "[Slider Settings]\ns1_caption=Kept?\n",
       true, 900},
      {"empty", "", false, 755},
      {"random", QByteArray("\x01\xFE\x93[\x00\x7F=\xC3\x28\n\n=\r\x80[[]]", 18), false, 755},
      {"UTF-16", Utf16("[MIDI Settings]\r\nMIDI API=JACK\r\nMIDI Delay=5\r\n"), false, 755},
      {"CR only", "[Window Settings]\rW=900\r[MIDI Settings]\rMIDI Delay=7\r", false, 755},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString path = dir.write("Brellin.ini", c.contents);
    TPageSet defs;  // blank, as at start-up
    QString dump = "stale";
    const AppSettingsLoad r = LoadAppSettings(path, kScreen, defs, dump);
    EXPECT_EQ(r.messages, QStringList());
    EXPECT_EQ(defs, Initialised());
    EXPECT_TRUE(dump.isEmpty());
    if (c.jack) {
      EXPECT_EQ(r.settings.midi_api, "JACK");
    }
    if (c.w != 755) {
      EXPECT_EQ(r.settings.w, c.w);
    }
  }
}

TEST(AppSettingsLoad, FileWithOnlyTheMidiApiGivesJackAndInitialisedDefinitions) {
  TempDir dir;
  const QString path = dir.write("Brellin.ini", "[MIDI Settings]\nMIDI API=JACK\n");
  TPageSet defs;
  QString dump;
  const AppSettingsLoad r = LoadAppSettings(path, kScreen, defs, dump);
  EXPECT_TRUE(r.messages.isEmpty());
  EXPECT_EQ(r.settings.midi_api, "JACK");
  AppSettings expected;
  expected.midi_api = "JACK";
  EXPECT_EQ(r.settings, expected);
  EXPECT_EQ(defs, Initialised());
}

// Read ahead, before the program has a display: the same answer the whole load gives.
TEST(AppSettingsLoad, StoredMidiApiIsReadOnItsOwnAndDefaultsWhenUnread) {
  TempDir dir;
  EXPECT_EQ(StoredMidiApi(dir.write("a.ini", "[MIDI Settings]\nMIDI API=jack\n")), "JACK");
  EXPECT_EQ(StoredMidiApi(dir.write("b.ini", "[MIDI Settings]\nMIDI API=ALSA\n")), "ALSA");
  EXPECT_EQ(StoredMidiApi(dir.file("missing.ini")), "ALSA");
  EXPECT_EQ(StoredMidiApi(dir.path()), "ALSA");  // a folder, not a file
}

// Values the dialogs could never have produced are brought back into their ranges.
TEST(AppSettingsLoad, OutOfRangeMidiValuesAreHeldToTheirRanges) {
  const struct {
    const char *section, *key;
    const char* stored;
    int AppSettings::*int_member;
    std::uint8_t AppSettings::*byte_member;
    int expected;
  } cases[] = {
      {"MIDI Settings", "MIDI Delay", "99999", &AppSettings::midi_delay, nullptr, 1000},
      {"MIDI Settings", "MIDI Delay", "1001", &AppSettings::midi_delay, nullptr, 1000},
      {"MIDI Settings", "MIDI Delay", "1000", &AppSettings::midi_delay, nullptr, 1000},
      {"MIDI Settings", "MIDI Delay", "-5", &AppSettings::midi_delay, nullptr, 0},
      {"MIDI Settings", "MIDI Delay", "0", &AppSettings::midi_delay, nullptr, 0},
      {"Selection Settings", "Randomize Factor", "0", nullptr, &AppSettings::randomize_factor, 1},
      {"Selection Settings", "Randomize Factor", "-3", nullptr, &AppSettings::randomize_factor, 1},
      {"Selection Settings", "Randomize Factor", "101", nullptr, &AppSettings::randomize_factor,
       100},
      {"Selection Settings", "Randomize Factor", "300", nullptr, &AppSettings::randomize_factor,
       100},
      {"Selection Settings", "Randomize Factor", "1", nullptr, &AppSettings::randomize_factor, 1},
      {"MIDI Settings", "Channel", "255", nullptr, &AppSettings::global_channel, 1},
      {"MIDI Settings", "Channel", "0", nullptr, &AppSettings::global_channel, 1},
      {"MIDI Settings", "Channel", "17", nullptr, &AppSettings::global_channel, 1},
      {"MIDI Settings", "Channel", "257", nullptr, &AppSettings::global_channel, 1},
      {"MIDI Settings", "Channel", "-1", nullptr, &AppSettings::global_channel, 1},
      {"MIDI Settings", "Channel", "16", nullptr, &AppSettings::global_channel, 16},
      {"MIDI Settings", "Remote Channel", "255", nullptr, &AppSettings::remote_channel, 1},
      {"MIDI Settings", "Remote Channel", "0", nullptr, &AppSettings::remote_channel, 1},
      {"MIDI Settings", "Remote Channel", "12", nullptr, &AppSettings::remote_channel, 12},
      {"MIDI Settings", "Listen Channel", "255", nullptr, &AppSettings::listen_channel, 1},
      {"MIDI Settings", "Listen Channel", "17", nullptr, &AppSettings::listen_channel, 1},
      {"MIDI Settings", "Listen Channel", "-1", nullptr, &AppSettings::listen_channel, 1},
      {"MIDI Settings", "Listen Channel", "0", nullptr, &AppSettings::listen_channel, 0},
      {"MIDI Settings", "Listen Channel", "16", nullptr, &AppSettings::listen_channel, 16},
      {"Transport Settings", "Channel", "255", nullptr, &AppSettings::transport_channel, 1},
      {"Transport Settings", "Channel", "0", nullptr, &AppSettings::transport_channel, 1},
      {"Transport Settings", "Channel", "9", nullptr, &AppSettings::transport_channel, 9},
      {"OSC", "Port", "0", &AppSettings::osc_port, nullptr, 1},
      {"OSC", "Port", "70000", &AppSettings::osc_port, nullptr, 65535},
      {"OSC", "Feedback Port", "-1", &AppSettings::osc_feedback_port, nullptr, 0},
      {"Browser Surface", "Port", "0", &AppSettings::browser_port, nullptr, 1},
      {"Browser Surface", "Port", "65536", &AppSettings::browser_port, nullptr, 65535},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const QString path =
        dir.write("Brellin.ini", QString("[%1]\n%2=%3\n").arg(c.section, c.key, c.stored).toUtf8());
    TPageSet defs;
    QString dump;
    const AppSettings a = LoadAppSettings(path, kScreen, defs, dump).settings;
    const int got = c.int_member ? a.*c.int_member : int{a.*c.byte_member};
    EXPECT_EQ(got, c.expected) << c.section << "/" << c.key << "=" << c.stored;
  }
}

TEST(AppSettingsLoad, WindowSizesFitTheScreen) {
  const struct {
    const char* key;
    int AppSettings::*member;
    bool horizontal;
  } sizes[] = {{"W", &AppSettings::w, true},
               {"H", &AppSettings::h, false},
               {"Snapshot Window W", &AppSettings::snapshot_window_w, true},
               {"Snapshot Window H", &AppSettings::snapshot_window_h, false}};
  const struct {
    int stored, horizontal, vertical;
  } cases[] = {{99999, 1920, 1080}, {1920, 1920, 1080}, {1500, 1500, 1080}, {1000, 1000, 1000},
               {100, 100, 100},     {99, 100, 100},     {0, 100, 100},      {-400, 100, 100}};
  TempDir dir;
  for (const auto& s : sizes) {
    for (const auto& c : cases) {
      const QString path = dir.write(
          "Brellin.ini", QString("[Window Settings]\n%1=%2\n").arg(s.key).arg(c.stored).toUtf8());
      TPageSet defs;
      QString dump;
      const AppSettings a = LoadAppSettings(path, kScreen, defs, dump).settings;
      EXPECT_EQ(a.*s.member, s.horizontal ? c.horizontal : c.vertical) << s.key << "=" << c.stored;
    }
  }
  // The defaults, too, fit a small screen, with or without a file.
  for (const bool present : {false, true}) {
    const QString path = dir.file("small.ini");
    if (present) dir.write("small.ini", "[Window Settings]\nX=5\n");
    TPageSet defs;
    QString dump;
    const AppSettings a = LoadAppSettings(path, QSize(640, 480), defs, dump).settings;
    EXPECT_EQ(a.w, 640) << present;
    EXPECT_EQ(a.h, 480) << present;
    EXPECT_EQ(a.snapshot_window_w, 300) << present;
  }
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
    EXPECT_EQ(a.w, 1920) << "sizes are held to the screen";
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
  EXPECT_EQ(sections, (QStringList{"Window Settings", "Favorites", "Vector Controller Settings",
                                   "MIDI Settings", "Remote Settings", "Transport Settings",
                                   "Selection Settings", "OSC", "Browser Surface",
                                   "Application Settings", "Slider Settings"}));
  const QByteArray bytes = ReadAll(path);
  EXPECT_TRUE(bytes.startsWith("[Window Settings]\nX=100\nY=100\nW=755\nH=622\nAlways On Top=0\n"));
  EXPECT_TRUE(bytes.contains("Update Slider Numbers=0\n[Favorites]\nF1=\n"));
  EXPECT_FALSE(bytes.contains("PatchDir")) << "empty folders are not written";
  EXPECT_TRUE(
      bytes.contains("Listen Channel=1\nMIDI Delay=5\nDump Request String=\n[Remote Settings]\n"));
}

TEST(AppSettingsLoad, AbsentKeysTakeTheDefaults) {
  TempDir dir;
  const QString path = dir.write("Brellin.ini", "; only a comment\n[Custom]\nmine=yes\n");
  TPageSet defs;
  QString dump;
  EXPECT_EQ(LoadAppSettings(path, kScreen, defs, dump).settings, AppSettings());
}

TEST(AppSettingsLoad, EveryWindowPositionIsKeptOnScreen) {
  const struct {
    const char* key;
    int AppSettings::*member;
    bool horizontal;
  } positions[] = {
      {"X", &AppSettings::x, true},
      {"Y", &AppSettings::y, false},
      {"Vector Controller X", &AppSettings::vector_controller_x, true},
      {"Vector Controller Y", &AppSettings::vector_controller_y, false},
      {"Morph Slider X", &AppSettings::morph_slider_x, true},
      {"Morph Slider Y", &AppSettings::morph_slider_y, false},
      {"MIDI Keyboard X", &AppSettings::midi_keyboard_x, true},
      {"MIDI Keyboard Y", &AppSettings::midi_keyboard_y, false},
      {"Snapshot Window X", &AppSettings::snapshot_window_x, true},
      {"Snapshot Window Y", &AppSettings::snapshot_window_y, false},
  };
  TempDir dir;
  for (const auto& p : positions) {
    const int def = AppSettings().*p.member;
    // 1500 is inside the width of 1920 but beyond the height of 1080.
    const struct {
      int stored, horizontal, vertical;
    } cases[] = {{1074, 1074, 1074}, {1500, 1500, def}, {1915, def, def}, {-40, -40, -40}};
    for (const auto& c : cases) {
      const QString path = dir.write(
          "Brellin.ini", QString("[Window Settings]\n%1=%2\n").arg(p.key).arg(c.stored).toUtf8());
      TPageSet defs;
      QString dump;
      const AppSettings a = LoadAppSettings(path, kScreen, defs, dump).settings;
      EXPECT_EQ(a.*p.member, p.horizontal ? c.horizontal : c.vertical) << p.key << "=" << c.stored;
    }
  }
}

TEST(AppSettingsLoad, MidiApiIsJackOnlyWhenItSaysSo) {
  const struct {
    const char *stored, *expected;
  } cases[] = {{"JACK", "JACK"},  {"jack", "JACK"}, {"Jack", "JACK"}, {"ALSA", "ALSA"},
               {"jackd", "ALSA"}, {"", "ALSA"},     {"OSS", "ALSA"}};
  TempDir dir;
  for (const auto& c : cases) {
    const QString path =
        dir.write("Brellin.ini", QString("[MIDI Settings]\nMIDI API=%1\n").arg(c.stored).toUtf8());
    TPageSet defs;
    QString dump;
    EXPECT_EQ(LoadAppSettings(path, kScreen, defs, dump).settings.midi_api, c.expected) << c.stored;
  }
}

TEST(AppSettingsSave, EveryFieldRoundTrips) {
  TempDir dir;
  const QString path = dir.file("Brellin.ini");
  ASSERT_TRUE(SaveAppSettings(path, AllChanged(), Initialised(), "F0 F7").ok);
  TPageSet defs;
  QString dump;
  const AppSettingsLoad r = LoadAppSettings(path, kScreen, defs, dump);
  EXPECT_TRUE(r.messages.isEmpty());
  EXPECT_EQ(r.settings, AllChanged());
}

TEST(AppSettingsSave, FreshFileHoldsEveryValueOnceUnderItsKeyInWritingOrder) {
  TempDir dir;
  const QString path = dir.file("Brellin.ini");
  ASSERT_TRUE(SaveAppSettings(path, AllChanged(), Initialised(), "F0 F7").ok);
  EXPECT_EQ(SettingsLines(path), AllChangedLines());
}

TEST(AppSettingsSave, FreshFileFromDefaultsHoldsEveryKeyButTheFolders) {
  TempDir dir;
  const QString path = dir.file("Brellin.ini");
  ASSERT_TRUE(SaveAppSettings(path, AppSettings(), Initialised(), "F0 F7").ok);
  QStringList expected = WithoutValues(AllChangedLines());
  for (const char* folder : {"PatchDir", "SliderSettingsDir", "SnapshotDir"})
    ASSERT_TRUE(expected.removeOne(QString("Window Settings/") + folder));
  EXPECT_EQ(WithoutValues(SettingsLines(path)), expected);
}

TEST(AppSettingsSave, DevicesBelowMinusOneAreWrittenAsMinusOne) {
  const struct {
    const char* key;
    int AppSettings::*member;
  } devices[] = {{"MIDI In1", &AppSettings::input_device1},
                 {"MIDI In2", &AppSettings::input_device2},
                 {"MIDI Out1", &AppSettings::output_device}};
  TempDir dir;
  for (const auto& d : devices) {
    const QString path = dir.file(QString(d.key) + ".ini");
    AppSettings a;
    a.*d.member = -9;
    ASSERT_TRUE(SaveAppSettings(path, a, Initialised(), {}).ok);
    SettingsTextFile f(path);
    ASSERT_TRUE(f.Load().ok);
    EXPECT_EQ(f.ReadString("MIDI Settings", d.key, ""), "-1") << d.key;
  }
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

TEST(AppSettingsPath, PortableBesideTheExecutableElseTheConfigFolderNeverASystemFolder) {
  TempDir exe, config, xdg;
  QDir(exe.path()).mkpath("usr/bin");
  TempDir with_file;
  with_file.write("Brellin.ini", "");
  const QString in_config = config.path() + "/Quorvane/Brellin.ini";
  struct Case {
    QString exe_dir;
    bool portable;
    QString root;
    QString expected;
  };
  for (const Case& c : {
           Case{exe.path(), false, config.path(), in_config},
           Case{exe.path(), true, config.path(), exe.file("Brellin.ini")},
           Case{with_file.path(), false, config.path(), with_file.file("Brellin.ini")},
           Case{exe.path() + "/usr/bin", true, config.path(), exe.path() + "/usr/bin/Brellin.ini"},
           Case{"/usr/bin", true, config.path(), in_config},
           Case{"/usr/local/bin", true, config.path(), in_config},
           Case{"/opt/quorvane/bin", false, config.path(), in_config},
           Case{"/usr/bin", false, {}, xdg.path() + "/Quorvane/Brellin.ini"},
       }) {
    SCOPED_TRACE(c.exe_dir.toStdString());
    qputenv("XDG_CONFIG_HOME", xdg.path().toLocal8Bit());
    EXPECT_EQ(AppSettingsPath(c.exe_dir, c.portable, c.root), c.expected);
  }
  qunsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsLock, HeldByOneAndTakenOverFromADeadHolder) {
  TempDir dir;
  const QString path = dir.file("Brellin.ini");
  {
    SettingsLock first(path);
    EXPECT_FALSE(first.InUseElsewhere());
    EXPECT_TRUE(SettingsLock(path).InUseElsewhere());
  }
  EXPECT_FALSE(SettingsLock(path).InUseElsewhere());
  // A holder that ended without unlocking.
  QProcess gone;
  gone.start("true");
  ASSERT_TRUE(gone.waitForStarted());
  const qint64 pid = gone.processId();
  ASSERT_TRUE(gone.waitForFinished());
  dir.write("Brellin.ini.lock",
            QByteArray::number(pid) + "\ntrue\n" + QSysInfo::machineHostName().toUtf8() + "\n");
  EXPECT_FALSE(SettingsLock(path).InUseElsewhere());
}

TEST(AppSettingsPath, SaveCreatesTheConfigFolder) {
  TempDir config;
  const QString path = AppSettingsPath("/nonexistent-exe-dir", false, config.path());
  ASSERT_TRUE(SaveAppSettings(path, AppSettings(), Initialised(), {}).ok);
  EXPECT_TRUE(QFileInfo(config.path() + "/Quorvane/Brellin.ini").isFile());
}

}  // namespace
}  // namespace quorvane
