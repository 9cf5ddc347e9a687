#include "surface/ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <memory>
#include <tuple>
#include <vector>

#include "surface/surface_model.h"
#include "surface/ui/activity_indicator.h"
#include "surface/ui/commands.h"
#include "surface/ui/track_bar.h"

namespace quorvane {

using Sent = std::tuple<int, int, int>;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<SurfaceModel> model;
  std::unique_ptr<MainWindow> window;
  std::vector<Sent> sent;

  // Model as start-up leaves it: default definitions, page 1 shown, no output port.
  void Open() {
    model = std::make_unique<SurfaceModel>();
    model->MutablePages().Initialize();
    model->SetShortSender([this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
      sent.emplace_back(s, d1, d2);
      return true;
    });
    model->ShowPage(1);
    window = std::make_unique<MainWindow>(*model);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }
  void Activate() {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
  }
  QColor Background(QWidget* w) const { return w->palette().color(QPalette::Window); }
  QColor Text(QWidget* w) const { return w->palette().color(QPalette::WindowText); }
  QStringList NumberTexts() const {
    QStringList out;
    for (int s = 1; s <= kSlotCount; ++s) out << window->NumberLabel(s)->text();
    return out;
  }
  QStringList Expected(int first) const {
    QStringList out;
    for (int n = first; n < first + kSlotCount; ++n) out << QString::number(n);
    return out;
  }

 private slots:
  void init() {
    sent.clear();
    Open();
  }
  void cleanup() {
    window.reset();
    model.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
  }

