#include "surface/slider_settings.h"

#include <array>
#include <cstdint>
#include <utility>

namespace quorvane {

namespace {

// The standard MIDI controller names the lists show; numbers not listed have none.
constexpr std::array<std::pair<int, const char*>, 72> kControllerNames{{
    {0, "Bank Select"},
    {1, "Modulation Wheel"},
    {2, "Breath Controller"},
    {4, "Foot Controller"},
    {5, "Portamento Time"},
    {6, "Data Entry MSB"},
    {7, "Channel Volume"},
    {8, "Balance"},
    {10, "Pan"},
    {11, "Expression"},
    {12, "Effect 1"},
    {13, "Effect 2"},
    {16, "General Purpose 1"},
    {17, "General Purpose 2"},
    {18, "General Purpose 3"},
    {19, "General Purpose 4"},
    {32, "Bank Select (LSB)"},
    {33, "Mod Wheel (LSB)"},
    {34, "Breath Controller (LSB)"},
    {36, "Foot Controller (LSB)"},
    {37, "Portamento Time (LSB)"},
    {38, "Data Entry (LSB)"},
    {39, "Channel Volume (LSB)"},
    {40, "Balance (LSB)"},
    {42, "Pan (LSB)"},
    {43, "Expression (LSB)"},
    {44, "Effect 1 (LSB)"},
    {45, "Effect 2 (LSB)"},
    {48, "General Purpose 1 (LSB)"},
    {49, "General Purpose 2 (LSB)"},
    {50, "General Purpose 3 (LSB)"},
    {51, "General Purpose 4 (LSB)"},
    {64, "Sustain Pedal"},
    {65, "Portamento On/Off"},
    {66, "Sustenuto"},
    {67, "Soft Pedal"},
    {68, "Legato Footswitch"},
    {69, "Hold 2"},
    {70, "Sound Controller 1 (Sound Variation)"},
    {71, "Sound Controller 2 (Harmonic Intensity)"},
    {72, "Sound Controller 3 (Release Time)"},
    {73, "Sound Controller 4 (Attack Time)"},
    {74, "Sound Controller 5 (Brightness)"},
    {75, "Sound Controller 6"},
    {76, "Sound Controller 7"},
    {77, "Sound Controller 8"},
    {78, "Sound Controller 9"},
    {79, "Sound Controller 10"},
    {80, "General Purpose 5"},
    {81, "General Purpose 6"},
    {82, "General Purpose 7"},
    {83, "General Purpose 8"},
    {84, "Portamento Control"},
    {91, "Effects 1 Depth"},
    {92, "Effects 2 Depth"},
    {93, "Effects 3 Depth"},
    {94, "Effects 4 Depth"},
    {95, "Effects 5 Depth"},
    {96, "Data Increment"},
    {97, "Data Decrement"},
    {98, "NRPN LSB"},
    {99, "NRPN MSB"},
    {100, "RPN LSB"},
    {101, "RPN MSB"},
    {120, "All Sound Off"},
    {121, "Reset All Controllers"},
    {122, "Local Control On/Off"},
    {123, "All Notes Off"},
    {124, "Omni Mode On"},
    {125, "Omni Mode Off"},
    {126, "Mono Mode On"},
    {127, "Poly Mode On"},
}};

int ListPosition(int stored, int count) {
  return stored >= 0 && stored < count ? stored : -1;
}

void WriteListPosition(std::uint8_t& stored, int position, int count) {
  if (position >= 0 && position < count) stored = static_cast<std::uint8_t>(position);
}

}  // namespace

QString ControllerEntryText(int k) {
  QString text = QString::number(k);
  for (const auto& [number, name] : kControllerNames) {
    if (number == k) {
      text += QLatin1Char(' ') + QLatin1String(name);
      break;
    }
  }
  return text;
}

QStringList ControllerEntries() {
  QStringList entries;
  entries.reserve(kControllerEntryCount);
  for (int k = 0; k < kControllerEntryCount; ++k) entries << ControllerEntryText(k);
  return entries;
}

QStringList ChannelEntries() {
  QStringList entries{QStringLiteral("Global")};
  for (int c = 1; c < kChannelEntryCount; ++c) entries << QString::number(c);
  return entries;
}

SliderSettingsFields SliderSettingsFields::From(const Tcontroller& d) {
  SliderSettingsFields f;
  f.ctrl = ListPosition(d.ctrl, kControllerEntryCount);
  f.caption = d.caption;
  f.enabled = d.enabled;
  f.channel = ListPosition(d.channel, kChannelEntryCount);
  f.button_ctrl = ListPosition(d.button_ctrl, kControllerEntryCount);
  f.button_channel = ListPosition(d.button_channel, kChannelEntryCount);
  f.use_slider = d.use_slider;
  return f;
}

void SliderSettingsFields::WriteBack(Tcontroller& d) const {
  WriteListPosition(d.ctrl, ctrl, kControllerEntryCount);
  d.caption = caption;
  d.enabled = enabled;
  WriteListPosition(d.channel, channel, kChannelEntryCount);
  WriteListPosition(d.button_ctrl, button_ctrl, kControllerEntryCount);
  WriteListPosition(d.button_channel, button_channel, kChannelEntryCount);
  d.use_slider = use_slider;
}

QString VectorListEntryText(int n, const Tcontroller& d) {
  return QString::number(n) + QStringLiteral(") ") + d.caption + QStringLiteral(" (") +
         QString::number(d.ctrl) + QLatin1Char(')');
}

}  // namespace quorvane
