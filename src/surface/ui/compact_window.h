#pragma once

#include <QWidget>
#include <array>

#include "model/controller.h"

class QCloseEvent;
class QLabel;

namespace quorvane {

class SurfaceModel;

// The compact view: a strip of the 24 caption labels of the page shown, in the main
// window's columns, standing in for the main window.
class TCompactWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr QSize kDesignedSize{1155, 64};

  explicit TCompactWindow(SurfaceModel& model, QWidget* parent = nullptr);

  QLabel* Caption(int slot) const { return labels_.at(static_cast<std::size_t>(slot - 1)); }
  // Captions and colours of the page shown.
  void RenderCaptions();
  // Caption texts only, or the values shown in their place.
  void RenderTexts();
  // A remote surface set slot s to value: shown in place of the caption for a while.
  void ShowValue(int slot, int value);

 signals:
  // The user closed the strip with its title-bar button.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  SurfaceModel& model_;
  std::array<QLabel*, kSlotCount> labels_{};
};

}  // namespace quorvane
