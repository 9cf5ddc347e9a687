#include "snapshots/ui/snapshot_window.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "snapshots/snapshot_store.h"
#include "surface/surface_model.h"

namespace quorvane {

namespace {

// Answers every question the same way and counts the dialogs asked for.
class ScriptedInteraction : public SnapshotInteraction {
 public:
  FileInteraction::Answer answer = FileInteraction::Answer::kNo;
  std::optional<QString> open_path;
  int questions = 0, opens = 0, saves = 0;

  FileInteraction::Answer Ask(FileInteraction::Kind, const QString&,
                              FileInteraction::Buttons) override {
    ++questions;
    return answer;
  }
  std::optional<QString> ChooseLibraryToOpen(const QString&) override {
    ++opens;
    return open_path;
  }
  std::optional<QString> ChooseLibraryToSave(const QString&) override {
    ++saves;
    return std::nullopt;
  }
};

}  // namespace

class SnapshotWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<SurfaceModel> model;
  std::unique_ptr<SnapshotStore> store;
  std::unique_ptr<TSnapshotWindow> window;
  ScriptedInteraction ui;

  QString NameCell(int row) const { return window->List()->item(row, 1)->text(); }
  // The first enabled definition of page 1 carries the value a snapshot stores.
  Tcontroller& Probe() { return model->MutablePages().at(1, 1); }
  // Stores value into bank 1..4, slot 0..9; the slots before it are filled on the way.
  void StoreAt(int bank, int slot, int value) {
    store->SelectBank(bank);
    while (store->Library().LastUsed(bank) < slot) {
      Probe().value = value;
      store->SetTakeMode(true);
      store->SnapshotSlotAction(store->Library().LastUsed(bank));
    }
  }
  void WaitForSendEnd() { QTRY_VERIFY(window->isEnabled()); }

 private slots:
  void init() {
    model = std::make_unique<SurfaceModel>();
    model->MutablePages().Initialize();
    model->ShowPage(1);
    Probe().enabled = true;
    store = std::make_unique<SnapshotStore>(*model);
    ui = ScriptedInteraction{};
    store->SetInteraction(&ui);
    window = std::make_unique<TSnapshotWindow>(*store, *model);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }
  void cleanup() {
    model->Sends().StopSends();
    window.reset();
    store.reset();
    model.reset();
  }

