#pragma once

#include <QString>
#include <QStringList>
#include <Qt>
#include <array>
#include <vector>

#include "model/controller.h"
#include "surface/surface_model.h"

namespace quorvane {

// Sweeps every enabled definition with a range, on all five pages, to the point m (0..127)
// between its lower (m = 0) and upper (m = 127) bound. Only changed values are stored and sent,
// in page-then-slot order, straight from the calling (GUI) thread; the page shown follows.
void MorphControllers(SurfaceModel& surface, int m);

// Sets definition index (0..119) from an outside value v (0..127): scaled into the range when
// it has one, stored whether or not the output is open, sent only when it changed. A disabled
// definition is left alone.
void DriveController(SurfaceModel& surface, int index, int v);

// The eight assignments of the X/Y pad (four definitions per axis) and the pad's rules: the
// list entries, the pixel-to-value mapping and which definitions a move drives.
class VectorAssignments {
 public:
  static constexpr int kPerAxis = 4;
  static constexpr int kListCount = 2 * kPerAxis;  // X1..X4, then Y1..Y4
  static constexpr int kNone = -1;
  using Axis = std::array<int, kPerAxis>;  // definition index 0..119, or kNone

  // What one move sends: definition index and the pad value for it.
  struct Drive {
    int index;
    int value;
    bool operator==(const Drive&) const = default;
  };
  struct PadValues {
    int x;
    int y;
    bool operator==(const PadValues&) const = default;
  };

  const Axis& X() const { return x_; }
  const Axis& Y() const { return y_; }
  // Anything outside 0..119 reads as none.
  void SetX(const Axis& x);
  void SetY(const Axis& y);
  // list 0..7 stands for X1..X4, Y1..Y4.
  int At(int list) const;
  void Set(int list, int index);

  // Drop-down row k stands for setting k - 1: row 0 is "none".
  static int RowOf(int setting) { return setting + 1; }
  static int SettingOf(int row) { return row <= 0 ? kNone : row - 1; }

  // "N) caption (ctrl)" for sequence number n (1..120).
  static QString EntryText(const TPageSet& pages, int n);
  // "none" followed by the 120 entries in sequence order.
  static QStringList Entries(const TPageSet& pages);

  // Pixel coordinates over the pad image to 0..127, halves up; Y points upward.
  static int PadX(int x);
  static int PadY(int y);
  // A move sends only while exactly the left button is held, with no modifier key.
  static bool MoveSends(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

  // X lists in order with xv, then Y lists with yv; "none" lists skipped, repeats kept.
  std::vector<Drive> Drives(int xv, int yv) const;
  // The pad gesture at pixel (x, y): the values to show, and the drives when send is set.
  PadValues Move(SurfaceModel& surface, int x, int y, bool send) const;

  bool operator==(const VectorAssignments&) const = default;

 private:
  Axis x_{kNone, kNone, kNone, kNone};
  Axis y_{kNone, kNone, kNone, kNone};
};

}  // namespace quorvane
