#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <functional>
#include <memory>

#include "support/surface_settings.h"
#include "surface/selection_commands.h"
#include "surface/surface_model.h"
#include "surface/ui/bulk_send_window.h"
#include "surface/ui/main_window.h"
#include "surface/ui/randomize_factor_dialog.h"
#include "surface/ui/track_bar.h"

namespace quorvane {

using ModalAnswer = std::function<void(QWidget*)>;

// Answers the modal dialogs that come up next, one answer each, in order.
void AnswerModals(std::shared_ptr<std::deque<ModalAnswer>> answers,
                  QPointer<QWidget> previous = {}) {
  QTimer::singleShot(0, [answers, previous] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == previous.data()) {
      AnswerModals(answers, previous);  // not up yet
      return;
    }
    ModalAnswer answer = std::move(answers->front());
    answers->pop_front();
    if (!answers->empty()) AnswerModals(answers, modal);
    answer(modal);
  });
}

class SelectionUiTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    Fixture() {
      model.MutablePages().Initialize();
      testing::SetSetting(model, &SurfaceSettings::midi_delay, 0);
      model.SetShortSender([this](std::uint8_t, std::uint8_t d1, std::uint8_t d2) {
        sent.push_back({d1, d2});
        return true;
      });
      window.BindBulkCommands(selection, dialogs);
      model.ShowPage(1);
      window.show();
    }
    SurfaceModel model;
    MainWindow window{model};
    SelectionCommands selection{model};
    RandomizeFactorDialog dialogs{&window};
    std::vector<std::pair<int, int>> sent;
  };

  static void WaitForSends(SurfaceModel& m) { QTRY_COMPARE(m.Sends().RunningSends(), 0); }

  // Types `text` into the open input box and presses OK; records what the box showed.
  static ModalAnswer Type(const QString& text, QStringList* shown) {
    return [text, shown](QWidget* w) {
      auto* box = qobject_cast<QInputDialog*>(w);
      QVERIFY(box);
      *shown << box->windowTitle() << box->labelText() << box->textValue();
      auto* edit = box->findChild<QLineEdit*>();
      QVERIFY(edit);
      edit->selectAll();
      QTest::keyClicks(edit, text);
      box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
  }
  static ModalAnswer Cancel() {
    return [](QWidget* w) {
      auto* box = qobject_cast<QInputDialog*>(w);
      QVERIFY(box);
      box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    };
  }
  static ModalAnswer Acknowledge(QStringList* warnings) {
    return [warnings](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      QVERIFY(box);
      *warnings << box->windowTitle() + QStringLiteral(": ") + box->text();
      box->button(QMessageBox::Ok)->click();
    };
  }

 private slots:
  void selectionMenuPaintsTheNumberLabels() {
    Fixture f;
    QAction* all = f.window.MenuAction(Command::kSelectAll);
    QVERIFY(all->isEnabled());
    all->trigger();
    const QColor highlight = f.window.palette().color(QPalette::Highlight);
    QTRY_COMPARE(f.window.NumberLabel(5)->palette().color(QPalette::Window), highlight);
    f.model.ShowPage(3);
    f.window.MenuAction(Command::kDeselectAllOnPage)->trigger();
    QTRY_VERIFY(f.window.NumberLabel(5)->palette().color(QPalette::Window) != highlight);
    QVERIFY(f.model.MutablePages().at(1, 5).selected);
    QVERIFY(!f.model.MutablePages().at(3, 5).selected);
  }

  void rangeKeysOnAFocusedSlider() {
    Fixture f;
    TrackBar* slider = f.window.Slider(3);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Down);  // the thumb goes down one step
    const int value = 127 - slider->value();
    QCOMPARE(f.model.MutablePages().at(1, 3).value, value);
    QTest::keyClick(slider, 'U', Qt::ShiftModifier);
    QCOMPARE(f.model.MutablePages().at(1, 3).upper_range, 64);
    QTest::keyClick(slider, 'u');
    QCOMPARE(int(f.model.MutablePages().at(1, 3).upper_range), value);
    QTRY_COMPARE(slider->markerStart(), 127 - value);
    for (int i = 0; i < 10; ++i) QTest::keyClick(slider, Qt::Key_Down);
    QTest::keyClick(slider, 'l');
    QCOMPARE(int(f.model.MutablePages().at(1, 3).lower_range), value - 10);
    QTRY_COMPARE(slider->markerEnd(), 127 - (value - 10));
    QTest::keyClick(slider, 'c');
    QCOMPARE(f.model.MutablePages().at(1, 3).lower_range, 63);
    QTRY_COMPARE(slider->markerStart(), 64);
    QTRY_COMPARE(slider->markerEnd(), 64);
  }

  void groupMenuItemAndButtonMoveInStep() {
    Fixture f;
    QAction* item = f.window.MenuAction(Command::kGroupSelection);
    QToolButton* button = f.window.ToolButton(QStringLiteral("btnGroup"));
    QVERIFY(button->isEnabled());
    f.model.MutablePages().at(1, 1).value = 5;
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(f.model.GroupMode());
    QVERIFY(item->isChecked());
    QVERIFY(button->isChecked());
    QCOMPARE(f.model.GroupReference()[1], 5);
    item->trigger();
    QVERIFY(!f.model.GroupMode());
    QVERIFY(!button->isChecked());
    QVERIFY(!item->isChecked());
  }

  void factorDialogInsistsThenAccepts() {
    Fixture f;
    testing::SetSetting(f.model, &SurfaceSettings::randomize_factor, 50);
    QStringList shown, warnings;
    AnswerModals(std::make_shared<std::deque<ModalAnswer>>(
        std::deque<ModalAnswer>{Type(QStringLiteral("0"), &shown), Acknowledge(&warnings),
                                Type(QStringLiteral("abc"), &shown), Acknowledge(&warnings),
                                Type(QStringLiteral("75"), &shown)}));
    f.window.MenuAction(Command::kSetupRandomizeFactor)->trigger();
    QCOMPARE(f.model.Settings().randomize_factor, 75);
    QCOMPARE(warnings, QStringList(2, QStringLiteral("Warning: Invalid input.")));
    QCOMPARE(shown.mid(0, 3), (QStringList{QStringLiteral("Randomize Factor"),
                                           QStringLiteral("Enter a value between 1 and 100."),
                                           QStringLiteral("50")}));
    QCOMPARE(shown.at(5), QStringLiteral("50"));  // the factor again, not the rejected text
    QCOMPARE(shown.at(8), QStringLiteral("50"));
  }

  void cancellingTheFactorDialogKeepsTheFactor() {
    Fixture f;
    testing::SetSetting(f.model, &SurfaceSettings::randomize_factor, 33);
    AnswerModals(std::make_shared<std::deque<ModalAnswer>>(std::deque<ModalAnswer>{Cancel()}));
    f.window.MenuAction(Command::kSetupRandomizeFactor)->trigger();
    QCOMPARE(f.model.Settings().randomize_factor, 33);
    QVERIFY(!QApplication::activeModalWidget());
  }

  void sendWindowShowsDisablesAndStops() {
    Fixture f;
    testing::SetSetting(f.model, &SurfaceSettings::midi_delay, 20);
    f.model.SetOutputInUse(true);
    BulkSendWindow* w = f.window.SendWindow();
    QSignalSpy begun(&f.model.Sends(), &BulkSends::sendBegun);
    QToolButton* send_all = f.window.ToolButton(QStringLiteral("btlSendAll"));
    QVERIFY(send_all->isEnabled());
    QTest::mouseClick(send_all, Qt::LeftButton);
    QVERIFY(begun.wait());
    QVERIFY(w->isVisible());
    QVERIFY(w->isEnabled());
    QVERIFY(!f.window.isEnabled());
    QCOMPARE(w->size(), BulkSendWindow::kClientSize);
    QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w->Label()->text(), QStringLiteral("Sending MIDI data, please wait...."));
    QCOMPARE(w->Button1()->text(), QStringLiteral("&Stop"));
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QTest::mouseClick(w->Button1(), Qt::LeftButton);
    QVERIFY(!w->isVisible());
    WaitForSends(f.model);
    QVERIFY(f.window.isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(f.sent.size() < 120);  // stopped early
    QVERIFY(!f.sent.empty());
  }

  void closingTheSendWindowStopsTheSend() {
    Fixture f;
    testing::SetSetting(f.model, &SurfaceSettings::midi_delay, 20);
    QSignalSpy begun(&f.model.Sends(), &BulkSends::sendBegun);
    QSignalSpy ended(&f.model.Sends(), &BulkSends::sendEnded);
    f.window.MenuAction(Command::kSendCurrentPage)->trigger();
    QVERIFY(begun.wait());
    f.window.SendWindow()->close();
    QVERIFY(f.model.Sends().StopRequest().IsRequested());
    WaitForSends(f.model);
    QCOMPARE(ended.count(), 1);
  }

  void randomizeButtonChangesTheSelectionAndSendsIt() {
    Fixture f;
    f.model.SetOutputInUse(true);
    testing::SetSetting(f.model, &SurfaceSettings::randomize_factor, 100);
    f.model.MutablePages().at(1, 2).lower_range = 10;
    f.model.MutablePages().at(1, 2).upper_range = 20;
    f.model.MutablePages().at(1, 2).selected = true;
    f.model.ShowPage(1);
    QSignalSpy ended(&f.model.Sends(), &BulkSends::sendEnded);
    QTest::mouseClick(f.window.ToolButton(QStringLiteral("btnRandomize")), Qt::LeftButton);
    QTRY_COMPARE(ended.count(), 1);
    const int v = f.model.MutablePages().at(1, 2).value;
    QVERIFY(v >= 10 && v < 20);
    QTRY_COMPARE(f.window.ValueDisplay(2)->text(), QString::number(v));
    QTRY_COMPARE(f.window.Slider(2)->value(), 127 - v);
    QCOMPARE(f.sent, (std::vector<std::pair<int, int>>{{2, v}}));
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::SelectionUiTest)
#include "selection_ui_test.moc"
