#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

namespace quorvane {

class StopSignal;

// The small borderless window shown while a bulk send runs. Stop, or closing the window by
// any means, asks every running send to stop.
class BulkSendWindow : public QFrame {
  Q_OBJECT

 public:
  static constexpr QSize kClientSize{233, 71};

  explicit BulkSendWindow(StopSignal& stop_request, QWidget* parent = nullptr);

  // Shows the window in the middle of the screen.
  void ShowCentered();

  QLabel* Label() const { return label_; }
  QPushButton* Button1() const { return button_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  StopSignal& stop_request_;
  QLabel* label_ = nullptr;
  QPushButton* button_ = nullptr;
};

}  // namespace quorvane
