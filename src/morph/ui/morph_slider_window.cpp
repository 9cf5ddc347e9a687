#include "morph/ui/morph_slider_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QSlider>

#include "morph/morphing.h"
#include "surface/surface_model.h"
#include "surface/ui/track_bar.h"

namespace quorvane {

namespace {

constexpr int kTop = 127;  // slider position at the bottom: morph amount 0

}  // namespace

TMorphSliderWindow::TMorphSliderWindow(SurfaceModel& surface, QWidget* parent)
    : QWidget(parent, Qt::Tool), surface_(surface), style_(std::make_unique<TrackBarStyle>()) {
  setObjectName(QStringLiteral("MorphSliderWindow"));
  setWindowTitle(QStringLiteral("Morph Slider"));
  setFixedSize(kWidth, kHeight);

  display_ = new QLabel(QStringLiteral("0"), this);
  display_->setObjectName(QStringLiteral("MorphDisplay"));
  display_->setAlignment(Qt::AlignCenter);
  display_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  display_->setAutoFillBackground(true);
  QPalette shown = display_->palette();
  shown.setColor(QPalette::Window, Qt::black);
  shown.setColor(QPalette::WindowText, Qt::white);
  display_->setPalette(shown);
  display_->setGeometry(27, 8, 50, 20);

  // Position 0 sits at the top, as on the main window's track bars.
  slider_ = new QSlider(Qt::Vertical, this);
  slider_->setObjectName(QStringLiteral("MorphSlider"));
  slider_->setStyle(style_.get());
  slider_->setRange(0, kTop);
  slider_->setInvertedAppearance(true);
  slider_->setInvertedControls(true);
  slider_->setSingleStep(1);
  slider_->setPageStep(1);
  slider_->setTickPosition(QSlider::NoTicks);
  slider_->setValue(kTop);
  slider_->setGeometry(37, 34, 30, kHeight - 42);
  connect(slider_, &QSlider::valueChanged, this, &TMorphSliderWindow::MorphSliderChange);

  // Like the main window: nothing may be sent while a bulk send runs.
  connect(&surface_.Sends(), &BulkSends::sendBegun, this, [this] { setEnabled(false); });
  connect(&surface_.Sends(), &BulkSends::sendEnded, this, [this] { setEnabled(true); });
}

TMorphSliderWindow::~TMorphSliderWindow() {
  delete slider_;  // before its style
}

void TMorphSliderWindow::MorphSliderChange(int position) {
  const int m = kTop - position;
  display_->setText(QString::number(m));
  MorphControllers(surface_, m);
}

void TMorphSliderWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit closed();
}

}  // namespace quorvane
