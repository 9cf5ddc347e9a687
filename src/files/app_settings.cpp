#include "files/app_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cstddef>
#include <limits>
#include <type_traits>
#include <variant>
#include <vector>

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
const QString kOsc = QStringLiteral("OSC");
const QString kBrowser = QStringLiteral("Browser Surface");
constexpr int kMaxPort = 65535;

// The MIDI dialog's delay range (MidiSettingsEditor::kMaxDelay); the files layer cannot see it.
constexpr int kMaxMidiDelay = 1000;
// Smallest window side read from the file; a few pixels would leave nothing to grab.
constexpr int kMinWindowSize = 100;

QString Numbered(const char* prefix, int n) {
  return QString::fromLatin1(prefix) + QString::number(n);
}

// How a key is read and written. Each rule goes with one member type (RuleType).
enum class Rule {
  kInt,
  kBool,
  kByte,  // read through ReadByte, so only the low eight bits count
  kString,
  kPosX,  // a window position: near or beyond the screen edge reads as the default
  kPosY,
  kWidth,  // a window size: at least kMinWindowSize, at most the screen's
  kHeight,
  kClamped,      // an integer held to [lo, hi]
  kClampedByte,  // the same, for a byte member (read whole, so 300 does not wrap to 44)
  kByteInRange,  // outside [lo, hi] reads as the default
  kDevice,       // below -1 means "not in use" as well, kept as -1
  kMidiApi,      // "JACK" in any case, else "ALSA"
  kFolder,       // empty: the line already in the file stays
};

template <Rule R>
using RuleType = std::conditional_t<
    R == Rule::kBool, bool,
    std::conditional_t<
        R == Rule::kByte || R == Rule::kClampedByte || R == Rule::kByteInRange, std::uint8_t,
        std::conditional_t<R == Rule::kString || R == Rule::kMidiApi || R == Rule::kFolder, QString,
                           int>>>;

// One value inside an AppSettings; Bind finds it for a row, index picks an array element.
using Field = std::variant<int*, bool*, std::uint8_t*, QString*>;
using Bind = Field (*)(AppSettings&, int index);

template <class T, class C>
T MemberTypeOf(T C::*);
template <auto M>
using MemberType = decltype(MemberTypeOf(M));

template <auto M>
Field Member(AppSettings& a, int) {
  return &(a.*M);
}
template <auto M>
Field Element(AppSettings& a, int i) {
  return &(a.*M)[static_cast<std::size_t>(i)];
}

template <class T>
T& Ref(const Field& f) {
  return *std::get<T*>(f);
}

struct Key {
  SettingsTextFile::Name section, name;
  Rule rule;
  Bind bind;
  int index = 0;
  int lo = 0, hi = 0;  // the range of kClamped, kClampedByte and kByteInRange
};

// Builds the table; the static_asserts keep each rule on a member of its type.
class Table {
 public:
  template <Rule R, auto M>
  void Row(const QString& section, const char* name) {
    static_assert(std::is_same_v<MemberType<M>, RuleType<R>>, "rule does not fit the member");
    keys_.push_back({section, QString::fromLatin1(name), R, &Member<M>, 0});
  }
  // A row whose value must lie in [lo, hi].
  template <Rule R, auto M>
  void Row(const QString& section, const char* name, int lo, int hi) {
    static_assert(R == Rule::kClamped || R == Rule::kClampedByte || R == Rule::kByteInRange);
    Row<R, M>(section, name);
    keys_.back().lo = lo;
    keys_.back().hi = hi;
  }
  // A row per element of an array member, keys numbered from first.
  template <Rule R, auto M>
  void Rows(const QString& section, const char* prefix, int first) {
    using Array = MemberType<M>;
    static_assert(std::is_same_v<typename Array::value_type, RuleType<R>>,
                  "rule does not fit the member");
    for (int i = 0; i < static_cast<int>(std::tuple_size_v<Array>); ++i)
      keys_.push_back({section, Numbered(prefix, i + first), R, &Element<M>, i});
  }
  std::vector<Key> Take() { return std::move(keys_); }

 private:
  std::vector<Key> keys_;
};

