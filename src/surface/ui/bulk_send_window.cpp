#include "surface/ui/bulk_send_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "surface/bulk_send_thread.h"

namespace quorvane {

BulkSendWindow::BulkSendWindow(StopSignal& stop_request, QWidget* parent)
    : QFrame(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      stop_request_(stop_request) {
  setObjectName(QStringLiteral("MidiSendWindow"));
  setFixedSize(kClientSize);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(2);

  auto* inner = new QFrame(this);
  inner->setObjectName(QStringLiteral("Bevel1"));
  inner->setFrameStyle(QFrame::Box | QFrame::Sunken);
  inner->setGeometry(8, 8, kClientSize.width() - 16, kClientSize.height() - 16);

  label_ = new QLabel(QStringLiteral("Sending MIDI data, please wait...."), this);
  label_->setObjectName(QStringLiteral("Label1"));
  label_->setGeometry(16, 14, kClientSize.width() - 32, 16);
  label_->setAlignment(Qt::AlignCenter);

  button_ = new QPushButton(QStringLiteral("&Stop"), this);
  button_->setObjectName(QStringLiteral("Button1"));
  button_->setGeometry((kClientSize.width() - 75) / 2, 36, 75, 25);
  connect(button_, &QPushButton::clicked, this, [this] {
    stop_request_.Request();
    close();
  });
}

void BulkSendWindow::ShowCentered() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->geometry().center() - rect().center());
  }
  show();
  raise();
}

void BulkSendWindow::closeEvent(QCloseEvent* event) {
  stop_request_.Request();
  QFrame::closeEvent(event);
}

}  // namespace quorvane
