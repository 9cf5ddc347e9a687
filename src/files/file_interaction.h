#pragma once

#include <QString>
#include <optional>

namespace quorvane {

// The questions and dialogs the file commands need from the user. The window supplies a widget
// implementation (files/ui/widget_file_interaction.h); tests supply a scripted fake.
class FileInteraction {
 public:
  enum class Kind { kWarning, kConfirm };  // title "Warning" or "Confirm"
  enum class Buttons { kOk, kOkCancel, kYesNo, kYesNoCancel };
  enum class Answer { kOk, kCancel, kYes, kNo };

  virtual ~FileInteraction() = default;

  // A modal message box; closing it without a button answers kCancel (kNo for Yes/No boxes).
  virtual Answer Ask(Kind kind, const QString& text, Buttons buttons) = 0;
  void ShowWarning(const QString& text) { Ask(Kind::kWarning, text, Buttons::kOk); }

  // Open and save dialogs for slider settings files; nullopt when cancelled. The save dialog
  // asks before overwriting and appends the extension when the name has none. The open dialog
  // starts in the folder of a proposed name that has one (start_dir otherwise), with that file
  // selected.
  virtual std::optional<QString> ChooseFileToOpen(const QString& start_dir,
                                                  const QString& proposed_name) = 0;
  virtual std::optional<QString> ChooseFileToSave(const QString& start_dir,
                                                  const QString& proposed_name) = 0;
  // The open dialog for Nord Modular patch files (*.pch), starting in start_dir.
  virtual std::optional<QString> ChoosePatchFile(const QString& start_dir) = 0;
  // A modal input box with its caption, prompt and the text to edit; nullopt when cancelled.
  virtual std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                           const QString& text) = 0;

  // Lets pending window events run, so a closed dialog is gone before a long read.
  virtual void ProcessPendingEvents() {}
  // Busy cursor while the definitions are read or written.
  virtual void SetBusy(bool /*busy*/) {}
};

}  // namespace quorvane
