#include "files/slider_file_commands.h"

#include <QFileInfo>

#include "files/regular_file.h"
#include "files/slider_settings_file.h"

namespace quorvane {

namespace {

QString FolderOf(const QString& path) {
  const QString folder = QFileInfo(path).absolutePath();
  return folder.endsWith(u'/') ? folder : folder + u'/';  // the root is "/" already
}

// Busy cursor for the span of a read or write.
class BusyScope {
 public:
  explicit BusyScope(FileInteraction& ui) : ui_(ui) { ui_.SetBusy(true); }
  ~BusyScope() { ui_.SetBusy(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  FileInteraction& ui_;
};

// The capture runs from the prompt until the command ends, whichever way it ends.
class CaptureScope {
 public:
  explicit CaptureScope(DumpCapture& capture) : capture_(capture) {
    capture_.Clear();
    capture_.active = true;
  }
  ~CaptureScope() { capture_.active = false; }
  CaptureScope(const CaptureScope&) = delete;
  CaptureScope& operator=(const CaptureScope&) = delete;

 private:
  DumpCapture& capture_;
};

}  // namespace

QString TitleForFile(const QString& path) {
  return path.isEmpty() ? kPlainTitle : QStringLiteral("Quorvane - [%1]").arg(path);
}

SliderFileCommands::SliderFileCommands(TPageSet& defs, QString& dump_request_string,
                                       FileInteraction& ui, QObject* parent)
    : QObject(parent), defs_(defs), dump_request_string_(dump_request_string), ui_(ui) {}

void SliderFileCommands::SetTitle(const QString& title) {
  title_ = title;
  emit titleChanged(title_);
}

void SliderFileCommands::SetCurrentFileName(const QString& path, bool update_title) {
  current_file_name_ = path;
  if (update_title) SetTitle(TitleForFile(path));
}

bool SliderFileCommands::ConfirmSaveCurrent() {
  switch (ui_.Ask(FileInteraction::Kind::kWarning, QStringLiteral("Save current file?"),
                  FileInteraction::Buttons::kYesNoCancel)) {
    case FileInteraction::Answer::kYes:
      return SaveSliderFile();
    case FileInteraction::Answer::kNo:
      return true;
    default:
      return false;
  }
}

bool SliderFileCommands::ReadFile(const QString& path) {
  SettingsTextFile file(path);
  FileStatus status = file.Load();
  if (status) {
    BusyScope busy(ui_);
    status = ReadSliderSettings(file, defs_, dump_request_string_);
  }
  if (!status) {
    ui_.ShowWarning(status.message);
    return false;
  }
  emit definitionsReplaced();
  return true;
}

bool SliderFileCommands::WriteFile(const QString& path) {
  SettingsTextFile file(path);
  FileStatus status = file.Load();  // keep the file's other sections and lines
  if (status) {
    BusyScope busy(ui_);
    if (writer_) file.SetWriter(writer_);
    WriteSliderSettings(file, defs_, dump_request_string_);
    status = file.Save();
  }
  if (!status) ui_.ShowWarning(status.message);
  return status.ok;
}

bool SliderFileCommands::InitialiseSliders() {
  if (!ConfirmSaveCurrent()) return false;
  dump_request_string_.clear();
  defs_.Initialize();
  emit definitionsReplaced();
  SetCurrentFileName(QString(), true);
  save_dialog_name_.clear();
  return true;
}

bool SliderFileCommands::OpenSliderFile() {
  if (!ConfirmSaveCurrent()) return false;
  // A remembered path (a favourite's, say) is proposed in its own folder: only there does
  // its bare name, which is what the dialog shows, find the file.
  const QString start_dir =
      open_dialog_name_.contains(u'/') ? FolderOf(open_dialog_name_) : slider_settings_dir_;
  const std::optional<QString> chosen = ui_.ChooseFileToOpen(start_dir, open_dialog_name_);
  if (!chosen) return false;
  ui_.ProcessPendingEvents();
  OpenChosenFile(*chosen);
  return true;
}

void SliderFileCommands::OpenChosenFile(const QString& path) {
  // The folder moves even when the file is refused below.
  slider_settings_dir_ = FolderOf(path);
  open_dialog_name_ = path;
  if (ReadFile(path)) SetCurrentFileName(path, true);
}

bool SliderFileCommands::SaveSliderFile() {
  if (current_file_name_.isEmpty()) return SaveSliderFileAs();
  return WriteFile(current_file_name_);
}

bool SliderFileCommands::SaveSliderFileAs() {
  const std::optional<QString> chosen =
      ui_.ChooseFileToSave(slider_settings_dir_, save_dialog_name_);
  if (!chosen) return false;
  slider_settings_dir_ = FolderOf(*chosen);
  save_dialog_name_ = *chosen;
  if (!WriteFile(*chosen)) return false;
  SetCurrentFileName(*chosen, true);
  return true;
}

bool SliderFileCommands::ReloadCurrentSliderSettings() {
  if (current_file_name_.isEmpty()) return false;
  switch (ui_.Ask(FileInteraction::Kind::kConfirm,
                  QStringLiteral("Reload current slider settings?\n") + current_file_name_,
                  FileInteraction::Buttons::kYesNoCancel)) {
    case FileInteraction::Answer::kYes:
      ReadFile(current_file_name_);  // a refused file leaves the definitions as they are
      return false;
    case FileInteraction::Answer::kNo:
      return false;
    default:
      return true;
  }
}

void SliderFileCommands::FilterUnusedSliders(const UsedControllers& used) {
  quorvane::FilterUnusedSliders(defs_, used);
  emit definitionsReplaced();
}

bool SliderFileCommands::FilterUsingPatchFile() {
  const std::optional<QString> chosen = ui_.ChoosePatchFile(patch_dir_);
  if (!chosen) return false;
  const FileRead file = ReadRegularFile(*chosen, kMaxPatchFileSize);
  const QStringList lines = file.ok() ? SplitLines(DecodePatchText(file.bytes)) : QStringList();
  patch_dir_ = FolderOf(*chosen);  // moves even when the file could not be read
  if (!file.ok()) {
    ui_.ShowWarning(QStringLiteral("Could not open file."));
    return false;
  }
  if (ReloadCurrentSliderSettings()) return false;
  UsedControllers used{};
  const PatchReadResult read = ReadPatchAssignments(lines, used);
  if (read.outcome != PatchReadResult::Outcome::kRead) {
    ui_.ShowWarning(read.message);
    return false;
  }
  FilterUnusedSliders(used);
  return true;
}

bool SliderFileCommands::FilterUsingControllerDump() {
  const CaptureScope capture(capture_);
  if (ui_.Ask(FileInteraction::Kind::kConfirm,
              QStringLiteral("Send the controller dump on your MIDI device and press OK to "
                             "continue."),
              FileInteraction::Buttons::kOkCancel) != FileInteraction::Answer::kOk)
    return false;
  if (ReloadCurrentSliderSettings()) return false;
  quorvane::FilterUnusedSliders(defs_, capture_.used);
  ApplyCapturedValues(defs_, capture_);
  emit definitionsReplaced();
  return true;
}

}  // namespace quorvane
