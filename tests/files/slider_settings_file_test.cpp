#include "files/slider_settings_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringEncoder>

#include "files/dump_request.h"
#include "settings_test_util.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;

using testing::FromBytes;

TPageSet Initialised() {
  TPageSet s;
  s.Initialize();
  return s;
}

// A set where every field of every definition differs from its default.
TPageSet Unusual() {
  TPageSet s;
  for (int i = 0; i < kDefinitionCount; ++i) {
    Tcontroller& c = s[i];
    c.ctrl = static_cast<std::uint8_t>(127 - i);
    c.value = static_cast<std::uint8_t>(i);
    c.upper_range = static_cast<std::uint8_t>(i % 128);
    c.lower_range = static_cast<std::uint8_t>((i * 7) % 128);
    c.channel = static_cast<std::uint8_t>(i % 17);
    c.caption = QStringLiteral("Cap %1 ü").arg(i);
    c.color = 0xFF000000u + static_cast<std::uint32_t>(i);
    c.enabled = i % 2 == 0;
    c.button_ctrl = static_cast<std::uint8_t>(i / 2);
    c.button_channel = static_cast<std::uint8_t>(16 - i % 17);
    c.button_value = i % 3 ? 0 : 127;
    c.use_slider = i % 3 == 0;
  }
  return s;
}

// Other texts are cut at 2,047 characters; a cut dump request would go out without its end.
TEST(SliderSettingsRead, TheLongestDumpRequestSurvivesASaveWhole) {
  TempDir dir;
  const QString text = "F0 " + QStringLiteral("7f 01 ").repeated(65533 / 2) + "02 F7";
  SettingsTextFile out(dir.file("long.qrt"));
  WriteSliderSettings(out, Unusual(), text);
  ASSERT_TRUE(out.Save().ok);
  SettingsTextFile in(out.path());
  TPageSet defs;
  QString dump;
  ASSERT_TRUE(in.Load().ok && ReadSliderSettings(in, defs, dump).ok);
  EXPECT_EQ(dump, text);
  EXPECT_EQ(ParseSysexString(dump)->size(), 65535u);
}

TEST(SliderSettingsRead, HandWrittenValuesFollowTheFormatRules) {
  const auto f = FromBytes(
      "[application settings]\nFile Type=Slider Settings\n"
      "[MIDI Settings]\nDump Request String=F0 41 F7\n"
      "[Slider Settings]\nS1_CTRL=300\ns1_value=-1\ns2_value=0x40\ns3_value=$10\n"
      "s1_enabled=2\ns2_enabled=abc\ns3_enabled=0\n"
      "s1_caption=   Padded Lead   \ns2_caption=\"  Quoted  \"\ns3_caption=\n"
      "s1_color=255\nS2_COLOR=-1\nb1_use_slider=0\nb1_value=100\n");
  TPageSet defs;
  defs[0].selected = true;
  defs[119].selected = true;
  QString dump;
  ASSERT_TRUE(ReadSliderSettings(f, defs, dump).ok);
  EXPECT_EQ(dump, "F0 41 F7");
  EXPECT_EQ(defs[0].ctrl, 44);
  EXPECT_EQ(defs[0].value, 127);
  EXPECT_EQ(defs[1].value, 64);
  EXPECT_EQ(defs[2].value, 16);
  EXPECT_TRUE(defs[0].enabled);
  EXPECT_TRUE(defs[1].enabled) << "unreadable boolean takes the default";
  EXPECT_FALSE(defs[2].enabled);
  EXPECT_EQ(defs[0].caption, "Padded Lead");
  EXPECT_EQ(defs[1].caption, "  Quoted  ");
  EXPECT_EQ(defs[2].caption, "") << "present but empty is not the default";
  EXPECT_EQ(defs[0].color, 255u);
  EXPECT_EQ(defs[1].color, 0xFFFFFFFFu);
  EXPECT_FALSE(defs[0].use_slider);
  EXPECT_EQ(defs[0].button_value, 100);
  EXPECT_FALSE(defs[0].selected);
  EXPECT_FALSE(defs[119].selected);
  // Everything not in the file takes the Initialize values.
  EXPECT_EQ(defs[119], Tcontroller::Initial(120));
  EXPECT_EQ(defs[3], Tcontroller::Initial(4));
}

