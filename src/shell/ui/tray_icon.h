#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace quorvane {

class SurfaceModel;

// The notification-area icon. While "Minimize To Taskbar Tray" is checked the icon shows,
// and a minimise hides the windows (and their taskbar entry) instead; the icon brings them
// back. Without a notification area the item is disabled and minimising stays ordinary.
class TrayIcon : public QObject {
  Q_OBJECT

 public:
  static inline const QString kNoTrayHint =
      QStringLiteral("No notification area on this desktop: minimising stays a normal minimise");

  // `windows` are hidden on a minimise: the main window and the compact strip.
  TrayIcon(SurfaceModel& model, QList<QWidget*> windows, QObject* parent = nullptr);
  ~TrayIcon() override;

  // Whether the desktop has a notification area.
  static bool Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

  // The menu item's check mark.
  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }
  // Gives `item` (the menu item) its enabled state and hint as the desktop allows.
  void UpdateItem(QAction& item) const;

  QSystemTrayIcon& Icon() { return icon_; }
  QMenu* Menu() const { return menu_.get(); }

 signals:
  // "E&xit" in the icon's menu.
  void exitRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool HidesOnMinimize() const { return enabled_ && Available(); }

  SurfaceModel& model_;
  QList<QWidget*> windows_;
  QSystemTrayIcon icon_;
  std::unique_ptr<QMenu> menu_;
  bool enabled_ = false;
};

}  // namespace quorvane
