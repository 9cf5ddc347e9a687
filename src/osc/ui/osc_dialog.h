#pragma once

#include <QDialog>
#include <functional>

#include "osc/osc_server.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace quorvane {

// View > OSC...: whether the program listens for OSC, on which port, and where feedback goes
// besides the clients heard from.
class OscDialog : public QDialog {
  Q_OBJECT

 public:
  // Answers why a config could not be applied, or nothing when it was.
  using Apply = std::function<QString(const OscConfig&)>;

  explicit OscDialog(QWidget* parent = nullptr);

  // Shows config; on OK applies the edited one, staying open with the reason when that
  // fails. True, with config changed, when it was applied.
  bool Edit(OscConfig& config, const Apply& apply);

 private:
  void TryApply();

  QCheckBox* enabled_;
  QSpinBox* port_;
  QLineEdit* feedback_host_;
  QSpinBox* feedback_port_;
  Apply apply_;
  OscConfig edited_;
};

}  // namespace quorvane
