#include "app/session.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "bridge/dump_request_command.h"
#include "bridge/midi_settings_editor.h"
#include "bridge/remote_binding.h"
#include "bridge/settings_binding.h"
#include "bridge/surface_control.h"
#include "bridge/ui/dump_request_button.h"
#include "bridge/ui/midi_settings_dialog.h"
#include "bridge/ui/surface_control_window.h"
#include "bridge/ui/window_settings_binding.h"
#include "files/favorites.h"
#include "files/slider_file_commands.h"
#include "files/ui/widget_file_interaction.h"
#include "keyboard/keyboard_sender.h"
#include "keyboard/ui/midi_keyboard_window.h"
#include "midi/midi_system.h"
#include "morph/ui/morph_slider_window.h"
#include "morph/ui/vector_controller_window.h"
#include "osc/osc_server.h"
#include "osc/ui/osc_dialog.h"
#include "remote/ui/transport_buttons.h"
#include "shell/about_info.h"
#include "shell/splash_gate.h"
#include "shell/ui/about_form.h"
#include "shell/ui/splash_screen.h"
#include "shell/ui/tray_icon.h"
#include "snapshots/snapshot_store.h"
#include "snapshots/ui/snapshot_band.h"
#include "snapshots/ui/snapshot_window.h"
#include "snapshots/ui/widget_snapshot_interaction.h"
#include "surface/label_gestures.h"
#include "surface/selection_commands.h"
#include "surface/ui/compact_window.h"
#include "surface/ui/main_window.h"
#include "surface/ui/randomize_factor_dialog.h"
#include "surface/ui/slider_settings_form.h"
#include "web/browser_surface_server.h"
#include "web/ui/browser_surface_dialog.h"

