#pragma once

#include <QWidget>
#include <memory>

class QCloseEvent;
class QLabel;
class QSlider;

namespace quorvane {

class SurfaceModel;
class TrackBarStyle;

// The "Morph Slider" tool window: one vertical slider whose amount (0 at the bottom, 127 at
// the top) sweeps every ranged definition between its bounds. The sweep is the model's.
class TMorphSliderWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 104;
  static constexpr int kHeight = 217;

  explicit TMorphSliderWindow(SurfaceModel& surface, QWidget* parent = nullptr);
  ~TMorphSliderWindow() override;

  QSlider* Slider() const { return slider_; }
  QLabel* Display() const { return display_; }

 signals:
  // The user closed the window with its title-bar button.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void MorphSliderChange(int position);

  SurfaceModel& surface_;
  std::unique_ptr<TrackBarStyle> style_;  // outlives the slider, see the destructor
  QLabel* display_;
  QSlider* slider_;
};

}  // namespace quorvane
