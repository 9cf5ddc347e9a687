#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "support/modal.h"
#include "surface/controller_learning.h"
#include "surface/ui/slider_settings_form.h"

namespace quorvane {

using testing::WhenModal;

// The first input as the dialog sees it: the test hands it the control change.
class FakeLearnSource : public ControlChangeSource {
 public:
  void TakeNextControlChange(Taker taker) override { taker_ = std::move(taker); }
  int LearnGlobalChannel() const override { return global_channel; }
  bool Waiting() const { return static_cast<bool>(taker_); }
  void Deliver(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    Taker taker = std::move(taker_);
    taker_ = {};
    if (taker) taker(status, data1, data2);
  }
  int global_channel = 1;

 private:
  Taker taker_;
};

class SliderSettingsLearnTest : public QObject {
  Q_OBJECT

 private:
  static Tcontroller Definition() {
    Tcontroller d = Tcontroller::Initial(5);
    d.ctrl = 10;
    d.channel = 0;
    d.button_ctrl = 64;
    d.button_channel = 2;
    d.use_slider = false;
    return d;
  }

  static QComboBox* List(TSliderSettingsForm& form, const char* name) {
    return form.findChild<QComboBox*>(QString::fromLatin1(name));
  }

 private slots:
  void learnButtonsStandBesideTheControllerLists() {
    FakeLearnSource source;
    TSliderSettingsForm form;
    form.SetLearnSource(&source);
    for (QPushButton* learn : {form.LearnSliderButton(), form.LearnButtonButton()}) {
      QVERIFY(learn);
      QCOMPARE(QString(learn->text()).remove(QLatin1Char('&')), QStringLiteral("Learn"));
      QVERIFY(learn->isCheckable());
    }
    QCOMPARE(form.LearnSliderButton()->parentWidget(),
             List(form, "SliderController")->parentWidget());
    QCOMPARE(form.LearnButtonButton()->parentWidget(),
             List(form, "cmbButtonController")->parentWidget());
  }

  // The button's Learn follows "Use Slider Settings"; without a source neither can learn.
  void learnIsEnabledOnlyWhereItCanLearn() {
    TSliderSettingsForm form;
    SliderSettingsFields f = SliderSettingsFields::From(Definition());
    form.ShowFields(f);
    QVERIFY(!form.LearnSliderButton()->isEnabled());
    QVERIFY(!form.LearnButtonButton()->isEnabled());
    FakeLearnSource source;
    form.SetLearnSource(&source);
    QVERIFY(form.LearnSliderButton()->isEnabled());
    QVERIFY(form.LearnButtonButton()->isEnabled());
    f.use_slider = true;
    form.ShowFields(f);
    QVERIFY(form.LearnSliderButton()->isEnabled());
    QVERIFY(!form.LearnButtonButton()->isEnabled());
  }

  void theNextControlChangeFillsTheSliderListsAndReleasesTheButton() {
    FakeLearnSource source;
    TSliderSettingsForm form;
    form.SetLearnSource(&source);
    form.ShowFields(SliderSettingsFields::From(Definition()));
    QTest::mouseClick(form.LearnSliderButton(), Qt::LeftButton);
    QVERIFY(form.LearnSliderButton()->isChecked());
    QVERIFY(source.Waiting());
    source.Deliver(0xB3, 0x4A, 0x10);
    QCOMPARE(List(form, "SliderController")->currentText(),
             QStringLiteral("74 Sound Controller 5 (Brightness)"));
    QCOMPARE(List(form, "cmbChannel")->currentText(), QStringLiteral("4"));
    QVERIFY(!form.LearnSliderButton()->isChecked());
    QVERIFY(!source.Waiting());
    // The button's lists are untouched.
    QCOMPARE(List(form, "cmbButtonController")->currentIndex(), 64);
    QCOMPARE(List(form, "cmbButtonChannel")->currentIndex(), 2);
  }