// Whatever a file holds, a definition never carries a controller number or value above 127, nor
// a channel other than 0 (global) to 16.
TEST(SliderSettingsRead, OutOfRangeNumbersReadAsLegalMidi) {
  const struct {
    const char* text;
    int midi;     // ctrl, value, ranges, button ctrl and value
    int channel;  // slider and button channel
  } cases[] = {
      {"0", 0, 0},       {"16", 16, 16},  {"17", 17, 0},    {"127", 127, 0},  {"128", 127, 0},
      {"200", 127, 0},   {"255", 127, 0}, {"-1", 127, 0},   {"300", 44, 0},   {"257", 1, 1},
      {"0x1FF", 127, 0}, {"-256", 0, 0},  {"-240", 16, 16}, {"junk", -1, -1},
  };
  const char* const midi_keys[] = {"s1_ctrl",        "s1_value", "s1_upper_range",
                                   "s1_lower_range", "b1_ctrl",  "b1_value"};
  for (const auto& c : cases) {
    QByteArray bytes = "[Application Settings]\nFile Type=Slider Settings\n[Slider Settings]\n";
    for (const char* key : midi_keys) bytes += QByteArray(key) + "=" + c.text + "\n";
    bytes += QByteArray("s1_channel=") + c.text + "\nb1_channel=" + c.text + "\n";
    TPageSet defs;
    QString dump;
    ASSERT_TRUE(ReadSliderSettings(FromBytes(bytes), defs, dump).ok) << c.text;
    const Tcontroller d = Tcontroller::Initial(1);
    const Tcontroller& got = defs[0];
    auto midi = [&](int def) { return c.midi < 0 ? def : c.midi; };
    auto channel = [&](int def) { return c.channel < 0 ? def : c.channel; };
    EXPECT_EQ(got.ctrl, midi(d.ctrl)) << c.text;
    EXPECT_EQ(got.value, midi(d.value)) << c.text;
    EXPECT_EQ(got.upper_range, midi(d.upper_range)) << c.text;
    EXPECT_EQ(got.lower_range, midi(d.lower_range)) << c.text;
    EXPECT_EQ(got.button_ctrl, midi(d.button_ctrl)) << c.text;
    EXPECT_EQ(got.button_value, midi(d.button_value)) << c.text;
    EXPECT_EQ(got.channel, channel(d.channel)) << c.text;
    EXPECT_EQ(got.button_channel, channel(d.button_channel)) << c.text;
  }
}

TEST(SliderSettingsRead, FileTypeCheckRefusesOnlyTheExactDefaultText) {
  const struct {
    const char* bytes;
    bool accepted;
  } cases[] = {
      {"[Application Settings]\nFile Type=wrong file type\n", false},
      {"[Application Settings]\nFile Type=Wrong File Type\n", true},
      {"[Application Settings]\nFile Type=\n", true},
      {"[Application Settings]\nFile Type=anything\n", true},
      {"[Application Settings]\nFile Version=1.0.0\n", false},
      {"", false},
  };
  for (const auto& c : cases) {
    TPageSet defs = Initialised();
    defs[5].value = 3;
    defs[5].selected = true;
    QString dump = "keep";
    const FileStatus st = ReadSliderSettings(FromBytes(c.bytes), defs, dump);
    EXPECT_EQ(st.ok, c.accepted) << c.bytes;
    EXPECT_EQ(HasValidFileType(FromBytes(c.bytes)), c.accepted) << c.bytes;
    if (c.accepted) {
      EXPECT_EQ(defs, Initialised()) << "only Application Settings: every default";
      EXPECT_EQ(dump, "");
    } else {
      EXPECT_EQ(st.message, "Wrong file type.");
      EXPECT_EQ(defs[5].value, 3);
      EXPECT_TRUE(defs[5].selected) << "a refused file changes nothing";
      EXPECT_EQ(dump, "keep");
    }
  }
}

