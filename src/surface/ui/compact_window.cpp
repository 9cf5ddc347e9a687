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
    label->setGeometry(kLabelRect.translated(kPitch * (s - 1), 0));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setAutoFillBackground(true);
    labels_.at(static_cast<std::size_t>(s - 1)) = label;
  }
  connect(&model_, &SurfaceModel::pageShown, this, [this] {
    if (isVisible()) RenderCaptions();
  });
  connect(&model_, &SurfaceModel::slotChanged, this, [this] {
    if (isVisible()) RenderCaptions();
  });
  connect(&model_.Status(), &StatusBoard::activityChanged, this, [this] {
    if (isVisible() && !model_.Status().OutActivity()) RenderTexts();
  });
}

void TCompactWindow::RenderTexts() {
  for (int s = 1; s <= kSlotCount; ++s) Caption(s)->setText(model_.View(s).caption);
}

void TCompactWindow::RenderCaptions() {
  RenderTexts();
  for (int s = 1; s <= kSlotCount; ++s) {
    const SlotView& v = model_.View(s);
    QLabel* label = Caption(s);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, ToQColor(v.caption_background));
    pal.setColor(QPalette::WindowText, ToQColor(v.caption_text_color));
    label->setPalette(pal);
  }
}

void TCompactWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit closed();
}

}  // namespace quorvane
