#include "web/ui/browser_surface_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quorvane {
namespace {

constexpr int kQuietModules = 4;  // the margin a reader needs around the code
constexpr int kMinQrSide = 180;

}  // namespace

QrCodeView::QrCodeView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(kMinQrSide, kMinQrSide);
}

void QrCodeView::SetCode(QrCode code) {
  code_ = std::move(code);
  update();
}

void QrCodeView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int side = std::min(width(), height());
  const QRect square((width() - side) / 2, (height() - side) / 2, side, side);
  p.fillRect(square, Qt::white);
  if (code_.size <= 0) return;
  const int modules = code_.size + 2 * kQuietModules;
  const int cell = std::max(1, side / modules);
  const int origin_x = square.x() + (side - cell * modules) / 2 + cell * kQuietModules;
  const int origin_y = square.y() + (side - cell * modules) / 2 + cell * kQuietModules;
  for (int y = 0; y < code_.size; ++y)
    for (int x = 0; x < code_.size; ++x)
      if (code_.Dark(x, y))
        p.fillRect(origin_x + x * cell, origin_y + y * cell, cell, cell, Qt::black);
}

BrowserSurfaceDialog::BrowserSurfaceDialog(QWidget* parent)
    : QDialog(parent),
      enabled_(new QCheckBox(QStringLiteral("&Serve the surface to web browsers"), this)),
      port_(new QSpinBox(this)),
      local_(new QRadioButton(QStringLiteral("This &computer only"), this)),
      network_(new QRadioButton(QStringLiteral("Other &devices on this network"), this)),
      address_(new QLabel(this)),
      qr_(new QrCodeView(this)) {
  setWindowTitle(QStringLiteral("Browser Surface"));
  setObjectName(QStringLiteral("BrowserSurfaceDialog"));
  enabled_->setObjectName(QStringLiteral("BrowserEnabled"));
  port_->setObjectName(QStringLiteral("BrowserPort"));
  port_->setRange(1, 65535);
  port_->setValue(kDefaultBrowserPort);
  local_->setObjectName(QStringLiteral("BrowserLocal"));
  network_->setObjectName(QStringLiteral("BrowserNetwork"));
  auto* reach = new QButtonGroup(this);
  reach->addButton(local_);
  reach->addButton(network_);
  address_->setObjectName(QStringLiteral("BrowserAddress"));
  address_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  address_->setFocusPolicy(Qt::StrongFocus);
  qr_->setObjectName(QStringLiteral("BrowserQrCode"));
  auto* new_token = new QPushButton(QStringLiteral("New &Token"), this);
  new_token->setObjectName(QStringLiteral("BrowserNewToken"));
  new_token->setAutoDefault(false);
  new_token->setToolTip(QStringLiteral("Pages opened with the old address lose access"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

  auto* form = new QFormLayout;
  form->addRow(enabled_);
  auto* port_label = new QLabel(QStringLiteral("TCP &port:"), this);
  port_label->setBuddy(port_);
  form->addRow(port_label, port_);
  form->addRow(local_);
  form->addRow(network_);
  auto* address_label = new QLabel(QStringLiteral("&Address:"), this);
  address_label->setBuddy(address_);
  form->addRow(address_label, address_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(qr_, 1);
  layout->addWidget(new_token, 0, Qt::AlignLeft);
  layout->addWidget(buttons);

  connect(port_, &QSpinBox::valueChanged, this, &BrowserSurfaceDialog::ShowAddress);
  connect(network_, &QRadioButton::toggled, this, &BrowserSurfaceDialog::ShowAddress);
  connect(new_token, &QPushButton::clicked, this, [this] {
    token_ = NewBrowserToken();
    ShowAddress();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &BrowserSurfaceDialog::TryApply);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool BrowserSurfaceDialog::Edit(BrowserSurfaceConfig& config, const Apply& apply,
                                const Address& address) {
  apply_ = apply;
  address_of_ = address;
  token_ = config.token;
  enabled_->setChecked(config.enabled);
  port_->setValue(config.port);
  (config.network ? network_ : local_)->setChecked(true);
  ShowAddress();
  if (exec() != QDialog::Accepted) return false;
  config = edited_;
  return true;
}

BrowserSurfaceConfig BrowserSurfaceDialog::Edited() const {
  return {enabled_->isChecked(), port_->value(), network_->isChecked(), token_};
}

void BrowserSurfaceDialog::ShowAddress() {
  const QString text = address_of_ ? address_of_(Edited()) : QString();
  address_->setText(text);
  qr_->SetCode(QrCodeOf(text));
}

void BrowserSurfaceDialog::TryApply() {
  edited_ = Edited();
  const Outcome outcome = apply_ ? apply_(edited_) : Outcome{};
  if (outcome.error.isEmpty()) {
    accept();
    return;
  }
  QString text = outcome.error;
  if (outcome.free_port > 0) {
    port_->setValue(outcome.free_port);
    text += QStringLiteral("\n\nPort %1 is free: it is now in the dialog.").arg(outcome.free_port);
  }
  QMessageBox::warning(this, QStringLiteral("Browser Surface"), text);
}

}  // namespace quorvane
