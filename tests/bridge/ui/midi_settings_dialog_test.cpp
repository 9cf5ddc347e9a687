#include "bridge/ui/midi_settings_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "bridge/midi_settings_editor.h"
#include "files/app_settings.h"
#include "linked_ports.h"
#include "midi/midi_ports.h"
#include "support/in_process_midi_service.h"
#include "support/looks.h"
#include "support/modal.h"
#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {

using testing::WhenModal;

namespace {

// The application font at another point size for one test; the dialog takes it up when built.
class ScopedAppFont {
 public:
  explicit ScopedAppFont(double point_size) : saved_(QApplication::font()) {
    QFont font = saved_;
    font.setPointSizeF(point_size);
    QApplication::setFont(font);
  }
  ~ScopedAppFont() { QApplication::setFont(saved_); }
  ScopedAppFont(const ScopedAppFont&) = delete;
  ScopedAppFont& operator=(const ScopedAppFont&) = delete;

 private:
  QFont saved_;
};

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

}  // namespace

class MidiSettingsDialogTest : public QObject {
  Q_OBJECT

 private:
  struct Rig {
    SurfaceModel model;
    InProcessMidiService* service = nullptr;
    std::unique_ptr<testing::LinkedPorts> linked;
    MidiPorts* ports = nullptr;
    std::unique_ptr<MidiSettingsEditor> form;
    QWidget main_window;
    std::unique_ptr<MidiSettingsDialog> dialog;

    explicit Rig(const AppSettings& s, bool jack = true) {
      linked = std::make_unique<testing::LinkedPorts>(
          model, [this, jack](const std::string& wanted, std::string* chosen) {
            const bool use_jack = wanted == "JACK" && jack;
            auto made = std::make_unique<InProcessMidiService>(
                use_jack ? std::vector<std::string>{"jack in"}
                         : std::vector<std::string>{"Keys In", "Pads In"},
                use_jack ? std::vector<std::string>{"jack out"}
                         : std::vector<std::string>{"Synth Out", "Drum Out"});
            *chosen = use_jack ? "JACK" : "ALSA";
            service = made.get();
            return made;
          });
      linked->Start(s);
      ports = linked->get();
      form = std::make_unique<MidiSettingsEditor>(*linked->link);
      main_window.setGeometry(200, 150, 400, 300);
      main_window.show();
      dialog = std::make_unique<MidiSettingsDialog>(*form, &main_window);
    }
  };

  static AppSettings Configured() {
    AppSettings s;
    s.input_device1 = 1;
    s.output_device = 0;
    return s;
  }

 private slots:
  void showsTheDesignedControls() {
    Rig rig(Configured());
    MidiSettingsDialog& d = *rig.dialog;
    QCOMPARE(d.windowTitle(), QStringLiteral("MIDI Devices"));
    QCOMPARE(Items(d.Input1()), (QStringList{"none", "Keys In", "Pads In"}));
    QCOMPARE(Items(d.Input2()), Items(d.Input1()));
    QCOMPARE(Items(d.Output1()), (QStringList{"none", "Synth Out", "Drum Out"}));
    QCOMPARE(d.ListenChannel()->count(), 17);
    QCOMPARE(d.ListenChannel()->itemText(0), QStringLiteral("All"));
    QCOMPARE(d.ListenChannel()->itemText(16), QStringLiteral("16"));
    QCOMPARE(Items(d.Channel()).first(), QStringLiteral("1"));
    QCOMPARE(d.Channel()->count(), 16);
    QCOMPARE(d.RemoteChannel()->count(), 16);
    QCOMPARE(Items(d.MidiSystem()), (QStringList{"ALSA", "JACK"}));
    QCOMPARE(d.ListenChannel()->maxVisibleItems(), 17);
    QCOMPARE(d.Input1()->maxVisibleItems(), 16);
    QCOMPARE(d.OkButton()->text(), QStringLiteral("&OK"));
    QCOMPARE(d.CancelButton()->text(), QStringLiteral("&Cancel"));
    QVERIFY(d.OkButton()->isDefault());
    const std::pair<const char*, const char*> labels[] = {
        {"Label1", "MIDI &Input"},      {"Label6", "&Listen To Channel"},
        {"Label2", "MIDI O&utput"},     {"Label3", "&Global MIDI Channel"},
        {"Label4", "&Remote Input"},    {"Label5", "Remote MIDI C&hannel"},
        {"Label7", "MIDI Send &Delay"}, {"Label8", "(0 ms..1000 ms)"},
        {"Label9", "MIDI &System"}};
    for (const auto& [name, text] : labels) {
      auto* label = d.findChild<QLabel*>(QString::fromLatin1(name));
      QVERIFY2(label, name);
      QCOMPARE(label->text(), QString::fromLatin1(text));
    }
  }

