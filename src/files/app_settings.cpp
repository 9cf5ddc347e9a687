#include "files/app_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "files/slider_settings_file.h"

namespace quorvane {

namespace {

const QString kWindow = QStringLiteral("Window Settings");
const QString kFavorites = QStringLiteral("Favorites");
const QString kVector = QStringLiteral("Vector Controller Settings");
const QString& kMidi = kMidiSettingsSection;
const QString kRemote = QStringLiteral("Remote Settings");
const QString kTransport = QStringLiteral("Transport Settings");
const QString kSelection = QStringLiteral("Selection Settings");

QString Numbered(const char* prefix, int n) {
  return QString::fromLatin1(prefix) + QString::number(n);
}

class Reader {
 public:
  Reader(const SettingsTextFile& file, QSize screen) : file_(file), screen_(screen) {}

  int Int(const QString& s, const QString& k, int def) const {
    return file_.ReadInteger(s, k, def);
  }
  bool Bool(const QString& s, const QString& k, bool def) const {
    return file_.ReadBool(s, k, def);
  }
  std::uint8_t Byte(const QString& s, const QString& k, std::uint8_t def) const {
    return file_.ReadByte(s, k, def);
  }
  QString Str(const QString& s, const QString& k) const { return file_.ReadString(s, k, {}); }
  // Too close to the right or bottom edge, or beyond it: the default.
  int ClampedX(const QString& k, int def) const {
    return Clamp(Int(kWindow, k, def), screen_.width(), def);
  }
  int ClampedY(const QString& k, int def) const {
    return Clamp(Int(kWindow, k, def), screen_.height(), def);
  }
  int Device(const QString& k) const { return std::max(Int(kMidi, k, -1), -1); }

