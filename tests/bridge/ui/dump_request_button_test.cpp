#include "bridge/ui/dump_request_button.h"

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <memory>

#include "bridge/dump_request_command.h"
#include "files/app_settings.h"
#include "files/ui/widget_file_interaction.h"
#include "linked_ports.h"
#include "support/in_process_midi_service.h"
#include "support/modal.h"
#include "surface/surface_model.h"
#include "surface/ui/main_window.h"

namespace quorvane {

using testing::WhenModal;

class DumpRequestButtonTest : public QObject {
  Q_OBJECT

  // The main window with its button bound, over an in-memory MIDI output.
  struct Rig {
    SurfaceModel model;
    InProcessMidiService* service = nullptr;
    std::unique_ptr<testing::LinkedPorts> linked;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WidgetFileInteraction> ui;
    QString dump;
    std::unique_ptr<DumpRequestCommand> command;
    std::unique_ptr<DumpRequestButton> button;

    explicit Rig(const QString& initial) : dump(initial) {
      linked = std::make_unique<testing::LinkedPorts>(
          model, [this](const std::string&, std::string* chosen) {
            auto made = std::make_unique<InProcessMidiService>(std::vector<std::string>{},
                                                               std::vector<std::string>{"Out"});
            *chosen = "ALSA";
            service = made.get();
            return made;
          });
      AppSettings s;
      s.output_device = 0;
      linked->Start(s);
      window = std::make_unique<MainWindow>(model);
      ui = std::make_unique<WidgetFileInteraction>(window.get(), false);
      command = std::make_unique<DumpRequestCommand>(*linked->link, dump, *ui);
      button = std::make_unique<DumpRequestButton>(*window, *command);
      window->show();
    }
    ~Rig() {
      button.reset();
      window.reset();
    }
    QToolButton* Button() const { return window->ToolButton("btnDumpRequest"); }
    std::vector<std::vector<std::uint8_t>> Sent() const {
      service->WaitIdle();
      return service->SysexSentTo("Out");
    }
  };

 private slots:
  void anEmptyStringIsEditedAndTheSecondClickSends() {
    Rig rig("");
    QVERIFY(rig.model.OutputInUse());
    QVERIFY(rig.Button()->isEnabled());
    QString title, prompt, shown;
    WhenModal<QInputDialog>([&](QInputDialog* box) {
      title = box->windowTitle();
      prompt = box->labelText();
      shown = box->textValue();
      box->setTextValue(" F0 7E 7F 06 01 F7");
      box->accept();
    });
    QTest::mouseClick(rig.Button(), Qt::LeftButton);
    QCOMPARE(title, QString("Dump Request String"));
    QCOMPARE(prompt, QString("Enter the sysex string (F0 .. .. F7)."));
    QCOMPARE(shown, QString());
    QCOMPARE(rig.dump, QString(" F0 7E 7F 06 01 F7"));
    QVERIFY(rig.Sent().empty());

    QTest::mouseClick(rig.Button(), Qt::LeftButton);
    const std::vector<std::vector<std::uint8_t>> sent = rig.Sent();
    QCOMPARE(sent.size(), std::size_t{1});
    QCOMPARE(sent[0], (std::vector<std::uint8_t>{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}));
    QVERIFY(rig.model.Status().OutActivity());
  }

  void aRightPressPopsUpTheEditItemWhichRefusesADoubleBlank() {
    Rig rig("F0 41 F7");
    QMenu* menu = rig.button->PopupMenu();
    // Pressed through the window, which also asks for a context menu: only the button's opens.
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    QWindow* window = rig.window->windowHandle();
    const QPoint at =
        window->mapFromGlobal(rig.Button()->mapToGlobal(rig.Button()->rect().center()));
    QTest::mousePress(window, Qt::RightButton, {}, at);
    QTRY_VERIFY(menu->isVisible());
    for (QWidget* w : QApplication::topLevelWidgets())
      QVERIFY(w == menu || !qobject_cast<QMenu*>(w) || !w->isVisible());
    QCOMPARE(menu->objectName(), QString("pmDumpRequest"));
    QCOMPARE(menu->actions().size(), 1);
    QAction* edit = menu->actions().first();
    QCOMPARE(edit->text(), QString("&Edit Dump Request String..."));
    QCOMPARE(edit->statusTip(), QString("Edit Dump Request String"));
    menu->hide();
    QTest::mouseRelease(window, Qt::RightButton, {}, at);
    QVERIFY(rig.Sent().empty());  // the right button sends nothing

    QString shown, warning;
    WhenModal<QInputDialog>([&](QInputDialog* box) {
      shown = box->textValue();
      WhenModal<QMessageBox>([&](QMessageBox* message) {
        warning = message->windowTitle() + ": " + message->text();
        message->accept();
      });
      box->setTextValue("F0  F7");
      box->accept();
    });
    edit->trigger();
    QCOMPARE(shown, QString("F0 41 F7"));
    QCOMPARE(warning, QString("Warning: Invalid input."));
    QCOMPARE(rig.dump, QString("F0 41 F7"));

    // Cancel keeps it too; a click still sends the old string.
    WhenModal<QInputDialog>([](QInputDialog* box) { box->reject(); });
    edit->trigger();
    QCOMPARE(rig.dump, QString("F0 41 F7"));
    QTest::mouseClick(rig.Button(), Qt::LeftButton);
    QCOMPARE(rig.Sent(), (std::vector<std::vector<std::uint8_t>>{{0xF0, 0x41, 0xF7}}));
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::DumpRequestButtonTest)
#include "dump_request_button_test.moc"