// Files another program or a mishap left in place load without harm and hold no settings.
TEST(SliderSettingsRead, UnusableFilesHaveNoFileType) {
  SettingsTextFile good;
  WriteSliderSettings(good, Initialised(), "F0 F7");
  const QString text = QString::fromUtf8(good.ToBytes());
  ASSERT_TRUE(HasValidFileType(FromBytes(good.ToBytes())));
  QStringEncoder le(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
  QStringEncoder be(QStringConverter::Utf16BE);
  QByteArray noise;
  quint32 x = 99;
  for (int i = 0; i < 65536; ++i) {
    x = x * 1664525u + 1013904223u;
    noise.append(static_cast<char>(x >> 24));
  }
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"empty", {}},
      {"random bytes", noise},
      {"UTF-16LE with a byte-order mark", le.encode(text)},
      {"UTF-16BE", be.encode(text)},
      {"carriage returns only", QByteArray(100000, '\r')},
      {"line feeds only", QByteArray(1000, '\n')},
      {"a lone byte-order mark", "\xEF\xBB\xBF"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SettingsTextFile f(dir.write("unusable.qrt", c.bytes));
    ASSERT_TRUE(f.Load().ok) << c.name;
    EXPECT_EQ(f.ToBytes(), c.bytes) << c.name << ": an unchanged file keeps its bytes";
    EXPECT_FALSE(HasValidFileType(f)) << c.name;
    TPageSet defs = Initialised();
    QString dump = "keep";
    EXPECT_EQ(ReadSliderSettings(f, defs, dump).message, kWrongFileTypeMessage) << c.name;
    EXPECT_EQ(defs, Initialised()) << c.name;
  }
}

// Mac-style files end their lines with a lone CR.
TEST(SliderSettingsRead, CarriageReturnLineEndingsAreLines) {
  SettingsTextFile good;
  TPageSet defs = Unusual();
  WriteSliderSettings(good, defs, "F0 F7");
  QByteArray cr = good.ToBytes();
  cr.replace('\n', '\r');
  TPageSet back;
  QString dump;
  ASSERT_TRUE(ReadSliderSettings(FromBytes(cr), back, dump).ok);
  EXPECT_EQ(back, defs);
  EXPECT_EQ(dump, "F0 F7");
}

// A caption with accents from a Windows-1252 file reads right and is written back in kind.
TEST(SliderSettingsWrite, Windows1252FileKeepsItsEncodingAndCaptions) {
  TempDir dir;
  const QByteArray before =
      "[Application Settings]\r\nFile Type=Slider Settings\r\n[Slider Settings]\r\n"
      "s1_caption=R\xE9sonance\r\ns2_caption=Pedal \x96 Sustain\r\nS3_CAPTION=keep\r\n"
      "; \xAB comment \xBB\r\n";
  const QString path = dir.write("cp1252.qrt", before);
  SettingsTextFile f(path);
  ASSERT_TRUE(f.Load().ok);
  EXPECT_EQ(f.encoding(), TextEncoding::kWindows1252);
  TPageSet defs;
  QString dump;
  ASSERT_TRUE(ReadSliderSettings(f, defs, dump).ok);
  EXPECT_EQ(defs[0].caption, QString::fromUtf8("Résonance"));
  EXPECT_EQ(defs[1].caption, QString::fromUtf8("Pedal – Sustain"));
  defs[2].caption = QString::fromUtf8("Tête ✓");
  WriteSliderSettings(f, defs, dump);
  ASSERT_TRUE(f.Save().ok);

  QFile in(path);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  const QByteArray after = in.readAll();
  for (const char* bytes : {"s1_caption=R\xE9sonance\r\n", "s2_caption=Pedal \x96 Sustain\r\n",
                            "S3_CAPTION=T\xEAte ?\r\n", "; \xAB comment \xBB\r\n"})
    EXPECT_TRUE(after.contains(bytes)) << bytes;
  SettingsTextFile reread(path);
  ASSERT_TRUE(reread.Load().ok);
  EXPECT_EQ(reread.encoding(), TextEncoding::kWindows1252);
  TPageSet back;
  ASSERT_TRUE(ReadSliderSettings(reread, back, dump).ok);
  EXPECT_EQ(back[0].caption, QString::fromUtf8("Résonance"));
  EXPECT_EQ(back[2].caption, QString::fromUtf8("Tête ?"));
}