 private:
  static int Clamp(int v, int extent, int def) { return v >= extent - 5 ? def : v; }
  const SettingsTextFile& file_;
  QSize screen_;
};

}  // namespace

AppSettings::AppSettings() {
  for (int n = 1; n <= kSlotCount; ++n) {
    slider_controllers[n - 1] = static_cast<std::uint8_t>(n);
    button_controllers[n - 1] = static_cast<std::uint8_t>(64 + n);
  }
  for (int n = 1; n <= kPageCount; ++n) page_controllers[n - 1] = static_cast<std::uint8_t>(40 + n);
  for (int n = 0; n < 10; ++n) snapshot_controllers[n] = static_cast<std::uint8_t>(49 + n);
}

AppSettingsLoad LoadAppSettings(const QString& path, QSize screen, TPageSet& defs,
                                QString& dump_request_string) {
  AppSettingsLoad result;
  AppSettings& a = result.settings;
  const AppSettings d;
  SettingsTextFile file(path);
  const FileStatus status = file.Load();
  if (!status || !file.existed()) {
    // First start (or an unusable file): the defaults, without the "Wrong file type." warning.
    if (!status) result.messages << status.message;
    defs.Initialize();
    dump_request_string.clear();
    return result;
  }
  const Reader r(file, screen);

  a.x = r.ClampedX(QStringLiteral("X"), d.x);
  a.y = r.ClampedY(QStringLiteral("Y"), d.y);
  a.w = r.Int(kWindow, QStringLiteral("W"), d.w);
  a.h = r.Int(kWindow, QStringLiteral("H"), d.h);
  a.always_on_top = r.Bool(kWindow, QStringLiteral("Always On Top"), d.always_on_top);
  a.minimize_to_tray = r.Bool(kWindow, QStringLiteral("Minimize To Tray"), d.minimize_to_tray);
  a.vector_controller_x = r.ClampedX(QStringLiteral("Vector Controller X"), d.vector_controller_x);
  a.vector_controller_y = r.ClampedY(QStringLiteral("Vector Controller Y"), d.vector_controller_y);
  a.show_snapshot_window = r.Bool(kWindow, QStringLiteral("Show Snapshot Window"), false);
  a.show_vector_controller = r.Bool(kWindow, QStringLiteral("Show Vector Controller"), false);
  a.show_midi_keyboard = r.Bool(kWindow, QStringLiteral("Show MIDI Keyboard"), false);
  a.morph_slider_x = r.ClampedX(QStringLiteral("Morph Slider X"), d.morph_slider_x);
  a.morph_slider_y = r.ClampedY(QStringLiteral("Morph Slider Y"), d.morph_slider_y);
  a.midi_keyboard_x = r.ClampedX(QStringLiteral("MIDI Keyboard X"), d.midi_keyboard_x);
  a.midi_keyboard_y = r.ClampedY(QStringLiteral("MIDI Keyboard Y"), d.midi_keyboard_y);
  a.snapshot_window_x = r.ClampedX(QStringLiteral("Snapshot Window X"), d.snapshot_window_x);
  a.snapshot_window_y = r.ClampedY(QStringLiteral("Snapshot Window Y"), d.snapshot_window_y);
  a.snapshot_window_w = r.Int(kWindow, QStringLiteral("Snapshot Window W"), d.snapshot_window_w);
  a.snapshot_window_h = r.Int(kWindow, QStringLiteral("Snapshot Window H"), d.snapshot_window_h);
  a.show_morph_slider = r.Bool(kWindow, QStringLiteral("Show Morph Slider"), false);
  a.update_slider_numbers = r.Bool(kWindow, QStringLiteral("Update Slider Numbers"), false);
  a.patch_dir = r.Str(kWindow, QStringLiteral("PatchDir"));
  a.slider_settings_dir = r.Str(kWindow, QStringLiteral("SliderSettingsDir"));
  a.snapshot_dir = r.Str(kWindow, QStringLiteral("SnapshotDir"));

  for (int n = 1; n <= kFavoriteCount; ++n)
    a.favorite_files[n - 1] = r.Str(kFavorites, Numbered("F", n));
  for (int i = 0; i < 4; ++i) a.vector_x[i] = r.Int(kVector, Numbered("X", i + 1), -1);
  for (int i = 0; i < 4; ++i) a.vector_y[i] = r.Int(kVector, Numbered("Y", i + 1), -1);

  a.input_device1 = r.Device(QStringLiteral("MIDI In1"));
  a.input_device2 = r.Device(QStringLiteral("MIDI In2"));
  a.output_device = r.Device(QStringLiteral("MIDI Out1"));
  a.input_device1_name = r.Str(kMidi, QStringLiteral("MIDI In1 Name"));
  a.input_device2_name = r.Str(kMidi, QStringLiteral("MIDI In2 Name"));
  a.output_device_name = r.Str(kMidi, QStringLiteral("MIDI Out1 Name"));
  const QString api = r.Str(kMidi, QStringLiteral("MIDI API"));
  a.midi_api = api.compare(QStringLiteral("JACK"), Qt::CaseInsensitive) == 0
                   ? QStringLiteral("JACK")
                   : QStringLiteral("ALSA");
  a.midi_delay = r.Int(kMidi, QStringLiteral("MIDI Delay"), d.midi_delay);
  a.global_channel = r.Byte(kMidi, QStringLiteral("Channel"), d.global_channel);
  a.remote_channel = r.Byte(kMidi, QStringLiteral("Remote Channel"), d.remote_channel);
  a.listen_channel = r.Byte(kMidi, QStringLiteral("Listen Channel"), d.listen_channel);

  for (int n = 1; n <= kSlotCount; ++n)
    a.slider_controllers[n - 1] =
        r.Byte(kRemote, Numbered("Slider Controller ", n), d.slider_controllers[n - 1]);
  for (int n = 1; n <= kSlotCount; ++n)
    a.button_controllers[n - 1] =
        r.Byte(kRemote, Numbered("Button Controller ", n), d.button_controllers[n - 1]);
  for (int n = 1; n <= kPageCount; ++n)
    a.page_controllers[n - 1] =
        r.Byte(kRemote, Numbered("Page Controller ", n), d.page_controllers[n - 1]);
  a.compact_view_controller =
      r.Byte(kRemote, QStringLiteral("Compact View Controller"), d.compact_view_controller);
  a.minimize_controller =
      r.Byte(kRemote, QStringLiteral("Minimize Controller"), d.minimize_controller);
  a.take_snapshot_controller =
      r.Byte(kRemote, QStringLiteral("Take Snapshot"), d.take_snapshot_controller);
  for (int n = 0; n < 10; ++n)
    a.snapshot_controllers[n] =
        r.Byte(kRemote, Numbered("Snapshot Controller ", n), d.snapshot_controllers[n]);
  a.play_controller = r.Byte(kTransport, QStringLiteral("Play Controller"), d.play_controller);
  a.stop_controller = r.Byte(kTransport, QStringLiteral("Stop Controller"), d.stop_controller);
  a.record_controller =
      r.Byte(kTransport, QStringLiteral("Record Controller"), d.record_controller);
  a.pause_controller = r.Byte(kTransport, QStringLiteral("Pause Controller"), d.pause_controller);
  a.transport_channel = r.Byte(kTransport, QStringLiteral("Channel"), d.transport_channel);

  const FileStatus sliders = ReadSliderSettings(file, defs, dump_request_string);
  if (!sliders) result.messages << sliders.message;

  a.group_mode = r.Bool(kSelection, QStringLiteral("Group Selection"), d.group_mode);
  a.randomize_factor = r.Byte(kSelection, QStringLiteral("Randomize Factor"), d.randomize_factor);
  return result;
}

FileStatus SaveAppSettings(const QString& path, const AppSettings& a, const TPageSet& defs,
                           const QString& dump_request_string, FileWriter writer) {
  SettingsTextFile f(path);
  // An existing file that cannot be read is left alone rather than replaced.
  if (FileStatus loaded = f.Load(); !loaded) return loaded;
  if (writer) f.SetWriter(std::move(writer));
  QDir().mkpath(QFileInfo(path).absolutePath());

  f.WriteInteger(kWindow, QStringLiteral("X"), a.x);
  f.WriteInteger(kWindow, QStringLiteral("Y"), a.y);
  f.WriteInteger(kWindow, QStringLiteral("W"), a.w);
  f.WriteInteger(kWindow, QStringLiteral("H"), a.h);
  f.WriteBool(kWindow, QStringLiteral("Always On Top"), a.always_on_top);
  f.WriteBool(kWindow, QStringLiteral("Minimize To Tray"), a.minimize_to_tray);
  f.WriteInteger(kWindow, QStringLiteral("Vector Controller X"), a.vector_controller_x);
  f.WriteInteger(kWindow, QStringLiteral("Vector Controller Y"), a.vector_controller_y);
  f.WriteInteger(kWindow, QStringLiteral("Morph Slider X"), a.morph_slider_x);
  f.WriteInteger(kWindow, QStringLiteral("Morph Slider Y"), a.morph_slider_y);
  f.WriteInteger(kWindow, QStringLiteral("MIDI Keyboard X"), a.midi_keyboard_x);
  f.WriteInteger(kWindow, QStringLiteral("MIDI Keyboard Y"), a.midi_keyboard_y);
  f.WriteInteger(kWindow, QStringLiteral("Snapshot Window X"), a.snapshot_window_x);
  f.WriteInteger(kWindow, QStringLiteral("Snapshot Window Y"), a.snapshot_window_y);
  f.WriteInteger(kWindow, QStringLiteral("Snapshot Window W"), a.snapshot_window_w);
  f.WriteInteger(kWindow, QStringLiteral("Snapshot Window H"), a.snapshot_window_h);
  f.WriteBool(kWindow, QStringLiteral("Show Snapshot Window"), a.show_snapshot_window);
  f.WriteBool(kWindow, QStringLiteral("Show Vector Controller"), a.show_vector_controller);
  f.WriteBool(kWindow, QStringLiteral("Show Morph Slider"), a.show_morph_slider);
  f.WriteBool(kWindow, QStringLiteral("Show MIDI Keyboard"), a.show_midi_keyboard);
  f.WriteBool(kWindow, QStringLiteral("Update Slider Numbers"), a.update_slider_numbers);

  for (int n = 1; n <= kFavoriteCount; ++n)
    f.WriteString(kFavorites, Numbered("F", n), a.favorite_files[n - 1]);
  for (int i = 0; i < 4; ++i) f.WriteInteger(kVector, Numbered("X", i + 1), a.vector_x[i]);
  for (int i = 0; i < 4; ++i) f.WriteInteger(kVector, Numbered("Y", i + 1), a.vector_y[i]);

  // An empty folder leaves the line already in the file.
  if (!a.patch_dir.isEmpty()) f.WriteString(kWindow, QStringLiteral("PatchDir"), a.patch_dir);
  if (!a.slider_settings_dir.isEmpty())
    f.WriteString(kWindow, QStringLiteral("SliderSettingsDir"), a.slider_settings_dir);
  if (!a.snapshot_dir.isEmpty())
    f.WriteString(kWindow, QStringLiteral("SnapshotDir"), a.snapshot_dir);

  f.WriteInteger(kMidi, QStringLiteral("MIDI In1"), std::max(a.input_device1, -1));
  f.WriteInteger(kMidi, QStringLiteral("MIDI In2"), std::max(a.input_device2, -1));
  f.WriteInteger(kMidi, QStringLiteral("MIDI Out1"), std::max(a.output_device, -1));
  f.WriteString(kMidi, QStringLiteral("MIDI In1 Name"), a.input_device1_name);
  f.WriteString(kMidi, QStringLiteral("MIDI In2 Name"), a.input_device2_name);
  f.WriteString(kMidi, QStringLiteral("MIDI Out1 Name"), a.output_device_name);
  f.WriteString(kMidi, QStringLiteral("MIDI API"), a.midi_api);
  f.WriteInteger(kMidi, QStringLiteral("Channel"), a.global_channel);
  f.WriteInteger(kMidi, QStringLiteral("Remote Channel"), a.remote_channel);
  f.WriteInteger(kMidi, QStringLiteral("Listen Channel"), a.listen_channel);
  f.WriteInteger(kMidi, QStringLiteral("MIDI Delay"), a.midi_delay);

  for (int n = 1; n <= kSlotCount; ++n)
    f.WriteInteger(kRemote, Numbered("Slider Controller ", n), a.slider_controllers[n - 1]);
  for (int n = 1; n <= kSlotCount; ++n)
    f.WriteInteger(kRemote, Numbered("Button Controller ", n), a.button_controllers[n - 1]);
  for (int n = 1; n <= kPageCount; ++n)
    f.WriteInteger(kRemote, Numbered("Page Controller ", n), a.page_controllers[n - 1]);
  f.WriteInteger(kRemote, QStringLiteral("Compact View Controller"), a.compact_view_controller);
  f.WriteInteger(kRemote, QStringLiteral("Minimize Controller"), a.minimize_controller);
  f.WriteInteger(kRemote, QStringLiteral("Take Snapshot"), a.take_snapshot_controller);
  for (int n = 0; n < 10; ++n)
    f.WriteInteger(kRemote, Numbered("Snapshot Controller ", n), a.snapshot_controllers[n]);

  f.WriteInteger(kTransport, QStringLiteral("Play Controller"), a.play_controller);
  f.WriteInteger(kTransport, QStringLiteral("Stop Controller"), a.stop_controller);
  f.WriteInteger(kTransport, QStringLiteral("Record Controller"), a.record_controller);
  f.WriteInteger(kTransport, QStringLiteral("Pause Controller"), a.pause_controller);
  f.WriteInteger(kTransport, QStringLiteral("Channel"), a.transport_channel);

  f.WriteBool(kSelection, QStringLiteral("Group Selection"), a.group_mode);
  f.WriteInteger(kSelection, QStringLiteral("Randomize Factor"), a.randomize_factor);

  WriteSliderSettings(f, defs, dump_request_string);
  return f.Save();
}

QString AppSettingsPath(const QString& exe_dir, const DirWritableCheck& is_writable,
                        const QString& config_root) {
  const QString beside = QDir(exe_dir).filePath(kAppSettingsFileName);
  const bool writable = is_writable ? is_writable(exe_dir) : QFileInfo(exe_dir).isWritable();
  if (QFileInfo::exists(beside) || writable) return beside;
  const QString root = config_root.isEmpty()
                           ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                           : config_root;
  return QDir(root).filePath(QStringLiteral("Quorvane/") + kAppSettingsFileName);
}

}  // namespace quorvane