  void freshWindowListsFortyEmptyRows() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Snapshots"));
    QTableWidget* list = window->List();
    QCOMPARE(list->rowCount(), 40);
    QCOMPARE(list->columnCount(), 2);
    QCOMPARE(list->horizontalHeaderItem(0)->text(), QString());
    QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral("Name"));
    QVERIFY(list->columnWidth(0) >= 27);
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < 40; ++r) {
      const QString key = QString(QChar(u'A' + r / 10)) + QString::number(r % 10);
      QCOMPARE(list->item(r, 0)->text(), key);
      QCOMPARE(NameCell(r), QStringLiteral("[empty]"));
      QVERIFY(!(list->item(r, 1)->flags() & Qt::ItemIsEditable));
    }
    // The list does not scroll itself: all 40 rows fit its height.
    QVERIFY(list->height() >= list->verticalHeader()->length());
  }

  void storeRenameNewAndLoadRefreshTheRows() {
    StoreAt(2, 1, 5);
    QCOMPARE(NameCell(10), QStringLiteral("Snapshot 0"));
    QCOMPARE(NameCell(11), QStringLiteral("Snapshot 1"));
    QCOMPARE(NameCell(12), QStringLiteral("[empty]"));
    // A slot opened by take mode is not stored yet and still reads "[empty]".
    store->SetTakeMode(true);
    QCOMPARE(NameCell(12), QStringLiteral("[empty]"));
    store->SetTakeMode(false);
    store->SetPopupSlot(1);
    store->RenameSnapshot(QStringLiteral("Pads"));
    QCOMPARE(NameCell(11), QStringLiteral("Pads"));

    // Load: cancelled dialog changes nothing; New (answered No) empties every row.
    window->OpenButton()->click();
    QCOMPARE(ui.opens, 1);
    QCOMPARE(NameCell(11), QStringLiteral("Pads"));
    window->NewButton()->click();
    QCOMPARE(ui.questions, 2);
    for (int r = 0; r < 40; ++r) QCOMPARE(NameCell(r), QStringLiteral("[empty]"));
  }

  void toolbarHasTheThreeLibraryButtons() {
    const QList<std::pair<QToolButton*, QString>> buttons = {
        {window->NewButton(), "New Library"},
        {window->OpenButton(), "Open Library"},
        {window->SaveButton(), "Save Library"}};
    const QStringList names = {"btnNewLib", "btnOpenLib", "btnSaveLib"};
    for (int i = 0; i < buttons.size(); ++i) {
      QCOMPARE(buttons[i].first->objectName(), names[i]);
      QCOMPARE(buttons[i].first->toolTip(), buttons[i].second);
    }
    // Save with no file name asks for one; cancelled, nothing is asked or written.
    window->SaveButton()->click();
    QCOMPARE(ui.saves, 1);
    QCOMPARE(ui.questions, 0);
    QVERIFY(store->LibraryFileName().isEmpty());
    // New asks first; Cancel keeps the library.
    StoreAt(1, 0, 9);
    ui.answer = FileInteraction::Answer::kCancel;
    window->NewButton()->click();
    QCOMPARE(ui.questions, 1);
    QCOMPARE(NameCell(0), QStringLiteral("Snapshot 0"));
  }

  void selectingANameCellRecallsThatSnapshot_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("by_mouse");
    QTest::addColumn<int>("expected");
    // Row "C5" is bank 3 slot 5, which holds 35; the other slots hold other values.
    QTest::newRow("mouse on C5 name") << 25 << 1 << true << 35;
    QTest::newRow("mouse on C5 key") << 25 << 0 << true << 0;
    QTest::newRow("keyboard on C5 name") << 25 << 1 << false << 35;
    QTest::newRow("keyboard on C5 key") << 25 << 0 << false << 0;
    QTest::newRow("mouse on empty C6") << 26 << 1 << true << 0;
  }
  void selectingANameCellRecallsThatSnapshot() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, by_mouse);
    QFETCH(int, expected);
    for (int s = 0; s <= 5; ++s) StoreAt(3, s, 30 + s);
    store->SelectBank(1);  // recall works whatever bank is current
    Probe().value = 0;
    QTableWidget* list = window->List();
    if (by_mouse) {
      const QRect cell = list->visualRect(list->model()->index(row, column));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
      // From the row above, one step down by key (and right, for the Name column).
      list->setCurrentCell(row - 1, 0);
      QCOMPARE(Probe().value, 0);
      list->setFocus();
      QTest::keyClick(list, Qt::Key_Down);
      if (column == 1) QTest::keyClick(list, Qt::Key_Right);
    }
    QCOMPARE(list->currentRow(), row);
    QCOMPARE(list->currentColumn(), column);
    QCOMPARE(Probe().value, expected);
    WaitForSendEnd();
  }

  // At the default width a click on a name keeps the row's key and name whole in sight.
  void aClickedRowKeepsItsKeyAndNameInSight() {
    window->resize(300, 300);
    QTableWidget* list = window->List();
    const auto cell = [list](int column) {
      return list->visualRect(list->model()->index(12, column));
    };
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell(1).center());
    for (int column : {0, 1}) {
      QVERIFY(list->viewport()->rect().contains(cell(column)));
      QVERIFY(cell(column).width() >
              list->fontMetrics().horizontalAdvance(list->item(12, column)->text()));
    }
  }

  void pressingTheSelectedNameCellAgainRecallsAgain() {
    StoreAt(1, 0, 17);
    QTableWidget* list = window->List();
    const QPoint a0 = list->visualRect(list->model()->index(0, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, a0);
    QCOMPARE(Probe().value, 17);
    WaitForSendEnd();
    Probe().value = 3;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, a0);
    QCOMPARE(Probe().value, 17);
    WaitForSendEnd();
  }

  void disabledWhileABulkSendRuns() {
    StoreAt(1, 0, 64);
    QSignalSpy begun(&model->Sends(), &BulkSends::sendBegun);
    QSignalSpy ended(&model->Sends(), &BulkSends::sendEnded);
    bool enabled_at_begin = true;
    connect(&model->Sends(), &BulkSends::sendBegun, window.get(),
            [&] { enabled_at_begin = window->isEnabled(); });
    store->RecallSnapshot(1, 0);
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(begun.count(), 1);
    QVERIFY(!enabled_at_begin);
    QVERIFY(window->isEnabled());
  }

  void closingTheWindowIsReported() {
    QSignalSpy closed(window.get(), &TSnapshotWindow::closed);
    window->close();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!window->isVisible());
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::SnapshotWindowTest)
#include "snapshot_window_test.moc"
