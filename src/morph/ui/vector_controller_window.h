#pragma once

#include <QWidget>
#include <array>

#include "morph/morphing.h"

class QCloseEvent;
class QComboBox;
class QLabel;
class QPushButton;

namespace quorvane {

class SurfaceModel;

// The "Vector Controller" tool window: an X/Y pad driving up to four definitions per axis,
// the two read-outs and the eight assignment lists. What a gesture does is the core's.
class TVectorController : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 575;
  static constexpr int kHeight = 333;
  static constexpr int kPadImageSize = 327;
  static constexpr int kCursorHotSpot = 16;

  explicit TVectorController(SurfaceModel& surface, QWidget* parent = nullptr);

  QWidget* Pad() const { return pad_; }
  QLabel* ReadoutX() const { return readout_x_; }
  QLabel* ReadoutY() const { return readout_y_; }
  // list 0..7: cbX1..cbX4, cbY1..cbY4.
  QComboBox* List(int list) const { return lists_.at(static_cast<std::size_t>(list)); }
  QPushButton* CloseButton() const { return close_; }

  // The assignments as the settings file keeps them: definition index or -1.
  const VectorAssignments::Axis& XAssignments() const { return assignments_.X(); }
  const VectorAssignments::Axis& YAssignments() const { return assignments_.Y(); }
  void SetAssignments(const VectorAssignments::Axis& x, const VectorAssignments::Axis& y);

  // Rebuilds all eight lists from the definitions, each keeping its assignment by index.
  void FillVectorLists();
  // Rewrites entry n (1..120) of all eight lists, keeping each list's choice.
  void UpdateVectorEntry(int n);

 signals:
  // The user closed the window (title-bar button, Close or Escape).
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void VectorMove(QPoint at, bool send);
  void SelectAssignedRows();

  SurfaceModel& surface_;
  VectorAssignments assignments_;
  QWidget* pad_;
  QLabel* readout_x_;
  QLabel* readout_y_;
  std::array<QComboBox*, VectorAssignments::kListCount> lists_{};
  QPushButton* close_;
};

}  // namespace quorvane
