#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "app/signal_watcher.h"
#include "bridge/settings_binding.h"
#include "bridge/surface_midi_link.h"
#include "files/app_settings.h"
#include "files/settings_lock.h"
#include "midi/midi_ports.h"
#include "midi/midi_system.h"
#include "shell/ui/splash_screen.h"
#include "surface/surface_model.h"

namespace quorvane {

enum class Command;
class Favorites;
class MainWindow;
class MidiSettingsEditor;
class RandomizeFactorDialog;
class SelectionCommands;
class SliderFileCommands;
class DumpRequestCommand;
class DumpRequestButton;
class MidiSettingsDialog;
class WidgetFileInteraction;
class KeyboardSender;
class OscDialog;
class BrowserSurfaceDialog;
class BrowserSurfaceServer;
class OscServer;
class RemoteBinding;
class SurfaceControl;
class SplashGate;
struct SettingsTargets;
class TAboutForm;
class TrayIcon;
class LabelGestures;
class TSliderSettingsForm;
class SnapshotBand;
class SnapshotStore;
class TSnapshotWindow;
class TMorphSliderWindow;
class TVectorController;
class WidgetSnapshotInteraction;
class TMidiKeyboardWindow;

// One run of the program: creates the model and the windows, and owns the single shutdown
// path that every way out (close button, Exit, SIGINT, SIGTERM) goes through.
class Session : public QObject {
  Q_OBJECT

 public:
  using QuitFunction = std::function<void()>;
  using ErrorPresenter = std::function<void(const QString&)>;

  struct Options {
    QuitFunction quit;      // default: QCoreApplication::exit
    QString settings_path;  // default: the application settings file's usual place
    bool native_dialogs = true;
    MidiPorts::ServiceFactory midi_service_factory;  // default: the system's own MIDI
    ErrorPresenter present_port_error;               // default: a message box over the main window
    bool show_splash = false;  // the start-up picture; the windows take no input while it is up
    int splash_ms = 4000;
    bool portable = false;  // the settings' usual place is beside the executable
    int osc_port = 0;       // OSC on this port for the run; 0: as the settings say
    int browser_port = 0;   // the browser surface on this port for the run; 0: as the settings say
    // From the command line, for this run only.
    QStringList files{};  // opened in order once the windows are up: .snp libraries, else .qrt
    MidiRunChoices midi_run{};
    MidiClientNames midi_client{};  // for the default MIDI service
  };

  Session();
  explicit Session(Options options, QObject* parent = nullptr);
  ~Session() override;

  // The JACK client the program's own MIDI service takes if the run is on JACK, already
  // connecting while Qt starts.
  void SetJackAhead(std::unique_ptr<JackService> service);
  void Start();
  // Ends the run: shutdown steps once, then the event loop.
  void RequestExit();
  // Closes ports and writes settings; runs its steps once, whatever calls it.
  void Shutdown();
  // Later steps (ports, settings) register here; they run in order at shutdown.
  void AddShutdownStep(std::function<void()> step) { shutdown_steps_.push_back(std::move(step)); }

  bool IsShutDown() const { return shut_down_; }
  SurfaceModel& Model() { return *model_; }
  MainWindow& Window() { return *window_; }
  SliderFileCommands& FileCommands() { return *file_commands_; }
  MidiPorts& Ports() { return *ports_; }
  // Built when first asked for: the first window needs none of the dialogs and tool windows.
  MidiSettingsDialog& MidiDialog();
  SelectionCommands& Selection() { return *selection_; }
  TAboutForm& About();
  // Built once the event loop runs after start, or when first asked for.
  TrayIcon& Tray();
  // Until the start-up picture has gone; nullptr after.
  TSplashScreen* Splash() const { return splash_.data(); }
  // The windows take input: the start-up picture has gone.
  bool Started() const { return started_; }
  TMidiKeyboardWindow& MidiKeyboard();
  SnapshotStore& Snapshots() { return *snapshots_; }
  RemoteBinding& Remote() { return *remote_; }
  // The one way in for remote surfaces, and what they show.
  SurfaceControl& RemoteSurfaces() { return *surface_control_; }
  TSnapshotWindow& SnapshotList();
  OscServer& Osc() { return *osc_; }
  BrowserSurfaceServer& BrowserSurface() { return *browser_; }
  TMorphSliderWindow& MorphSlider();
  TVectorController& VectorPad();
  const QString& SettingsPath() const { return settings_path_; }
  // Values of the settings file that live outside the model during the run.
  AppSettings& Settings() { return settings_; }

