#include "surface/ui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <QPolygonF>

namespace quorvane {
namespace {

constexpr int kSize = 16;

QPixmap Canvas() {
  QPixmap pm(kSize, kSize);
  pm.fill(Qt::transparent);
  return pm;
}

// Bold by drawing the regular face twice a pixel apart: the bold face, loaded for badge letters,
// would cost the program a third of a megabyte.
void DrawText(QPainter& p, const QString& text, const QColor& color) {
  QFont f = p.font();
  f.setPixelSize(text.size() > 1 ? 9 : 12);
  p.setFont(f);
  p.setPen(color);
  for (int dx : {0, 1}) p.drawText(QRect(dx, 0, kSize, kSize), Qt::AlignCenter, text);
}

void DrawPage(QPainter& p, const QColor& fill) {
  p.setPen(QColor(60, 60, 60));
  p.setBrush(fill);
  p.drawPolygon(QPolygonF({{3.5, 1.5}, {10.5, 1.5}, {13.5, 4.5}, {13.5, 14.5}, {3.5, 14.5}}));
}

void DrawFolder(QPainter& p) {
  p.setPen(QColor(110, 80, 0));
  p.setBrush(QColor(240, 200, 80));
  p.drawRect(QRectF(1.5, 4.5, 13, 9));
  p.drawRect(QRectF(1.5, 2.5, 5, 2));
}

void DrawDisk(QPainter& p) {
  p.setPen(QColor(20, 20, 80));
  p.setBrush(QColor(60, 80, 180));
  p.drawRect(QRectF(1.5, 1.5, 13, 13));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4.5, 1.5, 7, 5));
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(QRectF(4.5, 9.5, 7, 5));
}

void DrawSliders(QPainter& p, const QColor& ink) {
  p.setPen(QPen(ink, 1));
  for (int x : {4, 8, 12}) p.drawLine(x, 2, x, 14);
  p.setBrush(QColor(200, 60, 60));
  p.drawRect(QRectF(2.5, 9.5, 4, 3));
  p.drawRect(QRectF(6.5, 4.5, 4, 3));
  p.drawRect(QRectF(10.5, 7.5, 4, 3));
}

void DrawArrowRight(QPainter& p, const QColor& color) {
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(QPolygonF({{2, 6}, {8, 6}, {8, 2}, {14, 8}, {8, 14}, {8, 10}, {2, 10}}));
}

void DrawDice(QPainter& p) {
  p.setPen(QColor(40, 40, 40));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
  p.setBrush(Qt::black);
  p.setPen(Qt::NoPen);
  for (QPointF c : {QPointF(5, 5), QPointF(8, 8), QPointF(11, 11), QPointF(11, 5), QPointF(5, 11)})
    p.drawEllipse(c, 1.3, 1.3);
}

void DrawGroup(QPainter& p) {
  p.setPen(QColor(30, 30, 30));
  p.setBrush(QColor(90, 150, 230));
  p.drawRect(QRectF(1.5, 5.5, 6, 6));
  p.drawRect(QRectF(8.5, 5.5, 6, 6));
  p.drawLine(7, 8, 9, 8);
}

void DrawVector(QPainter& p) {
  p.setPen(QColor(30, 30, 30));
  p.setBrush(QColor(230, 230, 230));
  p.drawRect(QRectF(1.5, 1.5, 13, 13));
  p.drawLine(8, 2, 8, 14);
  p.drawLine(2, 8, 14, 8);
  p.setBrush(QColor(220, 30, 30));
  p.drawEllipse(QPointF(11, 5), 2, 2);
}

void DrawMorph(QPainter& p) {
  QLinearGradient g(0, 0, kSize, 0);
  g.setColorAt(0, QColor(40, 90, 220));
  g.setColorAt(1, QColor(220, 60, 40));
  p.setPen(QColor(30, 30, 30));
  p.setBrush(g);
  p.drawRect(QRectF(1.5, 5.5, 13, 5));
}

void DrawKeyboard(QPainter& p) {
  p.setPen(QColor(30, 30, 30));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(0.5, 2.5, 15, 11));
  for (int x : {4, 8, 12}) p.drawLine(x, 3, x, 13);
  p.setBrush(Qt::black);
  for (int x : {3, 7, 11}) p.drawRect(QRectF(x, 3, 2, 6));
}

void DrawList(QPainter& p) {
  DrawPage(p, Qt::white);
  p.setPen(QColor(60, 60, 60));
  for (int y : {5, 8, 11}) p.drawLine(5, y, 12, y);
}

void DrawHelp(QPainter& p) {
  p.setPen(QColor(0, 50, 150));
  p.setBrush(QColor(220, 235, 255));
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  DrawText(p, QStringLiteral("?"), QColor(0, 50, 150));
}

void DrawExit(QPainter& p) {
  p.setPen(QColor(60, 60, 60));
  p.setBrush(QColor(200, 170, 120));
  p.drawRect(QRectF(2.5, 1.5, 8, 13));
  DrawArrowRight(p, QColor(200, 30, 30));
}

void DrawPlay(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 140, 20));
  p.drawPolygon(QPolygonF({{4, 2}, {13, 8}, {4, 14}}));
}

void DrawStop(QPainter& p, const QColor& ink) {
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawRect(QRectF(3, 3, 10, 10));
}

void DrawRecord(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 20, 20));
  p.drawEllipse(QRectF(3, 3, 10, 10));
}

