#include "shell/ui/about_form.h"

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <algorithm>

#include "shell/ui/shell_art.h"

namespace quorvane {
namespace {

constexpr int kLineGap = 1;  // least room between two lines
constexpr int kWordGap = 4;  // between "Comments or suggestions:" and the address
constexpr int kEdge = 11;    // least room right of and below the text

}  // namespace

TAboutForm::TAboutForm(AboutInfo info, QWidget* parent)
    : QDialog(parent, Qt::Tool), info_(std::move(info)), open_url_(QDesktopServices::openUrl) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(QStringLiteral("About"));

  auto* image = AddLabel(QStringLiteral("Image1"), QString(), {9, 10});
  image->setPixmap(ProgramIcon().pixmap(32, 32));
  image->setFixedSize(32, 32);
  QLabel* name = AddLabel(QStringLiteral("Label1"), QStringLiteral("Quorvane"), {47, 8});
  QFont bold = name->font();
  bold.setBold(true);
  bold.setPixelSize(19);
  name->setFont(bold);
  name->adjustSize();
  // Each line keeps its designed place unless the font pushes it down or right.
  const auto below = [](const QWidget* w, int designed) {
    return std::max(designed, w->geometry().bottom() + 1 + kLineGap);
  };
  version_ = AddLabel(QStringLiteral("Label2"), QStringLiteral("Version ") + info_.version,
                      {47, below(name, 32)});
  QLabel* author = AddLabel(QStringLiteral("LBAuthor"), info_.author,
                            {11, std::max(below(version_, 53), below(image, 53))});
  web_ = AddLink(QStringLiteral("LBURL"), info_.web_address, {11, below(author, 75)});
  QLabel* comments = AddLabel(QStringLiteral("Label4"), QStringLiteral("Comments or suggestions:"),
                              {11, below(web_, 97)});
  mail_ = AddLink(QStringLiteral("LBEmail"), info_.contact_address,
                  {std::max(142, comments->geometry().right() + 1 + kWordGap), comments->y()});

  QRect used;
  for (const QLabel* label : findChildren<QLabel*>()) used |= label->geometry();
  setFixedSize(kSize.expandedTo(QSize(used.right() + 1 + kEdge, used.bottom() + 1 + kEdge)));

  auto* outer = new QFrame(this);
  outer->setFrameStyle(QFrame::Panel | QFrame::Raised);
  outer->setLineWidth(2);
  outer->setGeometry(rect());
  outer->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* inner = new QFrame(this);
  inner->setObjectName(QStringLiteral("Panel2"));
  inner->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  inner->setGeometry(rect().adjusted(4, 4, -4, -4));
  inner->setAttribute(Qt::WA_TransparentForMouseEvents);
  for (QFrame* frame : {outer, inner}) frame->lower();
}

QLabel* TAboutForm::AddLabel(const QString& name, const QString& text, QPoint at) {
  auto* label = new QLabel(text, this);
  label->setObjectName(name);
  label->move(at);
  label->adjustSize();
  // Clicks fall through to the box, which closes.
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

QLabel* TAboutForm::AddLink(const QString& name, const QString& text, QPoint at) {
  auto* label = new QLabel(text, this);
  label->setObjectName(name);
  label->move(at);
  label->setForegroundRole(QPalette::Link);  // the desktop's link colour, light or dark
  label->setCursor(Qt::PointingHandCursor);
  label->adjustSize();
  label->installEventFilter(this);
  return label;
}

void TAboutForm::Execute(QPoint main_window_top_left) {
  move(main_window_top_left + QPoint(100, 100));
  exec();
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == web_) open_url_(info_.WebUrl());
    if (watched == mail_) open_url_(info_.MailUrl());
    return true;
  }
  if (event->type() == QEvent::MouseButtonPress) return true;  // a link is no way out
  return QDialog::eventFilter(watched, event);
}

void TAboutForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    accept();
    return;
  }
  QDialog::mousePressEvent(event);
}

}  // namespace quorvane
