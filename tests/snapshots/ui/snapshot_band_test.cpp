#include "snapshots/ui/snapshot_band.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>

#include "snapshots/snapshot_store.h"
#include "snapshots/ui/widget_snapshot_interaction.h"
#include "support/modal.h"
#include "support/temp_dir.h"
#include "surface/surface_model.h"
#include "surface/ui/main_window.h"

namespace quorvane {

using testing::ClickAccept;
using testing::WhenModal;

class SnapshotBandTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<SurfaceModel> model;
  std::unique_ptr<MainWindow> window;
  std::unique_ptr<SnapshotStore> store;
  std::unique_ptr<SnapshotBand> band;

  QAction* Item(int s) const { return window->MenuAction(SnapshotCommand(s)); }
  QAction* Button(int s) const { return window->ButtonAction(SnapshotCommand(s)); }
  QAction* TakeItem() const { return window->MenuAction(Command::kTakeSnapshot); }
  QAction* TakeButton() const { return window->ButtonAction(Command::kTakeSnapshot); }
  QList<bool> EnabledSlots() const {
    QList<bool> out;
    for (int s = 0; s < kSnapshotsPerBank; ++s) {
      // The two widgets of a slot always agree.
      if (Item(s)->isEnabled() != Button(s)->isEnabled()) return {};
      out << Item(s)->isEnabled();
    }
    return out;
  }
  static QList<bool> FirstInUse(int n) {
    QList<bool> out;
    for (int s = 0; s < kSnapshotsPerBank; ++s) out << (s < n);
    return out;
  }

 private slots:
  void init() {
    model = std::make_unique<SurfaceModel>();
    model->MutablePages().Initialize();
    model->ShowPage(1);
    window = std::make_unique<MainWindow>(*model);
    store = std::make_unique<SnapshotStore>(*model);
    band = std::make_unique<SnapshotBand>(*window, *store);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }
  void cleanup() {
    band.reset();
    store.reset();
    window.reset();
    model.reset();
  }

  void freshBandShowsDefaultNamesDisabled() {
    QCOMPARE(EnabledSlots(), FirstInUse(0));
    for (int s = 0; s < kSnapshotsPerBank; ++s) {
      QCOMPARE(Item(s)->text(), QStringLiteral("Snapshot %1").arg(s));
      QCOMPARE(Button(s)->toolTip(), QStringLiteral("Snapshot %1").arg(s));
    }
    QVERIFY(window->ButtonAction(Command::kBankA)->isChecked());
    QVERIFY(window->MenuAction(Command::kNewLibrary)->isEnabled());
  }

  void takeModeWidgetsStayInStep() {
    TakeButton()->trigger();
    QVERIFY(TakeItem()->isChecked());
    QVERIFY(store->TakeMode());
    QCOMPARE(EnabledSlots(), FirstInUse(1));
    TakeItem()->trigger();  // Ctrl+T's item
    QVERIFY(!TakeButton()->isChecked());
    QVERIFY(!store->TakeMode());
    QCOMPARE(EnabledSlots(), FirstInUse(0));

    // Open slot 0, store into it: take mode ends on both widgets, slot 0 stays.
    TakeItem()->trigger();
    Button(0)->trigger();
    QVERIFY(!TakeItem()->isChecked());
    QVERIFY(!TakeButton()->isChecked());
    QCOMPARE(EnabledSlots(), FirstInUse(1));
  }

  void banksShowTheirOwnSlots() {
    TakeButton()->trigger();
    Item(0)->trigger();
    window->ButtonAction(Command::kBankC)->trigger();
    QCOMPARE(store->CurrentBank(), 3);
    QCOMPARE(EnabledSlots(), FirstInUse(0));
    window->ButtonAction(Command::kBankA)->trigger();
    QCOMPARE(EnabledSlots(), FirstInUse(1));
    // The store's bank selection shows on the buttons too.
    store->SelectBank(4);
    QVERIFY(window->ButtonAction(Command::kBankD)->isChecked());
  }

  void rightClickThenRenameNamesThatSlot() {
    for (int s = 0; s < 3; ++s) {
      TakeButton()->trigger();
      Button(s)->trigger();
    }
    QString shown_default;
    band->SetNameAsker([&](const QString& current) {
      shown_default = current;
      return QStringLiteral("Strings");
    });
    QToolButton* b2 = window->ToolButton("btnSnp2");
    QVERIFY(b2);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2), b2->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(b2, &click);
    QCOMPARE(store->PopupSlot(), 2);
    QTRY_VERIFY(band->SlotMenu()->isVisible());
    QCOMPARE(band->RenameAction()->text(), QStringLiteral("&Rename..."));
    band->RenameAction()->trigger();
    band->SlotMenu()->hide();
    QCOMPARE(shown_default, QStringLiteral("Snapshot 2"));
    QCOMPARE(Item(2)->text(), QStringLiteral("Strings"));
    QCOMPARE(Button(2)->toolTip(), QStringLiteral("Strings"));
    QCOMPARE(Button(2)->statusTip(), QStringLiteral("Strings"));
  }

  void saveDialogFiltersAndAppendsTheExtension() {
    testing::TempDir dir;
    WidgetSnapshotInteraction ui(window.get(), false);
    QStringList filters;
    QString shown_dir;
    WhenModal<QFileDialog>([&](QFileDialog* d) {
      filters = d->nameFilters();
      shown_dir = d->directory().absolutePath();
      auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
      QVERIFY(edit);
      edit->setText("Live");
      ClickAccept(d);
    });
    const auto chosen = ui.ChooseLibraryToSave(dir.path() + "/");
    QVERIFY(chosen.has_value());
    QCOMPARE(*chosen, dir.file("Live.snp"));
    QCOMPARE(filters, QStringList{"Snapshot Library (*.snp)"});
    QCOMPARE(shown_dir, dir.path());
    QVERIFY(!QApplication::activeModalWidget());
  }

  void confirmationOffersYesNoCancel() {
    WidgetSnapshotInteraction ui(window.get(), false);
    QString title, text;
    QMessageBox::StandardButtons buttons;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      title = box->windowTitle();
      text = box->text();
      buttons = box->standardButtons();
      box->button(QMessageBox::Cancel)->click();
    });
    QCOMPARE(ui.Ask(FileInteraction::Kind::kWarning, kSaveCurrentLibrary,
                    FileInteraction::Buttons::kYesNoCancel),
             FileInteraction::Answer::kCancel);
    QCOMPARE(title, QString("Warning"));
    QCOMPARE(text, QString("Save current snapshot library?"));
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::SnapshotBandTest)
#include "snapshot_band_test.moc"