  // Where the captions fit the designed column, the controls keep their designed places and
  // widths; rows are only as much taller as the style's controls need.
  void smallFontKeepsTheDesignedGeometry() {
    ScopedAppFont font(7.0);
    Rig rig(Configured());
    MidiSettingsDialog& d = *rig.dialog;
    const std::pair<QWidget*, int> designed[] = {{d.Input1(), 217},       {d.ListenChannel(), 43},
                                                 {d.Output1(), 217},      {d.Channel(), 43},
                                                 {d.MidiSystem(), 73},    {d.Input2(), 217},
                                                 {d.RemoteChannel(), 43}, {d.SendDelay(), 43}};
    const int row = d.Input1()->height();
    QVERIFY(row >= 21);
    QCOMPARE(d.Input1()->y(), 13);
    for (const auto& [control, width] : designed) {
      QCOMPARE(control->x(), 121);
      QCOMPARE(control->width(), width);
      QCOMPARE(control->height(), row);
    }
    QCOMPARE(d.findChild<QLabel*>(QStringLiteral("Label8"))->x(), 169);
    QCOMPARE(d.width(), MidiSettingsDialog::kDesignedSize.width());
    QCOMPARE(d.OkButton()->y() - d.SendDelay()->geometry().bottom(), 16);
  }

  // Captions keep the dialog's font whatever its size; the dialog grows instead, and no row
  // runs into another (the MIDI System list has a row of its own).
  void everyCaptionIsWholeInTheDialogFontBesideItsControl_data() {
    QTest::addColumn<double>("scale");
    QTest::newRow("system font") << 1.0;
    QTest::newRow("large font") << 1.6;
    QTest::newRow("very large font") << 2.5;
  }
  void everyCaptionIsWholeInTheDialogFontBesideItsControl() {
    QFETCH(double, scale);
    ScopedAppFont font(QApplication::font().pointSizeF() * scale);
    Rig rig(Configured());
    MidiSettingsDialog& d = *rig.dialog;
    const std::pair<const char*, QWidget*> rows[] = {
        {"Label1", d.Input1()},        {"Label6", d.ListenChannel()}, {"Label2", d.Output1()},
        {"Label3", d.Channel()},       {"Label9", d.MidiSystem()},    {"Label4", d.Input2()},
        {"Label5", d.RemoteChannel()}, {"Label7", d.SendDelay()}};
    std::vector<std::pair<int, int>> bands;  // each row's top and bottom
    for (const auto& [name, control] : rows) {
      auto* label = d.findChild<QLabel*>(QString::fromLatin1(name));
      QVERIFY2(label, name);
      QCOMPARE(label->font(), d.font());
      const QRect caption = label->geometry();
      const QRect box = control->geometry();
      QVERIFY2(caption.width() >= label->sizeHint().width(), name);
      QVERIFY2(caption.right() < box.left(), name);
      QVERIFY2(caption.center().y() >= box.top() && caption.center().y() <= box.bottom(), name);
      QVERIFY2(d.rect().contains(caption) && d.rect().contains(box), name);
      bands.emplace_back(std::min(caption.top(), box.top()),
                         std::max(caption.bottom(), box.bottom()));
    }
    for (std::size_t i = 0; i < bands.size(); ++i) {
      for (std::size_t j = i + 1; j < bands.size(); ++j) {
        const bool apart = bands[i].second < bands[j].first || bands[j].second < bands[i].first;
        QVERIFY2(apart, qPrintable(QStringLiteral("%1 overlaps %2")
                                       .arg(QString::fromLatin1(rows[i].first),
                                            QString::fromLatin1(rows[j].first))));
      }
    }
    auto* range = d.findChild<QLabel*>(QStringLiteral("Label8"));
    QCOMPARE(range->font(), d.font());
    QVERIFY(range->geometry().left() > d.SendDelay()->geometry().right());
    QVERIFY(d.rect().contains(range->geometry()));
    for (QPushButton* button : {d.OkButton(), d.CancelButton()}) {
      QVERIFY(button->geometry().top() > bands.back().second);
      QVERIFY(d.rect().contains(button->geometry()));
      QVERIFY(button->width() >= button->sizeHint().width());
    }
    QVERIFY(!d.OkButton()->geometry().intersects(d.CancelButton()->geometry()));
    QVERIFY2(qAbs(d.OkButton()->x() + d.CancelButton()->geometry().right() + 1 - d.width()) <= 1,
             "the buttons sit in the middle");
    QVERIFY(d.width() >= MidiSettingsDialog::kDesignedSize.width());
    QVERIFY(d.height() >= MidiSettingsDialog::kDesignedSize.height());
    QCOMPARE(d.minimumSize(), d.maximumSize());
  }

