#include "surface/ui/activity_indicator.h"

#include <QPainter>

namespace quorvane {

ActivityIndicator::ActivityIndicator(QWidget* parent) : QWidget(parent) {
  setFixedWidth(50);
  // Opaque, and only the lamps redrawn: a blink does not paint the status bar beneath.
  setAutoFillBackground(true);
}

void ActivityIndicator::setActivity(bool in, bool out) {
  if (in == in_ && out == out_) return;
  in_ = in;
  out_ = out;
  update(kInputRect);
  update(kOutputRect);
}

QColor ActivityIndicator::inputColor() const {
  return in_ ? QColor(0, 255, 0) : QColor(Qt::black);
}

QColor ActivityIndicator::outputColor() const {
  return out_ ? QColor(255, 0, 0) : QColor(Qt::black);
}

void ActivityIndicator::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(Qt::black);
  p.setBrush(inputColor());
  p.drawRect(kInputRect.adjusted(0, 0, -1, -1));
  p.setBrush(outputColor());
  p.drawRect(kOutputRect.adjusted(0, 0, -1, -1));
}

}  // namespace quorvane
