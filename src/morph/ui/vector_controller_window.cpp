#include "morph/ui/vector_controller_window.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <algorithm>
#include <functional>

#include "surface/surface_model.h"
#include "surface/ui/list_look.h"

namespace quorvane {

namespace {

constexpr int kPictureWidth = 322;
constexpr int kPictureHeight = 321;
constexpr int kPictureLeft = (TVectorController::kPadImageSize - kPictureWidth) / 2;
constexpr int kPictureTop = (TVectorController::kPadImageSize - kPictureHeight + 1) / 2;
constexpr int kCursorSize = 32;

// Pixel of pad value v on each axis, in picture coordinates (the inverse of the pad mapping).
int PictureX(int v) {
  return v * 324 / 127 - kPictureLeft;
}
int PictureY(int v) {
  return 320 - v * 312 / 127 - kPictureTop;
}

// The scale behind the pad: a grid of eighths, the centre lines brighter, the ends labelled.
QPixmap ScalePicture() {
  QPixmap picture(kPictureWidth, kPictureHeight);
  picture.fill(Qt::black);
  QPainter p(&picture);
  const QColor grid(0x30, 0x50, 0x30);
  const QColor centre(0x50, 0x90, 0x50);
  for (int v = 0; v <= 128; v += 16) {
    const int at = std::min(v, 127);
    p.setPen(at == 64 ? centre : grid);
    p.drawLine(PictureX(at), PictureY(0), PictureX(at), PictureY(127));
    p.drawLine(PictureX(0), PictureY(at), PictureX(127), PictureY(at));
  }
  p.setPen(QColor(0x90, 0xC0, 0x90));
  QFont small = p.font();
  small.setPixelSize(9);
  p.setFont(small);
  p.drawText(PictureX(0) + 3, PictureY(0) - 3, QStringLiteral("0"));
  p.drawText(PictureX(127) - 20, PictureY(0) - 3, QStringLiteral("127"));
  p.drawText(PictureX(0) + 3, PictureY(127) + 11, QStringLiteral("127"));
  p.drawText(PictureX(64) + 3, PictureY(0) - 3, QStringLiteral("X"));
  p.drawText(PictureX(0) + 3, PictureY(64) - 3, QStringLiteral("Y"));
  return picture;
}

// A white cross-hair with a black rim, open at the centre, hot spot in the middle.
QCursor CrossCursor() {
  const int c = TVectorController::kCursorHotSpot;
  auto draw = [c](QBitmap& bits, int width, Qt::GlobalColor color) {
    QPainter p(&bits);
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(c, 1, c, c - 4);
    p.drawLine(c, c + 4, c, kCursorSize - 2);
    p.drawLine(1, c, c - 4, c);
    p.drawLine(c + 4, c, kCursorSize - 2, c);
    p.drawRect(c - 1, c - 1, 2, 2);
  };
  QBitmap mask(kCursorSize, kCursorSize);
  mask.fill(Qt::color0);
  draw(mask, 3, Qt::color1);
  // Where the mask is set, 1 draws black and 0 white.
  QBitmap bits(kCursorSize, kCursorSize);
  bits.fill(Qt::color0);
  draw(bits, 3, Qt::color1);
  draw(bits, 1, Qt::color0);
  return QCursor(bits, mask, c, c);
}

// The pad image: reports every move and every release with its position and the held state.
class ScaleImage : public QWidget {
 public:
  using Handler = std::function<void(QPoint at, bool send)>;

  ScaleImage(QWidget* parent, Handler handler)
      : QWidget(parent), handler_(std::move(handler)), picture_(ScalePicture()) {
    setObjectName(QStringLiteral("ScaleImage"));
    setMouseTracking(true);  // the read-outs follow a hovering mouse too
    setCursor(CrossCursor());
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.drawPixmap(kPictureLeft, kPictureTop, picture_);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    handler_(event->position().toPoint(),
             VectorAssignments::MoveSends(event->buttons(), event->modifiers()));
  }
  // No press handler: a click without movement sends on release.
  void mouseReleaseEvent(QMouseEvent* event) override {
    handler_(event->position().toPoint(), true);
  }

