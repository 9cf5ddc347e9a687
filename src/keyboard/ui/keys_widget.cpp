#include "keyboard/ui/keys_widget.h"

#include <QMouseEvent>
#include <QPainter>

namespace quorvane {
namespace {

// Qt widgets have no colour-inverting draw; the pressed face is filled with the inverse.
QColor Inverted(const QColor& c) {
  return QColor::fromRgb(c.rgb() ^ 0x00FFFFFFu);
}

}  // namespace

TKeys::TKeys(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(200, 50);
}

void TKeys::SetOrientation(TKeyboardOrientation orientation) {
  if (orientation == orientation_) return;
  orientation_ = orientation;
  update();
}

void TKeys::SetNoteWidth(int width) {
  if (width == note_width_ || width <= 0) return;
  note_width_ = width;
  update();
}

void TKeys::SetBaseOctave(int octave) {
  if (octave == base_octave_) return;
  base_octave_ = octave;
  repaint();
}

void TKeys::SetBlackBrush(const QBrush& brush) {
  black_brush_ = brush;
  update();
}

KeyboardGeometry TKeys::Geometry() const {
  return {orientation_, note_width_, base_octave_, width(), height(), velocity_mode_};
}

void TKeys::NoteOn(int note, int velocity) {
  Deliver({state_.NoteOn(note, velocity)});
}

void TKeys::NoteOff(int note) {
  Deliver({state_.NoteOff(note)});
}

void TKeys::ReleaseAll() {
  Deliver(state_.ReleaseAll());
}

void TKeys::Deliver(const std::vector<NoteEvent>& events) {
  if (events.empty()) return;
  update();
  for (const NoteEvent& e : events) {
    if (e.on)
      emit noteOn(e.note, e.velocity);
    else
      emit noteOff(e.note, 0);
  }
}

void TKeys::paintEvent(QPaintEvent*) {
  const KeyboardGeometry g = Geometry();
  QPainter p(this);
  p.setPen(pen_);
  p.setBrush(white_brush_);
  // QPainter's outline covers one pixel more than its size: the rectangles end one short.
  p.drawRect(0, 0, width() - 1, height() - 1);
  const bool horizontal = orientation_ == TKeyboardOrientation::kbHorizontal;
  for (const int along : g.Separators()) {
    const QRect line = g.ToWidget({along, 0, 1, g.Breadth()});
    if (horizontal)
      p.drawLine(line.left(), 0, line.left(), height() - 1);
    else
      p.drawLine(0, line.top(), width() - 1, line.top());
  }
  p.setBrush(black_brush_);
  for (const KeyArea& key : g.BlackKeys()) p.drawRect(g.ToWidget(key).adjusted(0, 0, -1, -1));
  // Pressed keys are drawn from the set on every repaint, so a held key stays shown pressed.
  p.setPen(Qt::NoPen);
  const QColor white = Inverted(white_brush_.color());
  const QColor black = Inverted(black_brush_.color());
  for (int n = 0; n < KeyboardGeometry::kNoteCount; ++n) {
    if (!state_.IsPressed(n)) continue;
    const int semitone = n % 12;
    const bool is_black =
        semitone == 1 || semitone == 3 || semitone == 6 || semitone == 8 || semitone == 10;
    for (const KeyArea& a : g.PressedAreas(n))
      if (a.along_extent > 0 && a.across_extent > 0)
        p.fillRect(g.ToWidget(a), is_black ? black : white);
  }
}

void TKeys::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  Deliver(state_.Press(Geometry(), pos.x(), pos.y(),
                       event->button() == Qt::LeftButton ? KeyboardState::Button::kLeft
                                                         : KeyboardState::Button::kOther));
}

void TKeys::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  Deliver(state_.Move(Geometry(), pos.x(), pos.y(), (event->buttons() & Qt::LeftButton) != 0));
}

void TKeys::mouseReleaseEvent(QMouseEvent*) {
  Deliver(state_.Release());
}

}  // namespace quorvane