// Every key in writing order: a new file's lines come out in this order. The defaults are those
// of a default-constructed AppSettings.
const std::vector<Key>& Keys() {
  using A = AppSettings;
  using enum Rule;
  static const std::vector<Key> keys = [] {
    Table t;
    t.Row<kPosX, &A::x>(kWindow, "X");
    t.Row<kPosY, &A::y>(kWindow, "Y");
    t.Row<kWidth, &A::w>(kWindow, "W");
    t.Row<kHeight, &A::h>(kWindow, "H");
    t.Row<kBool, &A::always_on_top>(kWindow, "Always On Top");
    t.Row<kBool, &A::minimize_to_tray>(kWindow, "Minimize To Tray");
    t.Row<kPosX, &A::vector_controller_x>(kWindow, "Vector Controller X");
    t.Row<kPosY, &A::vector_controller_y>(kWindow, "Vector Controller Y");
    t.Row<kPosX, &A::morph_slider_x>(kWindow, "Morph Slider X");
    t.Row<kPosY, &A::morph_slider_y>(kWindow, "Morph Slider Y");
    t.Row<kPosX, &A::midi_keyboard_x>(kWindow, "MIDI Keyboard X");
    t.Row<kPosY, &A::midi_keyboard_y>(kWindow, "MIDI Keyboard Y");
    t.Row<kPosX, &A::snapshot_window_x>(kWindow, "Snapshot Window X");
    t.Row<kPosY, &A::snapshot_window_y>(kWindow, "Snapshot Window Y");
    t.Row<kWidth, &A::snapshot_window_w>(kWindow, "Snapshot Window W");
    t.Row<kHeight, &A::snapshot_window_h>(kWindow, "Snapshot Window H");
    t.Row<kBool, &A::show_snapshot_window>(kWindow, "Show Snapshot Window");
    t.Row<kBool, &A::show_vector_controller>(kWindow, "Show Vector Controller");
    t.Row<kBool, &A::show_morph_slider>(kWindow, "Show Morph Slider");
    t.Row<kBool, &A::show_midi_keyboard>(kWindow, "Show MIDI Keyboard");
    t.Row<kBool, &A::update_slider_numbers>(kWindow, "Update Slider Numbers");

    t.Rows<kString, &A::favorite_files>(kFavorites, "F", 1);
    t.Rows<kInt, &A::vector_x>(kVector, "X", 1);
    t.Rows<kInt, &A::vector_y>(kVector, "Y", 1);

    // Written after the two sections above, though they belong to the window.
    t.Row<kFolder, &A::patch_dir>(kWindow, "PatchDir");
    t.Row<kFolder, &A::slider_settings_dir>(kWindow, "SliderSettingsDir");
    t.Row<kFolder, &A::snapshot_dir>(kWindow, "SnapshotDir");

    t.Row<kDevice, &A::input_device1>(kMidi, "MIDI In1");
    t.Row<kDevice, &A::input_device2>(kMidi, "MIDI In2");
    t.Row<kDevice, &A::output_device>(kMidi, "MIDI Out1");
    t.Row<kString, &A::input_device1_name>(kMidi, "MIDI In1 Name");
    t.Row<kString, &A::input_device2_name>(kMidi, "MIDI In2 Name");
    t.Row<kString, &A::output_device_name>(kMidi, "MIDI Out1 Name");
    t.Row<kMidiApi, &A::midi_api>(kMidi, "MIDI API");
    t.Row<kByteInRange, &A::global_channel>(kMidi, "Channel", 1, 16);
    t.Row<kByteInRange, &A::remote_channel>(kMidi, "Remote Channel", 1, 16);
    t.Row<kByteInRange, &A::listen_channel>(kMidi, "Listen Channel", 0, 16);  // 0: every channel
    t.Row<kClamped, &A::midi_delay>(kMidi, "MIDI Delay", 0, kMaxMidiDelay);

    t.Rows<kByte, &A::slider_controllers>(kRemote, "Slider Controller ", 1);
    t.Rows<kByte, &A::button_controllers>(kRemote, "Button Controller ", 1);
    t.Rows<kByte, &A::page_controllers>(kRemote, "Page Controller ", 1);
    t.Row<kByte, &A::compact_view_controller>(kRemote, "Compact View Controller");
    t.Row<kByte, &A::minimize_controller>(kRemote, "Minimize Controller");
    t.Row<kByte, &A::take_snapshot_controller>(kRemote, "Take Snapshot");
    t.Rows<kByte, &A::snapshot_controllers>(kRemote, "Snapshot Controller ", 0);

    t.Row<kByte, &A::play_controller>(kTransport, "Play Controller");
    t.Row<kByte, &A::stop_controller>(kTransport, "Stop Controller");
    t.Row<kByte, &A::record_controller>(kTransport, "Record Controller");
    t.Row<kByte, &A::pause_controller>(kTransport, "Pause Controller");
    t.Row<kByteInRange, &A::transport_channel>(kTransport, "Channel", 1, 16);

    t.Row<kBool, &A::group_mode>(kSelection, "Group Selection");
    t.Row<kClampedByte, &A::randomize_factor>(kSelection, "Randomize Factor", 1, 100);

    t.Row<kBool, &A::osc_enabled>(kOsc, "Enabled");
    t.Row<kClamped, &A::osc_port>(kOsc, "Port", 1, kMaxPort);
    t.Row<kString, &A::osc_feedback_host>(kOsc, "Feedback Host");
    t.Row<kClamped, &A::osc_feedback_port>(kOsc, "Feedback Port", 0, kMaxPort);

    t.Row<kBool, &A::browser_enabled>(kBrowser, "Enabled");
    t.Row<kClamped, &A::browser_port>(kBrowser, "Port", 1, kMaxPort);
    t.Row<kBool, &A::browser_network>(kBrowser, "Network");
    t.Row<kString, &A::browser_token>(kBrowser, "Token");
    return t.Take();
  }();
  return keys;
}

