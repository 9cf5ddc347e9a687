#include "files/slider_settings_file.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "files/dump_request.h"

namespace quorvane {

namespace {

using Name = SettingsTextFile::Name;

const Name kAppSection(QStringLiteral("Application Settings"));
const Name kSliderSection(QStringLiteral("Slider Settings"));
const Name kFileType(QStringLiteral("File Type"));
const Name kDumpRequest(QStringLiteral("Dump Request String"));
// The default a missing "File Type" reads as; only this exact text is refused.
const QString kRefusedType = QStringLiteral("wrong file type");

// The keys of one definition and the defaults its absent keys read as, built once: formatting
// them for every read and write took longer than the lookups themselves.
struct DefinitionKeys {
  Name ctrl, value, caption, enabled, channel, upper_range, lower_range, color;
  Name button_ctrl, button_value, button_channel, use_slider;
  Tcontroller initial;
};

const DefinitionKeys& KeysOf(int n) {
  static const auto keys = [] {
    std::vector<DefinitionKeys> all;
    all.reserve(kDefinitionCount);
    for (int i = 1; i <= kDefinitionCount; ++i) {
      auto s = [i](const char* suffix) { return QStringLiteral("s%1_%2").arg(i).arg(suffix); };
      auto b = [i](const char* suffix) { return QStringLiteral("b%1_%2").arg(i).arg(suffix); };
      all.push_back({s("ctrl"), s("value"), s("caption"), s("enabled"), s("channel"),
                     s("upper_range"), s("lower_range"),
                     s("color"),  // read in any case, as every key is
                     b("ctrl"), b("value"), b("channel"), b("use_slider"),
                     Tcontroller::Initial(i)});
    }
    return all;
  }();
  return keys[static_cast<std::size_t>(n - 1)];
}

// The low eight bits as ReadByte gives them (300 reads as 44), then held to the MIDI range.
std::uint8_t ReadMidiByte(const SettingsTextFile& file, const Name& key, std::uint8_t def) {
  return std::min<std::uint8_t>(file.ReadByte(kSliderSection, key, def), 127);
}

// 1..16, or 0 for the global channel, which is also what anything else reads as.
std::uint8_t ReadChannel(const SettingsTextFile& file, const Name& key, std::uint8_t def) {
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
    const DefinitionKeys& k = KeysOf(n);
    const Tcontroller& d = k.initial;
    Tcontroller& c = defs.byNumber(n);
    const Name& s = kSliderSection;
    c.ctrl = ReadMidiByte(file, k.ctrl, d.ctrl);
    c.value = ReadMidiByte(file, k.value, d.value);
    c.caption = file.ReadString(s, k.caption, d.caption);
    c.enabled = file.ReadBool(s, k.enabled, d.enabled);
    c.channel = ReadChannel(file, k.channel, d.channel);
    c.upper_range = ReadMidiByte(file, k.upper_range, d.upper_range);
    c.lower_range = ReadMidiByte(file, k.lower_range, d.lower_range);
    c.color = static_cast<std::uint32_t>(
        file.ReadInteger(s, k.color, static_cast<std::int32_t>(d.color)));
    c.button_ctrl = ReadMidiByte(file, k.button_ctrl, d.button_ctrl);
    c.button_value = ReadMidiByte(file, k.button_value, d.button_value);
    c.button_channel = ReadChannel(file, k.button_channel, d.button_channel);
    c.use_slider = file.ReadBool(s, k.use_slider, d.use_slider);
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
    const Name& s = kSliderSection;
    const DefinitionKeys& k = KeysOf(n);
    file.WriteInteger(s, k.ctrl, c.ctrl);
    file.WriteInteger(s, k.value, c.value);
    file.WriteString(s, k.caption, c.caption);
    file.WriteInteger(s, k.channel, c.channel);
    file.WriteInteger(s, k.upper_range, c.upper_range);
    file.WriteInteger(s, k.lower_range, c.lower_range);
    file.WriteInteger(s, k.color, static_cast<std::int32_t>(c.color));
    file.WriteBool(s, k.enabled, c.enabled);
    file.WriteInteger(s, k.button_ctrl, c.button_ctrl);
    file.WriteInteger(s, k.button_value, c.button_value);
    file.WriteInteger(s, k.button_channel, c.button_channel);
    file.WriteBool(s, k.use_slider, c.use_slider);
  }
}

}  // namespace quorvane
