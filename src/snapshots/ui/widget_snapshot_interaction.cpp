#include "snapshots/ui/widget_snapshot_interaction.h"

#include <QFileDialog>
#include <QMessageBox>

namespace quorvane {

namespace {

const QString kFilter = QStringLiteral("Snapshot Library (*.snp)");

std::optional<QString> Run(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

}  // namespace

FileInteraction::Answer WidgetSnapshotInteraction::Ask(FileInteraction::Kind kind,
                                                       const QString& text,
                                                       FileInteraction::Buttons buttons) {
  using B = FileInteraction::Buttons;
  using A = FileInteraction::Answer;
  QMessageBox::StandardButtons standard = QMessageBox::Ok;
  if (buttons == B::kOkCancel) standard = QMessageBox::Ok | QMessageBox::Cancel;
  if (buttons == B::kYesNo) standard = QMessageBox::Yes | QMessageBox::No;
  if (buttons == B::kYesNoCancel)
    standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  const bool warning = kind == FileInteraction::Kind::kWarning;
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question,
                  warning ? QStringLiteral("Warning") : QStringLiteral("Confirm"), text, standard,
                  parent_);
  switch (box.exec()) {
    case QMessageBox::Ok:
      return A::kOk;
    case QMessageBox::Yes:
      return A::kYes;
    case QMessageBox::No:
      return A::kNo;
    default:
      return buttons == B::kYesNo ? A::kNo : A::kCancel;
  }
}

std::optional<QString> WidgetSnapshotInteraction::ChooseLibraryToOpen(const QString& start_dir) {
  QFileDialog dialog(parent_, QString(), start_dir, kFilter);
  dialog.setObjectName(QStringLiteral("OpenSnapDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, !native_dialogs_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return Run(dialog);
}

std::optional<QString> WidgetSnapshotInteraction::ChooseLibraryToSave(const QString& start_dir) {
  QFileDialog dialog(parent_, QString(), start_dir, kFilter);
  dialog.setObjectName(QStringLiteral("SaveSnapDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, !native_dialogs_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("snp"));
  return Run(dialog);
}

}  // namespace quorvane