// Too close to the right or bottom edge, or beyond it: the default.
int OnScreen(int v, int extent, int def) {
  return v >= extent - 5 ? def : v;
}

// A window side between kMinWindowSize and the screen's extent (unknown when not positive).
int FitScreen(int v, int extent) {
  const int most = extent > 0 ? std::max(extent, kMinWindowSize) : std::numeric_limits<int>::max();
  return std::clamp(v, kMinWindowSize, most);
}

void ReadKey(const SettingsTextFile& f, QSize screen, const Key& k, AppSettings& a,
             AppSettings& defaults) {
  const Field to = k.bind(a, k.index);
  const Field def = k.bind(defaults, k.index);
  const SettingsTextFile::Name& s = k.section;
  switch (k.rule) {
    case Rule::kInt:
      Ref<int>(to) = f.ReadInteger(s, k.name, Ref<int>(def));
      break;
    case Rule::kBool:
      Ref<bool>(to) = f.ReadBool(s, k.name, Ref<bool>(def));
      break;
    case Rule::kByte:
      Ref<std::uint8_t>(to) = f.ReadByte(s, k.name, Ref<std::uint8_t>(def));
      break;
    case Rule::kString:
    case Rule::kFolder:
      Ref<QString>(to) = f.ReadString(s, k.name, Ref<QString>(def));
      break;
    case Rule::kPosX:
    case Rule::kPosY: {
      const int extent = k.rule == Rule::kPosX ? screen.width() : screen.height();
      Ref<int>(to) = OnScreen(f.ReadInteger(s, k.name, Ref<int>(def)), extent, Ref<int>(def));
      break;
    }
    case Rule::kWidth:
    case Rule::kHeight: {
      const int extent = k.rule == Rule::kWidth ? screen.width() : screen.height();
      Ref<int>(to) = FitScreen(f.ReadInteger(s, k.name, Ref<int>(def)), extent);
      break;
    }
    case Rule::kClamped:
      Ref<int>(to) = std::clamp(f.ReadInteger(s, k.name, Ref<int>(def)), k.lo, k.hi);
      break;
    case Rule::kClampedByte:
      Ref<std::uint8_t>(to) = static_cast<std::uint8_t>(
          std::clamp(f.ReadInteger(s, k.name, Ref<std::uint8_t>(def)), k.lo, k.hi));
      break;
    case Rule::kByteInRange: {
      const int v = f.ReadInteger(s, k.name, Ref<std::uint8_t>(def));
      Ref<std::uint8_t>(to) =
          v >= k.lo && v <= k.hi ? static_cast<std::uint8_t>(v) : Ref<std::uint8_t>(def);
      break;
    }
    case Rule::kDevice:
      Ref<int>(to) = std::max(f.ReadInteger(s, k.name, Ref<int>(def)), -1);
      break;
    case Rule::kMidiApi: {
      const QString api = f.ReadString(s, k.name, Ref<QString>(def));
      Ref<QString>(to) = api.compare(QStringLiteral("JACK"), Qt::CaseInsensitive) == 0
                             ? QStringLiteral("JACK")
                             : QStringLiteral("ALSA");
      break;
    }
  }
}

