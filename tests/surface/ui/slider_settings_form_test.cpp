#include "surface/ui/slider_settings_form.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "support/looks.h"
#include "support/modal.h"
#include "surface/slider_settings.h"

namespace quorvane {

using testing::WhenModal;

// Lets QCOMPARE show which field differs.
char* toString(const Tcontroller& d) {
  const QString text = QStringLiteral(
                           "ctrl=%1 value=%2 upper=%3 lower=%4 channel=%5 caption=\"%6\" color=%7 "
                           "selected=%8 enabled=%9 button_ctrl=%10 button_channel=%11 "
                           "button_value=%12 use_slider=%13")
                           .arg(d.ctrl)
                           .arg(d.value)
                           .arg(d.upper_range)
                           .arg(d.lower_range)
                           .arg(d.channel)
                           .arg(d.caption)
                           .arg(d.color)
                           .arg(d.selected)
                           .arg(d.enabled)
                           .arg(d.button_ctrl)
                           .arg(d.button_channel)
                           .arg(d.button_value)
                           .arg(d.use_slider);
  return qstrdup(text.toUtf8().constData());
}

class SliderSettingsFormTest : public QObject {
  Q_OBJECT

 private:
  static Tcontroller Definition() {
    Tcontroller d = Tcontroller::Initial(29);
    d.ctrl = 10;
    d.value = 42;
    d.upper_range = 90;
    d.lower_range = 30;
    d.channel = 5;
    d.caption = QStringLiteral("Pan");
    d.color = 0x00FF00;
    d.selected = true;
    d.enabled = false;
    d.button_ctrl = 64;
    d.button_channel = 0;
    d.button_value = 127;
    d.use_slider = false;
    return d;
  }