TEST(SliderSettingsWrite, FreshFileHasTheExactLayout) {
  SettingsTextFile f;
  WriteSliderSettings(f, Initialised(), "");
  const QByteArray bytes = f.ToBytes();
  const QByteArray head =
      "[Application Settings]\nFile Type=Slider Settings\nFile Version=1.0.0\n"
      "[MIDI Settings]\nDump Request String=\n[Slider Settings]\n"
      "s1_ctrl=1\ns1_value=127\ns1_caption=Slider 1\ns1_channel=0\ns1_upper_range=64\n"
      "s1_lower_range=64\ns1_color=15663103\ns1_enabled=1\nb1_ctrl=1\nb1_value=127\n"
      "b1_channel=0\nb1_use_slider=1\ns2_ctrl=2\n";
  EXPECT_TRUE(bytes.startsWith(head)) << bytes.left(head.size()).toStdString();
  EXPECT_TRUE(bytes.endsWith("b120_use_slider=1\n"));
  EXPECT_EQ(bytes.count('\n'), 6 + 120 * 12);
}

TEST(SliderSettingsWrite, RoundTripKeepsEveryStoredField) {
  const TPageSet original = Unusual();
  SettingsTextFile f;
  WriteSliderSettings(f, original, "F0 7F F7");
  EXPECT_TRUE(f.ToBytes().contains("\ns1_color=-16777216\n")) << "colour as signed decimal";
  TPageSet back;
  QString dump;
  ASSERT_TRUE(ReadSliderSettings(FromBytes(f.ToBytes()), back, dump).ok);
  EXPECT_EQ(back, original);
  EXPECT_EQ(dump, "F0 7F F7");
}

TEST(SliderSettingsWrite, SavingOntoAFileKeepsItsOtherSectionsAndLines) {
  TempDir dir;
  const QByteArray before =
      "; my synth\r\n[Application Settings]\r\nFile Type=old\r\nAuthor=me\r\n\r\n"
      "[Window Settings]\r\nX=12\r\n[Slider Settings]\r\nS7_CAPTION=Old\r\nextra=keep\r\n";
  const QString path = dir.write("synth.qrt", before);
  SettingsTextFile f(path);
  ASSERT_TRUE(f.Load().ok);
  TPageSet defs = Initialised();
  defs[6].caption = "New";
  WriteSliderSettings(f, defs, "");
  ASSERT_TRUE(f.Save().ok);

  QFile in(path);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  const QByteArray after = in.readAll();
  for (const char* line :
       {"; my synth\r\n", "Author=me\r\n", "\r\n\r\n[Window Settings]\r\nX=12\r\n",
        "S7_CAPTION=New\r\nextra=keep\r\n", "File Type=Slider Settings\r\n"})
    EXPECT_TRUE(after.contains(line)) << line;
  EXPECT_FALSE(after.contains("\n\n")) << "new lines use the file's CRLF endings";
  EXPECT_EQ(after.count("s7_caption"), 0) << "the existing key is rewritten, not added";
  TPageSet back;
  QString dump;
  SettingsTextFile reread(path);
  ASSERT_TRUE(reread.Load().ok);
  ASSERT_TRUE(ReadSliderSettings(reread, back, dump).ok);
  EXPECT_EQ(back, defs);
}

}  // namespace
}  // namespace quorvane
