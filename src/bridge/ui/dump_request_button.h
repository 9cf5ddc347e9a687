#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QToolButton>

namespace quorvane {

class DumpRequestCommand;
class MainWindow;

// Binds the main window's "Dump Request" tool button: a click runs the command, a right
// press pops up its menu with the edit item at the mouse.
class DumpRequestButton : public QObject {
  Q_OBJECT

 public:
  DumpRequestButton(MainWindow& window, DumpRequestCommand& command);
  ~DumpRequestButton() override;
  DumpRequestButton(const DumpRequestButton&) = delete;
  DumpRequestButton& operator=(const DumpRequestButton&) = delete;

  QMenu* PopupMenu() const { return menu_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QToolButton> button_;
  QPointer<QMenu> menu_;
};

}  // namespace quorvane