  void theButtonsLearnGoesToTheButtonListsAndTheGlobalChannelReadsGlobal() {
    FakeLearnSource source;
    source.global_channel = 4;
    TSliderSettingsForm form;
    form.SetLearnSource(&source);
    form.ShowFields(SliderSettingsFields::From(Definition()));
    QTest::mouseClick(form.LearnButtonButton(), Qt::LeftButton);
    source.Deliver(0xB3, 0x4A, 0x10);
    QCOMPARE(List(form, "cmbButtonController")->currentIndex(), 74);
    QCOMPARE(List(form, "cmbButtonChannel")->currentText(), QStringLiteral("Global"));
    QCOMPARE(List(form, "SliderController")->currentIndex(), 10);
    QVERIFY(!form.LearnButtonButton()->isChecked());
  }

  // A second click, Escape, or turning the button's fields off each end the wait; Escape
  // leaves the dialog open.
  void learningIsCancelledWithoutClosingTheDialog() {
    FakeLearnSource source;
    TSliderSettingsForm form;
    form.SetLearnSource(&source);
    form.ShowFields(SliderSettingsFields::From(Definition()));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QTest::mouseClick(form.LearnSliderButton(), Qt::LeftButton);
    QTest::mouseClick(form.LearnSliderButton(), Qt::LeftButton);
    QVERIFY(!form.LearnSliderButton()->isChecked());
    QVERIFY(!source.Waiting());

    QTest::mouseClick(form.LearnSliderButton(), Qt::LeftButton);
    QVERIFY(source.Waiting());
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!source.Waiting());
    QVERIFY(!form.LearnSliderButton()->isChecked());
    QVERIFY(form.isVisible());

    QTest::mouseClick(form.LearnButtonButton(), Qt::LeftButton);
    QVERIFY(source.Waiting());
    form.findChild<QCheckBox*>(QStringLiteral("cbUseSliderSettings"))->setChecked(true);
    QVERIFY(!source.Waiting());
    QVERIFY(!form.LearnButtonButton()->isChecked());

    QCOMPARE(List(form, "SliderController")->currentIndex(), 10);
    form.hide();
  }

  void okStoresWhatWasLearnedAndCancelChangesNothing() {
    FakeLearnSource source;
    TSliderSettingsForm form;
    form.SetLearnSource(&source);
    for (const bool ok : {false, true}) {
      Tcontroller d = Definition();
      const Tcontroller before = d;
      WhenModal<TSliderSettingsForm>([&source, ok](TSliderSettingsForm* shown) {
        QTest::mouseClick(shown->LearnSliderButton(), Qt::LeftButton);
        source.Deliver(0xB3, 0x4A, 0x10);
        QTest::mouseClick(shown->findChild<QPushButton*>(ok ? QStringLiteral("btnOK")
                                                            : QStringLiteral("btnCancel")),
                          Qt::LeftButton);
      });
      QCOMPARE(form.Edit(d, QPoint(0, 0)), ok);
      if (ok) {
        QCOMPARE(int{d.ctrl}, 74);
        QCOMPARE(int{d.channel}, 4);
      } else {
        QCOMPARE(int{d.ctrl}, int{before.ctrl});
        QCOMPARE(int{d.channel}, int{before.channel});
      }
      QVERIFY(!source.Waiting());
    }
  }

  // Closing the dialog while waiting ends the wait: nothing later is taken for it.
  void closingWhileLearningStopsTheWait() {
    FakeLearnSource source;
    TSliderSettingsForm form;
    form.SetLearnSource(&source);
    Tcontroller d = Definition();
    WhenModal<TSliderSettingsForm>([](TSliderSettingsForm* shown) {
      QTest::mouseClick(shown->LearnSliderButton(), Qt::LeftButton);
      shown->reject();
    });
    QVERIFY(!form.Edit(d, QPoint(0, 0)));
    QVERIFY(!source.Waiting());
    QVERIFY(!form.LearnSliderButton()->isChecked());
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::SliderSettingsLearnTest)
#include "slider_settings_learn_test.moc"
