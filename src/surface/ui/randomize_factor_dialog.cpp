#include "surface/ui/randomize_factor_dialog.h"

#include <QInputDialog>
#include <QMessageBox>

namespace quorvane {

QString RandomizeFactorDialog::InputBox(const QString& title, const QString& prompt,
                                        const QString& text) {
  QInputDialog box(parent_);
  box.setObjectName(QStringLiteral("RandomizeFactorBox"));
  box.setWindowTitle(title);
  box.setLabelText(prompt);
  box.setInputMode(QInputDialog::TextInput);
  box.setTextValue(text);
  // Cancelling gives back the text that was shown.
  return box.exec() == QDialog::Accepted ? box.textValue() : text;
}

void RandomizeFactorDialog::ShowWarning(const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok, parent_);
  box.exec();
}

}  // namespace quorvane
