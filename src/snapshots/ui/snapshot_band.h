#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QMenu;

namespace quorvane {

class MainWindow;
class SnapshotStore;

// The main window's "Snapshots" band and "S&napshots" menu: shows the current bank's ten
// slots and the take mode, and hands every click to the store.
class SnapshotBand : public QObject {
  Q_OBJECT

 public:
  // Shows the rename input box with the current name; cancelling returns that name.
  using NameAsker = std::function<QString(const QString& current)>;

  SnapshotBand(MainWindow& window, SnapshotStore& store, QObject* parent = nullptr);
  ~SnapshotBand() override;

  void SetNameAsker(NameAsker asker) { ask_name_ = std::move(asker); }
  // The right-click menu of the slot buttons ("pmSnapTools") and its only item.
  QMenu* SlotMenu() const { return slot_menu_; }
  QAction* RenameAction() const { return rename_; }

 private:
  void Render();
  void Rename();

  MainWindow& window_;
  SnapshotStore& store_;
  QMenu* slot_menu_ = nullptr;
  QAction* rename_ = nullptr;
  NameAsker ask_name_;
};

}  // namespace quorvane
