#pragma once

#include <QObject>
#include <QString>

#include "files/file_interaction.h"
#include "files/settings_text_file.h"
#include "files/unused_slider_filter.h"
#include "model/controller.h"

namespace quorvane {

inline const QString kPlainTitle = QStringLiteral("Quorvane");
QString TitleForFile(const QString& path);  // "Quorvane" or "Quorvane - [path]"

// The File commands on slider settings files: Initialize, Open, Save, Save As and the
// "Save current file?" step. Works on the window's definitions and dump request string; the
// window listens to definitionsReplaced (ShowPage + FillVectorLists) and titleChanged.
class SliderFileCommands : public QObject {
  Q_OBJECT

 public:
  SliderFileCommands(TPageSet& defs, QString& dump_request_string, FileInteraction& ui,
                     QObject* parent = nullptr);

  // Each returns what the command's callers rely on: Open is true when its dialog was
  // confirmed, even if the file was refused; Save and Save As are true when the file was
  // written; Initialize is true when it ran.
  bool InitialiseSliders();
  bool OpenSliderFile();
  // Open's steps after its dialog, on a file named elsewhere (the command line).
  void OpenChosenFile(const QString& path);
  bool SaveSliderFile();
  bool SaveSliderFileAs();
  // "Save current file?" Yes/No/Cancel; true means go on.
  bool ConfirmSaveCurrent();

  // "Reload current slider settings?" with the file's name, when there is a current file;
  // Yes reads it again. True means the user cancelled.
  bool ReloadCurrentSliderSettings();
  // Rearranges the definitions by the flags (used first, enabled) and says so.
  void FilterUnusedSliders(const UsedControllers& used);
  // The File commands that filter unused sliders: by a Nord Modular patch file's controller
  // assignments, or by the controllers a device dumps while the prompt is open. Each is true
  // when the definitions were rearranged.
  bool FilterUsingPatchFile();
  bool FilterUsingControllerDump();
  // Filled by whoever follows the first MIDI input while the dump prompt is open.
  DumpCapture& Capture() { return capture_; }

  // Folder, with trailing separator, where the patch file dialog starts.
  const QString& PatchDir() const { return patch_dir_; }
  void SetPatchDir(const QString& dir) { patch_dir_ = dir; }

  // Reads path into the definitions, warning on a refused or unreadable file.
  bool ReadFile(const QString& path);
  // Writes the definitions into path, keeping the file's other lines; warns on failure.
  bool WriteFile(const QString& path);

  const QString& current_file_name() const { return current_file_name_; }
  // Sets the current file; the title follows only when asked (a refused favourite keeps it).
  void SetCurrentFileName(const QString& path, bool update_title);
  const QString& title() const { return title_; }

  // Folder, with trailing separator, where both dialogs start; kept in the settings file.
  const QString& SliderSettingsDir() const { return slider_settings_dir_; }
  void SetSliderSettingsDir(const QString& dir) { slider_settings_dir_ = dir; }

  // Names the dialogs propose next time. An open name with a folder opens the dialog in that
  // folder rather than SliderSettingsDir().
  const QString& open_dialog_name() const { return open_dialog_name_; }
  void SetOpenDialogName(const QString& path) { open_dialog_name_ = path; }

  // Replaces the atomic file writer (fault injection in tests).
  void SetWriter(FileWriter writer) { writer_ = std::move(writer); }

 signals:
  void definitionsReplaced();
  void titleChanged(const QString& title);

 private:
  void SetTitle(const QString& title);

  TPageSet& defs_;
  QString& dump_request_string_;
  FileInteraction& ui_;
  QString current_file_name_;
  QString title_ = kPlainTitle;
  QString slider_settings_dir_;
  QString patch_dir_;
  DumpCapture capture_;
  QString open_dialog_name_;
  QString save_dialog_name_;
  FileWriter writer_;
};

}  // namespace quorvane
