#include "shell/ui/splash_screen.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "shell/about_info.h"
#include "shell/splash_gate.h"
#include "shell/ui/shell_art.h"

namespace quorvane {

TSplashScreen::TSplashScreen(SplashGate& gate, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      gate_(gate),
      picture_(SplashPicture(AboutInfo::OfThisBuild().version)) {
  setObjectName(QStringLiteral("SplashScreen"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(kSize);
  setCursor(Qt::PointingHandCursor);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame(QPoint(), kSize);
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
  }
}

void TSplashScreen::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // A raised 2-pixel border, then a lowered one round the picture.
  p.fillRect(rect(), palette().color(QPalette::Window));
  p.setPen(palette().color(QPalette::Light));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(rect().adjusted(2, 2, -3, -3));
  p.drawPixmap(4, 4, picture_);
}

void TSplashScreen::closeEvent(QCloseEvent* event) {
  if (gate_.MayClose()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TSplashScreen::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) gate_.Click();
}

}  // namespace quorvane
