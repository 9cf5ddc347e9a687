#include "morph/ui/vector_controller_window.h"

#include <QApplication>
#include <QBitmap>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>
#include <vector>

#include "support/looks.h"
#include "surface/surface_model.h"

namespace quorvane {

class VectorControllerWindowTest : public QObject {
  Q_OBJECT

 private:
  struct Sent {
    int ctrl, value;
    bool operator==(const Sent&) const = default;
  };

  std::unique_ptr<SurfaceModel> model;
  std::unique_ptr<TVectorController> window;
  std::vector<Sent> sent;

  // A mouse event as the pad receives it, with buttons and keys held as given.
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
             Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QWidget* pad = window->Pad();
    QMouseEvent event(type, at, pad->mapToGlobal(at), button, held, keys);
    QApplication::sendEvent(pad, &event);
  }
  void Move(QPoint at, Qt::MouseButtons held, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    Mouse(QEvent::MouseMove, at, Qt::NoButton, held, keys);
  }
  void Release(QPoint at, Qt::MouseButton button) {
    Mouse(QEvent::MouseButtonRelease, at, button, Qt::NoButton);
  }
  QString Readouts() const {
    return window->ReadoutX()->text() + QLatin1Char('/') + window->ReadoutY()->text();
  }
  // X1 drives definition 1 (range 100/20), Y2 definition 30 (no range).
  void AssignTwo() {
    window->List(0)->setCurrentIndex(1);
    window->List(5)->setCurrentIndex(30);
  }

 private slots:
  void init() {
    model = std::make_unique<SurfaceModel>();
    model->MutablePages().Initialize();
    model->ShowPage(1);
    model->SetOutputInUse(true);
    model->SetShortSender([this](std::uint8_t, std::uint8_t c, std::uint8_t v) {
      sent.push_back({c, v});
      return true;
    });
    Tcontroller& d = model->MutablePages().byNumber(1);
    d.upper_range = 100;
    d.lower_range = 20;
    window = std::make_unique<TVectorController>(*model);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }
  void cleanup() {
    window.reset();
    model.reset();
    sent.clear();
  }

