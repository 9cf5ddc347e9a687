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
      menu_(std::make_unique<QMenu>()),
      rules_(model.Window()) {
  icon_.setIcon(ProgramIcon());
  icon_.setToolTip(QStringLiteral("Quorvane"));
  menu_->setObjectName(QStringLiteral("PopupMenu1"));
  QAction* restore_item = menu_->addAction(QStringLiteral("&Restore"));
  restore_item->setObjectName(QStringLiteral("Restore1"));
  QAction* minimize_item = menu_->addAction(QStringLiteral("Mi&nimize"));
  minimize_item->setObjectName(QStringLiteral("Minimize1"));
  menu_->addSeparator();
  QAction* exit_item = menu_->addAction(QStringLiteral("E&xit"));
  exit_item->setObjectName(QStringLiteral("Exit2"));
  icon_.setContextMenu(menu_.get());

  connect(restore_item, &QAction::triggered, &model_.Window(), &WindowMode::Restore);
  connect(minimize_item, &QAction::triggered, &model_.Window(), &WindowMode::Minimize);
  connect(exit_item, &QAction::triggered, this, &TrayIcon::exitRequested);
  connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
      model_.Window().Restore();
  });
  for (QWidget* w : windows_) w->installEventFilter(this);
  // Qt tells nothing when a notification area starts or stops: it is looked for now and then.
  connect(&poll_, &QTimer::timeout, this, &TrayIcon::CheckAvailability);
  poll_.start(kPollMs);
}

TrayIcon::~TrayIcon() {
  for (QWidget* w : windows_) w->removeEventFilter(this);
  icon_.hide();
}

void TrayIcon::SetEnabled(bool on) {
  rules_.SetEnabled(on);
  icon_.setVisible(HidesOnMinimize());
}

void TrayIcon::SetItem(QAction* item) {
  item_ = item;
  item_text_ = item->text();
  rules_.SetKnownAvailable(Available());
  UpdateItem();
}

void TrayIcon::UpdateItem() {
  if (!item_) return;
  const bool available = Available();
  item_->setEnabled(available);
  item_->setText(available ? item_text_ : item_text_ + kNoTraySuffix);
  item_->setStatusTip(available ? QStringLiteral("Minimize To Taskbar Tray") : kNoTrayHint);
  item_->setToolTip(item_->statusTip());
}

void TrayIcon::CheckAvailability() {
  if (!rules_.NoteAvailable(Available())) return;
  UpdateItem();
  icon_.setVisible(HidesOnMinimize());
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
