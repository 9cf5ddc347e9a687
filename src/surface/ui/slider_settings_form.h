#pragma once

#include <QDialog>
#include <QPoint>

#include "model/controller.h"
#include "surface/slider_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane {

// The per-slider "Settings" dialog. It shows a SliderSettingsFields and reads it back.
class TSliderSettingsForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSliderSettingsForm(QWidget* parent = nullptr);

  // Fills the dialog from `d`, opens it modally at SettingsDialogPosition(main_window_top_left)
  // and on OK writes the fields back into `d` and returns true. Cancel leaves `d` alone.
  bool Edit(Tcontroller& d, QPoint main_window_top_left);

  void ShowFields(const SliderSettingsFields& f);
  SliderSettingsFields ShownFields() const;

 private:
  void cbUseSliderSettingsClick();

  QComboBox* slider_controller_;
  QLineEdit* slider_label_;
  QComboBox* channel_;
  QCheckBox* slider_enabled_;
  QCheckBox* use_slider_settings_;
  QComboBox* button_controller_;
  QComboBox* button_channel_;
  QLabel* button_controller_label_;
  QLabel* button_channel_label_;
};

}  // namespace quorvane