namespace quorvane {
namespace {

// A remote surface's server as its settings say, or on for this run on the port the command
// line gave (the settings file keeps its own). Empty, or why it could not listen.
template <typename Config, typename Server>
QString ConfigureForRun(Config config, int run_port, Server& server) {
  if (run_port > 0) {
    config.enabled = true;
    config.port = run_port;
  }
  return server.Configure(config);
}

}  // namespace

Session::Session() : Session(Options{}) {}

Session::Session(Options options, QObject* parent) : QObject(parent), options_(std::move(options)) {
  // exit(), not quit(): quit() first asks every window to close, and one that refuses (the
  // start-up picture while its time runs) would cancel the end of the run.
  if (!options_.quit) options_.quit = [] { QCoreApplication::exit(0); };
  // Only Exit, the main window's close and a termination signal end the run: a send window or
  // a tool window closing while the main window is hidden is not the last window closing.
  QGuiApplication::setQuitOnLastWindowClosed(false);
  if (!options_.midi_service_factory) {
    options_.midi_service_factory = [this](const std::string& wanted, std::string* chosen) {
      return CreateMidiService(wanted, chosen, options_.midi_client, std::move(jack_ahead_));
    };
  }
  if (!options_.present_port_error) {
    options_.present_port_error = [this](const QString& text) {
      QMessageBox::critical(window_.get(), QStringLiteral("Quorvane"), text);
    };
  }
  settings_path_ = options_.settings_path.isEmpty()
                       ? AppSettingsPath(QCoreApplication::applicationDirPath(), options_.portable)
                       : options_.settings_path;
  settings_lock_ = std::make_unique<SettingsLock>(settings_path_);
  model_ = std::make_unique<SurfaceModel>();
  connect(&signals_, &SignalWatcher::terminationRequested, this, [this] {
    // Nobody may be there to click a box: what goes wrong at exit goes to standard error.
    exit_by_signal_ = true;
    RequestExit();
  });
  connect(qApp, &QCoreApplication::aboutToQuit, this, &Session::Shutdown);
}

Session::~Session() {
  Shutdown();
  delete splash_.data();
  tray_.reset();
  about_.reset();
  osc_dialog_.reset();
  osc_.reset();
  browser_dialog_.reset();
  browser_.reset();
  remote_.reset();
  surface_control_.reset();
  notice_box_.reset();
  midi_dialog_.reset();
  midi_editor_.reset();
  dump_request_button_.reset();
  dump_request_.reset();
  if (settings_form_) settings_form_->SetLearnSource(nullptr);  // it outlives the link
  link_.reset();
  ports_.reset();
  factor_dialog_.reset();
  settings_form_.reset();
  label_gestures_.reset();
  vector_window_.reset();
  morph_window_.reset();
  snapshot_window_.reset();
  snapshot_band_.reset();
  snapshots_.reset();
  snapshot_interaction_.reset();
  keyboard_window_.reset();
  keyboard_sender_.reset();
  selection_.reset();
  favorites_.reset();
  file_commands_.reset();
  interaction_.reset();
  window_.reset();
}

void Session::Start() {
  if (options_.show_splash) {
    // Up at once, before the windows are made.
    splash_gate_ = std::make_unique<SplashGate>(options_.splash_ms);
    splash_ = new TSplashScreen(*splash_gate_);
    splash_->setAttribute(Qt::WA_DeleteOnClose);
    splash_->show();
    splash_->repaint();
    QCoreApplication::processEvents();
  }
  window_ = std::make_unique<MainWindow>(*model_);
  // The other program saves them: said for the whole run, under passing notices only.
  if (settings_lock_->InUseElsewhere())
    window_->SetNotice(StatusNotices::Source::kSettings, SettingsLock::kInUseNotice);
  window_->installEventFilter(this);
  window_->setEnabled(false);
  interaction_ = std::make_unique<WidgetFileInteraction>(window_.get(), options_.native_dialogs);
  file_commands_ = std::make_unique<SliderFileCommands>(model_->MutablePages(),
                                                        dump_request_string_, *interaction_);
  favorites_ = std::make_unique<Favorites>(*file_commands_, *interaction_);
  ConnectFileCommands();
  selection_ = std::make_unique<SelectionCommands>(*model_);
  factor_dialog_ = std::make_unique<RandomizeFactorDialog>(window_.get());
  window_->BindBulkCommands(*selection_, *factor_dialog_);
  window_->SetNativeDialogs(options_.native_dialogs);
  label_gestures_ = std::make_unique<LabelGestures>(*model_, *selection_);
  window_->BindLabelGestures(*label_gestures_);
  connect(window_.get(), &MainWindow::slotSettingsRequested, this, &Session::OpenSlotSettings);
  // The ports exist before the settings are read (they take the remote channel); they open
  // once the settings are in.
  ports_ = std::make_unique<MidiPorts>(options_.midi_service_factory);
  link_ = std::make_unique<SurfaceMidiLink>(*model_, *ports_);
  connect(link_.get(), &SurfaceMidiLink::portError, this, &Session::ShowPortError);
  link_->SetDumpCapture(&file_commands_->Capture());
  dump_request_ = std::make_unique<DumpRequestCommand>(*link_, dump_request_string_, *interaction_);
  dump_request_button_ = std::make_unique<DumpRequestButton>(*window_, *dump_request_);
  StartToolWindows();
  LoadSettings();
  StartMidi();
  StartShell();
  model_->ShowPage(1);
  // After the settings' own warnings, each in its turn as the dialogs would tell it.
  if (!options_.files.isEmpty()) QTimer::singleShot(0, this, &Session::OpenCommandLineFiles);
  window_->show();
  // Shown later, the windows would cover the picture: without a window manager to keep it on
  // top, and with one that puts a new window above all.
  if (splash_) splash_->raise();
  AddShutdownStep([this] { SaveSettings(); });
  if (splash_gate_ && !splash_gate_->MayClose()) {
    connect(splash_gate_.get(), &SplashGate::mayClose, this, &Session::FinishStart);
  } else {
    FinishStart();
  }
}

void Session::FinishStart() {
  if (splash_) splash_->close();
  // The tool windows are the main window's children: they follow it.
  window_->setEnabled(true);
  started_ = true;
}

TSliderSettingsForm& Session::SettingsForm() {
  if (!settings_form_) {
    settings_form_ = std::make_unique<TSliderSettingsForm>(window_.get());
    // Learn in the settings dialog takes the first input's next control change.
    settings_form_->SetLearnSource(link_.get());
  }
  return *settings_form_;
}

TAboutForm& Session::About() {
  if (!about_) about_ = std::make_unique<TAboutForm>(AboutInfo::OfThisBuild(), window_.get());
  return *about_;
}

MidiSettingsDialog& Session::MidiDialog() {
  if (!midi_dialog_)
    midi_dialog_ = std::make_unique<MidiSettingsDialog>(*midi_editor_, window_.get());
  return *midi_dialog_;
}

void Session::StartShell() {
  window_->Bind(Command::kAbout, [this] { About().Execute(window_->pos()); });
  window_->Bind(Command::kMinimizeToTray, [this](bool on) { Tray().SetEnabled(on); });
  window_->SetChecked(Command::kMinimizeToTray, settings_.minimize_to_tray);
  // The notification area is looked for over D-Bus: once the window is up, not before.
  QTimer::singleShot(0, this, [this] { Tray(); });
}

TrayIcon& Session::Tray() {
  if (!tray_) {
    tray_ = std::make_unique<TrayIcon>(*model_,
                                       QList<QWidget*>{window_.get(), window_->CompactWindow()});
    QAction* item = window_->MenuAction(Command::kMinimizeToTray);
    tray_->SetItem(item);
    tray_->SetEnabled(item->isChecked());
    // Exit in the icon's menu takes the one way out, as the close button does.
    connect(tray_.get(), &TrayIcon::exitRequested, window_.get(), &QWidget::close);
  }
  return *tray_;
}

template <typename ToolWindow>
void Session::BindToolWindow(Command command, ToolWindow& (Session::*tool)()) {
  window_->Bind(command, [this, tool, command](bool on) {
    (this->*tool)().setVisible(on);
    window_->SetChecked(command, on);
  });
}

template <typename ToolWindow>
void Session::PlaceToolWindow(Command command, ToolWindow& tool) {
  connect(&tool, &ToolWindow::closed, this,
          [this, command] { window_->SetChecked(command, false); });
  ApplyToolWindowSettings(settings_, tool);
}

TMidiKeyboardWindow& Session::MidiKeyboard() {
  if (!keyboard_window_) {
    keyboard_window_ = std::make_unique<TMidiKeyboardWindow>(*keyboard_sender_, window_.get());
    PlaceToolWindow(Command::kMidiKeyboard, *keyboard_window_);
  }
  return *keyboard_window_;
}

TSnapshotWindow& Session::SnapshotList() {
  if (!snapshot_window_) {
    snapshot_window_ = std::make_unique<TSnapshotWindow>(*snapshots_, *model_, window_.get());
    PlaceToolWindow(Command::kSnapshotList, *snapshot_window_);
  }
  return *snapshot_window_;
}

TMorphSliderWindow& Session::MorphSlider() {
  if (!morph_window_) {
    morph_window_ = std::make_unique<TMorphSliderWindow>(*model_, window_.get());
    PlaceToolWindow(Command::kMorphSlider, *morph_window_);
  }
  return *morph_window_;
}

TVectorController& Session::VectorPad() {
  if (!vector_window_) {
    vector_window_ = std::make_unique<TVectorController>(*model_, window_.get());
    TVectorController& pad = *vector_window_;
    PlaceToolWindow(Command::kVectorController, pad);
    // Initialize, Open and the favourites replace the definitions: the lists show them anew.
    connect(file_commands_.get(), &SliderFileCommands::definitionsReplaced, &pad,
            &TVectorController::FillVectorLists);
    // The settings dialog changed one definition: its entry is rewritten, choices kept.
    connect(this, &Session::definitionEdited, &pad, &TVectorController::UpdateVectorEntry);
  }
  return *vector_window_;
}

void Session::StartToolWindows() {
  SurfaceModel& m = *model_;
  keyboard_sender_ = std::make_unique<KeyboardSender>(
      [&m](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
        return m.SendShortMessage(s, d1, d2);
      },
      [&m] { return m.Settings().global_channel; }, [&m] { return m.OutputInUse(); });
  BindToolWindow(Command::kMidiKeyboard, &Session::MidiKeyboard);
  // Before the ports close: no note may hang when the program ends.
  AddShutdownStep([this] {
    if (keyboard_window_) keyboard_window_->ReleaseNotes();
  });
  snapshot_interaction_ =
      std::make_unique<WidgetSnapshotInteraction>(window_.get(), options_.native_dialogs);
  snapshots_ = std::make_unique<SnapshotStore>(*model_);
  snapshots_->SetInteraction(snapshot_interaction_.get());
  snapshot_band_ = std::make_unique<SnapshotBand>(*window_, *snapshots_);
  surface_control_ = std::make_unique<SurfaceControl>(*model_, *snapshots_);
  surface_control_->WatchOutput(link_->Ports());
  BindSurfaceControlWindow(*surface_control_, *window_);
  remote_ =
      std::make_unique<RemoteBinding>(*link_, *surface_control_, surface_control_->NewClient());
  BindTransportButtons(*window_,
                       [this](TransportButton button) { remote_->SendTransport(button); });
  StartOsc();
  StartBrowserSurface();
  BindToolWindow(Command::kSnapshotList, &Session::SnapshotList);
  BindToolWindow(Command::kMorphSlider, &Session::MorphSlider);
  BindToolWindow(Command::kVectorController, &Session::VectorPad);
}

void Session::SetJackAhead(std::unique_ptr<JackService> service) {
  jack_ahead_ = std::move(service);
}

void Session::LoadSettings() {
  // Saves cut short by a kill leave their temporary files behind; a minute old, they are ours.
  RemoveStaleTemporaryFiles(settings_path_);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screen_size = screen ? screen->availableGeometry().size() : QSize(1920, 1080);
  AppSettingsLoad loaded =
      LoadAppSettings(settings_path_, screen_size, model_->MutablePages(), dump_request_string_);
  settings_ = loaded.settings;
  ApplySettings();
  // Problems with the file are told once the window is up; start-up goes on regardless.
  WarnLater(loaded.messages);
}

SettingsTargets Session::SettingsParts() {
  return {.window = *window_,
          .model = *model_,
          .link = *link_,
          .file_commands = *file_commands_,
          .favorites = *favorites_,
          .snapshots = *snapshots_,
          .keyboard = keyboard_window_.get(),
          .snapshot_list = snapshot_window_.get(),
          .morph = morph_window_.get(),
          .vector = vector_window_.get()};
}

void Session::ApplySettings() {
  // Only the tool windows that show at start are built now; the others take their place
  // from the settings when first shown.
  if (settings_.show_midi_keyboard) MidiKeyboard();
  if (settings_.show_snapshot_window) SnapshotList();
  if (settings_.show_morph_slider) MorphSlider();
  if (settings_.show_vector_controller) VectorPad();
  ApplySessionSettings(settings_, SettingsParts());
  remote_->ApplySettings(settings_);
  ApplyOsc();
  ApplyBrowserSurface();
}

void Session::StartOsc() {
  osc_ = std::make_unique<OscServer>(*surface_control_, *surface_control_);
  QMenu* view = window_->Menu(QStringLiteral("View1"));
  view->addSeparator();
  QAction* item = view->addAction(QStringLiteral("&OSC..."));
  item->setObjectName(QStringLiteral("Osc1"));
  item->setStatusTip(QStringLiteral("Control the surface from OSC apps and music software"));
  connect(item, &QAction::triggered, this, [this] {
    OscConfig config = OscConfigOf(settings_);
    // What runs, --osc-port included; OK stores what the dialog then shows.
    config.enabled = osc_->Listening();
    if (osc_->Listening()) config.port = osc_->Port();
    if (!osc_dialog_) osc_dialog_ = std::make_unique<OscDialog>(window_.get());
    if (osc_dialog_->Edit(config, [this](const OscConfig& c) { return osc_->Configure(c); }))
      StoreOscConfig(config, settings_);
  });
}

void Session::ApplyOsc() {
  WarnLater({ConfigureForRun(OscConfigOf(settings_), options_.osc_port, *osc_)});
}

void Session::StartBrowserSurface() {
  browser_ = std::make_unique<BrowserSurfaceServer>(*surface_control_, *surface_control_);
  // The pages go before the surface they drive, and no page waits on a program that is gone.
  AddShutdownStep([this] { browser_->Close(); });
  QAction* item =
      window_->Menu(QStringLiteral("View1"))->addAction(QStringLiteral("&Browser Surface..."));
  item->setObjectName(QStringLiteral("BrowserSurface1"));
  item->setStatusTip(QStringLiteral("Control the surface from a web browser on a phone or tablet"));
  connect(item, &QAction::triggered, this, [this] {
    BrowserSurfaceConfig config = BrowserSurfaceConfigOf(settings_);
    // What runs, --browser-port included; OK stores what the dialog then shows.
    config.enabled = browser_->Listening();
    if (browser_->Listening()) {
      config.port = browser_->Port();
      config.network = browser_->Network();
    }
    const auto apply = [this](const BrowserSurfaceConfig& c) {
      BrowserSurfaceDialog::Outcome outcome{browser_->Configure(c), 0};
      if (!outcome.error.isEmpty() && browser_->PortInUse())
        outcome.free_port = NextFreeBrowserPort(c.port + 1, c.network);
      return outcome;
    };
    const auto address = [](const BrowserSurfaceConfig& c) {
      return BrowserSurfaceAddress(BrowserSurfaceHost(c.network), c.port, c.token);
    };
    if (!browser_dialog_) browser_dialog_ = std::make_unique<BrowserSurfaceDialog>(window_.get());
    if (browser_dialog_->Edit(config, apply, address)) StoreBrowserSurfaceConfig(config, settings_);
  });
}

void Session::ApplyBrowserSurface() {
  WarnLater({ConfigureForRun(BrowserSurfaceConfigOf(settings_), options_.browser_port, *browser_)});
}

void Session::WarnLater(QStringList messages) {
  messages.removeAll(QString());
  if (messages.isEmpty()) return;
  // Told once the window is up; start-up goes on regardless.
  QTimer::singleShot(0, this, [this, messages] {
    for (const QString& m : messages) interaction_->ShowWarning(m);
  });
}

void Session::SaveSettings() {
  if (settings_lock_->InUseElsewhere()) return;  // the other program saves them
  CollectSessionSettings(SettingsParts(), settings_);
  KeepStoredMidiChoices(stored_midi_, run_midi_, settings_);
  const FileStatus status =
      SaveAppSettings(settings_path_, settings_, model_->Pages(), dump_request_string_);
  if (status.ok) return;
  if (exit_by_signal_) {
    std::fprintf(stderr, "Quorvane: %s\n", qUtf8Printable(status.message));
    return;
  }
  interaction_->ShowWarning(status.message);
}

void Session::ConnectFileCommands() {
  MainWindow& w = *window_;
  SliderFileCommands& commands = *file_commands_;
  w.Bind(Command::kInitialiseSliders, [&commands] { commands.InitialiseSliders(); });
  w.Bind(Command::kOpenSliderFile, [&commands] { commands.OpenSliderFile(); });
  w.Bind(Command::kSaveSliderFile, [&commands] { commands.SaveSliderFile(); });
  w.Bind(Command::kSaveSliderFileAs, [&commands] { commands.SaveSliderFileAs(); });
  w.Bind(Command::kFilterUsingDump, [&commands] { commands.FilterUsingControllerDump(); });
  w.Bind(Command::kFilterUsingPatch, [&commands] { commands.FilterUsingPatchFile(); });

  Favorites& favorites = *favorites_;
  for (int n = 1; n <= kFavoriteCount; ++n) {
    w.Bind(FavoriteCommand(n), [&favorites, n] { favorites.LoadFavorite(n); });
    w.MenuAction(FavoriteCommand(n))->setStatusTip(Favorites::Hint(n));
  }
  w.Bind(Command::kClearFavorites, [&favorites] { favorites.Clear(); });
  connect(&favorites, &Favorites::captionChanged, this, [this](int n, const QString& caption) {
    window_->MenuAction(FavoriteCommand(n))->setText(caption);
  });

  connect(&commands, &SliderFileCommands::definitionsReplaced, this,
          [this] { model_->ShowPage(model_->CurrentPage()); });
  connect(&commands, &SliderFileCommands::titleChanged, this,
          [this](const QString& title) { model_->SetTitle(title); });
}

void Session::StartMidi() {
  stored_midi_ = MidiPortsConfigOf(settings_);
  run_midi_ = WithRunChoices(stored_midi_, options_.midi_run);
  link_->Guard([this] { ports_->Start(run_midi_); });
  jack_ahead_.reset();  // not taken: the run is not on JACK, or has a service of its own
  midi_editor_ = std::make_unique<MidiSettingsEditor>(*link_);
  window_->Bind(Command::kMidiDevices, [this] { MidiDialog().Execute(window_.get()); });
  // Without a MIDI system the program stays usable; a line in the status bar says why.
  auto note_system = [this] { window_->SetStandingMessage(ports_->UnavailableReason()); };
  note_system();
  connect(ports_.get(), &MidiPorts::systemChanged, this, note_system);
  WarnLater(ports_->TakeMessages());
  // The system stopping or coming back is told at once, without blocking the surface.
  connect(ports_.get(), &MidiPorts::serviceNotice, this, &Session::ShowNotice);
  // A chosen device that went or came back: the status bar says which, until the next change.
  connect(ports_.get(), &MidiPorts::deviceNotice, this, [this](const QString& text) {
    window_->SetNotice(StatusNotices::Source::kDevice, text);
  });
  AddShutdownStep([this] { link_->Guard([this] { ports_->CloseInUse(); }); });
}

void Session::OpenCommandLineFiles() {
  for (const QString& path : options_.files) {
    if (path.endsWith(QLatin1String(".snp"), Qt::CaseInsensitive)) {
      snapshots_->LoadChosenLibrary(path);
    } else {
      file_commands_->OpenChosenFile(path);
    }
  }
}

void Session::OpenSlotSettings(int slot) {
  const bool changed = SettingsForm().Edit(model_->SlotDefinition(slot), window_->pos());
  model_->ShowPage(model_->CurrentPage());
  if (changed) emit definitionEdited(SequenceNumber(model_->CurrentPage(), slot));
}

void Session::ShowNotice(const QString& text) {
  // The system back or found: one line in the status bar, no box.
  if (!ports_->Suspended()) {
    if (notice_box_) notice_box_->hide();
    window_->SetStandingMessage(text);
    return;
  }
  if (!notice_box_) {
    notice_box_ = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("Warning"),
                                                QString(), QMessageBox::Ok, window_.get());
    notice_box_->setObjectName(QStringLiteral("MidiNotice"));
    notice_box_->setWindowModality(Qt::NonModal);
  }
  notice_box_->setText(text);
  notice_box_->show();
  window_->SetStandingMessage(text);
}

void Session::ShowPortError(const QString& text) {
  if (port_errors_waiting_.contains(text)) return;
  port_errors_waiting_ << text;
  // Not inside the operation that failed: the model finishes it first.
  QTimer::singleShot(0, this, [this, text] {
    options_.present_port_error(text);
    port_errors_waiting_.removeOne(text);
  });
}

bool Session::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_.get() && event->type() == QEvent::Close && !shut_down_) {
    // A changed snapshot library is asked about; Cancel keeps the program running.
    if (!snapshots_->ConfirmClose()) {
      event->ignore();
      return true;
    }
    RequestExit();
  }
  return QObject::eventFilter(watched, event);
}

void Session::RequestExit() {
  Shutdown();
  options_.quit();
}

void Session::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  // A bulk send still running stops first; its steps need this thread, so wait serving them.
  model_->Sends().StopSends();
  for (auto& step : shutdown_steps_) step();
}

}  // namespace quorvane
