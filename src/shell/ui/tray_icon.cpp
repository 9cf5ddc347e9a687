#include "shell/ui/tray_icon.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include "shell/ui/shell_art.h"
#include "surface/surface_model.h"

namespace quorvane {

TrayIcon::TrayIcon(SurfaceModel& model, QList<QWidget*> windows, QObject* parent)
    : QObject(parent),
      model_(model),
      windows_(std::move(windows)),
      menu_(std::make_unique<QMenu>()) {
  icon_.setIcon(ProgramIcon());
  icon_.setToolTip(QStringLiteral("Quorvane"));
  menu_->setObjectName(QStringLiteral("PopupMenu1"));
  restore_ = menu_->addAction(QStringLiteral("&Restore"));
  restore_->setObjectName(QStringLiteral("Restore1"));
  minimize_ = menu_->addAction(QStringLiteral("Mi&nimize"));
  minimize_->setObjectName(QStringLiteral("Minimize1"));
  menu_->addSeparator();
  exit_ = menu_->addAction(QStringLiteral("E&xit"));
  exit_->setObjectName(QStringLiteral("Exit2"));
  icon_.setContextMenu(menu_.get());

  connect(restore_, &QAction::triggered, &model_.Window(), &WindowMode::Restore);
  connect(minimize_, &QAction::triggered, &model_.Window(), &WindowMode::Minimize);
  connect(exit_, &QAction::triggered, this, &TrayIcon::exitRequested);
  connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
      model_.Window().Restore();
  });
  for (QWidget* w : windows_) w->installEventFilter(this);
}

TrayIcon::~TrayIcon() {
  for (QWidget* w : windows_) w->removeEventFilter(this);
  icon_.hide();
}

void TrayIcon::SetEnabled(bool on) {
  enabled_ = on;
  icon_.setVisible(HidesOnMinimize());
}

void TrayIcon::UpdateItem(QAction& item) const {
  const bool available = Available();
  item.setEnabled(available);
  item.setStatusTip(available ? QStringLiteral("Minimize To Taskbar Tray") : kNoTrayHint);
  item.setToolTip(item.statusTip());
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowStateChange && HidesOnMinimize()) {
    auto* w = static_cast<QWidget*>(watched);
    if (w->isMinimized()) {
      // Hidden once the minimise is through: no taskbar entry, only the icon.
      QTimer::singleShot(0, this, [this] {
        for (QWidget* window : windows_) window->hide();
        icon_.show();
      });
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace quorvane
