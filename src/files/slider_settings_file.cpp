#include "files/slider_settings_file.h"

#include <algorithm>

#include "files/dump_request.h"

namespace quorvane {

namespace {

const QString kAppSection = QStringLiteral("Application Settings");
const QString kSliderSection = QStringLiteral("Slider Settings");
const QString kFileType = QStringLiteral("File Type");
const QString kDumpRequest = QStringLiteral("Dump Request String");
// The default a missing "File Type" reads as; only this exact text is refused.
const QString kRefusedType = QStringLiteral("wrong file type");

QString SKey(int n, const char* suffix) {
  return QStringLiteral("s%1_%2").arg(n).arg(suffix);
}
QString BKey(int n, const char* suffix) {
  return QStringLiteral("b%1_%2").arg(n).arg(suffix);
}

// The low eight bits as ReadByte gives them (300 reads as 44), then held to the MIDI range.
std::uint8_t ReadMidiByte(const SettingsTextFile& file, const QString& key, std::uint8_t def) {
  return std::min<std::uint8_t>(file.ReadByte(kSliderSection, key, def), 127);
}

// 1..16, or 0 for the global channel, which is also what anything else reads as.
std::uint8_t ReadChannel(const SettingsTextFile& file, const QString& key, std::uint8_t def) {
  const std::uint8_t channel = file.ReadByte(kSliderSection, key, def);
  return channel <= 16 ? channel : 0;
}

}  // namespace

bool HasValidFileType(const SettingsTextFile& file) {
  return file.ReadString(kAppSection, kFileType, kRefusedType) != kRefusedType;
}

FileStatus ReadSliderSettings(const SettingsTextFile& file, TPageSet& defs,
                              QString& dump_request_string) {
  if (!HasValidFileType(file)) return FileStatus::Error(kWrongFileTypeMessage);

  // Whole, unlike other texts: a cut message would go out without its end.
  dump_request_string =
      file.ReadString(kMidiSettingsSection, kDumpRequest, QString(), kMaxDumpRequestTextLength);
  for (int n = 1; n <= kDefinitionCount; ++n) {
    const Tcontroller d = Tcontroller::Initial(n);
    Tcontroller& c = defs.byNumber(n);
    const QString& s = kSliderSection;
    c.ctrl = ReadMidiByte(file, SKey(n, "ctrl"), d.ctrl);
    c.value = ReadMidiByte(file, SKey(n, "value"), d.value);
    c.caption = file.ReadString(s, SKey(n, "caption"), d.caption);
    c.enabled = file.ReadBool(s, SKey(n, "enabled"), d.enabled);
    c.channel = ReadChannel(file, SKey(n, "channel"), d.channel);
    c.upper_range = ReadMidiByte(file, SKey(n, "upper_range"), d.upper_range);
    c.lower_range = ReadMidiByte(file, SKey(n, "lower_range"), d.lower_range);
    c.color = static_cast<std::uint32_t>(
        file.ReadInteger(s, SKey(n, "Color"), static_cast<std::int32_t>(d.color)));
    c.button_ctrl = ReadMidiByte(file, BKey(n, "ctrl"), d.button_ctrl);
    c.button_value = ReadMidiByte(file, BKey(n, "value"), d.button_value);
    c.button_channel = ReadChannel(file, BKey(n, "channel"), d.button_channel);
    c.use_slider = file.ReadBool(s, BKey(n, "use_slider"), d.use_slider);
    c.selected = false;
  }
  return FileStatus::Ok();
}

void WriteSliderSettings(SettingsTextFile& file, const TPageSet& defs,
                         const QString& dump_request_string) {
  file.WriteString(kAppSection, kFileType, QStringLiteral("Slider Settings"));
  file.WriteString(kAppSection, QStringLiteral("File Version"), QStringLiteral("1.0.0"));
  file.WriteString(kMidiSettingsSection, kDumpRequest, dump_request_string);
  for (int n = 1; n <= kDefinitionCount; ++n) {
    const Tcontroller& c = defs.byNumber(n);
    const QString& s = kSliderSection;
    file.WriteInteger(s, SKey(n, "ctrl"), c.ctrl);
    file.WriteInteger(s, SKey(n, "value"), c.value);
    file.WriteString(s, SKey(n, "caption"), c.caption);
    file.WriteInteger(s, SKey(n, "channel"), c.channel);
    file.WriteInteger(s, SKey(n, "upper_range"), c.upper_range);
    file.WriteInteger(s, SKey(n, "lower_range"), c.lower_range);
    file.WriteInteger(s, SKey(n, "color"), static_cast<std::int32_t>(c.color));
    file.WriteBool(s, SKey(n, "enabled"), c.enabled);
    file.WriteInteger(s, BKey(n, "ctrl"), c.button_ctrl);
    file.WriteInteger(s, BKey(n, "value"), c.button_value);
    file.WriteInteger(s, BKey(n, "channel"), c.button_channel);
    file.WriteBool(s, BKey(n, "use_slider"), c.use_slider);
  }
}

}  // namespace quorvane