  void looksAsDesigned() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Vector Controller"));
    QCOMPARE(window->size(), QSize(575, 333));
    QCOMPARE(window->Pad()->size(), QSize(327, 327));
    const QCursor cursor = window->Pad()->cursor();
    QCOMPARE(cursor.shape(), Qt::BitmapCursor);
    QCOMPARE(cursor.hotSpot(), QPoint(16, 16));
    QCOMPARE(cursor.bitmap().size(), QSize(32, 32));
    QCOMPARE(cursor.mask().size(), QSize(32, 32));
    QCOMPARE(Readouts(), QStringLiteral("0/0"));
    const QStringList names{"cbX1", "cbX2", "cbX3", "cbX4", "cbY1", "cbY2", "cbY3", "cbY4"};
    for (int k = 0; k < 8; ++k) {
      QComboBox* list = window->List(k);
      QCOMPARE(list->objectName(), names[k]);
      QVERIFY(!list->isEditable());
      QCOMPARE(list->maxVisibleItems(), 24);
      QCOMPARE(list->count(), 121);
      QCOMPARE(list->currentIndex(), 0);
      QCOMPARE(list->itemText(0), QStringLiteral("none"));
      QCOMPARE(list->itemText(1), QStringLiteral("1) Slider 1 (1)"));
      QCOMPARE(list->itemText(2), QStringLiteral("2) Slider 2 (2)"));
    }
    QCOMPARE(window->CloseButton()->text(), QStringLiteral("Close"));
    // The pad shows a picture, not a plain black square.
    const QImage shown = window->Pad()->grab().toImage();
    QCOMPARE(shown.pixelColor(0, 0), QColor(Qt::black));
    bool drawn = false;
    for (int x = 0; x < shown.width() && !drawn; ++x)
      drawn = shown.pixelColor(x, shown.height() / 2) != QColor(Qt::black);
    QVERIFY(drawn);
  }

  void listsDropDownAScreenfulAndLookDisabledWhenTheyAre() {
    QCOMPARE(testing::LookFaults(*window), QStringList());
  }

  void readoutsFollowEveryMoveAndClampAtTheEdges() {
    AssignTwo();
    struct Case {
      QPoint at;
      const char* shown;
    };
    const Case cases[] = {{{0, 320}, "0/0"},
                          {{324, 8}, "127/127"},
                          {{162, 164}, "64/64"},
                          {{400, 330}, "127/0"},
                          {{-20, -40}, "0/127"}};
    for (const Case& c : cases) {
      Move(c.at, Qt::NoButton);  // hovering
      QCOMPARE(Readouts(), QString::fromLatin1(c.shown));
    }
    QVERIFY(sent.empty());
  }

  void aLeftDragSendsButNotWithShiftHeld() {
    AssignTwo();
    Move({324, 8}, Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(Readouts(), QStringLiteral("127/127"));
    QVERIFY(sent.empty());
    Move({324, 8}, Qt::LeftButton | Qt::RightButton);
    QVERIFY(sent.empty());
    Move({324, 164}, Qt::LeftButton);
    QCOMPARE(Readouts(), QStringLiteral("127/64"));
    QCOMPARE(sent, (std::vector<Sent>{{1, 100}, {30, 64}}));
    QCOMPARE(model->MutablePages().byNumber(1).value, 100);
    QCOMPARE(model->View(1).value_text, QStringLiteral("100"));
  }

  void anyReleaseSendsAtTheClampedPosition() {
    AssignTwo();
    Move({100, 100}, Qt::LeftButton, Qt::ShiftModifier);
    QVERIFY(sent.empty());
    Release({-20, 330}, Qt::LeftButton);
    QCOMPARE(Readouts(), QStringLiteral("0/0"));
    QCOMPARE(sent, (std::vector<Sent>{{1, 20}, {30, 0}}));
    Release({162, 164}, Qt::RightButton);
    QCOMPARE(sent.size(), 4u);
    QCOMPARE(sent[3], (Sent{30, 64}));
  }

  void withEveryListAtNoneThePadOnlyShows() {
    Move({200, 50}, Qt::LeftButton);
    Release({200, 50}, Qt::LeftButton);
    QCOMPARE(Readouts(), QStringLiteral("78/110"));
    QVERIFY(sent.empty());
  }

  void choosingAnEntryAssignsItsDefinition() {
    window->List(1)->setCurrentIndex(120);
    window->List(6)->setCurrentIndex(7);
    QCOMPARE(window->XAssignments(), (VectorAssignments::Axis{-1, 119, -1, -1}));
    QCOMPARE(window->YAssignments(), (VectorAssignments::Axis{-1, -1, 6, -1}));
    window->List(1)->setCurrentIndex(0);
    QCOMPARE(window->XAssignments()[1], -1);
    window->SetAssignments({3, -1, -1, 200}, {-1, 0, -1, -1});
    QCOMPARE(window->List(0)->currentIndex(), 4);
    QCOMPARE(window->List(3)->currentIndex(), 0);
    QCOMPARE(window->List(5)->currentIndex(), 1);
    QCOMPARE(window->XAssignments(), (VectorAssignments::Axis{3, -1, -1, -1}));
  }

  void rebuiltListsShowNewDefinitionsAndKeepEachAssignment() {
    window->SetAssignments({4, -1, 119, -1}, {-1, 9, -1, 0});
    TPageSet& pages = model->MutablePages();
    for (int n = 1; n <= kDefinitionCount; ++n) {
      pages.byNumber(n).caption = QStringLiteral("Loaded %1").arg(n);
      pages.byNumber(n).ctrl = static_cast<std::uint8_t>(n % 100);
    }
    window->FillVectorLists();
    const std::vector<int> rows{5, 0, 120, 0, 0, 10, 0, 1};
    for (int k = 0; k < 8; ++k) {
      QComboBox* list = window->List(k);
      QCOMPARE(list->count(), 121);
      QCOMPARE(list->currentIndex(), rows[static_cast<std::size_t>(k)]);
      QCOMPARE(list->itemText(120), QStringLiteral("120) Loaded 120 (20)"));
    }
    QCOMPARE(window->XAssignments(), (VectorAssignments::Axis{4, -1, 119, -1}));
    QCOMPARE(window->YAssignments(), (VectorAssignments::Axis{-1, 9, -1, 0}));
  }

  void oneEntryIsRewrittenInEveryListKeepingTheChoices() {
    window->SetAssignments({11, -1, -1, -1}, {-1, -1, -1, 11});
    Tcontroller& d = model->MutablePages().byNumber(12);
    d.caption = QStringLiteral("Resonance");
    d.ctrl = 71;
    window->UpdateVectorEntry(12);
    for (int k = 0; k < 8; ++k) {
      QCOMPARE(window->List(k)->itemText(12), QStringLiteral("12) Resonance (71)"));
      QCOMPARE(window->List(k)->itemText(13), QStringLiteral("13) Slider 13 (13)"));
    }
    QCOMPARE(window->List(0)->currentIndex(), 12);
    QCOMPARE(window->List(7)->currentIndex(), 12);
    QCOMPARE(window->List(1)->currentIndex(), 0);
    QCOMPARE(window->XAssignments()[0], 11);
  }

  void closeAndEscapeCloseTheWindow() {
    QSignalSpy closed(window.get(), &TVectorController::closed);
    QTest::mouseClick(window->CloseButton(), Qt::LeftButton);
    QVERIFY(!window->isVisible());
    QCOMPARE(closed.count(), 1);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    QCOMPARE(closed.count(), 2);
    window->show();
    window->hide();  // hidden from the menu: not a close
    QCOMPARE(closed.count(), 2);
  }

  void disabledWhileABulkSendRuns() {
    emit model->Sends().sendBegun();
    QVERIFY(!window->isEnabled());
    emit model->Sends().sendEnded();
    QVERIFY(window->isEnabled());
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::VectorControllerWindowTest)
#include "vector_controller_window_test.moc"
