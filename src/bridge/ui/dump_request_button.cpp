#include "bridge/ui/dump_request_button.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include "bridge/dump_request_command.h"
#include "surface/ui/main_window.h"

namespace quorvane {

DumpRequestButton::DumpRequestButton(MainWindow& window, DumpRequestCommand& command)
    : button_(window.ToolButton(QStringLiteral("btnDumpRequest"))) {
  window.Bind(Command::kDumpRequest, [&command] { command.Click(); });
  menu_ = new QMenu(&window);  // the window owns it
  menu_->setObjectName(QStringLiteral("pmDumpRequest"));
  QAction* edit = menu_->addAction(QStringLiteral("&Edit Dump Request String..."));
  edit->setObjectName(QStringLiteral("Edit1"));
  edit->setStatusTip(QStringLiteral("Edit Dump Request String"));
  connect(edit, &QAction::triggered, this, [&command] { command.Edit(); });
  if (button_) button_->installEventFilter(this);
}

DumpRequestButton::~DumpRequestButton() {
  if (button_) button_->removeEventFilter(this);
  delete menu_.data();
}

bool DumpRequestButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == button_ && event->type() == QEvent::MouseButtonPress) {
    const auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() == Qt::RightButton && menu_) {
      menu_->popup(press->globalPosition().toPoint());
      return true;
    }
  }
  // The context menu request that follows a right press is the button's own: passed on, the
  // tool band's menu would open over this one. The menu key opens the button's menu too.
  if (watched == button_ && event->type() == QEvent::ContextMenu) {
    auto* request = static_cast<QContextMenuEvent*>(event);
    if (request->reason() != QContextMenuEvent::Mouse && menu_) menu_->popup(request->globalPos());
    request->accept();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace quorvane