void DrawPause(QPainter& p, const QColor& ink) {
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawRect(QRectF(3, 3, 3.5, 10));
  p.drawRect(QRectF(9.5, 3, 3.5, 10));
}

void DrawCamera(QPainter& p) {
  p.setPen(QColor(30, 30, 30));
  p.setBrush(QColor(120, 120, 130));
  p.drawRect(QRectF(1.5, 4.5, 13, 9));
  p.drawRect(QRectF(5.5, 2.5, 5, 2));
  p.setBrush(QColor(180, 220, 255));
  p.drawEllipse(QPointF(8, 9), 3, 3);
}

void DrawBadge(QPainter& p, const QString& text, const QColor& fill) {
  p.setPen(QColor(60, 60, 60));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
  DrawText(p, text, Qt::black);
}

// Glyphs without a fill of their own are drawn in `ink`, the text colour of the tool bands they
// sit on, so that they show on a dark desktop as on a light one.
QPixmap DrawToolIcon(const QString& name, const QColor& ink) {
  QPixmap pm = Canvas();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  if (name == QLatin1String("btnFileNew")) {
    DrawPage(p, Qt::white);
  } else if (name == QLatin1String("btnFileOpen")) {
    DrawFolder(p);
  } else if (name == QLatin1String("btnFileSave")) {
    DrawDisk(p);
  } else if (name == QLatin1String("btnMidiSetup")) {
    DrawBadge(p, QStringLiteral("M"), QColor(255, 230, 150));
  } else if (name == QLatin1String("btlSendAll")) {
    DrawArrowRight(p, QColor(20, 120, 200));
  } else if (name == QLatin1String("btnDumpRequest")) {
    DrawBadge(p, QStringLiteral("D"), QColor(200, 230, 255));
  } else if (name == QLatin1String("btnRandomize")) {
    DrawDice(p);
  } else if (name == QLatin1String("btnGroup")) {
    DrawGroup(p);
  } else if (name == QLatin1String("btnShowVector")) {
    DrawVector(p);
  } else if (name == QLatin1String("btnShowMorph")) {
    DrawMorph(p);
  } else if (name == QLatin1String("btnShowMidiKeyboard")) {
    DrawKeyboard(p);
  } else if (name == QLatin1String("btnShowSnapshotWindow")) {
    DrawList(p);
  } else if (name == QLatin1String("ToolButton10")) {
    DrawHelp(p);
  } else if (name == QLatin1String("ToolButton11")) {
    DrawExit(p);
  } else if (name.startsWith(QLatin1String("btnPage"))) {
    DrawBadge(p, name.right(1), QColor(210, 230, 210));
  } else if (name == QLatin1String("btnUpdateSliderNumbers")) {
    DrawBadge(p, QStringLiteral("#"), QColor(230, 230, 230));
  } else if (name == QLatin1String("btnPlay")) {
    DrawPlay(p);
  } else if (name == QLatin1String("btnStop")) {
    DrawStop(p, ink);
  } else if (name == QLatin1String("btnRecord")) {
    DrawRecord(p);
  } else if (name == QLatin1String("btnPause")) {
    DrawPause(p, ink);
  } else if (name == QLatin1String("ToolButton8")) {
    DrawBadge(p, QStringLiteral("A"), QColor(255, 220, 180));
  } else if (name == QLatin1String("ToolButton12")) {
    DrawBadge(p, QStringLiteral("B"), QColor(255, 220, 180));
  } else if (name == QLatin1String("ToolButton13")) {
    DrawBadge(p, QStringLiteral("C"), QColor(255, 220, 180));
  } else if (name == QLatin1String("ToolButton14")) {
    DrawBadge(p, QStringLiteral("D"), QColor(255, 220, 180));
  } else if (name == QLatin1String("btnTakeSnap")) {
    DrawCamera(p);
  } else if (name.startsWith(QLatin1String("btnSnp"))) {
    DrawBadge(p, name.right(1), QColor(220, 220, 255));
  } else if (name == QLatin1String("sliders")) {
    DrawSliders(p, ink);
  } else {
    DrawBadge(p, QString(), QColor(220, 220, 220));
  }
  p.end();
  return pm;
}

QPixmap DrawSlotButtonIcon() {
  QPixmap pm(12, 8);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QColor(40, 40, 40));
  p.setBrush(QColor(230, 120, 30));
  p.drawRect(0, 0, 11, 7);
  p.end();
  return pm;
}

// Reusing one pixmap per glyph keeps Qt's derived caches (disabled look, scaling) from
// filling up with copies each time a window is built.
template <typename Draw>
QIcon Cached(const QString& key, Draw draw) {
  QPixmap pm;
  if (!QPixmapCache::find(key, &pm)) {
    pm = draw();
    QPixmapCache::insert(key, pm);
  }
  return QIcon(pm);
}

}  // namespace

QIcon ToolIcon(const QString& name, const QPalette& palette) {
  const QColor ink = palette.color(QPalette::WindowText);
  return Cached(QStringLiteral("quorvane/tool/%1/%2").arg(name, ink.name()),
                [&name, &ink] { return DrawToolIcon(name, ink); });
}

QIcon SlotButtonIcon() {
  return Cached(QStringLiteral("quorvane/slot-button"), [] { return DrawSlotButtonIcon(); });
}

}  // namespace quorvane
