#include "surface/ui/randomize_factor_dialog.h"

#include <QInputDialog>
#include <QMessageBox>

namespace quorvane {

std::optional<QString> RandomizeFactorDialog::InputBox(const QString& title, const QString& prompt,
                                                       const QString& text) {
  QInputDialog box(parent_);
  box.setObjectName(QStringLiteral("RandomizeFactorBox"));
  box.setWindowTitle(title);
  box.setLabelText(prompt);
  box.setInputMode(QInputDialog::TextInput);
  box.setTextValue(text);
  // Cancel, Escape and closing the box all leave it unaccepted.
  if (box.exec() != QDialog::Accepted) return std::nullopt;
  return box.textValue();
}

void RandomizeFactorDialog::ShowWarning(const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok, parent_);
  box.exec();
}

}  // namespace quorvane
