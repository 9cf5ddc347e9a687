#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <tuple>
#include <vector>

#include "keyboard/keyboard_sender.h"
#include "keyboard/ui/keys_widget.h"
#include "keyboard/ui/midi_keyboard_window.h"
#include "support/looks.h"

namespace quorvane {

using Sent = std::tuple<int, int, int>;

class MidiKeyboardWindowTest : public QObject {
  Q_OBJECT

 private:
  static void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
                    Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  static void Press(QWidget* w, QPoint at) {
    Mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  }
  static void Glide(QWidget* w, QPoint at) {
    Mouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
  }
  static void Release(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(w, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
  }
  static QRgb Pixel(QWidget* w, QPoint at) { return w->grab().toImage().pixel(at) & 0xFFFFFFu; }

  std::vector<Sent> sent_;
  bool output_in_use_ = true;
  KeyboardSender sender_{[this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
                           sent_.emplace_back(s, d1, d2);
                           return true;
                         },
                         [] { return 1; }, [this] { return output_in_use_; }};

 private slots:
  void init() {
    sent_.clear();
    output_in_use_ = true;
  }

  void laysOutTheWindowAsDesigned() {
    TMidiKeyboardWindow w(sender_);
    QCOMPARE(w.size(), QSize(476, 98));
    QCOMPARE(w.windowTitle(), QStringLiteral("MIDI Keyboard"));
    QVERIFY(w.windowFlags().testFlag(Qt::Tool));
    QCOMPARE(w.Keys()->geometry(), QRect(2, 36, 473, 59));
    QCOMPARE(w.Keys()->NoteWidth(), 11);
    QCOMPARE(w.Keys()->BaseOctave(), 2);
    QCOMPARE(w.Keys()->cursor().shape(), Qt::PointingHandCursor);
    for (QComboBox* list : {w.BankList(), w.ProgramList()}) {
      QCOMPARE(list->count(), 128);
      QCOMPARE(list->itemText(0), QStringLiteral("1"));
      QCOMPARE(list->itemText(127), QStringLiteral("128"));
      QCOMPARE(list->currentIndex(), 0);
    }
    QCOMPARE(w.PanicButton()->text(), QStringLiteral("Panic"));
    QCOMPARE(w.PanicButton()->geometry(), QRect(434, 4, 35, 20));
    // Each list's arrows right beside it; the captions' font decides where the lists begin.
    QCOMPARE(w.BankUpDown()->geometry(), QRect(w.BankList()->geometry().right() + 2, 4, 12, 20));
    QCOMPARE(w.ProgramUpDown()->geometry(),
             QRect(w.ProgramList()->geometry().right() + 2, 4, 12, 20));
  }

  // Captions whole beside their lists, which drop down a screenful and look their state.
  void captionsAndListsShowWhole() {
    TMidiKeyboardWindow w(sender_);
    w.show();
    QCOMPARE(testing::LookFaults(w), QStringList());
  }

  void drawsAPianoOfFortyThreeWhiteKeys() {
    TMidiKeyboardWindow w(sender_);
    const QImage image = w.Keys()->grab().toImage();
    // Below the black keys a row crosses the 42 separators between 43 white keys.
    int separators = 0;
    for (int x = 1; x < 472; ++x)
      if ((image.pixel(x, 50) & 0xFFFFFFu) == 0) ++separators;
    QCOMPARE(separators, 42);
    // Along the back edge, black keys of width 7 come in groups of two and three.
    std::vector<int> starts;
    for (int x = 1; x < 472;) {
      int run = 0;
      while (x + run < 472 && (image.pixel(x + run, 10) & 0xFFFFFFu) == 0) ++run;
      if (run == 7) starts.push_back(x);  // single dark pixels are separators
      x += run > 0 ? run : 1;
    }
    QCOMPARE(starts.size(), std::size_t{30});
    std::vector<int> first_gaps;
    for (std::size_t n = 1; n <= 5; ++n) first_gaps.push_back(starts[n] - starts[n - 1]);
    QCOMPARE(first_gaps, (std::vector<int>{13, 20, 12, 12, 20}));
  }

  void playsWithTheMouseAndGlidesOffBeforeOn() {
    TMidiKeyboardWindow w(sender_);
    TKeys* keys = w.Keys();
    QSignalSpy ons(keys, &TKeys::noteOn);
    Press(keys, {5, 36});
    Glide(keys, {8, 40});  // same key: nothing
    Glide(keys, {16, 40});
    Glide(keys, {27, 40});
    Release(keys, {27, 40});
    QCOMPARE(sent_, (std::vector<Sent>{{0x90, 24, 77},
                                       {0x90, 24, 0},
                                       {0x90, 26, 86},
                                       {0x90, 26, 0},
                                       {0x90, 28, 86},
                                       {0x90, 28, 0}}));
    QCOMPARE(ons.count(), 3);
    sent_.clear();
    Mouse(keys, QEvent::MouseButtonPress, {5, 36}, Qt::RightButton, Qt::RightButton);
    QVERIFY(sent_.empty());
  }

  void aRightReleaseWithNoNotePlayedSendsNothing() {
    TMidiKeyboardWindow w(sender_);
    Release(w.Keys(), {5, 36}, Qt::RightButton);
    QVERIFY(sent_.empty());
  }

  void showsAHeldKeyPressedOnEveryRepaint() {
    TMidiKeyboardWindow w(sender_);
    TKeys* keys = w.Keys();
    QCOMPARE(Pixel(keys, {5, 45}), QRgb{0xFFFFFF});
    QCOMPARE(Pixel(keys, {10, 10}), QRgb{0x000000});
    Press(keys, {5, 45});
    QCOMPARE(Pixel(keys, {5, 45}), QRgb{0x000000});
    QCOMPARE(Pixel(keys, {5, 45}), QRgb{0x000000});  // a second repaint keeps it
    Glide(keys, {10, 10});                           // onto C#: its face turns white
    QCOMPARE(Pixel(keys, {10, 10}), QRgb{0xFFFFFF});
    QCOMPARE(Pixel(keys, {5, 45}), QRgb{0xFFFFFF});
    Release(keys, {10, 10});
    QCOMPARE(Pixel(keys, {10, 10}), QRgb{0x000000});
  }

  void playsVerticallyWithLowNotesAtTheBottom() {
    TKeys keys;
    keys.SetOrientation(TKeyboardOrientation::kbVertical);
    keys.resize(50, 200);
    QSignalSpy ons(&keys, &TKeys::noteOn);
    QSignalSpy offs(&keys, &TKeys::noteOff);
    Press(&keys, {45, 198});  // bottom, front edge: the lowest C
    Glide(&keys, {10, 188});  // one key up, at the back: C#
    Release(&keys, {10, 188});
    QCOMPARE(ons.count(), 2);
    QCOMPARE(ons.at(0).at(0).toInt(), 36);
    QCOMPARE(ons.at(1).at(0).toInt(), 37);
    QCOMPARE(offs.count(), 2);
    QCOMPARE(offs.at(1).at(0).toInt(), 37);
    QCOMPARE(offs.at(1).at(1).toInt(), 0);
    // Its black keys sit along the left edge.
    QCOMPARE(Pixel(&keys, {10, 190}), QRgb{0x000000});
    QCOMPARE(Pixel(&keys, {40, 190}), QRgb{0xFFFFFF});
  }

  void panicSendsAllNotesOff() {
    TMidiKeyboardWindow w(sender_);
    QTest::mouseClick(w.PanicButton(), Qt::LeftButton);
    QCOMPARE(sent_, (std::vector<Sent>{{0xB0, 123, 0}}));
  }

  void listsSendOnceAndTheUpDownsFollow() {
    TMidiKeyboardWindow w(sender_);
    w.ProgramList()->setCurrentIndex(8);
    QVERIFY2(sent_.empty(), "selecting from code sends nothing");
    QTest::keyClick(w.ProgramList(), Qt::Key_Down);  // entry "10"
    QCOMPARE(sent_, (std::vector<Sent>{{0xC0, 9, 0}}));
    QCOMPARE(w.ProgramUpDown()->Position(), 9);
    sent_.clear();
    w.BankList()->setCurrentIndex(1);
    QTest::keyClick(w.BankList(), Qt::Key_Down);  // entry "3"
    QCOMPARE(sent_, (std::vector<Sent>{{0xB0, 32, 2}, {0xC0, 9, 0}}));
    QCOMPARE(w.BankUpDown()->Position(), 2);
    sent_.clear();
    QTest::mouseClick(w.BankUpDown()->Up(), Qt::LeftButton);
    QCOMPARE(sent_, (std::vector<Sent>{{0xB0, 32, 3}, {0xC0, 9, 0}}));
    QCOMPARE(w.BankList()->currentIndex(), 3);
  }

  void theProgramUpDownDoesNotWrap() {
    TMidiKeyboardWindow w(sender_);
    QTest::keyClick(w.ProgramList(), Qt::Key_End);
    QCOMPARE(w.ProgramUpDown()->Position(), 127);
    sent_.clear();
    QTest::mouseClick(w.ProgramUpDown()->Up(), Qt::LeftButton);
    QVERIFY(sent_.empty());
    QCOMPARE(w.ProgramList()->currentIndex(), 127);
    QTest::mouseClick(w.ProgramUpDown()->Down(), Qt::LeftButton);
    QCOMPARE(sent_, (std::vector<Sent>{{0xC0, 126, 0}}));
    QCOMPARE(w.ProgramList()->currentIndex(), 126);
    sent_.clear();
    TMidiKeyboardWindow fresh(sender_);
    QTest::mouseClick(fresh.BankUpDown()->Down(), Qt::LeftButton);
    QVERIFY(sent_.empty());
  }

  void withoutAnOutputKeysStillDrawButNothingIsSent() {
    output_in_use_ = false;
    TMidiKeyboardWindow w(sender_);
    Press(w.Keys(), {5, 45});
    QVERIFY(w.Keys()->State().IsPressed(24));
    QCOMPARE(Pixel(w.Keys(), {5, 45}), QRgb{0x000000});
    Release(w.Keys(), {5, 45});
    QTest::mouseClick(w.PanicButton(), Qt::LeftButton);
    QVERIFY(sent_.empty());
  }

  void playsFromTheComputerKeyboardWithoutRepeats() {
    TMidiKeyboardWindow w(sender_);
    QTest::keyPress(&w, Qt::Key_A);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true);
    QApplication::sendEvent(&w, &repeat);
    QVERIFY(w.Keys()->State().IsPressed(60));
    QTest::keyPress(&w, Qt::Key_X);  // an octave up
    QTest::keyPress(&w, Qt::Key_W);
    QTest::keyRelease(&w, Qt::Key_A);
    QTest::keyRelease(&w, Qt::Key_W);
    QCOMPARE(sent_,
             (std::vector<Sent>{{0x90, 60, 100}, {0x90, 73, 100}, {0x90, 60, 0}, {0x90, 73, 0}}));
    QVERIFY(w.Keys()->State().PressedNotes().none());
    // Letters typed while a list has focus play as well; the list keeps its entry.
    sent_.clear();
    QTest::keyPress(w.ProgramList(), Qt::Key_S);
    QTest::keyRelease(w.ProgramList(), Qt::Key_S);
    QCOMPARE(sent_, (std::vector<Sent>{{0x90, 74, 100}, {0x90, 74, 0}}));
    QCOMPARE(w.ProgramList()->currentIndex(), 0);
    // With Ctrl the key is a shortcut, not a note.
    sent_.clear();
    QTest::keyPress(&w, Qt::Key_K, Qt::ControlModifier);
    QVERIFY(sent_.empty());
  }