  // Alt and a letter of its own reach every field; lists look disabled when they are and drop
  // down at most their rows.
  void fieldsAnswerTheKeyboardAndShowTheirState() {
    Rig rig(Configured());
    rig.dialog->show();
    QCOMPARE(testing::LookFaults(*rig.dialog), QStringList());
    rig.dialog->hide();
  }

  void okAppliesTheChoicesWithThePortsClosedMeanwhile() {
    AppSettings s = Configured();
    Rig rig(s);
    testing::SetSetting(rig.model, &SurfaceSettings::listen_channel, 0);
    testing::SetSetting(rig.model, &SurfaceSettings::midi_delay, 25);
    MidiSettingsDialog& d = *rig.dialog;
    bool checked = false;
    WhenModal<MidiSettingsDialog>([&](MidiSettingsDialog* shown) {
      QCOMPARE(shown->pos(), rig.main_window.pos() + QPoint(100, 60));
      QCOMPARE(rig.service->OpenHandleCount(), 0u);
      QCOMPARE(shown->Input1()->currentText(), QStringLiteral("Pads In"));
      QCOMPARE(shown->Input2()->currentText(), QStringLiteral("none"));
      QCOMPARE(shown->Output1()->currentText(), QStringLiteral("Synth Out"));
      QCOMPARE(shown->ListenChannel()->currentText(), QStringLiteral("All"));
      QCOMPARE(shown->SendDelay()->text(), QStringLiteral("25"));
      shown->Output1()->setCurrentIndex(2);
      shown->Input1()->setCurrentIndex(0);
      shown->ListenChannel()->setCurrentIndex(5);
      shown->SendDelay()->clear();
      QTest::keyClicks(shown->SendDelay(), QStringLiteral("1000"));
      checked = true;
      QTest::mouseClick(shown->OkButton(), Qt::LeftButton);
    });
    d.Execute(&rig.main_window);
    QVERIFY(checked);
    QVERIFY(!d.isVisible());
    QCOMPARE(rig.ports->Device(PortRole::kOutput), 1);
    QVERIFY(!rig.ports->InUse(PortRole::kInput1));
    QCOMPARE(rig.model.Settings().listen_channel, 5);
    QCOMPARE(rig.model.Settings().midi_delay, 1000);
    QCOMPARE(rig.service->OpenHandleCount(), 1u);
    QVERIFY(rig.ports->MidiOutput1().IsOpen());
    QCOMPARE(rig.ports->MidiOutput1().ProductName(), std::string("Drum Out"));
  }

  // Devices going and coming while the dialog is open: the lists follow, the choice keeps its
  // name, and what the user set elsewhere in the dialog stays.
  void deviceListsFollowTheDevicesWhileOpen() {
    Rig rig(Configured());
    rig.service->AnnounceDeviceChanges(true);
    WhenModal<MidiSettingsDialog>([&](MidiSettingsDialog* shown) {
      shown->Channel()->setCurrentIndex(5);
      QCOMPARE(shown->Output1()->currentText(), QStringLiteral("Synth Out"));
      rig.service->RemoveDevicesNamed({"Synth Out"});
      QCOMPARE(Items(shown->Output1()), (QStringList{"none", "Drum Out"}));
      QCOMPARE(shown->Output1()->currentText(), QStringLiteral("none"));
      rig.service->AddInputDevice("Alpha In");
      rig.service->AddOutputDevice("Keys Out");
      rig.service->AddOutputDevice("Synth Out");
      QCOMPARE(Items(shown->Output1()), (QStringList{"none", "Drum Out", "Keys Out", "Synth Out"}));
      QCOMPARE(shown->Output1()->currentText(), QStringLiteral("Synth Out"));
      QCOMPARE(Items(shown->Input1()), (QStringList{"none", "Keys In", "Pads In", "Alpha In"}));
      QCOMPARE(shown->Input1()->currentText(), QStringLiteral("Pads In"));
      QCOMPARE(shown->Channel()->currentIndex(), 5);
      QTest::mouseClick(shown->OkButton(), Qt::LeftButton);
    });
    rig.dialog->Execute(&rig.main_window);
    QCOMPARE(rig.ports->DeviceName(PortRole::kOutput), QStringLiteral("Synth Out"));
    QCOMPARE(rig.ports->Device(PortRole::kOutput), 2);
    QVERIFY(rig.ports->MidiOutput1().IsOpen());
    QCOMPARE(rig.ports->DeviceName(PortRole::kInput1), QStringLiteral("Pads In"));
    QCOMPARE(rig.model.Settings().global_channel, 6);
  }

