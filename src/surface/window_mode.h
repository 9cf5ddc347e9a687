#pragma once

#include <QObject>

namespace quorvane {

// How the application shows itself: the full window or the compact strip of captions, and
// whether it is minimised. The windows follow the signals; remote control and the tray icon
// ask through the same calls.
class WindowMode : public QObject {
  Q_OBJECT

 public:
  explicit WindowMode(QObject* parent = nullptr) : QObject(parent) {}

  bool CompactView() const { return compact_view_; }
  bool Minimized() const { return minimized_; }
  // Between the full window and the compact strip of captions; remote control calls it too.
  void ToggleCompactView();
  // The compact strip was closed by its own close button: back to the full view.
  void LeaveCompactView();
  // The window system minimised or restored the application.
  void SetMinimized(bool on) { minimized_ = on; }
  // Asks the windows to minimise or restore the application (tray icon, remote control).
  void Minimize() { emit minimizeRequested(); }
  void Restore() { emit restoreRequested(); }

 signals:
  void compactViewChanged(bool on);
  void minimizeRequested();
  void restoreRequested();

 private:
  bool compact_view_ = false;
  bool minimized_ = false;
};

}  // namespace quorvane