  void losingActivationEndsHeldKeys() {
    TMidiKeyboardWindow w(sender_);
    QWidget other;
    w.show();
    other.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyPress(&w, Qt::Key_A);
    QVERIFY(w.Keys()->State().IsPressed(60));
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_VERIFY(w.Keys()->State().PressedNotes().none());
    QCOMPARE(sent_, (std::vector<Sent>{{0x90, 60, 100}, {0x90, 60, 0}}));
    QTest::keyRelease(&w, Qt::Key_A);
    QCOMPARE(sent_.size(), std::size_t{2});
  }

  void hidingOrClosingEndsSoundingNotes() {
    TMidiKeyboardWindow w(sender_);
    QSignalSpy closed(&w, &TMidiKeyboardWindow::closed);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    Press(w.Keys(), {5, 45});
    w.hide();
    QCOMPARE(sent_, (std::vector<Sent>{{0x90, 24, 96}, {0x90, 24, 0}}));
    QVERIFY(w.Keys()->State().PressedNotes().none());
    QCOMPARE(closed.count(), 0);
    w.show();
    sent_.clear();
    Press(w.Keys(), {16, 45});
    w.close();
    QCOMPARE(closed.count(), 1);
    QCOMPARE(sent_, (std::vector<Sent>{{0x90, 26, 96}, {0x90, 26, 0}}));
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::MidiKeyboardWindowTest)
#include "midi_keyboard_window_test.moc"
