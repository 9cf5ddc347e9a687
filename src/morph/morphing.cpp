#include "morph/morphing.h"

#include <algorithm>

namespace quorvane {

namespace {

// Redraws caused by these operations must not drag a group along; follow comes back on at the
// end, whatever it was before.
class GroupFollowPause {
 public:
  explicit GroupFollowPause(SurfaceModel& surface) : surface_(surface) {
    surface_.SetGroupFollow(false);
  }
  ~GroupFollowPause() { surface_.SetGroupFollow(true); }
  GroupFollowPause(const GroupFollowPause&) = delete;
  GroupFollowPause& operator=(const GroupFollowPause&) = delete;

 private:
  SurfaceModel& surface_;
};

// Each slot of the shown page redrawn once, after the whole sweep.
class SlotBatch {
 public:
  explicit SlotBatch(SurfaceModel& surface) : surface_(surface) { surface_.BeginSlotBatch(); }
  ~SlotBatch() { surface_.EndSlotBatch(); }
  SlotBatch(const SlotBatch&) = delete;
  SlotBatch& operator=(const SlotBatch&) = delete;

 private:
  SurfaceModel& surface_;
};

int ValidIndex(int index) {
  return index >= 0 && index < kDefinitionCount ? index : VectorAssignments::kNone;
}

// floor(numerator / denominator + 1/2) for numerator >= 0, in integers so halves go up exactly.
int HalfUp(int numerator, int denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

}  // namespace

void MorphControllers(SurfaceModel& surface, int m) {
  m = std::clamp(m, 0, 127);
  const GroupFollowPause pause(surface);
  const SlotBatch batch(surface);
  TPageSet& pages = surface.MutablePages();
  const int shown = surface.CurrentPage();
  // After a refused message the rest of the sweep stays quiet: the error is told once.
  bool quiet = false;
  for (int i = 0; i < kDefinitionCount; ++i) {
    Tcontroller& d = pages[i];
    if (!d.enabled || !HasRange(d)) continue;
    const std::uint8_t v = MorphValue(d, m);
    if (v == d.value) continue;
    d.value = v;
    if (!quiet && surface.OutputInUse() && !surface.SendControlChange(d.ctrl, d.channel, v))
      quiet = true;
    if (PageOfIndex(i) == shown) surface.RefreshSlot(SlotOfIndex(i));
  }
}

void DriveController(SurfaceModel& surface, int index, int v) {
  if (ValidIndex(index) == VectorAssignments::kNone) return;
  const GroupFollowPause pause(surface);
  Tcontroller& d = surface.MutablePages()[index];
  if (!d.enabled) return;
  // Scaled first, so that the stored value and the comparison never depend on whether an
  // output happens to be open.
  const std::uint8_t scaled = ScaleDriveValue(d, v);
  if (scaled == d.value) return;
  d.value = scaled;
  if (surface.OutputInUse()) surface.SendControlChange(d.ctrl, d.channel, scaled);
  if (PageOfIndex(index) == surface.CurrentPage()) surface.RefreshSlot(SlotOfIndex(index));
}

void VectorAssignments::SetX(const Axis& x) {
  for (int k = 0; k < kPerAxis; ++k) Set(k, x[static_cast<std::size_t>(k)]);
}

void VectorAssignments::SetY(const Axis& y) {
  for (int k = 0; k < kPerAxis; ++k) Set(kPerAxis + k, y[static_cast<std::size_t>(k)]);
}

int VectorAssignments::At(int list) const {
  if (list < 0 || list >= kListCount) return kNone;
  const Axis& axis = list < kPerAxis ? x_ : y_;
  return axis[static_cast<std::size_t>(list % kPerAxis)];
}

void VectorAssignments::Set(int list, int index) {
  if (list < 0 || list >= kListCount) return;
  Axis& axis = list < kPerAxis ? x_ : y_;
  axis[static_cast<std::size_t>(list % kPerAxis)] = ValidIndex(index);
}

QString VectorAssignments::EntryText(const TPageSet& pages, int n) {
  const Tcontroller& d = pages.byNumber(n);
  return QStringLiteral("%1) %2 (%3)").arg(n).arg(d.caption).arg(d.ctrl);
}

QStringList VectorAssignments::Entries(const TPageSet& pages) {
  QStringList entries;
  entries.reserve(kDefinitionCount + 1);
  entries << QStringLiteral("none");
  for (int n = 1; n <= kDefinitionCount; ++n) entries << EntryText(pages, n);
  return entries;
}

int VectorAssignments::PadX(int x) {
  if (x <= 0) return 0;
  if (x >= 324) return 127;
  return HalfUp(x * 127, 324);
}

int VectorAssignments::PadY(int y) {
  const int up = 320 - y;
  if (up <= 0) return 0;
  if (up >= 312) return 127;
  return HalfUp(up * 127, 312);
}

bool VectorAssignments::MoveSends(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  return buttons == Qt::LeftButton && (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier;
}

std::vector<VectorAssignments::Drive> VectorAssignments::Drives(int xv, int yv) const {
  std::vector<Drive> drives;
  for (int index : x_)
    if (index != kNone) drives.push_back({index, xv});
  for (int index : y_)
    if (index != kNone) drives.push_back({index, yv});
  return drives;
}

VectorAssignments::PadValues VectorAssignments::Move(SurfaceModel& surface, int x, int y,
                                                     bool send) const {
  const PadValues values{PadX(x), PadY(y)};
  if (!send) return values;
  // Straight over the lists rather than through Drives(): a drag calls this per mouse event.
  for (int index : x_)
    if (index != kNone) DriveController(surface, index, values.x);
  for (int index : y_)
    if (index != kNone) DriveController(surface, index, values.y);
  return values;
}

}  // namespace quorvane
