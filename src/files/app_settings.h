#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

#include "files/settings_text_file.h"
#include "model/controller.h"

namespace quorvane {

inline const QString kAppSettingsFileName = QStringLiteral("Brellin.ini");
inline constexpr int kFavoriteCount = 10;

// Every value of the application settings file apart from the definitions and the dump
// request string. Default-constructed, it holds the defaults used for absent keys.
struct AppSettings {
  // "Window Settings"
  int x = 100, y = 100, w = 755, h = 622;
  bool always_on_top = false;
  bool minimize_to_tray = false;
  int vector_controller_x = 100, vector_controller_y = 100;
  bool show_snapshot_window = false;
  bool show_vector_controller = false;
  bool show_midi_keyboard = false;
  int morph_slider_x = 50, morph_slider_y = 50;
  int midi_keyboard_x = 50, midi_keyboard_y = 50;
  int snapshot_window_x = 50, snapshot_window_y = 50;
  int snapshot_window_w = 300, snapshot_window_h = 300;
  bool show_morph_slider = false;
  bool update_slider_numbers = false;
  QString patch_dir, slider_settings_dir, snapshot_dir;  // empty: left as they are at exit

  // "Favorites": F1..F10, empty = free slot
  std::array<QString, kFavoriteCount> favorite_files;

  // "Vector Controller Settings": 0-based definition index, -1 for none
  std::array<int, 4> vector_x{-1, -1, -1, -1};
  std::array<int, 4> vector_y{-1, -1, -1, -1};

  // "MIDI Settings"; a device below 0 is stored as -1 and means "not in use"
  int input_device1 = -1, input_device2 = -1, output_device = -1;
  // Port names let a device be found again when the system numbers them differently.
  QString input_device1_name, input_device2_name, output_device_name;
  QString midi_api = QStringLiteral("ALSA");  // "ALSA" or "JACK"
  int midi_delay = 5;
  std::uint8_t global_channel = 1;
  std::uint8_t remote_channel = 1;
  std::uint8_t listen_channel = 1;  // 0 = every channel

  // "Remote Settings"
  std::array<std::uint8_t, kSlotCount> slider_controllers{};
  std::array<std::uint8_t, kSlotCount> button_controllers{};
  std::array<std::uint8_t, kPageCount> page_controllers{};
  std::uint8_t compact_view_controller = 46;
  std::uint8_t minimize_controller = 47;
  std::uint8_t take_snapshot_controller = 48;
  std::array<std::uint8_t, 10> snapshot_controllers{};

  // "Transport Settings"
  std::uint8_t play_controller = 65;
  std::uint8_t stop_controller = 66;
  std::uint8_t record_controller = 67;
  std::uint8_t pause_controller = 68;
  std::uint8_t transport_channel = 1;

  // "Selection Settings"
  bool group_mode = false;
  std::uint8_t randomize_factor = 50;

  // "OSC"
  bool osc_enabled = false;
  int osc_port = 8000;
  QString osc_feedback_host;  // empty: no fixed feedback target
  int osc_feedback_port = 0;  // 0: none

  // "Browser Surface"
  bool browser_enabled = false;
  int browser_port = 8460;
  bool browser_network = false;  // false: this computer only
  QString browser_token;         // 32 lower-case hex digits; the web layer mends any other

  AppSettings();
  bool operator==(const AppSettings&) const = default;
};

struct AppSettingsLoad {
  AppSettings settings;
  QStringList messages;  // warnings to show once the window is up
};

// Reads the file at path. Window positions at or beyond the screen edge minus 5 take their
// defaults; window sizes are held between 100 and the screen's size; out-of-range MIDI delay and
// randomize factor are clamped, out-of-range channels read as 1. A missing file gives the
// defaults and freshly initialised definitions silently; so do the definitions of a file
// without a valid "File Type", whose other keys are read as usual.
AppSettingsLoad LoadAppSettings(const QString& path, QSize screen, TPageSet& defs,
                                QString& dump_request_string);

// The same on a file already in memory: every key of the file, then the definitions, or fresh
// ones when the file holds none.
AppSettings ReadAppSettings(const SettingsTextFile& file, QSize screen, TPageSet& defs,
                            QString& dump_request_string);
// Writes everything into the in-memory file, keeping its other lines; the caller saves it.
void WriteAppSettings(SettingsTextFile& file, const AppSettings& settings, const TPageSet& defs,
                      const QString& dump_request_string);

// The two halves of the calls above: every key but the definitions and the dump request
// string, which ReadSliderSettings and WriteSliderSettings handle. The keys of the two halves
// never meet, so each half can be checked on its own.
AppSettings ReadAppKeys(const SettingsTextFile& file, QSize screen);
void WriteAppKeys(SettingsTextFile& file, const AppSettings& settings);

// The MIDI system ("ALSA" or "JACK") the settings file at path names, its default when the file
// cannot be read: read on its own, before the program has a display.
QString StoredMidiApi(const QString& path);

// Writes everything into the file at path in one atomic save, keeping its other lines.
FileStatus SaveAppSettings(const QString& path, const AppSettings& settings, const TPageSet& defs,
                           const QString& dump_request_string, FileWriter writer = {});

// Where the settings file lives. A portable program (`portable`, or a Brellin.ini already beside
// the executable) keeps it beside the executable; otherwise it is
// <config_root>/Quorvane/Brellin.ini, config_root defaulting to the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config). Never in a system folder, even when writable there.
QString AppSettingsPath(const QString& exe_dir, bool portable, const QString& config_root = {});
// /usr (so /usr/local too), /opt, /bin, /sbin and what lies below them.
bool IsSystemFolder(const QString& dir);

}  // namespace quorvane
