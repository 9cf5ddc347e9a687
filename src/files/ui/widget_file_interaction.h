#pragma once

#include <QPointer>
#include <QWidget>

#include "files/file_interaction.h"

namespace quorvane {

// Message boxes and file dialogs for the file commands, modal over the given window.
class WidgetFileInteraction : public FileInteraction {
 public:
  explicit WidgetFileInteraction(QWidget* parent, bool native_dialogs = true);

  Answer Ask(Kind kind, const QString& text, Buttons buttons) override;
  std::optional<QString> ChooseFileToOpen(const QString& start_dir,
                                          const QString& proposed_name) override;
  std::optional<QString> ChooseFileToSave(const QString& start_dir,
                                          const QString& proposed_name) override;
  std::optional<QString> ChoosePatchFile(const QString& start_dir) override;
  std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                   const QString& text) override;
  void ProcessPendingEvents() override;
  void SetBusy(bool busy) override;

 private:
  std::optional<QString> RunDialog(bool save, const QString& start_dir, const QString& proposed);

  QPointer<QWidget> parent_;
  bool native_dialogs_;
};

}  // namespace quorvane
