#pragma once

namespace quorvane {

class WindowMode;

// When a minimise hides the windows in the notification area, and when they must come back
// out: the area may come or go while the program runs, and windows hidden in an area that
// went could never be brought back.
class TrayRules {
 public:
  explicit TrayRules(WindowMode& window) : window_(window) {}

  // The menu item's check mark.
  void SetEnabled(bool on) { enabled_ = on; }
  bool Enabled() const { return enabled_; }
  // Whether a minimise hides the windows, with the desktop as it is now.
  bool HidesOnMinimize(bool available) const { return enabled_ && available; }
  // What the desktop said last; no restore.
  void SetKnownAvailable(bool available) { was_available_ = available; }
  // What the desktop says now. True when that is news; the windows come back out of an area
  // that went.
  bool NoteAvailable(bool available);

 private:
  WindowMode& window_;
  bool enabled_ = false;
  bool was_available_ = false;
};

}  // namespace quorvane
