#include "osc/ui/osc_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>

namespace quorvane {

OscDialog::OscDialog(QWidget* parent)
    : QDialog(parent),
      enabled_(new QCheckBox(QStringLiteral("&Listen for OSC"), this)),
      port_(new QSpinBox(this)),
      feedback_host_(new QLineEdit(this)),
      feedback_port_(new QSpinBox(this)) {
  setWindowTitle(QStringLiteral("OSC"));
  setObjectName(QStringLiteral("OscDialog"));
  enabled_->setObjectName(QStringLiteral("OscEnabled"));
  port_->setObjectName(QStringLiteral("OscPort"));
  port_->setRange(1, 65535);
  feedback_host_->setObjectName(QStringLiteral("OscFeedbackHost"));
  feedback_host_->setPlaceholderText(QStringLiteral("none"));
  feedback_port_->setObjectName(QStringLiteral("OscFeedbackPort"));
  feedback_port_->setRange(0, 65535);
  feedback_port_->setSpecialValueText(QStringLiteral("none"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* form = new QFormLayout(this);
  form->addRow(enabled_);
  form->addRow(QStringLiteral("UDP &port:"), port_);
  form->addRow(QStringLiteral("Feedback &host:"), feedback_host_);
  form->addRow(QStringLiteral("Feedback p&ort:"), feedback_port_);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &OscDialog::TryApply);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool OscDialog::Edit(OscConfig& config, const Apply& apply) {
  enabled_->setChecked(config.enabled);
  port_->setValue(config.port);
  feedback_host_->setText(config.feedback_host);
  feedback_port_->setValue(config.feedback_port);
  apply_ = apply;
  if (exec() != QDialog::Accepted) return false;
  config = edited_;
  return true;
}

void OscDialog::TryApply() {
  edited_ = {enabled_->isChecked(), port_->value(), feedback_host_->text().trimmed(),
             feedback_port_->value()};
  const QString error = apply_ ? apply_(edited_) : QString();
  if (!error.isEmpty()) {
    QMessageBox::warning(this, QStringLiteral("OSC"), error);
    return;
  }
  accept();
}

}  // namespace quorvane
