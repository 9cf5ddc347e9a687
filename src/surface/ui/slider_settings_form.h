#pragma once

#include <QDialog>
#include <QPoint>

#include "model/controller.h"
#include "surface/controller_learning.h"
#include "surface/slider_settings.h"

class QCheckBox;
class QComboBox;
class QKeyEvent;
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

  // Where the Learn buttons take control changes from; null disables them.
  void SetLearnSource(ControlChangeSource* source);
  QPushButton* LearnSliderButton() const { return learn_slider_; }
  QPushButton* LearnButtonButton() const { return learn_button_; }

 protected:
  // Escape while learning stops the learning, not the dialog.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void cbUseSliderSettingsClick();
  void LearnToggled(ControllerLearner::Target target, bool down);
  void Learned(ControllerLearner::Target target, const LearnedController& learned);
  // The buttons show which learning is under way, and which may start.
  void ShowLearning();

  QComboBox* slider_controller_;
  QLineEdit* slider_label_;
  QComboBox* channel_;
  QCheckBox* slider_enabled_;
  QCheckBox* use_slider_settings_;
  QComboBox* button_controller_;
  QComboBox* button_channel_;
  QLabel* button_controller_label_;
  QLabel* button_channel_label_;
  QPushButton* learn_slider_;
  QPushButton* learn_button_;
  ControllerLearner learner_;
};

}  // namespace quorvane
