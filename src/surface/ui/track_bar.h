#pragma once

#include <QProxyStyle>
#include <QSlider>

namespace quorvane {

// Vertical track bar of one slot: positions 0..127 with 0 at the top, and a selection
// marker drawn beside the groove for the slot's value range.
class TrackBar : public QSlider {
  Q_OBJECT

 public:
  static constexpr int kMaxPosition = 127;
  static constexpr int kThumbLength = 15;

  explicit TrackBar(QWidget* parent = nullptr);

  void setMarker(int start, int end);
  int markerStart() const { return marker_start_; }
  int markerEnd() const { return marker_end_; }
  QColor markerColor() const;

  // Moves the thumb without reporting it as a user move.
  void setPositionQuietly(int position);

  // Pixel row of a position's centre, for drawing and for tests that drag the thumb.
  int pixelForPosition(int position) const;

 signals:
  void focused();
  // A character typed while the track bar has the focus (range keys).
  void keyTyped(QChar key);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int marker_start_ = 64;
  int marker_end_ = 64;
};

// Gives the track bars their thumb length; one instance is shared by all of them.
class TrackBarStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
  // A plain sunken channel instead of the base style's groove, which fills up to the thumb.
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget = nullptr) const override;
};

}  // namespace quorvane