 signals:
  // The settings dialog changed definition N (1..120).
  void definitionEdited(int n);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The MIDI Keyboard window, the snapshot store with its band and list window.
  void StartToolWindows();
  // The About box and the notification-area icon.
  void StartShell();
  // Once the start-up picture may go: it goes, and the windows take input.
  void FinishStart();
  // The menu item and the tool button show and hide the window, built on the first show.
  template <typename ToolWindow>
  void BindToolWindow(Command command, ToolWindow& (Session::*tool)());
  // Closing the window unchecks both; it takes its place from the settings.
  template <typename ToolWindow>
  void PlaceToolWindow(Command command, ToolWindow& tool);
  TSliderSettingsForm& SettingsForm();
  // Reads the settings file into the model and settings_, and hands them on.
  void LoadSettings();
  // The parts whose state the settings file keeps.
  SettingsTargets SettingsParts();
  void ApplySettings();
  // The OSC server and its item in the View menu; ApplyOsc starts it as the settings say.
  void StartOsc();
  void ApplyOsc();
  // The browser surface's server and its item in the View menu; ApplyBrowserSurface starts it
  // as the settings say.
  void StartBrowserSurface();
  void ApplyBrowserSurface();
  // Warnings for the user, shown one after another once the window is up; empty ones left out.
  void WarnLater(QStringList messages);
  void SaveSettings();
  void ConnectFileCommands();
  void StartMidi();
  void OpenCommandLineFiles();
  void ShowNotice(const QString& text);
  // The status bar's standing line, after the settings lock's notice when there is one.
  // The per-slider settings dialog of slot 1..24 of the page shown.
  void OpenSlotSettings(int slot);
  // Told once the current event is handled; the same text waiting already is not told twice.
  void ShowPortError(const QString& text);

  Options options_;
  QString settings_path_;
  std::unique_ptr<SettingsLock> settings_lock_;
  AppSettings settings_;
  QString dump_request_string_;
  std::unique_ptr<SurfaceModel> model_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<WidgetFileInteraction> interaction_;
  std::unique_ptr<SliderFileCommands> file_commands_;
  std::unique_ptr<Favorites> favorites_;
  std::unique_ptr<MidiPorts> ports_;
  MidiPortsConfig stored_midi_;  // as read from the settings file
  MidiPortsConfig run_midi_;     // with the command line's choices
  std::unique_ptr<JackService> jack_ahead_;
  std::unique_ptr<SurfaceMidiLink> link_;
  std::unique_ptr<DumpRequestCommand> dump_request_;
  std::unique_ptr<DumpRequestButton> dump_request_button_;
  QStringList port_errors_waiting_;
  std::unique_ptr<MidiSettingsEditor> midi_editor_;
  std::unique_ptr<MidiSettingsDialog> midi_dialog_;
  std::unique_ptr<QMessageBox> notice_box_;
  std::unique_ptr<SelectionCommands> selection_;
  std::unique_ptr<RandomizeFactorDialog> factor_dialog_;
  std::unique_ptr<LabelGestures> label_gestures_;
  std::unique_ptr<TSliderSettingsForm> settings_form_;
  std::unique_ptr<KeyboardSender> keyboard_sender_;
  std::unique_ptr<TMidiKeyboardWindow> keyboard_window_;  // a child of the main window
  std::unique_ptr<WidgetSnapshotInteraction> snapshot_interaction_;
  std::unique_ptr<SnapshotStore> snapshots_;
  std::unique_ptr<SnapshotBand> snapshot_band_;
  std::unique_ptr<SurfaceControl> surface_control_;  // the one way in for remote surfaces
  std::unique_ptr<RemoteBinding> remote_;            // remote control and the Transport band
  std::unique_ptr<OscServer> osc_;
  std::unique_ptr<OscDialog> osc_dialog_;
  std::unique_ptr<BrowserSurfaceServer> browser_;
  std::unique_ptr<BrowserSurfaceDialog> browser_dialog_;
  std::unique_ptr<TSnapshotWindow> snapshot_window_;  // a child of the main window
  std::unique_ptr<TMorphSliderWindow> morph_window_;  // a child of the main window
  std::unique_ptr<TVectorController> vector_window_;  // a child of the main window
  std::unique_ptr<TAboutForm> about_;
  std::unique_ptr<TrayIcon> tray_;
  std::unique_ptr<SplashGate> splash_gate_;
  QPointer<TSplashScreen> splash_;  // deletes itself once closed
  bool started_ = false;
  SignalWatcher signals_;
  std::vector<std::function<void()>> shutdown_steps_;
  bool shut_down_ = false;
  bool exit_by_signal_ = false;
};

}  // namespace quorvane
