#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include "model/controller.h"

namespace quorvane {

inline constexpr int kControllerEntryCount = 128;  // controllers 0..127
inline constexpr int kChannelEntryCount = 17;      // "Global", "1".."16"

// Entry k of the controller lists: k in decimal, then " " and the name where one exists.
QString ControllerEntryText(int k);
QStringList ControllerEntries();
// Entry 0 "Global" stands for channel 0 (the global channel), entry c for channel c.
QStringList ChannelEntries();

// What the settings dialog shows and edits. List fields hold the list position, which equals
// the stored number; -1 means the list shows no choice.
struct SliderSettingsFields {
  int ctrl = 0;
  QString caption;
  bool enabled = false;
  int channel = 0;
  int button_ctrl = 0;
  int button_channel = 0;
  bool use_slider = false;

  // Numbers outside a list's range come out as -1, since the list cannot show them.
  static SliderSettingsFields From(const Tcontroller& d);
  // Writes ctrl, caption, enabled, channel, button_ctrl, button_channel, use_slider in that
  // order. A list without a choice leaves its stored number as it was.
  void WriteBack(Tcontroller& d) const;

  bool operator==(const SliderSettingsFields&) const = default;
};

// The button's controller and channel fields apply only when the slider's are not reused.
constexpr bool ButtonFieldsEnabled(bool use_slider) {
  return !use_slider;
}

// Where the dialog opens: 100 px right of and 70 px below the main window's corner.
constexpr QPoint SettingsDialogPosition(QPoint main_window_top_left) {
  return main_window_top_left + QPoint(100, 70);
}

// Entry N (1..120) of the vector controller's slider lists: "N) caption (ctrl)".
QString VectorListEntryText(int n, const Tcontroller& d);

}  // namespace quorvane
