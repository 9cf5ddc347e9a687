#include "files/ui/widget_file_interaction.h"

#include "files/dump_request.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace quorvane {

WidgetFileInteraction::WidgetFileInteraction(QWidget* parent, bool native_dialogs)
    : parent_(parent), native_dialogs_(native_dialogs) {}

FileInteraction::Answer WidgetFileInteraction::Ask(Kind kind, const QString& text,
                                                   Buttons buttons) {
  QMessageBox::StandardButtons shown;
  QMessageBox::StandardButton escape;
  switch (buttons) {
    case Buttons::kOk:
      shown = QMessageBox::Ok;
      escape = QMessageBox::Ok;
      break;
    case Buttons::kOkCancel:
      shown = QMessageBox::Ok | QMessageBox::Cancel;
      escape = QMessageBox::Cancel;
      break;
    case Buttons::kYesNo:
      shown = QMessageBox::Yes | QMessageBox::No;
      escape = QMessageBox::No;
      break;
    case Buttons::kYesNoCancel:
    default:
      shown = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      escape = QMessageBox::Cancel;
      break;
  }
  const bool warning = kind == Kind::kWarning;
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question,
                  warning ? QStringLiteral("Warning") : QStringLiteral("Confirm"), text, shown,
                  parent_);
  box.setEscapeButton(escape);
  switch (box.exec()) {
    case QMessageBox::Ok:
      return Answer::kOk;
    case QMessageBox::Yes:
      return Answer::kYes;
    case QMessageBox::No:
      return Answer::kNo;
    default:
      return buttons == Buttons::kYesNo ? Answer::kNo : Answer::kCancel;
  }
}

std::optional<QString> WidgetFileInteraction::RunDialog(bool save, const QString& start_dir,
                                                        const QString& proposed) {
  QFileDialog dialog(parent_);
  dialog.setNameFilter(QStringLiteral("Slider Settings (*.qrt)"));
  dialog.setDefaultSuffix(QStringLiteral("qrt"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, !native_dialogs_);
  if (save) {
    dialog.setWindowTitle(QStringLiteral("Save Slider Settings As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);  // the overwrite question stays on
  } else {
    dialog.setWindowTitle(QStringLiteral("Open Slider Settings"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  QString dir = start_dir;
  // The open dialog shows only the bare name, which finds the file only in its own folder.
  if (!save && proposed.contains(u'/') && QFileInfo(QFileInfo(proposed).absolutePath()).isDir())
    dir = QFileInfo(proposed).absolutePath();
  if (!dir.isEmpty() && QFileInfo(dir).isDir()) dialog.setDirectory(dir);
  if (!proposed.isEmpty()) dialog.selectFile(QFileInfo(proposed).fileName());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.front();
}

std::optional<QString> WidgetFileInteraction::ChooseFileToOpen(const QString& start_dir,
                                                               const QString& proposed_name) {
  return RunDialog(false, start_dir, proposed_name);
}

std::optional<QString> WidgetFileInteraction::ChooseFileToSave(const QString& start_dir,
                                                               const QString& proposed_name) {
  return RunDialog(true, start_dir, proposed_name);
}

std::optional<QString> WidgetFileInteraction::ChoosePatchFile(const QString& start_dir) {
  QFileDialog dialog(parent_);
  dialog.setWindowTitle(QStringLiteral("Open"));
  dialog.setNameFilter(QStringLiteral("Nord Modular Patch Files (*.pch)"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, !native_dialogs_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (!start_dir.isEmpty() && QFileInfo(start_dir).isDir()) dialog.setDirectory(start_dir);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.front();
}

std::optional<QString> WidgetFileInteraction::InputText(const QString& caption,
                                                        const QString& prompt,
                                                        const QString& text) {
  QInputDialog dialog(parent_);
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setWindowTitle(caption);
  dialog.setLabelText(prompt);
  // A line edit keeps 32767 characters by default: a long dump request would be cut.
  if (auto* edit = dialog.findChild<QLineEdit*>())
    edit->setMaxLength(static_cast<int>(kMaxDumpRequestTextLength));
  dialog.setTextValue(text);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

void WidgetFileInteraction::ProcessPendingEvents() {
  QApplication::processEvents();
}

void WidgetFileInteraction::SetBusy(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

}  // namespace quorvane
