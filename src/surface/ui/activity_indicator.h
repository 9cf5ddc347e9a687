#pragma once

#include <QWidget>

namespace quorvane {

// The two MIDI activity lamps of the status bar: input green, output red, black when idle.
class ActivityIndicator : public QWidget {
  Q_OBJECT

 public:
  static constexpr QRect kInputRect{6, 6, 19, 10};    // 526,6 .. 544,15 on the bar
  static constexpr QRect kOutputRect{28, 6, 19, 10};  // 548,6 .. 566,15 on the bar

  explicit ActivityIndicator(QWidget* parent = nullptr);

  void setActivity(bool in, bool out);
  QColor inputColor() const;
  QColor outputColor() const;

  QSize sizeHint() const override { return {50, 20}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool in_ = false;
  bool out_ = false;
};

}  // namespace quorvane