  void cancelReopensWhatWasThere() {
    Rig rig(Configured());
    WhenModal<MidiSettingsDialog>([&](MidiSettingsDialog* shown) {
      shown->Output1()->setCurrentIndex(0);
      shown->Channel()->setCurrentIndex(9);
      QTest::mouseClick(shown->CancelButton(), Qt::LeftButton);
    });
    rig.dialog->Execute(&rig.main_window);
    QVERIFY(rig.ports->InUse(PortRole::kOutput));
    QVERIFY(rig.ports->MidiOutput1().IsOpen());
    QVERIFY(rig.ports->MidiInput1().IsOpen());
    QCOMPARE(rig.model.Settings().global_channel, 1);
    QCOMPARE(rig.service->OpenHandleCount(), 2u);
  }

  void badDelaysAreRefusedAndTheDialogStays() {
    Rig rig(Configured());
    QStringList refused;
    WhenModal<MidiSettingsDialog>([&](MidiSettingsDialog* shown) {
      for (const QString& text :
           {QStringLiteral("1001"), QStringLiteral("-1"), QStringLiteral("abc")}) {
        shown->SendDelay()->setText(text);
        WhenModal<QMessageBox>([&](QMessageBox* box) {
          QCOMPARE(box->windowTitle(), QStringLiteral("Warning"));
          QCOMPARE(box->text(), QStringLiteral("Invalid input for MIDI delay."));
          QCOMPARE(box->icon(), QMessageBox::Warning);
          refused << text;
          box->button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(shown->OkButton(), Qt::LeftButton);
        QVERIFY(shown->isVisible());
      }
      shown->SendDelay()->setText(QStringLiteral("1000"));
      QTest::mouseClick(shown->OkButton(), Qt::LeftButton);
    });
    rig.dialog->Execute(&rig.main_window);
    QCOMPARE(refused, (QStringList{"1001", "-1", "abc"}));
    QCOMPARE(rig.model.Settings().midi_delay, 1000);
  }

  void cancelSkipsTheDelayCheck() {
    Rig rig(Configured());
    WhenModal<MidiSettingsDialog>([&](MidiSettingsDialog* shown) {
      shown->SendDelay()->setText(QStringLiteral("oops"));
      QTest::mouseClick(shown->CancelButton(), Qt::LeftButton);
    });
    rig.dialog->Execute(&rig.main_window);
    QVERIFY(!rig.dialog->isVisible());
    QCOMPARE(rig.model.Settings().midi_delay, 5);
  }

  void choosingAnotherSystemRefillsTheDeviceLists() {
    Rig rig(Configured());
    WhenModal<MidiSettingsDialog>([&](MidiSettingsDialog* shown) {
      // Neither device is found under JACK: the user is told, and the lists change.
      WhenModal<QMessageBox>([](QMessageBox* box) {
        QVERIFY(box->text().contains(QStringLiteral("Pads In")));
        box->button(QMessageBox::Ok)->click();
      });
      shown->MidiSystem()->setCurrentIndex(1);
      QCOMPARE(Items(shown->Input1()), (QStringList{"none", "jack in"}));
      QCOMPARE(Items(shown->Output1()), (QStringList{"none", "jack out"}));
      shown->Output1()->setCurrentIndex(1);
      QTest::mouseClick(shown->OkButton(), Qt::LeftButton);
    });
    rig.dialog->Execute(&rig.main_window);
    QCOMPARE(rig.ports->Api(), QStringLiteral("JACK"));
    QCOMPARE(rig.ports->DeviceName(PortRole::kOutput), QStringLiteral("jack out"));
    QVERIFY(rig.ports->MidiOutput1().IsOpen());
  }

  void missingSystemIsToldAndTheListShowsTheOneInUse() {
    Rig rig(Configured(), false);
    QString told;
    WhenModal<MidiSettingsDialog>([&](MidiSettingsDialog* shown) {
      WhenModal<QMessageBox>([&](QMessageBox* box) {
        told = box->text();
        box->button(QMessageBox::Ok)->click();
      });
      shown->MidiSystem()->setCurrentIndex(1);
      QCOMPARE(shown->MidiSystem()->currentText(), QStringLiteral("ALSA"));
      QTest::mouseClick(shown->CancelButton(), Qt::LeftButton);
    });
    rig.dialog->Execute(&rig.main_window);
    QVERIFY(told.contains(QStringLiteral("JACK")));
    QVERIFY(rig.ports->MidiOutput1().IsOpen());
  }

  void cleanup() { QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()); }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::MidiSettingsDialogTest)
#include "midi_settings_dialog_test.moc"