  void showsFirstPageAtStart() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvane"));
    QCOMPARE(window->findChildren<TrackBar*>().size(), kSlotCount);
    for (int s = 1; s <= kSlotCount; ++s) {
      TrackBar* slider = window->Slider(s);
      QTRY_COMPARE(window->CaptionLabel(s)->text(), QStringLiteral("Slider %1").arg(s));
      QTRY_COMPARE(window->ValueDisplay(s)->text(), QStringLiteral("127"));
      QTRY_COMPARE(window->NumberLabel(s)->text(), QString::number(s));
      QTRY_COMPARE(slider->value(), 0);
      QTRY_COMPARE(slider->minimum(), 0);
      QTRY_COMPARE(slider->maximum(), 127);
      QTRY_VERIFY(slider->isEnabled());
      QTRY_VERIFY(window->SlotButton(s)->isChecked());
      // Fresh bounds 64/64: a single marker position.
      QTRY_COMPARE(slider->markerStart(), 63);
      QTRY_COMPARE(slider->markerEnd(), 63);
    }
    // Position 0 is drawn at the top.
    QTRY_VERIFY(window->Slider(1)->pixelForPosition(0) < window->Slider(1)->pixelForPosition(127));
    QTRY_COMPARE(window->NumberLabel(1)->toolTip(),
                 QStringLiteral("Label: Slider 1\r\nController: 1\r\nChannel: Global"));
    QTRY_COMPARE(Background(window->CaptionLabel(1)), QColor(0xFF, 0xFF, 0xEE));
    QTRY_COMPARE(Text(window->CaptionLabel(1)), QColor(Qt::black));
    QTRY_COMPARE(Background(window->ValueDisplay(1)), QColor(Qt::black));
    QTRY_COMPARE(Text(window->ValueDisplay(1)), QColor(Qt::white));
    QVERIFY(window->MenuAction(Command::kLoadPage1)->isChecked());
    QVERIFY(window->ButtonAction(Command::kLoadPage1)->isChecked());
  }

  void laysOutColumnsAsDesigned() {
    QTRY_COMPARE(window->NumberLabel(3)->geometry(), QRect(98, 2, 35, 24));
    QTRY_COMPARE(window->ValueDisplay(3)->geometry(), QRect(100, 35, 31, 16));
    QTRY_COMPARE(window->Slider(3)->geometry(), QRect(105, 55, 20, 180));
    QTRY_COMPARE(window->SlotButton(3)->geometry(), QRect(104, 238, 22, 16));
    QTRY_COMPARE(window->CaptionLabel(24)->geometry(), QRect(48 * 23 - 2, 258, 45, 39));
    QTRY_COMPARE(window->NumberLabel(1)->font().pixelSize(), 19);
    QTRY_VERIFY(window->CaptionLabel(1)->wordWrap());
    QTRY_COMPARE(window->CaptionLabel(1)->cursor().shape(), Qt::PointingHandCursor);
    QTRY_COMPARE(window->NumberLabel(1)->cursor().shape(), Qt::PointingHandCursor);
    // 24 columns do not fit the designed width: the area scrolls sideways.
    QScrollBar* bar = window->SlotArea()->horizontalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    QTRY_VERIFY(!window->CaptionLabel(24)->visibleRegion().isEmpty());
  }

  void functionKeySwitchesPageAndNumbering() {
    Activate();
    QTest::keyClick(window.get(), Qt::Key_F3);
    QTRY_COMPARE(model->CurrentPage(), 3);
    QTRY_COMPARE(window->CaptionLabel(1)->text(), QStringLiteral("Slider 49"));
    QTRY_COMPARE(NumberTexts(), Expected(1));
    QVERIFY(window->MenuAction(Command::kLoadPage3)->isChecked());
    QVERIFY(window->ButtonAction(Command::kLoadPage3)->isChecked());
    QVERIFY(!window->ButtonAction(Command::kLoadPage1)->isChecked());

    QTest::mouseClick(window->ToolButton(QStringLiteral("btnUpdateSliderNumbers")), Qt::LeftButton);
    QVERIFY(model->Settings().update_slider_numbers);
    QVERIFY(window->MenuAction(Command::kUpdateSliderNumbers)->isChecked());
    QTRY_COMPARE(NumberTexts(), Expected(49));

    window->MenuAction(Command::kUpdateSliderNumbers)->trigger();
    QVERIFY(!model->Settings().update_slider_numbers);
    QVERIFY(!window->ButtonAction(Command::kUpdateSliderNumbers)->isChecked());
    QTRY_COMPARE(NumberTexts(), Expected(1));
  }

  void pageButtonsAndMenuStayInStep() {
    QTest::mouseClick(window->ToolButton(QStringLiteral("btnPage5")), Qt::LeftButton);
    QCOMPARE(model->CurrentPage(), 5);
    QTRY_COMPARE(window->CaptionLabel(24)->text(), QStringLiteral("Slider 120"));
    QVERIFY(window->MenuAction(Command::kLoadPage5)->isChecked());
    QVERIFY(!window->MenuAction(Command::kLoadPage1)->isChecked());

    window->MenuAction(Command::kLoadPage2)->trigger();
    QCOMPARE(model->CurrentPage(), 2);
    QVERIFY(window->ToolButton(QStringLiteral("btnPage2"))->isChecked());
    QVERIFY(!window->ToolButton(QStringLiteral("btnPage5"))->isChecked());

    // A page shown by the model itself (remote control, file load) moves both marks.
    model->ShowPage(4);
    QVERIFY(window->MenuAction(Command::kLoadPage4)->isChecked());
    QVERIFY(window->ToolButton(QStringLiteral("btnPage4"))->isChecked());
  }

  void disabledSlotLooksGrey() {
    Tcontroller& d = model->MutablePages().at(1, 5);
    d.enabled = false;
    d.value = 42;
    d.color = 0x0000FF;
    d.selected = true;
    model->MutablePages().at(1, 6).color = 0x7F7F7F;
    model->ShowPage(1);
    QTRY_VERIFY(!window->Slider(5)->isEnabled());
    QTRY_VERIFY(!window->SlotButton(5)->isEnabled());
    QTRY_COMPARE(Background(window->CaptionLabel(5)), QColor(0x80, 0x80, 0x80));
    QTRY_COMPARE(Text(window->CaptionLabel(5)), QColor(0xC0, 0xC0, 0xC0));
    QTRY_COMPARE(Text(window->ValueDisplay(5)), QColor(0xC0, 0xC0, 0xC0));
    QTRY_COMPARE(window->ValueDisplay(5)->text(), QStringLiteral("42"));
    QTRY_COMPARE(window->Slider(5)->value(), 85);
    QTRY_VERIFY(window->Slider(6)->isEnabled());
    QTRY_COMPARE(Background(window->CaptionLabel(6)), QColor(0x7F, 0x7F, 0x7F));
    QTRY_COMPARE(Text(window->CaptionLabel(6)), QColor(Qt::white));
    // Selected look on the number label.
    const QPalette& pal = window->palette();
    QTRY_COMPARE(Background(window->NumberLabel(5)), pal.color(QPalette::Highlight));
    QTRY_COMPARE(Text(window->NumberLabel(5)), pal.color(QPalette::HighlightedText));
    QTRY_COMPARE(Background(window->NumberLabel(6)), pal.color(QPalette::Button));
  }

  void rangeMarkerFollowsTheBounds() {
    Tcontroller& d = model->MutablePages().at(1, 2);
    d.upper_range = 20;
    d.lower_range = 100;
    model->ShowPage(1);
    QTRY_COMPARE(window->Slider(2)->markerStart(), 27);
    QTRY_COMPARE(window->Slider(2)->markerEnd(), 107);
    // The marker is painted beside the groove, between its two end rows.
    TrackBar* bar = window->Slider(2);
    const QImage image = bar->grab().toImage();
    const QColor mark = bar->markerColor();
    const int mid = (bar->pixelForPosition(27) + bar->pixelForPosition(107)) / 2;
    QCOMPARE(image.pixelColor(0, mid), mark);
    QVERIFY(image.pixelColor(0, bar->pixelForPosition(10)) != mark);
  }

  void draggingASliderSetsTheValue() {
    model->SetOutputInUse(true);
    TrackBar* bar = window->Slider(2);
    const QPoint thumb(bar->width() / 2, bar->pixelForPosition(0));
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, thumb);
    QTest::mouseMove(bar, QPoint(thumb.x(), bar->pixelForPosition(27)));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier,
                        QPoint(thumb.x(), bar->pixelForPosition(27)));
    QTRY_COMPARE(int(model->MutablePages().at(1, 2).value), 100);
    QTRY_COMPARE(window->ValueDisplay(2)->text(), QStringLiteral("100"));
    QVERIFY(!sent.empty());
    QCOMPARE(sent.back(), Sent(0xB0, 2, 100));
    QTRY_COMPARE(window->StatusPanel(2)->text(), QStringLiteral("2"));
    QTRY_COMPARE(window->StatusPanel(4)->text(), QStringLiteral("100"));
  }

  void arrowKeysMoveTheFocusedSlider() {
    Activate();
    model->SetOutputInUse(true);
    TrackBar* bar = window->Slider(7);
    bar->setFocus();
    QTRY_VERIFY(bar->hasFocus());
    QCOMPARE(model->Gestures().ActiveSlot(), 7);
    QTest::keyClick(bar, Qt::Key_Down);
    QCOMPARE(int(model->MutablePages().at(1, 7).value), 126);
    QTRY_COMPARE(window->ValueDisplay(7)->text(), QStringLiteral("126"));
    QTest::keyClick(bar, Qt::Key_Up);
    QCOMPARE(int(model->MutablePages().at(1, 7).value), 127);
    QCOMPARE(sent, (std::vector<Sent>{{0xB0, 7, 126}, {0xB0, 7, 127}}));
  }

  void modelUpdatesDoNotEchoBack() {
    model->SetOutputInUse(true);
    model->MutablePages().at(1, 3).value = 10;
    model->RefreshSlot(3);
    QTRY_COMPARE(window->Slider(3)->value(), 117);
    QTRY_COMPARE(window->ValueDisplay(3)->text(), QStringLiteral("10"));
    QVERIFY(sent.empty());
  }

  void toggleButtonToggles() {
    model->SetOutputInUse(true);
    QToolButton* b = window->SlotButton(4);
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(!b->isChecked());
    // It acts on the slider itself: the thumb drops to the bottom.
    QCOMPARE(int(model->MutablePages().at(1, 4).value), 0);
    QTRY_COMPARE(window->Slider(4)->value(), 127);
    QTRY_COMPARE(window->ValueDisplay(4)->text(), QStringLiteral("0"));
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(b->isChecked());
    QTRY_COMPARE(window->Slider(4)->value(), 0);
    QCOMPARE(sent, (std::vector<Sent>{{0xB0, 4, 0}, {0xB0, 4, 127}}));

    Tcontroller& d = model->MutablePages().at(1, 8);
    d.use_slider = false;
    d.button_ctrl = 90;
    model->ShowPage(1);
    QTest::mouseClick(window->SlotButton(8), Qt::LeftButton);
    QTRY_VERIFY(!window->SlotButton(8)->isChecked());
    QCOMPARE(int(d.button_value), 0);
    QTRY_COMPARE(window->Slider(8)->value(), 0);
    QCOMPARE(sent.back(), Sent(0xB0, 90, 0));
  }

  void activityIndicatorFollowsTheModel() {
    ActivityIndicator* lamp = window->Indicator();
    auto pixel = [lamp](const QRect& r) { return lamp->grab().toImage().pixelColor(r.center()); };
    QTRY_COMPARE(pixel(ActivityIndicator::kInputRect), QColor(Qt::black));
    QTRY_COMPARE(pixel(ActivityIndicator::kOutputRect), QColor(Qt::black));
    model->Status().NoteMidiIn();
    QTRY_COMPARE(pixel(ActivityIndicator::kInputRect), QColor(0, 255, 0));
    QTRY_COMPARE(pixel(ActivityIndicator::kOutputRect), QColor(Qt::black));
    model->Status().NoteMidiOut();
    QTRY_COMPARE(pixel(ActivityIndicator::kOutputRect), QColor(255, 0, 0));
    // Outlines stay black.
    QTRY_COMPARE(lamp->grab().toImage().pixelColor(ActivityIndicator::kOutputRect.topLeft()),
                 QColor(Qt::black));
    // The 200 ms timers put them out again.
    QTRY_COMPARE(pixel(ActivityIndicator::kInputRect), QColor(Qt::black));
    QTRY_COMPARE(pixel(ActivityIndicator::kOutputRect), QColor(Qt::black));
  }

  void statusBarHasSevenPanels() {
    auto panel = [this](int p) -> QWidget* {
      if (p == 5) return window->Indicator();
      return window->StatusPanel(p);
    };
    const int widths[] = {340, 80, 30, 40, 30, 50, 50};
    for (int p = 0; p < StatusBoard::kStatusPanels; ++p) {
      QVERIFY(panel(p));
      QCOMPARE(panel(p)->width(), widths[p]);
      // Left to right in that order.
      if (p > 0) QVERIFY(panel(p)->x() >= panel(p - 1)->x() + widths[p - 1]);
    }
    QTRY_COMPARE(window->StatusPanel(1)->text(), QStringLiteral("MIDI Controller"));
    QTRY_COMPARE(window->StatusPanel(3)->text(), QStringLiteral("Value"));
    QTRY_COMPARE(window->StatusPanel(2)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    QTRY_COMPARE(window->StatusPanel(4)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
  }

  void hintUnderTheCursorGoesToPanelZero() {
    QTest::mouseMove(window->NumberLabel(3));
    QTRY_VERIFY(window->StatusPanel(0)->text().startsWith(QStringLiteral("Label: Slider 3")));
    QTest::mouseMove(window->ToolButton(QStringLiteral("btnPage2")));
    QTRY_COMPARE(window->StatusPanel(0)->text(), QStringLiteral("Load Page 2"));
    // The permanent panels are not hidden by a hint.
    QTRY_VERIFY(window->StatusPanel(1)->isVisible());
  }

  void aLossNoticeShowsOverTheStandingMessageInPanelZero() {
    window->SetStandingMessage(QStringLiteral("No MIDI system is available."));
    model->Status().NoteMessagesLost(3);
    model->Status().NoteMessagesLost(4);
    QTRY_COMPARE(window->StatusPanel(0)->text(), QStringLiteral("7 MIDI messages lost"));
    // A standing message set meanwhile waits until the notice has gone.
    window->SetStandingMessage(QStringLiteral("The JACK server has stopped."));
    QTRY_COMPARE(window->StatusPanel(0)->text(), QStringLiteral("7 MIDI messages lost"));
    window->SetStandingMessage(QString());
  }

  // A dark desktop with light buttons, set under the open window and then before a new one:
  // each tool glyph and slot number stands out from what is behind it.
  void glyphsAndNumbersShowOnADarkDesktop() {
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Button, QColor(200, 200, 200));
    dark.setColor(QPalette::ButtonText, Qt::black);
    QApplication::setPalette(dark);
    QTRY_COMPARE(window->palette().color(QPalette::Window), QColor(45, 45, 45));
    QStringList faint;
    for (int twice = 0; twice < 2; ++twice, window.reset(), Open()) {
      for (QToolButton* b : window->findChildren<QToolButton*>()) {
        const QImage glyph = b->icon().pixmap(16, 16).toImage();
        int shown = 0;
        for (int p = 0; p < 256 && !glyph.isNull(); ++p)
          shown += qAbs(qGray(glyph.pixel(p % 16, p / 16)) - 45) >= 30 &&
                   qAlpha(glyph.pixel(p % 16, p / 16)) >= 128;
        if (b->defaultAction() && shown < 8) faint << b->objectName();
      }
      for (int s = 1; s <= kSlotCount; ++s) {
        QLabel* n = window->NumberLabel(s);
        if (qAbs(qGray(Text(n).rgb()) - qGray(Background(n).rgb())) < 64) faint << n->objectName();
      }
    }
    QApplication::setPalette(saved);
    QCOMPARE(faint.join(','), QString());
  }

  // A device notice set before the state of the MIDI system waits under it; a long one is cut
  // to the panel and told whole by the tool tip.
  void noticesKeepTheMostImportantInSightAndTellAllOnHover() {
    QLabel* panel = window->StatusPanel(0);
    const QString device = QStringLiteral("MIDI Output \"Synth Out\" is missing. ").repeated(4);
    window->SetNotice(StatusNotices::Source::kDevice, device);
    window->SetStandingMessage(QStringLiteral("The JACK server has stopped."));
    QCOMPARE(panel->text(), QStringLiteral("The JACK server has stopped."));
    QVERIFY(panel->toolTip().contains(device.trimmed()));
    window->SetStandingMessage(QString());
    QVERIFY(panel->text().endsWith(QChar(0x2026)));
    QVERIFY(panel->fontMetrics().horizontalAdvance(panel->text()) <= panel->contentsRect().width());
    QCOMPARE(panel->toolTip(), device.trimmed());
  }

  void exitClosesTheWindow() {
    QTest::mouseClick(window->ToolButton(QStringLiteral("ToolButton11")), Qt::LeftButton);
    QVERIFY(!window->isVisible());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->MenuAction(Command::kExit)->trigger();
    QVERIFY(!window->isVisible());
  }

  void menusMatchTheCommandTable() {
    enum Mark { kPlain, kCheck, kRadio };
    struct Item {
      const char* name;
      const char* caption;
      const char* shortcut;
      Mark mark;
      bool enabled;
    };
    struct Menu {
      const char* caption;
      std::vector<Item> items;  // in menu order, separators left out
    };
    std::vector<Menu> table = {
        {"&File",
         {{"InitialiseSliderSettings1", "&Initialize Slider Settings", "Ctrl+N", kPlain, false},
          {"OpenSliderSettings1", "&Open Slider Settings...", "Ctrl+O", kPlain, false},
          {"SaveSliderSettings2", "&Save Slider Settings", "Ctrl+S", kPlain, false},
          {"SaveSliderSettings1", "Save Slider Settings &As...", "Ctrl+Shift+S", kPlain, false},
          {"FilterUnusedSlidersUsingNordModularPatchFile1",
           "Filter Unused Sliders Using &Controller Dump...", "Ctrl+F", kPlain, false},
          {"SortSliders", "Filter Unused Sliders Using Nord Modular &Patch File...", "Ctrl+Shift+F",
           kPlain, false},
          {"Exit1", "E&xit", "Ctrl+Q", kPlain, true}}},
        {"&MIDI",
         {{"SendAllControllers1", "Send &All Controllers", "F6", kPlain, false},
          {"SendControllersOnCurrentPage1", "Send All Controllers On &Current Page", "F7", kPlain,
           false},
          {"SendSelectedControllers1", "Send &Selected Controllers", "F8", kPlain, false},
          {"MIDIDevices1", "Setup &MIDI Devices...", "", kPlain, false}}},
        {"&Selection",
         {{"SelectAll2", "Select &All", "Ctrl+A", kPlain, false},
          {"DeselectAll1", "&Deselect All", "Ctrl+D", kPlain, false},
          {"SelectAll1", "Select All On &Current Page", "Shift+A", kPlain, false},
          {"DeselectAllOnCurrentPage1", "Deselect All On C&urrent Page", "Shift+D", kPlain, false},
          {"EnableSelectedSliders1", "Enable Selected S&liders", "Ctrl+E", kPlain, false},
          {"DisableSelectedsliders1", "Disable Selected Sl&iders", "Ctrl+B", kPlain, false},
          {"miClearLabels", "Clear La&bels", "", kPlain, false},
          {"SetUpperRangeForSelectedSliders1", "Set &Upper Range For Selected Sliders", "Ctrl+U",
           kPlain, false},
          {"SetLowerRangeForSelectedSliders1", "Set L&ower Range For Selected Sliders", "Ctrl+L",
           kPlain, false},
          {"ClearRangeForSelectedSliders1", "Cl&ear Range For Selected Sliders", "Ctrl+C", kPlain,
           false},
          {"GroupSelection1", "&Group Selection", "Ctrl+G", kCheck, false},
          {"RandomizeSelection1", "&Randomize Selection", "F9", kPlain, false},
          {"SetupRamdomizeFactor1", "Setup Randomize &Factor...", "Ctrl+R", kPlain, false}}},
        {"&Pages",
         {{"LoadPage1", "Load Page &1", "F1", kRadio, true},
          {"LoadPage2", "Load Page &2", "F2", kRadio, true},
          {"LoadPage3", "Load Page &3", "F3", kRadio, true},
          {"LoadPage4", "Load Page &4", "F4", kRadio, true},
          {"LoadPage5", "Load Page &5", "F5", kRadio, true},
          {"UpdateSliderNumbers1", "&Update Slider Numbers", "", kCheck, true}}},
        {"S&napshots",
         {{"NewBank1", "&New Library", "", kPlain, false},
          {"LoadBank1", "&Load Library...", "", kPlain, false},
          {"SaveBank1", "&Save Library", "", kPlain, false},
          {"SaveBankAs1", "Save Library &As...", "", kPlain, false},
          {"TakeSnapshot1", "&Take Snapshot", "Ctrl+T", kCheck, false},
          {"Snapshot0", "Snapshot &0", "Ctrl+0", kRadio, false},
          {"Snapshot1", "Snapshot &1", "Ctrl+1", kRadio, false},
          {"Snapshot2", "Snapshot &2", "Ctrl+2", kRadio, false},
          {"Snapshot3", "Snapshot &3", "Ctrl+3", kRadio, false},
          {"Snapshot4", "Snapshot &4", "Ctrl+4", kRadio, false},
          {"Snapshot5", "Snapshot &5", "Ctrl+5", kRadio, false},
          {"Snapshot6", "Snapshot &6", "Ctrl+6", kRadio, false},
          {"Snapshot7", "Snapshot &7", "Ctrl+7", kRadio, false},
          {"Snapshot8", "Snapshot &8", "Ctrl+8", kRadio, false},
          {"Snapshot9", "Snapshot &9", "Ctrl+9", kRadio, false}}},
        {"&Favorites",
         {{"miFav1", "Load File &1...", "", kPlain, false},
          {"miFav2", "Load File &2...", "", kPlain, false},
          {"miFav3", "Load File &3...", "", kPlain, false},
          {"miFav4", "Load File &4...", "", kPlain, false},
          {"miFav5", "Load File &5...", "", kPlain, false},
          {"miFav6", "Load File &6...", "", kPlain, false},
          {"miFav7", "Load File &7...", "", kPlain, false},
          {"miFav8", "Load File &8...", "", kPlain, false},
          {"miFav9", "Load File &9...", "", kPlain, false},
          {"miFav10", "Load File &10...", "", kPlain, false},
          {"ClearFavorites1", "&Clear Favorites Menu...", "", kPlain, false}}},
        {"&View",
         {{"VectorController1", "&Vector Controller...", "Ctrl+V", kCheck, false},
          {"MorphSlider1", "&Morph Slider...", "Ctrl+M", kCheck, false},
          {"MIDIKeyboard1", "MIDI &Keyboard...", "Ctrl+K", kCheck, false},
          {"SnapshotList1", "&Snapshot List...", "Ctrl+I", kCheck, false},
          {"CompactView1", "&Compact View", "Ctrl+P", kPlain, true},
          {"miToTray", "Minimize To &Taskbar Tray", "", kCheck, false},
          {"AlwaysOnTop1", "&Always On Top", "", kCheck, true}}},
        {"&Help", {{"About1", "&About...", "", kPlain, false}}},
    };

    const QList<QAction*> top = window->menuBar()->actions();
    QCOMPARE(top.size(), static_cast<qsizetype>(table.size()));
    for (std::size_t m = 0; m < table.size(); ++m) {
      QCOMPARE(top[m]->text(), QString::fromLatin1(table[m].caption));
      QList<QAction*> shown;
      for (QAction* a : top[m]->menu()->actions())
        if (!a->isSeparator()) shown << a;
      QCOMPARE(shown.size(), static_cast<qsizetype>(table[m].items.size()));
      for (std::size_t i = 0; i < table[m].items.size(); ++i) {
        const Item& it = table[m].items[i];
        const QString name = QString::fromLatin1(it.name);
        auto* a = window->findChild<QAction*>(name);
        QVERIFY2(a, it.name);
        QCOMPARE(shown[i], a);
        QCOMPARE(a->objectName(), name);
        QCOMPARE(a->text(), QString::fromLatin1(it.caption));
        QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(it.shortcut)));
        QCOMPARE(a->isCheckable(), it.mark != kPlain);
        const bool exclusive = a->actionGroup() && a->actionGroup()->isExclusive();
        QCOMPARE(exclusive, it.mark == kRadio);
        QCOMPARE(a->isEnabled(), it.enabled);
      }
    }
    QCOMPARE(window->MenuAction(Command::kLoadPage1)->actionGroup(),
             window->MenuAction(Command::kLoadPage5)->actionGroup());
  }

  void toolBandsMatchTheButtonList() {
    enum Mark { kPlain, kCheck, kRadio };
    struct Btn {
      const char* name;
      const char* hint;
      Mark mark;
      bool enabled;
    };
    struct Band {
      const char* title;
      std::vector<Btn> buttons;
    };
    std::vector<Band> table = {
        {"main",
         {{"btnFileNew", "Initialize Slider Settings", kPlain, false},
          {"btnFileOpen", "Open Slider Settings", kPlain, false},
          {"btnFileSave", "Save Slider Settings", kPlain, false},
          {"btnMidiSetup", "Setup MIDI Devices", kPlain, false},
          {"btlSendAll", "Send All Controllers", kPlain, false},
          {"btnDumpRequest", "Dump Request", kPlain, false},
          {"btnRandomize", "Randomize Selection", kPlain, false},
          {"btnGroup", "Group Selection", kCheck, false},
          {"btnShowVector", "Vector Controller", kCheck, false},
          {"btnShowMorph", "Morph Slider", kCheck, false},
          {"btnShowMidiKeyboard", "MIDI Keyboard", kCheck, false},
          {"btnShowSnapshotWindow", "Snapshot List", kCheck, false},
          {"ToolButton10", "About", kPlain, false},
          {"ToolButton11", "Exit", kPlain, true}}},
        {"Pages",
         {{"btnPage1", "Load Page 1", kRadio, true},
          {"btnPage2", "Load Page 2", kRadio, true},
          {"btnPage3", "Load Page 3", kRadio, true},
          {"btnPage4", "Load Page 4", kRadio, true},
          {"btnPage5", "Load Page 5", kRadio, true},
          {"btnUpdateSliderNumbers", "Update Slider Numbers", kCheck, true}}},
        {"Transport",
         {{"btnPlay", "Play", kPlain, false},
          {"btnStop", "Stop", kPlain, false},
          {"btnRecord", "Record", kPlain, false},
          {"btnPause", "Pause", kPlain, false}}},
        {"Snapshots",
         {{"ToolButton8", "Bank A", kRadio, false},
          {"ToolButton12", "Bank B", kRadio, false},
          {"ToolButton13", "Bank C", kRadio, false},
          {"ToolButton14", "Bank D", kRadio, false},
          {"btnTakeSnap", "Take Snapshot", kCheck, false},
          {"btnSnp0", "Snapshot 0", kPlain, false},
          {"btnSnp1", "Snapshot 1", kPlain, false},
          {"btnSnp2", "Snapshot 2", kPlain, false},
          {"btnSnp3", "Snapshot 3", kPlain, false},
          {"btnSnp4", "Snapshot 4", kPlain, false},
          {"btnSnp5", "Snapshot 5", kPlain, false},
          {"btnSnp6", "Snapshot 6", kPlain, false},
          {"btnSnp7", "Snapshot 7", kPlain, false},
          {"btnSnp8", "Snapshot 8", kPlain, false},
          {"btnSnp9", "Snapshot 9", kPlain, false}}},
    };
    for (const Band& b : table) {
      QToolBar* band = window->Band(QString::fromLatin1(b.title));
      QVERIFY2(band, b.title);
      QCOMPARE(band->windowTitle(), QString::fromLatin1(b.title));
      QList<QAction*> shown;
      for (QAction* a : band->actions())
        if (!a->isSeparator()) shown << a;
      QCOMPARE(shown.size(), static_cast<qsizetype>(b.buttons.size()));
      for (std::size_t i = 0; i < b.buttons.size(); ++i) {
        const Btn& it = b.buttons[i];
        const QString name = QString::fromLatin1(it.name);
        QToolButton* button = window->ToolButton(name);
        QVERIFY2(button, it.name);
        QCOMPARE(button->defaultAction(), shown[i]);
        QCOMPARE(window->findChild<QAction*>(name), shown[i]);
        QCOMPARE(button->toolTip(), QString::fromLatin1(it.hint));
        QCOMPARE(button->statusTip(), QString::fromLatin1(it.hint));
        QVERIFY(!button->icon().isNull());
        QCOMPARE(button->isCheckable(), it.mark != kPlain);
        QCOMPARE(button->isEnabled(), it.enabled);
      }
    }
    QVERIFY(window->ToolButton(QStringLiteral("ToolButton8"))->isChecked());
    QVERIFY(!window->ToolButton(QStringLiteral("ToolButton12"))->isChecked());
  }

  void everyCommandShowsWhereItsRowSays() {
    for (Command c : AllCommands()) {
      const CommandLook& look = LookOf(c);
      const auto id = QByteArray::number(static_cast<int>(c));
      QVERIFY2(!window->Actions(c).isEmpty(), id);
      QAction* item = window->MenuAction(c);
      QCOMPARE(item != nullptr, look.item.name != nullptr);
      if (item) {
        QCOMPARE(item->objectName(), QString::fromLatin1(look.item.name));
        // Shown in a menu of the menu bar.
        auto* menu = qobject_cast<QMenu*>(item->parent());
        QVERIFY2(menu && menu->actions().contains(item), look.item.name);
        QVERIFY2(window->menuBar()->actions().contains(menu->menuAction()), look.item.name);
      }
      QAction* button = window->ButtonAction(c);
      QCOMPARE(button != nullptr, look.button.name != nullptr);
      if (button) {
        QToolButton* shown = window->ToolButton(QString::fromLatin1(look.button.name));
        QVERIFY2(shown, look.button.name);
        QCOMPARE(shown->defaultAction(), button);
      }
      QList<QAction*> expected{item, button};
      expected.removeAll(nullptr);
      QCOMPARE(window->Actions(c), expected);
    }
  }

  void noTwoActionsShareAName() {
    QSet<QString> names;
    QSet<QAction*> typed;
    for (QAction* a : window->findChildren<QAction*>()) {
      if (a->objectName().isEmpty()) continue;
      QVERIFY2(!names.contains(a->objectName()), qPrintable(a->objectName()));
      names.insert(a->objectName());
    }
    for (Command c : AllCommands()) {
      for (QAction* a : window->Actions(c)) {
        QVERIFY2(!typed.contains(a), qPrintable(a->objectName()));
        typed.insert(a);
      }
    }
  }

  void menuItemAndButtonOfACommandStayInStep() {
    int both = 0;
    int runs = 0;  // shared, so that a trigger reaching another command's function shows
    for (Command c : AllCommands()) {
      QAction* item = window->MenuAction(c);
      QAction* button = window->ButtonAction(c);
      if (!item || !button) continue;
      ++both;
      const QByteArray name = item->objectName().toLatin1();
      QCOMPARE(item->isEnabled(), button->isEnabled());
      runs = 0;
      window->Bind(c, [&runs] { ++runs; });
      QVERIFY2(item->isEnabled() && button->isEnabled(), name);
      item->trigger();
      QVERIFY2(runs == 1, name);
      button->trigger();
      QVERIFY2(runs == 2, name);
      if (item->isCheckable() && button->isCheckable()) {
        window->SetChecked(c, true);
        QVERIFY2(item->isChecked() && button->isChecked(), name);
        if (!item->actionGroup() && !button->actionGroup()) {
          window->SetChecked(c, false);
          QVERIFY2(!item->isChecked() && !button->isChecked(), name);
        }
      }
    }
    QVERIFY(both > 0);
  }

  void numberedCommandsFollowTheirNumbers() {
    auto number_of = [](QAction* a) {
      QString text = a->text();
      text.remove(QLatin1Char('&')).remove(QLatin1String("..."));
      return text.section(QLatin1Char(' '), -1).toInt();
    };
    for (int p = 1; p <= kPageCount; ++p) {
      QCOMPARE(number_of(window->MenuAction(PageCommand(p))), p);
      window->ButtonAction(PageCommand(p))->trigger();
      QCOMPARE(model->CurrentPage(), p);
    }
    for (int s = 0; s <= 9; ++s) QCOMPARE(number_of(window->MenuAction(SnapshotCommand(s))), s);
    for (int n = 1; n <= 10; ++n) QCOMPARE(number_of(window->MenuAction(FavoriteCommand(n))), n);
  }

  void windowIsResizable() {
    QCOMPARE(window->centralWidget()->parentWidget(), window.get());
    window->resize(500, 400);
    QTRY_COMPARE(window->width(), 500);
    QVERIFY(window->SlotArea()->horizontalScrollBar()->maximum() > 0);
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::MainWindowTest)
#include "main_window_test.moc"