  template <typename T>
  static T* Child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c) qWarning("no child %s", name);
    return c;
  }

  static QList<QWidget*> ButtonFields(QWidget* w) {
    return {Child<QComboBox>(w, "cmbButtonController"), Child<QComboBox>(w, "cmbButtonChannel"),
            Child<QLabel>(w, "lButtonController"), Child<QLabel>(w, "lButtonChannel")};
  }

  // Sets a list as the keyboard does: focus it and step with the arrow keys.
  // A greyed list ignores the keys, so the steps are bounded.
  static void StepTo(QComboBox* list, int index) {
    list->setFocus();
    for (int i = 0; i < list->count() && list->currentIndex() != index; ++i)
      QTest::keyClick(list, list->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
  }

  // Clicks a check box's indicator; the box may be wider than its text.
  static void Tick(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  }

  static void Retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }

 private slots:
  void layoutAndEntries() {
    TSliderSettingsForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Settings"));
    QVERIFY(form.width() >= 314 && form.height() >= 280);
    QCOMPARE(form.minimumSize(), form.maximumSize());

    QStringList frames;
    for (auto* box : form.findChildren<QGroupBox*>()) frames << box->title();
    frames.sort();
    QCOMPARE(frames, (QStringList{QStringLiteral("Button"), QStringLiteral("Slider")}));
    auto* slider_box =
        qobject_cast<QGroupBox*>(Child<QWidget>(&form, "SliderController")->parentWidget());
    QVERIFY(slider_box);
    QCOMPARE(slider_box->title(), QStringLiteral("Slider"));
    QStringList slider_labels;
    for (auto* l : slider_box->findChildren<QLabel*>()) slider_labels << l->text();
    QCOMPARE(slider_labels, (QStringList{QStringLiteral("Co&ntroller"), QStringLiteral("La&bel"),
                                         QStringLiteral("C&hannel")}));
    QCOMPARE(Child<QLabel>(&form, "lButtonController")->text(), QStringLiteral("Con&troller"));
    QCOMPARE(Child<QLabel>(&form, "lButtonChannel")->text(), QStringLiteral("Chann&el"));
    QCOMPARE(qobject_cast<QGroupBox*>(Child<QWidget>(&form, "cmbButtonController")->parentWidget())
                 ->title(),
             QStringLiteral("Button"));
    auto* enabled = Child<QCheckBox>(&form, "SliderEnabled");
    QCOMPARE(enabled->text(), QStringLiteral("Enable&d"));
    QCOMPARE(enabled->parentWidget(), &form);  // under the frames, not inside one
    QCOMPARE(Child<QCheckBox>(&form, "cbUseSliderSettings")->text(),
             QStringLiteral("&Use Slider Settings"));

    // OK and Cancel under the frames; the Learn buttons sit inside them.
    QList<QPushButton*> buttons = form.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(buttons.size(), 2);
    for (QPushButton* b : buttons) {
      QVERIFY(b->text() == QStringLiteral("&OK") || b->text() == QStringLiteral("&Cancel"));
      QCOMPARE(b->isDefault(), b->text() == QStringLiteral("&OK"));
    }

    struct ListCase {
      const char* name;
      QStringList entries;
      int rows;
    };
    const ListCase lists[] = {{"SliderController", ControllerEntries(), 16},
                              {"cmbChannel", ChannelEntries(), 17},
                              {"cmbButtonController", ControllerEntries(), 16},
                              {"cmbButtonChannel", ChannelEntries(), 17}};
    for (const ListCase& c : lists) {
      auto* list = Child<QComboBox>(&form, c.name);
      QVERIFY2(list, c.name);
      QCOMPARE(list->maxVisibleItems(), c.rows);
      QStringList shown;
      for (int i = 0; i < list->count(); ++i) shown << list->itemText(i);
      QCOMPARE(shown, c.entries);
    }

    QList<QWidget*> white_on_black;
    for (const ListCase& c : lists) {
      auto* list = Child<QComboBox>(&form, c.name);
      white_on_black << list << list->view();
    }
    white_on_black << Child<QLineEdit>(&form, "SliderLabel");
    for (QWidget* w : white_on_black) {
      QCOMPARE(w->palette().color(QPalette::Base), QColor(Qt::black));
      QCOMPARE(w->palette().color(QPalette::Button), QColor(Qt::black));
      QCOMPARE(w->palette().color(QPalette::Text), QColor(Qt::white));
      QCOMPARE(w->palette().color(QPalette::ButtonText), QColor(Qt::white));
    }
  }

  // Every field has an Alt letter of its own, disabled lists look disabled, popups stay a
  // screenful and controller names are whole.
  void fieldsAnswerTheKeyboardAndShowTheirState() {
    TSliderSettingsForm form;
    form.show();
    QCOMPARE(testing::LookFaults(form), QStringList());
  }

  void showsTheDefinitionAndOkWritesTheEdits() {
    TSliderSettingsForm form;
    Tcontroller d = Definition();
    d.caption = QStringLiteral("Old");
    QStringList shown;
    QPoint placed;
    WhenModal<TSliderSettingsForm>([&](TSliderSettingsForm* w) {
      placed = w->pos();
      auto* ctrl = Child<QComboBox>(w, "SliderController");
      auto* label = Child<QLineEdit>(w, "SliderLabel");
      auto* channel = Child<QComboBox>(w, "cmbChannel");
      auto* enabled = Child<QCheckBox>(w, "SliderEnabled");
      auto* button_ctrl = Child<QComboBox>(w, "cmbButtonController");
      auto* button_channel = Child<QComboBox>(w, "cmbButtonChannel");
      auto* use_slider = Child<QCheckBox>(w, "cbUseSliderSettings");
      shown << ctrl->currentText() << label->text() << channel->currentText()
            << QString::number(enabled->isChecked()) << button_ctrl->currentText()
            << button_channel->currentText() << QString::number(use_slider->isChecked());

      StepTo(ctrl, 74);
      Retype(label, QStringLiteral("Cutoff"));
      StepTo(channel, 0);
      Tick(enabled);
      StepTo(button_ctrl, 1);
      StepTo(button_channel, 16);
      QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    });
    const bool accepted = form.Edit(d, QPoint(40, 30));
    QVERIFY(accepted);
    QCOMPARE(placed, QPoint(140, 100));
    QCOMPARE(shown,
             (QStringList{QStringLiteral("10 Pan"), QStringLiteral("Old"), QStringLiteral("5"),
                          QStringLiteral("0"), QStringLiteral("64 Sustain Pedal"),
                          QStringLiteral("Global"), QStringLiteral("0")}));

    Tcontroller expected = Definition();
    expected.ctrl = 74;
    expected.caption = QStringLiteral("Cutoff");
    expected.channel = 0;
    expected.enabled = true;
    expected.button_ctrl = 1;
    expected.button_channel = 16;
    QCOMPARE(d, expected);
    // Page 2 slot 5 is N = 29 in the vector controller's lists.
    QCOMPARE(VectorListEntryText(SequenceNumber(2, 5), d), QStringLiteral("29) Cutoff (74)"));
  }

  void returnKeyPressesOk() {
    TSliderSettingsForm form;
    Tcontroller d = Definition();
    WhenModal<TSliderSettingsForm>([](TSliderSettingsForm* w) {
      auto* label = Child<QLineEdit>(w, "SliderLabel");
      Retype(label, QStringLiteral("Drive"));
      Tick(Child<QCheckBox>(w, "cbUseSliderSettings"));
      QTest::keyClick(label, Qt::Key_Return);
    });
    QVERIFY(form.Edit(d, QPoint(0, 0)));
    Tcontroller expected = Definition();
    expected.caption = QStringLiteral("Drive");
    expected.use_slider = true;
    QCOMPARE(d, expected);
  }

  void cancelLeavesTheDefinitionUnchanged_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("Escape key") << true;
  }
  void cancelLeavesTheDefinitionUnchanged() {
    QFETCH(bool, escape);
    TSliderSettingsForm form;
    Tcontroller d = Definition();
    WhenModal<TSliderSettingsForm>([escape](TSliderSettingsForm* w) {
      StepTo(Child<QComboBox>(w, "SliderController"), 3);
      Retype(Child<QLineEdit>(w, "SliderLabel"), QStringLiteral("Changed"));
      StepTo(Child<QComboBox>(w, "cmbChannel"), 12);
      Tick(Child<QCheckBox>(w, "SliderEnabled"));
      Tick(Child<QCheckBox>(w, "cbUseSliderSettings"));
      if (escape)
        QTest::keyClick(w, Qt::Key_Escape);
      else
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("btnCancel")), Qt::LeftButton);
    });
    QVERIFY(!form.Edit(d, QPoint(0, 0)));
    QCOMPARE(d, Definition());
  }

  void useSliderSettingsGreysTheButtonFields_data() {
    QTest::addColumn<bool>("use_slider");
    QTest::newRow("unchecked at open") << false;
    QTest::newRow("checked at open") << true;
  }
  void useSliderSettingsGreysTheButtonFields() {
    QFETCH(bool, use_slider);
    TSliderSettingsForm form;
    Tcontroller d = Definition();
    d.use_slider = use_slider;
    QList<bool> states;  // enabled state of the four button fields after each step
    WhenModal<TSliderSettingsForm>([&states](TSliderSettingsForm* w) {
      auto record = [&] {
        for (QWidget* f : ButtonFields(w)) states << f->isEnabled();
      };
      record();
      auto* box = Child<QCheckBox>(w, "cbUseSliderSettings");
      Tick(box);
      record();
      Tick(box);
      record();
      QTest::keyClick(w, Qt::Key_Escape);
    });
    form.Edit(d, QPoint(0, 0));
    const bool at_open = !use_slider;
    QCOMPARE(states, (QList<bool>{at_open, at_open, at_open, at_open, !at_open, !at_open, !at_open,
                                  !at_open, at_open, at_open, at_open, at_open}));
  }

  void reopeningShowsTheNextDefinition() {
    TSliderSettingsForm form;
    Tcontroller first = Definition();
    first.use_slider = true;
    WhenModal<TSliderSettingsForm>(
        [](TSliderSettingsForm* w) { QTest::keyClick(w, Qt::Key_Escape); });
    QVERIFY(!form.Edit(first, QPoint(0, 0)));

    Tcontroller second = Definition();
    second.ctrl = 127;
    second.caption = QStringLiteral("Second");
    QList<bool> states;
    QString ctrl_text;
    QPoint placed;
    WhenModal<TSliderSettingsForm>([&](TSliderSettingsForm* w) {
      placed = w->pos();
      ctrl_text = Child<QComboBox>(w, "SliderController")->currentText();
      for (QWidget* f : ButtonFields(w)) states << f->isEnabled();
      QTest::keyClick(w, Qt::Key_Escape);
    });
    QVERIFY(!form.Edit(second, QPoint(300, 200)));
    QCOMPARE(placed, QPoint(400, 270));
    QCOMPARE(ctrl_text, QStringLiteral("127 Poly Mode On"));
    QCOMPARE(states, (QList<bool>{true, true, true, true}));
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::SliderSettingsFormTest)
#include "slider_settings_form_test.moc"
