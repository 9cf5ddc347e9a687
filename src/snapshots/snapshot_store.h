#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "files/file_interaction.h"
#include "files/settings_text_file.h"
#include "snapshots/snapshot_library.h"
#include "surface/surface_model.h"

namespace quorvane {

// The message boxes and file dialogs of the library commands; the window supplies widgets,
// tests a scripted fake. Both dialogs use the filter "Snapshot Library (*.snp)"; the save
// dialog asks before overwriting and appends ".snp" to a name without an extension.
class SnapshotInteraction {
 public:
  virtual ~SnapshotInteraction() = default;
  virtual FileInteraction::Answer Ask(FileInteraction::Kind kind, const QString& text,
                                      FileInteraction::Buttons buttons) = 0;
  // nullopt when cancelled.
  virtual std::optional<QString> ChooseLibraryToOpen(const QString& start_dir) = 0;
  virtual std::optional<QString> ChooseLibraryToSave(const QString& start_dir) = 0;
};

inline const QString kSaveCurrentLibrary = QStringLiteral("Save current snapshot library?");

// The snapshot library in memory and the main window's snapshot state: current bank, take
// mode and the slot of the last right-click. Toolbar, menu, list window and remote control all
// call these operations; the widgets only show what the signals report.
class SnapshotStore : public QObject {
  Q_OBJECT

 public:
  explicit SnapshotStore(SurfaceModel& surface, QObject* parent = nullptr);

  const TSnapshotLibrary& Library() const { return library_; }
  int CurrentBank() const { return current_bank_; }
  bool TakeMode() const { return take_mode_; }
  int PopupSlot() const { return popup_slot_; }
  void SetPopupSlot(int slot) { popup_slot_ = slot; }

  // What slot 0..9 of the current bank shows: its name as hint and caption, enabled or not.
  QString SlotName(int slot) const { return library_.At(current_bank_, slot).name.Text(); }
  bool SlotEnabled(int slot) const { return enabled_.at(static_cast<std::size_t>(slot)); }
  // The list window's Name cell for bank 1..4, slot 0..9: the name, or "[empty]".
  QString ListName(int bank, int slot) const;

  // --- operations -----------------------------------------------------------
  // Bank 1..4 becomes current and is shown.
  void SelectBank(int bank);
  void ShowSnapshotBank();
  void ClearSnapshotLibrary();
  // Take mode on opens the next free slot of the current bank, off withdraws it.
  void SetTakeMode(bool on);
  // A snapshot button: store in take mode, else recall a slot in use.
  void SnapshotSlotAction(int slot);
  void RecallSnapshot(int bank, int slot);
  // Names slot PopupSlot() of the current bank from the input box's text: its first 50
  // characters, or the default name when empty.
  void RenameSnapshot(const QString& text);

  // --- library file ---------------------------------------------------------
  const QString& LibraryFileName() const { return library_file_name_; }
  // Whether a store or rename happened since the library was last created, loaded or saved.
  bool Modified() const { return modified_; }
  // Names path as the library file, then reads it; on failure the library stays as it was.
  FileStatus LoadLibraryFile(const QString& path);
  // Writes the library to path, which becomes the library file.
  FileStatus SaveLibraryFile(const QString& path);
  void SetWriter(FileWriter writer) { writer_ = std::move(writer); }

  // --- library commands (need SetInteraction) --------------------------------
  void SetInteraction(SnapshotInteraction* ui) { ui_ = ui; }
  // Folder, with trailing separator, where both dialogs start; kept in the settings file.
  const QString& SnapshotDir() const { return snapshot_dir_; }
  void SetSnapshotDir(const QString& dir) { snapshot_dir_ = dir; }
  // Save Library: true unless a save dialog was cancelled (a failed write has been told).
  bool SaveLibrary();
  bool SaveLibraryAs();
  // "Save current snapshot library?" Yes/No/Cancel; true means go on.
  bool ConfirmLibraryChange();
  void NewLibrary();
  void LoadLibrary();
  // Load Library's steps after its dialog, on a file named elsewhere (the command line).
  void LoadChosenLibrary(const QString& path);
  // Before the program closes: asks only when the library changed since it was last
  // created, loaded or saved; false keeps the program running.
  bool ConfirmClose();

 signals:
  void bankShown();  // the ten slots' names and enabled states were redrawn
  void takeModeChanged(bool on);
  void listChanged();  // the list window's rows need a refresh

 private:
  void SetSlotEnabled(int slot, bool on);
  void EndTakeMode();

  SurfaceModel& surface_;
  TSnapshotLibrary library_;
  int current_bank_ = 1;
  bool take_mode_ = false;
  int popup_slot_ = 0;
  std::array<bool, kSnapshotsPerBank> enabled_{};
  QString library_file_name_;
  bool modified_ = false;
  FileWriter writer_;
  SnapshotInteraction* ui_ = nullptr;
  QString snapshot_dir_;
};

}  // namespace quorvane
