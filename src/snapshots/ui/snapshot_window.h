#pragma once

#include <QWidget>

class QCloseEvent;
class QScrollArea;
class QTableWidget;
class QToolBar;
class QToolButton;

namespace quorvane {

class SnapshotStore;
class SurfaceModel;

// The "Snapshots" tool window: all 40 snapshots by name, a recall when a Name cell is
// selected, and the library's New, Open and Save buttons. Every decision is the store's.
class TSnapshotWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRows = 40;
  static constexpr int kKeyColumnWidth = 27;  // at least; wider where the font needs it

  TSnapshotWindow(SnapshotStore& store, SurfaceModel& surface, QWidget* parent = nullptr);

  QTableWidget* List() const { return list_; }
  QToolButton* NewButton() const { return new_; }
  QToolButton* OpenButton() const { return open_; }
  QToolButton* SaveButton() const { return save_; }
  // Refreshes the Name cells of all 40 rows.
  void ShowSnapshotList();

 signals:
  // The user closed the window with its title-bar button.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void SelectCell(int row, int column);

  SnapshotStore& store_;
  QToolBar* tools_;
  QToolButton* new_;
  QToolButton* open_;
  QToolButton* save_;
  QScrollArea* scroll_;
  QTableWidget* list_;
};

}  // namespace quorvane
