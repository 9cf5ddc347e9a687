#include "morph/ui/morph_slider_window.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>
#include <memory>
#include <vector>

#include "surface/surface_model.h"

namespace quorvane {

class MorphSliderWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<SurfaceModel> model;
  std::unique_ptr<TMorphSliderWindow> window;
  std::vector<int> sent_values;

 private slots:
  void init() {
    model = std::make_unique<SurfaceModel>();
    model->MutablePages().Initialize();
    model->ShowPage(1);
    model->SetOutputInUse(true);
    model->SetShortSender([this](std::uint8_t, std::uint8_t, std::uint8_t v) {
      sent_values.push_back(v);
      return true;
    });
    Tcontroller& d = model->Definition(2, 5);
    d.upper_range = 100;
    d.lower_range = 20;
    window = std::make_unique<TMorphSliderWindow>(*model);
  }
  void cleanup() {
    window.reset();
    model.reset();
    sent_values.clear();
  }

  void opensAtTheBottomWithItsReadout() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Morph Slider"));
    QCOMPARE(window->size(), QSize(104, 217));
    QVERIFY(window->windowFlags().testFlag(Qt::Tool));
    QCOMPARE(window->Slider()->value(), 127);
    QCOMPARE(window->Slider()->minimum(), 0);
    QCOMPARE(window->Slider()->maximum(), 127);
    QCOMPARE(window->Slider()->pageStep(), 1);
    QCOMPARE(window->Slider()->tickPosition(), QSlider::NoTicks);
    QCOMPARE(window->Display()->text(), QStringLiteral("0"));
    QCOMPARE(window->Display()->palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(window->Display()->palette().color(QPalette::Window), QColor(Qt::black));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // The thumb sits at the bottom end.
    QSlider* slider = window->Slider();
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Vertical;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.upsideDown = !slider->invertedAppearance();
    const QRect thumb = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                        QStyle::SC_SliderHandle, slider);
    QVERIFY2(thumb.center().y() > slider->height() * 3 / 4, qPrintable(QString::number(thumb.y())));
    QCOMPARE(thumb.height(), 15);
    QVERIFY(sent_values.empty());  // opening sends nothing
  }

  void movingTheSliderSweepsTheRangedDefinitions() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QSlider* slider = window->Slider();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Up);  // one step up from the bottom
    QCOMPARE(window->Display()->text(), QStringLiteral("1"));
    QCOMPARE(model->Definition(2, 5).value, 21);
    slider->triggerAction(QAbstractSlider::SliderToMinimum);  // the top
    QCOMPARE(window->Display()->text(), QStringLiteral("127"));
    QCOMPARE(model->Definition(2, 5).value, 100);
    QCOMPARE(sent_values, (std::vector<int>{21, 100}));
    // Definitions without a range stay where they were.
    QCOMPARE(model->Definition(1, 1).value, 127);
  }

  void disabledWhileABulkSendRuns() {
    emit model->Sends().sendBegun();
    QVERIFY(!window->isEnabled());
    emit model->Sends().sendEnded();
    QVERIFY(window->isEnabled());
  }

  void closingReportsItButHidingDoesNot() {
    QSignalSpy closed(window.get(), &TMorphSliderWindow::closed);
    window->show();
    window->hide();
    QCOMPARE(closed.count(), 0);
    window->show();
    window->close();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!window->isVisible());
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::MorphSliderWindowTest)
#include "morph_slider_window_test.moc"
