#include "bridge/ui/remote_window_binding.h"

#include <QApplication>
#include <QLabel>

#include "bridge/remote_binding.h"
#include "surface/ui/commands.h"
#include "surface/ui/compact_window.h"
#include "surface/ui/main_window.h"

namespace quorvane {

void BindRemoteWindow(RemoteBinding& remote, MainWindow& window) {
  RemoteBinding::WindowHooks hooks;
  hooks.modal_dialog_open = [] { return QApplication::activeModalWidget() != nullptr; };
  hooks.application_active = [] {
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
  };
  hooks.bring_to_front = [&window] {
    // The compact strip stands in for the main window while it is shown.
    QWidget* front = window.CompactWindow() && window.CompactWindow()->isVisible()
                         ? static_cast<QWidget*>(window.CompactWindow())
                         : static_cast<QWidget*>(&window);
    front->raise();
    front->activateWindow();
  };
  hooks.show_compact_value = [&window](int slot, int value) {
    if (TCompactWindow* strip = window.CompactWindow())
      strip->Caption(slot)->setText(QString::number(value));
  };
  remote.SetWindowHooks(std::move(hooks));

  const struct {
    Command command;
    TransportButton button;
  } transport[] = {
      {Command::kPlay, TransportButton::kPlay},
      {Command::kStop, TransportButton::kStop},
      {Command::kRecord, TransportButton::kRecord},
      {Command::kPause, TransportButton::kPause},
  };
  for (const auto& t : transport) {
    window.Bind(t.command, [&remote, button = t.button] { remote.SendTransport(button); });
  }
}

}  // namespace quorvane
