#include "surface/ui/compact_window.h"

#include <QCloseEvent>
#include <QLabel>

#include "surface/surface_model.h"
#include "surface/ui/qt_color.h"

namespace quorvane {
namespace {

constexpr int kPitch = 48;
constexpr QRect kLabelRect{-2, 1, 45, 39};

}  // namespace

TCompactWindow::TCompactWindow(SurfaceModel& model, QWidget* parent)
    : QWidget(parent, Qt::Tool), model_(model) {
  setObjectName(QStringLiteral("CompactWindow"));
  setWindowTitle(QStringLiteral("Quorvane"));
  resize(kDesignedSize);
  for (int s = 1; s <= kSlotCount; ++s) {
    auto* label = new QLabel(QStringLiteral("---"), this);
    label->setObjectName(QStringLiteral("l%1").arg(s));
    // Fixed, so that a new text asks no layout to run.
    label->setFixedSize(kLabelRect.size());
    label->move(kLabelRect.translated(kPitch * (s - 1), 0).topLeft());
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setAutoFillBackground(true);
    labels_.at(static_cast<std::size_t>(s - 1)) = label;
  }
  connect(&model_.Redraws(), &RedrawPacer::frameDue, this, [this](const RedrawFrame& frame) {
    if (isVisible() && frame.dirty_slots.any()) RenderCaptions();
  });
}

void TCompactWindow::ShowValue(int slot, int value) {
  model_.ShowStripValue(slot, value);
}

void TCompactWindow::RenderTexts() {
  for (int s = 1; s <= kSlotCount; ++s) {
    const SlotView& v = model_.View(s);
    Caption(s)->setText(v.strip_value < 0 ? v.caption : QString::number(v.strip_value));
  }
}

void TCompactWindow::RenderCaptions() {
  RenderTexts();
  for (int s = 1; s <= kSlotCount; ++s) {
    const SlotView& v = model_.View(s);
    QLabel* label = Caption(s);
    const QColor background = ToQColor(v.caption_background);
    const QColor text = ToQColor(v.caption_text_color);
    QPalette pal = label->palette();
    if (pal.color(QPalette::Window) == background && pal.color(QPalette::WindowText) == text)
      continue;
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::WindowText, text);
    label->setPalette(pal);
  }
}

void TCompactWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit closed();
}

}  // namespace quorvane
