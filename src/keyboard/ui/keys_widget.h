#pragma once

#include <QBrush>
#include <QPen>
#include <QWidget>

#include "keyboard/keyboard_geometry.h"

namespace quorvane {

// The piano keyboard control: draws the keys from KeyboardGeometry and the pressed-note set,
// and reports notes; it knows nothing of MIDI.
class TKeys : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int NoteWidth READ NoteWidth WRITE SetNoteWidth)
  Q_PROPERTY(int BaseOctave READ BaseOctave WRITE SetBaseOctave)

 public:
  explicit TKeys(QWidget* parent = nullptr);

  TKeyboardOrientation Orientation() const { return orientation_; }
  void SetOrientation(TKeyboardOrientation orientation);
  int NoteWidth() const { return note_width_; }
  void SetNoteWidth(int width);
  int BaseOctave() const { return base_octave_; }
  void SetBaseOctave(int octave);
  void SetBlackBrush(const QBrush& brush);

  KeyboardGeometry Geometry() const;
  const KeyboardState& State() const { return state_; }

  // Played from outside the mouse (the computer keyboard); each fires its signal.
  void NoteOn(int note, int velocity);
  void NoteOff(int note);
  // Note offs for every key shown pressed, so that no note hangs.
  void ReleaseAll();

  QSize sizeHint() const override { return {200, 50}; }

 signals:
  void noteOn(int note, int velocity);
  void noteOff(int note, int velocity);  // velocity is always 0

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Deliver(const std::vector<NoteEvent>& events);

  TKeyboardOrientation orientation_ = TKeyboardOrientation::kbHorizontal;
  int note_width_ = 10;
  int base_octave_ = 3;
  bool velocity_mode_ = true;
  QBrush black_brush_{Qt::black};
  QBrush white_brush_{Qt::white};
  QPen pen_{Qt::black};
  KeyboardState state_;
};

}  // namespace quorvane
