#include "shell/ui/shell_art.h"

#include <QFont>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>

// The icons are compiled into this static library, and nothing else refers to them: without
// this call the linker leaves them out of the program. Registering twice is harmless.
static void RegisterIcons() {
  Q_INIT_RESOURCE(icons);
}

namespace quorvane {

QIcon ProgramIcon() {
  RegisterIcons();
  QIcon icon;
  // Read as PNG without probing: guessing the format would load every image plug-in (and
  // libjpeg) at start. The largest size is for launchers, which take it from the icon theme.
  for (int size : {16, 22, 24, 32, 48, 64, 128}) {
    QImageReader reader(QStringLiteral(":/icons/hicolor/%1x%1/apps/quorvane.png").arg(size), "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

QPixmap SplashPicture(const QString& version) {
  QPixmap picture(320, 200);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 200);
  sky.setColorAt(0, QColor(0x2b, 0x34, 0x40));
  sky.setColorAt(1, QColor(0x12, 0x16, 0x1c));
  p.fillRect(picture.rect(), sky);

  // A row of faders at a sweep of heights.
  constexpr int kFaders = 12;
  for (int i = 0; i < kFaders; ++i) {
    const int x = 28 + i * 24;
    p.setPen(QPen(QColor(0x5a, 0x68, 0x78), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(x, 96, x, 176);
    const int knob_y = 160 - static_cast<int>(60.0 * (0.5 + 0.5 * ((i * 37) % 11) / 10.0));
    p.setPen(QPen(QColor(0x0b, 0x0e, 0x12), 2));
    p.setBrush(i % 3 == 1 ? QColor(0x48, 0xc8, 0xe8) : QColor(0xf0, 0xa8, 0x30));
    p.drawRoundedRect(QRectF(x - 9, knob_y, 18, 12), 3, 3);
  }

  QFont title = p.font();
  title.setPixelSize(40);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 18, 320, 50), Qt::AlignCenter, QStringLiteral("Quorvane"));
  QFont small = p.font();
  small.setPixelSize(12);
  small.setBold(false);
  p.setFont(small);
  p.setPen(QColor(0xc0, 0xc8, 0xd0));
  p.drawText(QRect(0, 62, 320, 20), Qt::AlignCenter,
             QStringLiteral("MIDI controller surface %1").arg(version));
  return picture;
}

}  // namespace quorvane
