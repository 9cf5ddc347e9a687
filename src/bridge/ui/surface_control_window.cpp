#include "bridge/ui/surface_control_window.h"

#include <QApplication>
#include <QLabel>

#include "bridge/surface_control.h"
#include "surface/ui/compact_window.h"
#include "surface/ui/main_window.h"

namespace quorvane {

void BindSurfaceControlWindow(SurfaceControl& control, MainWindow& window) {
  SurfaceControl::WindowHooks hooks;
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
    if (TCompactWindow* strip = window.CompactWindow()) strip->ShowValue(slot, value);
  };
  control.SetWindowHooks(std::move(hooks));
}

}  // namespace quorvane
