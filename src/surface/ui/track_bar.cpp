#include "surface/ui/track_bar.h"

#include <qdrawutil.h>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionSlider>
#include <algorithm>

namespace quorvane {

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Vertical, parent) {
  setRange(0, kMaxPosition);
  // Position 0 sits at the top, and the Up key moves the thumb up.
  setInvertedAppearance(true);
  setInvertedControls(true);
  setTickPosition(QSlider::NoTicks);
  setSingleStep(1);
  setPageStep(1);
  setFocusPolicy(Qt::StrongFocus);
}

QColor TrackBar::markerColor() const {
  return isEnabled() ? palette().color(QPalette::Highlight)
                     : palette().color(QPalette::Disabled, QPalette::WindowText);
}

void TrackBar::setMarker(int start, int end) {
  start = std::clamp(start, 0, kMaxPosition);
  end = std::clamp(end, 0, kMaxPosition);
  if (start > end) std::swap(start, end);
  if (start == marker_start_ && end == marker_end_) return;
  marker_start_ = start;
  marker_end_ = end;
  update();
}

void TrackBar::setPositionQuietly(int position) {
  if (value() == position) return;
  const QSignalBlocker blocker(this);
  setValue(position);
}

int TrackBar::pixelForPosition(int position) const {
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
  const int span = groove.height() - handle.height();
  return groove.top() + handle.height() / 2 +
         QStyle::sliderPositionFromValue(minimum(), maximum(), position, span, opt.upsideDown);
}

void TrackBar::paintEvent(QPaintEvent* event) {
  QSlider::paintEvent(event);
  // Drawn at the left edge so the thumb does not hide it.
  QPainter p(this);
  const int top = pixelForPosition(marker_start_);
  const int bottom = pixelForPosition(marker_end_);
  p.setPen(Qt::NoPen);
  p.setBrush(markerColor());
  if (bottom > top) p.drawRect(QRect(0, top, 2, bottom - top + 1));
  // End ticks, as small triangles pointing at the groove.
  for (int y : {top, bottom}) {
    const QPoint tri[3] = {QPoint(0, y - 3), QPoint(4, y), QPoint(0, y + 3)};
    p.drawPolygon(tri, 3);
  }
}

void TrackBar::focusInEvent(QFocusEvent* event) {
  QSlider::focusInEvent(event);
  emit focused();
}

void TrackBar::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (text.size() == 1 && text.at(0).isPrint()) emit keyTyped(text.at(0));
  QSlider::keyPressEvent(event);
}

int TrackBarStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                               const QWidget* widget) const {
  if (metric == PM_SliderLength) return TrackBar::kThumbLength;
  return QProxyStyle::pixelMetric(metric, option, widget);
}

void TrackBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                       QPainter* painter, const QWidget* widget) const {
  const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
  if (control != CC_Slider || !slider || !(slider->subControls & SC_SliderGroove)) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  const QRect groove = subControlRect(CC_Slider, slider, SC_SliderGroove, widget);
  const QRect channel(groove.center().x() - 2, groove.top() + 2, 4, groove.height() - 4);
  qDrawShadePanel(painter, channel, slider->palette, true, 1);
  QStyleOptionSlider rest(*slider);
  rest.subControls &= ~SC_SliderGroove;
  QProxyStyle::drawComplexControl(control, &rest, painter, widget);
}

}  // namespace quorvane
