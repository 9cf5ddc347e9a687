#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>

#include "shell/tray_rules.h"

class QAction;
class QMenu;
class QWidget;

namespace quorvane {

class SurfaceModel;

// The notification-area icon. While "Minimize To Taskbar Tray" is checked the icon shows,
// and a minimise hides the windows (and their taskbar entry) instead; the icon brings them
// back. Without a notification area the item is disabled and minimising stays ordinary. The
// notification area may come or go while the program runs (it often starts after it).
class TrayIcon : public QObject {
  Q_OBJECT

 public:
  static inline const QString kNoTrayHint =
      QStringLiteral("No notification area on this desktop: minimising stays a normal minimise");
  // Appended to the disabled item's text: Qt shows no hint for a disabled menu item.
  static inline const QString kNoTraySuffix = QStringLiteral(" (no notification area)");
  static constexpr int kPollMs = 2000;

  // `windows` are hidden on a minimise: the main window and the compact strip.
  TrayIcon(SurfaceModel& model, QList<QWidget*> windows, QObject* parent = nullptr);
  ~TrayIcon() override;

  // Whether the desktop has a notification area; tests decide it for themselves.
  using Availability = std::function<bool()>;
  void SetAvailability(Availability available) { available_ = std::move(available); }
  bool Available() const { return available_(); }

  // The menu item's check mark.
  void SetEnabled(bool on);
  bool Enabled() const { return rules_.Enabled(); }
  // The menu item: enabled, and its text and tool tip, follow the desktop from now on.
  void SetItem(QAction* item);
  // Looks whether the notification area came or went (on a timer; tests call it at once). Gone,
  // it gives back the windows hidden in it.
  void CheckAvailability();

  QSystemTrayIcon& Icon() { return icon_; }
  QMenu* Menu() const { return menu_.get(); }

 signals:
  // "E&xit" in the icon's menu.
  void exitRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool HidesOnMinimize() const { return rules_.HidesOnMinimize(Available()); }
  void UpdateItem();

  SurfaceModel& model_;
  QList<QWidget*> windows_;
  QSystemTrayIcon icon_;
  std::unique_ptr<QMenu> menu_;
  Availability available_ = &QSystemTrayIcon::isSystemTrayAvailable;
  TrayRules rules_;
  QPointer<QAction> item_;
  QString item_text_;
  QTimer poll_;
};

}  // namespace quorvane