void WriteKey(SettingsTextFile& f, const Key& k, AppSettings& a) {
  const Field from = k.bind(a, k.index);
  switch (k.rule) {
    case Rule::kInt:
    case Rule::kPosX:
    case Rule::kPosY:
    case Rule::kWidth:
    case Rule::kHeight:
    case Rule::kClamped:
      f.WriteInteger(k.section, k.name, Ref<int>(from));
      break;
    case Rule::kDevice:
      f.WriteInteger(k.section, k.name, std::max(Ref<int>(from), -1));
      break;
    case Rule::kBool:
      f.WriteBool(k.section, k.name, Ref<bool>(from));
      break;
    case Rule::kByte:
    case Rule::kClampedByte:
    case Rule::kByteInRange:
      f.WriteInteger(k.section, k.name, Ref<std::uint8_t>(from));
      break;
    case Rule::kFolder:
      if (Ref<QString>(from).isEmpty()) break;
      [[fallthrough]];
    case Rule::kString:
    case Rule::kMidiApi:
      f.WriteString(k.section, k.name, Ref<QString>(from));
      break;
  }
}

}  // namespace

AppSettings::AppSettings() {
  for (int n = 1; n <= kSlotCount; ++n) {
    slider_controllers[n - 1] = static_cast<std::uint8_t>(n);
    button_controllers[n - 1] = static_cast<std::uint8_t>(64 + n);
  }
  for (int n = 1; n <= kPageCount; ++n) page_controllers[n - 1] = static_cast<std::uint8_t>(40 + n);
  for (int n = 0; n < 10; ++n) snapshot_controllers[n] = static_cast<std::uint8_t>(49 + n);
}

AppSettings ReadAppKeys(const SettingsTextFile& file, QSize screen) {
  AppSettings settings;
  AppSettings defaults;  // each row takes its default from here
  for (const Key& k : Keys()) ReadKey(file, screen, k, settings, defaults);
  return settings;
}

void WriteAppKeys(SettingsTextFile& file, const AppSettings& settings) {
  AppSettings values = settings;  // the rows bind mutable members
  for (const Key& k : Keys()) WriteKey(file, k, values);
}

AppSettings ReadAppSettings(const SettingsTextFile& file, QSize screen, TPageSet& defs,
                            QString& dump_request_string) {
  AppSettings settings = ReadAppKeys(file, screen);
  // No definitions (a partial or foreign Brellin.ini): start afresh silently, as on the first
  // start. "Wrong file type." belongs to File > Open.
  if (!ReadSliderSettings(file, defs, dump_request_string)) {
    defs.Initialize();
    dump_request_string.clear();
  }
  return settings;
}

void WriteAppSettings(SettingsTextFile& file, const AppSettings& settings, const TPageSet& defs,
                      const QString& dump_request_string) {
  WriteAppKeys(file, settings);
  WriteSliderSettings(file, defs, dump_request_string);
}

QString StoredMidiApi(const QString& path) {
  SettingsTextFile file(path);
  // A file that cannot be read names the default. The screen size only bounds window places.
  (void)file.Load();
  return ReadAppKeys(file, QSize(1920, 1080)).midi_api;
}

AppSettingsLoad LoadAppSettings(const QString& path, QSize screen, TPageSet& defs,
                                QString& dump_request_string) {
  AppSettingsLoad result;
  SettingsTextFile file(path);
  // A file that cannot be read leaves the copy empty: every key takes its default below.
  const FileStatus status = file.Load();
  if (!status) result.messages << status.message;
  // An empty copy holds no "File Type": its definitions start afresh as well.
  result.settings = ReadAppSettings(file, screen, defs, dump_request_string);
  return result;
}

FileStatus SaveAppSettings(const QString& path, const AppSettings& settings, const TPageSet& defs,
                           const QString& dump_request_string, FileWriter writer) {
  SettingsTextFile f(path);
  // An existing file that cannot be read is left alone rather than replaced.
  if (FileStatus loaded = f.Load(); !loaded) return loaded;
  if (writer) f.SetWriter(std::move(writer));
  QDir().mkpath(QFileInfo(path).absolutePath());
  WriteAppSettings(f, settings, defs, dump_request_string);
  return f.Save();
}

bool IsSystemFolder(const QString& dir) {
  const QString canonical = QFileInfo(dir).canonicalFilePath();
  const QString clean = QDir::cleanPath(canonical.isEmpty() ? dir : canonical);
  for (const char* root : {"/usr", "/opt", "/bin", "/sbin"}) {
    const QString r = QLatin1String(root);
    if (clean == r || clean.startsWith(r + QLatin1Char('/'))) return true;
  }
  return false;
}

QString AppSettingsPath(const QString& exe_dir, bool portable, const QString& config_root) {
  QString beside = QDir(exe_dir).filePath(kAppSettingsFileName);
  if (!IsSystemFolder(exe_dir) && (portable || QFileInfo::exists(beside))) return beside;
  const QString root = config_root.isEmpty()
                           ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                           : config_root;
  return QDir(root).filePath(QStringLiteral("Quorvane/") + kAppSettingsFileName);
}

}  // namespace quorvane