 private:
  Handler handler_;
  QPixmap picture_;
};

void WhiteOnBlack(QWidget* w) {
  QPalette shown = w->palette();
  for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
    shown.setColor(role, Qt::black);
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    shown.setColor(role, Qt::white);
  w->setPalette(shown);
  w->setAutoFillBackground(true);
}

QLabel* Readout(QWidget* parent, const QString& name, QRect at) {
  auto* label = new QLabel(QStringLiteral("0"), parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  WhiteOnBlack(label);
  label->setGeometry(at);
  return label;
}

}  // namespace

TVectorController::TVectorController(SurfaceModel& surface, QWidget* parent)
    : QWidget(parent, Qt::Tool), surface_(surface) {
  setObjectName(QStringLiteral("VectorController"));
  setWindowTitle(QStringLiteral("Vector Controller"));
  setFixedSize(kWidth, kHeight);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(1);
  WhiteOnBlack(panel);
  panel->setGeometry(2, 2, kPadImageSize + 2, kPadImageSize + 2);
  pad_ = new ScaleImage(panel, [this](QPoint at, bool send) { VectorMove(at, send); });
  pad_->setGeometry(1, 1, kPadImageSize, kPadImageSize);

  constexpr int kLeft = 342;
  // Captions keep their designed widths unless the font needs more; the lists take the rest.
  const auto room = [this](const QString& text, int designed) {
    return std::max(designed, fontMetrics().horizontalAdvance(text) + 2);
  };
  const int equals = room(QStringLiteral("X ="), 24);
  auto* x_label = new QLabel(QStringLiteral("X ="), this);
  x_label->setGeometry(kLeft, 10, equals, 20);
  readout_x_ = Readout(this, QStringLiteral("lVectorX"), QRect(kLeft + equals + 2, 10, 40, 20));
  auto* y_label = new QLabel(QStringLiteral("Y ="), this);
  y_label->setGeometry(kLeft + equals + 66, 10, equals, 20);
  readout_y_ =
      Readout(this, QStringLiteral("lVectorY"), QRect(kLeft + 2 * equals + 68, 10, 40, 20));
  const int caption = room(QStringLiteral("X controller 4"), 96);

  for (int k = 0; k < VectorAssignments::kListCount; ++k) {
    const QString axis =
        k < VectorAssignments::kPerAxis ? QStringLiteral("X") : QStringLiteral("Y");
    const int number = k % VectorAssignments::kPerAxis + 1;
    const int top = 44 + k * 31;
    auto* label = new QLabel(QStringLiteral("%1 controller %2").arg(axis).arg(number), this);
    label->setGeometry(kLeft, top, caption, 22);
    auto* list = new DropDownList(24, this);
    list->setObjectName(QStringLiteral("cb%1%2").arg(axis).arg(number));
    list->setEditable(false);
    list->setGeometry(kLeft + caption + 2, top, kWidth - kLeft - caption - 2 - 6, 22);
    connect(list, &QComboBox::currentIndexChanged, this,
            [this, k](int row) { assignments_.Set(k, VectorAssignments::SettingOf(row)); });
    lists_.at(static_cast<std::size_t>(k)) = list;
  }

  close_ = new QPushButton(QStringLiteral("Close"), this);
  close_->setObjectName(QStringLiteral("Button1"));
  close_->setGeometry(kWidth - 86, kHeight - 33, 80, 26);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &QWidget::close);

  // Like the main window: nothing may be sent while a bulk send runs.
  connect(&surface_.Sends(), &BulkSends::sendBegun, this, [this] { setEnabled(false); });
  connect(&surface_.Sends(), &BulkSends::sendEnded, this, [this] { setEnabled(true); });
  FillVectorLists();
}

void TVectorController::SetAssignments(const VectorAssignments::Axis& x,
                                       const VectorAssignments::Axis& y) {
  assignments_.SetX(x);
  assignments_.SetY(y);
  SelectAssignedRows();
}

void TVectorController::FillVectorLists() {
  const QStringList entries = VectorAssignments::Entries(surface_.Pages());
  for (QComboBox* list : lists_) {
    const QSignalBlocker quiet(list);  // rebuilding is no choice of the user's
    list->clear();
    list->addItems(entries);
  }
  SelectAssignedRows();
}

void TVectorController::UpdateVectorEntry(int n) {
  if (n < 1 || n > kDefinitionCount) return;
  const QString text = VectorAssignments::EntryText(surface_.Pages(), n);
  for (QComboBox* list : lists_) list->setItemText(n, text);
}

void TVectorController::SelectAssignedRows() {
  for (int k = 0; k < VectorAssignments::kListCount; ++k) {
    QComboBox* list = lists_.at(static_cast<std::size_t>(k));
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(VectorAssignments::RowOf(assignments_.At(k)));
  }
}

void TVectorController::VectorMove(QPoint at, bool send) {
  const VectorAssignments::PadValues shown = assignments_.Move(surface_, at.x(), at.y(), send);
  readout_x_->setText(QString::number(shown.x));
  readout_y_->setText(QString::number(shown.y));
}

void TVectorController::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit closed();
}

}  // namespace quorvane
