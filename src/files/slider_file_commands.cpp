#include "files/slider_file_commands.h"

#include <QFileInfo>

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
  // The folder moves even when the file is refused below.
  slider_settings_dir_ = FolderOf(*chosen);
  open_dialog_name_ = *chosen;
  if (ReadFile(*chosen)) SetCurrentFileName(*chosen, true);
  return true;
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

}  // namespace quorvane
