#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "bridge/remote_binding.h"
#include "bridge/surface_control.h"
#include "bridge/ui/surface_control_window.h"
#include "files/app_settings.h"
#include "linked_ports.h"
#include "remote/ui/transport_buttons.h"
#include "snapshots/snapshot_store.h"
#include "snapshots/ui/snapshot_band.h"
#include "support/in_process_midi_service.h"
#include "support/modal.h"
#include "support/pump.h"
#include "surface/surface_model.h"
#include "surface/ui/commands.h"
#include "surface/ui/compact_window.h"
#include "surface/ui/main_window.h"

namespace quorvane {

using testing::Pump;
using testing::WhenModal;

class RemoteWindowTest : public QObject {
  Q_OBJECT

  // The main window with its Snapshots band and remote control, over an in-memory MIDI system
  // with an output and a remote input.
  struct Rig {
    SurfaceModel model;
    InProcessMidiService* service = nullptr;
    std::unique_ptr<testing::LinkedPorts> linked;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<SnapshotStore> store;
    std::unique_ptr<SnapshotBand> band;
    std::unique_ptr<SurfaceControl> control;
    std::unique_ptr<RemoteBinding> remote;

    explicit Rig(bool with_output = true, int transport_channel = 1) {
      model.MutablePages().Initialize();
      linked = std::make_unique<testing::LinkedPorts>(
          model, [this](const std::string&, std::string* chosen) {
            auto made = std::make_unique<InProcessMidiService>(std::vector<std::string>{"Remote"},
                                                               std::vector<std::string>{"Out"});
            *chosen = "ALSA";
            service = made.get();
            return made;
          });
      AppSettings s;
      s.output_device = with_output ? 0 : -1;
      s.input_device2 = 0;
      s.transport_channel = static_cast<std::uint8_t>(transport_channel);
      linked->Start(s);
      window = std::make_unique<MainWindow>(model);
      store = std::make_unique<SnapshotStore>(model);
      band = std::make_unique<SnapshotBand>(*window, *store);
      control = std::make_unique<SurfaceControl>(model, *store);
      BindSurfaceControlWindow(*control, *window);
      remote = std::make_unique<RemoteBinding>(*linked->link, *control, control->NewClient());
      remote->ApplySettings(s);
      BindTransportButtons(*window, [this](TransportButton b) { remote->SendTransport(b); });
      model.ShowPage(1);
      window->show();
    }
    ~Rig() {
      remote.reset();
      control.reset();
      band.reset();
      window.reset();
    }
    // A control change into the remote input, through the service's own thread.
    void Remote(int controller, int value) {
      service->InjectShort(0, 0xB0u | static_cast<std::uint32_t>(controller) << 8 |
                                  static_cast<std::uint32_t>(value) << 16);
      service->WaitIdle();
    }
    std::vector<std::uint32_t> Sent() const {
      service->WaitIdle();
      return service->ShortsSentTo("Out");
    }
    bool Checked(Command c) const {
      return window->MenuAction(c)->isChecked() && window->ButtonAction(c)->isChecked();
    }
    bool Unchecked(Command c) const {
      return !window->MenuAction(c)->isChecked() && !window->ButtonAction(c)->isChecked();
    }
  };

 private slots:
  void aRemotePageSwitchKeepsMenuAndBandInStep() {
    Rig rig;
    QVERIFY(rig.Checked(PageCommand(1)));
    rig.Remote(43, 0);
    QTRY_COMPARE(rig.model.CurrentPage(), 3);
    QVERIFY(rig.Checked(PageCommand(3)));
    for (const int p : {1, 2, 4, 5}) QVERIFY(rig.Unchecked(PageCommand(p)));
  }

  void takeModeFromRemoteKeepsButtonAndMenuItemInStep() {
    Rig rig;
    rig.Remote(48, 127);
    QTRY_VERIFY(rig.store->TakeMode());
    QVERIFY(rig.Checked(Command::kTakeSnapshot));
    rig.Remote(48, 0);
    QTRY_VERIFY(!rig.store->TakeMode());
    QVERIFY(rig.Unchecked(Command::kTakeSnapshot));
  }

  void aModalDialogLetsMovesThroughAndDropsCommands() {
    Rig rig;
    bool moved = false;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      rig.Remote(42, 127);
      rig.Remote(46, 127);
      rig.Remote(48, 127);
      rig.Remote(5, 10);
      moved = Pump([&] { return rig.model.SlotDefinition(5).value == 10; });
      box->accept();
    });
    QMessageBox::warning(rig.window.get(), QStringLiteral("Warning"), QStringLiteral("open"));
    QVERIFY(moved);
    testing::PumpPending();
    QCOMPARE(rig.model.CurrentPage(), 1);
    QVERIFY(!rig.model.Window().CompactView());
    QVERIFY(!rig.store->TakeMode());
    QVERIFY(rig.Checked(PageCommand(1)));
    QCOMPARE(rig.window->StatusPanel(0)->text(),
             QStringLiteral("Remote command ignored while a dialog is open"));
    QCOMPARE(rig.Sent(), (std::vector<std::uint32_t>{0x0A05B0}));
  }

  void inCompactViewTheStripShowsTheValueReceived() {
    Rig rig;
    rig.model.Window().ToggleCompactView();
    QTRY_VERIFY(rig.window->CompactWindow()->isVisible());
    rig.Remote(5, 77);
    QTRY_COMPARE(rig.window->CompactWindow()->Caption(5)->text(), QString("77"));
    QCOMPARE(rig.window->CompactWindow()->Caption(4)->text(), rig.model.View(4).caption);
    rig.model.Window().ToggleCompactView();
  }

  void theTransportButtonsSendTheirControlChange() {
    struct Case {
      const char* button;
      int channel;
      std::uint32_t word;
    };
    const Case cases[] = {
        {"btnPlay", 1, 0x7F41B0},  {"btnStop", 1, 0x7F42B0},  {"btnRecord", 1, 0x7F43B0},
        {"btnPause", 1, 0x7F44B0}, {"btnStop", 10, 0x7F42B9},
    };
    for (const Case& k : cases) {
      Rig rig(true, k.channel);
      QToolButton* button = rig.window->ToolButton(k.button);
      QVERIFY(button);
      QVERIFY(button->isEnabled());
      QVERIFY(!button->isCheckable());
      const QString controller = rig.window->StatusPanel(2)->text();
      QTest::mouseClick(button, Qt::LeftButton);
      QCOMPARE(rig.Sent(), (std::vector<std::uint32_t>{k.word}));
      QVERIFY(rig.model.Status().OutActivity());
      QCOMPARE(rig.window->StatusPanel(2)->text(), controller);
    }
  }

  void withoutAnOutputTheTransportButtonsSendNothing() {
    Rig rig(false);
    QVERIFY(!rig.model.OutputInUse());
    for (const char* name : {"btnPlay", "btnStop", "btnRecord", "btnPause"})
      QTest::mouseClick(rig.window->ToolButton(name), Qt::LeftButton);
    QVERIFY(!rig.model.Status().OutActivity());
    QVERIFY(rig.service->ShortsSentTo("Out").empty());
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::RemoteWindowTest)
#include "remote_window_test.moc"
