#include "files/slider_settings_file.h"

#include <gtest/gtest.h>

#include <QFile>

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

TEST(SliderSettingsRead, HandWrittenValuesFollowTheFormatRules) {
  const auto f = FromBytes(
      "[application settings]\nFile Type=Slider Settings\n"
      "[MIDI Settings]\nDump Request String=F0 41 F7\n"
      "[Slider Settings]\nS1_CTRL=300\ns1_value=-1\ns2_value=0x40\ns3_value=$10\n"
      "s1_enabled=2\ns2_enabled=abc\ns3_enabled=0\n"
      "s1_caption=   Padded Lead   \ns2_caption=\"  Quoted  \"\ns3_caption=\n"
      "s1_color=255\nS2_COLOR=-1\nb1_use_slider=0\nb1_value=128\n");
  TPageSet defs;
  defs[0].selected = true;
  defs[119].selected = true;
  QString dump;
  ASSERT_TRUE(ReadSliderSettings(f, defs, dump).ok);
  EXPECT_EQ(dump, "F0 41 F7");
  EXPECT_EQ(defs[0].ctrl, 44);
  EXPECT_EQ(defs[0].value, 255);
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
  EXPECT_EQ(defs[0].button_value, 128);
  EXPECT_FALSE(defs[0].selected);
  EXPECT_FALSE(defs[119].selected);
  // Everything not in the file takes the Initialize values.
  EXPECT_EQ(defs[119], Tcontroller::Initial(120));
  EXPECT_EQ(defs[3], Tcontroller::Initial(4));
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
