#include "snapshots/snapshot_store.h"

#include <QFileInfo>

#include "surface/bulk_send_thread.h"

namespace quorvane {

SnapshotStore::SnapshotStore(SurfaceModel& surface, QObject* parent)
    : QObject(parent), surface_(surface) {
  ClearSnapshotLibrary();
}

QString SnapshotStore::ListName(int bank, int slot) const {
  return library_.InUse(bank, slot) ? library_.At(bank, slot).name.Text()
                                    : QStringLiteral("[empty]");
}

void SnapshotStore::SelectBank(int bank) {
  current_bank_ = bank;
  ShowSnapshotBank();
}

void SnapshotStore::ShowSnapshotBank() {
  for (int s = 0; s < kSnapshotsPerBank; ++s)
    enabled_.at(static_cast<std::size_t>(s)) = library_.InUse(current_bank_, s);
  emit bankShown();
}

void SnapshotStore::ClearSnapshotLibrary() {
  library_.Clear();
  library_file_name_.clear();
  modified_ = false;
  ShowSnapshotBank();
}

void SnapshotStore::SetSlotEnabled(int slot, bool on) {
  enabled_.at(static_cast<std::size_t>(slot)) = on;
}

void SnapshotStore::SetTakeMode(bool on) {
  take_mode_ = on;
  std::int32_t& last = library_.LastUsed(current_bank_);
  if (on) {
    if (last <= 9) ++last;
    if (last >= 0 && last <= 9) SetSlotEnabled(last, true);
  } else if (last >= 0 && last <= 9) {
    // The opened slot is withdrawn; -1 (library replaced meanwhile) and 10 stay as they are.
    SetSlotEnabled(last, false);
    --last;
  }
  emit bankShown();
  emit takeModeChanged(on);
}

void SnapshotStore::EndTakeMode() {
  take_mode_ = false;
  emit takeModeChanged(false);
}

void SnapshotStore::SnapshotSlotAction(int slot) {
  if (slot < 0 || slot >= kSnapshotsPerBank) return;
  std::int32_t& last = library_.LastUsed(current_bank_);
  if (take_mode_) {
    // Stored into an earlier slot: the opened one is withdrawn.
    if (slot < last && last <= 9) {
      SetSlotEnabled(last, false);
      --last;
    }
    TSnapshot& snap = library_.At(current_bank_, slot);
    const TPageSet& pages = surface_.Pages();
    for (int i = 0; i < kDefinitionCount; ++i) {
      snap.values.at(static_cast<std::size_t>(i)) = pages[i].value;
      snap.button_values.at(static_cast<std::size_t>(i)) = pages[i].button_value;
    }
    modified_ = true;
    emit bankShown();
    EndTakeMode();
    emit listChanged();
    return;
  }
  if (slot <= last) RecallSnapshot(current_bank_, slot);
}

void SnapshotStore::RecallSnapshot(int bank, int slot) {
  if (bank < 1 || bank > kSnapshotBanks || slot < 0 || slot >= kSnapshotsPerBank) return;
  if (!library_.InUse(bank, slot)) return;
  const TSnapshot& snap = library_.At(bank, slot);
  TPageSet& pages = surface_.MutablePages();
  for (int i = 0; i < kDefinitionCount; ++i) {
    Tcontroller& d = pages[i];
    if (!d.enabled) continue;
    d.value = snap.values.at(static_cast<std::size_t>(i));
    if (!d.use_slider) d.button_value = snap.button_values.at(static_cast<std::size_t>(i));
  }
  surface_.ShowPage(surface_.CurrentPage());
  surface_.Sends().StartSend(BulkSendThread::kAllPages);
}

void SnapshotStore::RenameSnapshot(const QString& text) {
  const int slot = popup_slot_;
  TSnapshot& snap = library_.At(current_bank_, slot);
  const QString name = text.left(kSnapshotNameCapacity);
  const auto before = snap.name.bytes;
  snap.name.SetText(name.isEmpty() ? DefaultSnapshotName(slot) : name);
  // The same name again (a cancelled input box) leaves nothing to save.
  if (snap.name.bytes != before) modified_ = true;
  emit bankShown();
  emit listChanged();
}

FileStatus SnapshotStore::LoadLibraryFile(const QString& path) {
  library_file_name_ = path;
  FileStatus status = ReadLibraryFile(path, library_);
  if (status) {
    modified_ = false;
    ShowSnapshotBank();
  }
  emit listChanged();
  return status;
}

FileStatus SnapshotStore::SaveLibraryFile(const QString& path) {
  library_file_name_ = path;
  FileStatus status = WriteLibraryFile(path, library_, writer_);
  if (status) modified_ = false;
  return status;
}

namespace {

QString FolderOf(const QString& path) {
  return QFileInfo(path).absolutePath() + QLatin1Char('/');
}

}  // namespace

bool SnapshotStore::SaveLibrary() {
  if (library_file_name_.isEmpty()) return SaveLibraryAs();
  const FileStatus status = SaveLibraryFile(library_file_name_);
  if (!status && ui_) {
    ui_->Ask(FileInteraction::Kind::kWarning, status.message, FileInteraction::Buttons::kOk);
  }
  return true;
}

bool SnapshotStore::SaveLibraryAs() {
  if (!ui_) return false;
  const std::optional<QString> path = ui_->ChooseLibraryToSave(snapshot_dir_);
  if (!path) return false;
  snapshot_dir_ = FolderOf(*path);
  const FileStatus status = SaveLibraryFile(*path);
  if (!status) {
    ui_->Ask(FileInteraction::Kind::kWarning, status.message, FileInteraction::Buttons::kOk);
  }
  return true;
}

bool SnapshotStore::ConfirmLibraryChange() {
  if (!ui_) return false;
  switch (ui_->Ask(FileInteraction::Kind::kWarning, kSaveCurrentLibrary,
                   FileInteraction::Buttons::kYesNoCancel)) {
    case FileInteraction::Answer::kYes:
      return SaveLibrary();
    case FileInteraction::Answer::kNo:
      return true;
    default:
      return false;
  }
}

void SnapshotStore::NewLibrary() {
  if (!ConfirmLibraryChange()) return;
  ClearSnapshotLibrary();
  emit listChanged();
}

void SnapshotStore::LoadLibrary() {
  if (!ConfirmLibraryChange()) return;
  const std::optional<QString> path = ui_->ChooseLibraryToOpen(snapshot_dir_);
  if (path) LoadChosenLibrary(*path);
}

void SnapshotStore::LoadChosenLibrary(const QString& path) {
  snapshot_dir_ = FolderOf(path);
  const FileStatus status = LoadLibraryFile(path);
  if (!status) {
    ui_->Ask(FileInteraction::Kind::kWarning, status.message, FileInteraction::Buttons::kOk);
  }
}

bool SnapshotStore::ConfirmClose() {
  return !modified_ || ConfirmLibraryChange();
}

}  // namespace quorvane
