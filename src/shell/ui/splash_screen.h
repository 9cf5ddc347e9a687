#pragma once

#include <QWidget>

class QCloseEvent;
class QMouseEvent;
class QPaintEvent;

namespace quorvane {

class SplashGate;

// The start-up picture: borderless, centred, above the other windows. A click lets it go.
class TSplashScreen : public QWidget {
  Q_OBJECT

 public:
  static constexpr QSize kSize{328, 208};

  explicit TSplashScreen(SplashGate& gate, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  // Refused until the gate opens.
  void closeEvent(QCloseEvent* event) override;

 private:
  SplashGate& gate_;
  QPixmap picture_;
};

}  // namespace quorvane
