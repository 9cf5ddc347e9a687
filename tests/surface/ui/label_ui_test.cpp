#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <optional>
#include <vector>

#include "support/modal.h"
#include "support/surface_settings.h"
#include "surface/label_gestures.h"
#include "surface/selection_commands.h"
#include "surface/surface_model.h"
#include "surface/ui/compact_window.h"
#include "surface/ui/main_window.h"
#include "surface/ui/qt_color.h"

namespace quorvane {
namespace {

class NoDialogs : public SelectionInteraction {
 public:
  std::optional<QString> InputBox(const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  void ShowWarning(const QString&) override {}
};

QPoint CentreOf(const QWidget* w) {
  return w->mapToGlobal(w->rect().center());
}

void SendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
               QPoint global, Qt::KeyboardModifiers mods = {}) {
  QMouseEvent e(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button, held, mods);
  QApplication::sendEvent(target, &e);
}

// Whether `target` takes the drag's definition when it enters, and, if so, when dropped.
bool Enters(QWidget* target, const QMimeData* data) {
  QDragEnterEvent e(target->rect().center(), Qt::MoveAction, data, Qt::LeftButton, {});
  QApplication::sendEvent(target, &e);
  return e.isAccepted();
}
bool Drops(QWidget* target, const QMimeData* data) {
  QDropEvent e(QPointF(target->rect().center()), Qt::MoveAction, data, Qt::LeftButton, {});
  QApplication::sendEvent(target, &e);
  return e.isAccepted();
}

}  // namespace

class LabelUiTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    Fixture() {
      model.MutablePages().Initialize();
      model.SetOutputInUse(true);
      model.SetShortSender([this](std::uint8_t, std::uint8_t, std::uint8_t) {
        ++sent;
        return true;
      });
      window.BindBulkCommands(selection, dialogs);
      window.BindLabelGestures(gestures);
      window.SetNativeDialogs(false);
      model.ShowPage(1);
      window.show();
    }
    std::vector<int> SelectedOnPage1() const {
      std::vector<int> out;
      for (int s = 1; s <= kSlotCount; ++s) {
        if (model.Pages().at(1, s).selected) out.push_back(s);
      }
      return out;
    }
    SurfaceModel model;
    MainWindow window{model};
    SelectionCommands selection{model};
    LabelGestures gestures{model, selection};
    NoDialogs dialogs;
    int sent = 0;
  };

 private slots:
  void rightSweepTogglesEachLabelPassedOnce() {
    Fixture f;
    QLabel* pressed = f.window.NumberLabel(2);
    SendMouse(pressed, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton,
              CentreOf(pressed));
    // The moves come to the label pressed, wherever the cursor is.
    for (int s : {2, 3, 4, 5, 6, 5, 4, 3}) {
      SendMouse(pressed, QEvent::MouseMove, Qt::NoButton, Qt::RightButton,
                CentreOf(f.window.NumberLabel(s)));
    }
    SendMouse(pressed, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton,
              CentreOf(f.window.NumberLabel(3)));
    QCOMPARE(f.SelectedOnPage1(), (std::vector<int>{2, 3, 4, 5, 6}));
    QTRY_COMPARE(f.window.NumberLabel(4)->palette().color(QPalette::Window),
                 f.window.palette().color(QPalette::Highlight));
    QCOMPARE(f.sent, 0);
  }

  void leftDragOverAPageButtonAndDropSwaps() {
    Fixture f;
    const Tcontroller was_p1s3 = f.model.Definition(1, 3);
    const Tcontroller was_p2s7 = f.model.Definition(2, 7);
    int drags = 0;
    bool refused_on_itself = false;
    bool page_button_refused = false;
    bool dropped = false;
    f.window.SetDragRunner([&](QDrag& drag) {
      ++drags;
      const QMimeData* data = drag.mimeData();
      refused_on_itself = !Enters(f.window.NumberLabel(3), data);
      QToolButton* page2 = f.window.ToolButton(QStringLiteral("btnPage2"));
      page_button_refused = !Enters(page2, data);
      QTRY_VERIFY(Enters(f.window.NumberLabel(7), data));
      dropped = Drops(f.window.NumberLabel(7), data);
    });

    QLabel* label = f.window.NumberLabel(3);
    const QPoint start = CentreOf(label);
    SendMouse(label, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, start);
    SendMouse(label, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, start + QPoint(10, -10));
    QCOMPARE(drags, 0);
    SendMouse(label, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, start + QPoint(11, 0));
    QCOMPARE(drags, 1);

    QVERIFY(refused_on_itself);
    QVERIFY(page_button_refused);
    QVERIFY(dropped);
    QCOMPARE(f.model.CurrentPage(), 2);
    QVERIFY(f.window.MenuAction(Command::kLoadPage2)->isChecked());
    QVERIFY(f.window.ButtonAction(Command::kLoadPage2)->isChecked());
    QVERIFY(f.model.Definition(2, 7) == was_p1s3);
    QVERIFY(f.model.Definition(1, 3) == was_p2s7);
    QTRY_COMPARE(f.window.CaptionLabel(7)->text(), was_p1s3.caption);
    QCOMPARE(f.sent, 0);
  }

  void leftClickAsksForTheSlotSettings() {
    Fixture f;
    QSignalSpy spy(&f.window, &MainWindow::slotSettingsRequested);
    QLabel* label = f.window.NumberLabel(5);
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 5);
    QTest::mouseClick(label, Qt::RightButton);
    QCOMPARE(spy.count(), 1);
  }

  void captionClickPicksAColourAndRemembersIt() {
    Fixture f;
    const QColor navy(0, 0, 100);  // every component below 128: white text
    testing::WhenModal<QColorDialog>([&](QColorDialog* d) {
      d->setCurrentColor(navy);
      d->accept();
    });
    QTest::mouseClick(f.window.CaptionLabel(4), Qt::LeftButton);
    QCOMPARE(f.model.Definition(1, 4).color, FromQColor(navy));
    QTRY_COMPARE(f.window.CaptionLabel(4)->palette().color(QPalette::Window), navy);
    QTRY_COMPARE(f.window.CaptionLabel(4)->palette().color(QPalette::WindowText),
                 QColor(Qt::white));

    // The next dialog opens on that colour, not on the slot's; Cancel changes nothing.
    QColor opened_on;
    testing::WhenModal<QColorDialog>([&](QColorDialog* d) {
      opened_on = d->currentColor();
      d->reject();
    });
    QTest::mouseClick(f.window.CaptionLabel(9), Qt::LeftButton);
    QCOMPARE(opened_on, navy);
    QCOMPARE(f.model.Definition(1, 9).color, Tcontroller::Initial(9).color);
  }

  void clearLabelsActsOnTheSelection() {
    Fixture f;
    f.model.Definition(3, 1).selected = true;
    f.model.Definition(1, 2).selected = true;
    f.model.Definition(1, 2).color = 0x0000FF;
    f.window.MenuAction(Command::kClearLabels)->trigger();
    QVERIFY(f.model.Definition(3, 1).caption.isEmpty());
    QTRY_VERIFY(f.window.CaptionLabel(2)->text().isEmpty());
    QCOMPARE(f.model.Definition(1, 2).color, kDefaultColor);
    QTRY_COMPARE(f.window.CaptionLabel(3)->text(), Tcontroller::Initial(3).caption);
  }

  void compactViewStandsInForTheWindow() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    TCompactWindow* strip = f.window.CompactWindow();
    f.window.MenuAction(Command::kCompactView)->trigger();
    QVERIFY(!f.window.isVisible());
    QTRY_VERIFY(strip->isVisible());
    QTRY_COMPARE(strip->windowTitle(), QStringLiteral("Quorvane"));
    QTRY_COMPARE(strip->Caption(1)->text(), Tcontroller::Initial(1).caption);

    f.model.ShowPage(2);  // as the remote control does
    QTRY_COMPARE(strip->Caption(1)->text(), Tcontroller::Initial(25).caption);
    f.model.SetSlotColor(1, 0x000080);
    QTRY_COMPARE(strip->Caption(1)->palette().color(QPalette::Window), ToQColor(0x000080));

    // Minimised and restored, the strip comes back instead of the window.
    f.model.Window().Minimize();
    QVERIFY(f.model.Window().Minimized());
    f.model.Window().Restore();
    QVERIFY(!f.model.Window().Minimized());
    QTRY_VERIFY(strip->isVisible());
    QVERIFY(!f.window.isVisible());

    strip->close();  // its own close button: back to the full view
    QVERIFY(!f.model.Window().CompactView());
    QVERIFY(f.window.isVisible());
    QTRY_VERIFY(!strip->isVisible());
  }

  void alwaysOnTopFollowsItsItem() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QAction* item = f.window.MenuAction(Command::kAlwaysOnTop);
    QVERIFY(item->isEnabled());
    item->trigger();
    QVERIFY(f.model.Settings().always_on_top);
    QVERIFY(f.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(f.window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(f.window.isVisible());  // applied without re-creating the window
    item->trigger();
    QVERIFY(!f.model.Settings().always_on_top);
    QVERIFY(!f.window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));

    testing::SetSetting(f.model, &SurfaceSettings::always_on_top,
                        true);  // as the settings file does at start
    QVERIFY(item->isChecked());
    QVERIFY(f.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::LabelUiTest)
#include "label_ui_test.moc"
