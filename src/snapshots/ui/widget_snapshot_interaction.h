#pragma once

#include "snapshots/snapshot_store.h"

class QWidget;

namespace quorvane {

// Message boxes and the library file dialogs over a parent window.
class WidgetSnapshotInteraction : public SnapshotInteraction {
 public:
  explicit WidgetSnapshotInteraction(QWidget* parent, bool native_dialogs = true)
      : parent_(parent), native_dialogs_(native_dialogs) {}

  FileInteraction::Answer Ask(FileInteraction::Kind kind, const QString& text,
                              FileInteraction::Buttons buttons) override;
  std::optional<QString> ChooseLibraryToOpen(const QString& start_dir) override;
  std::optional<QString> ChooseLibraryToSave(const QString& start_dir) override;

 private:
  QWidget* parent_;
  bool native_dialogs_;
};

}  // namespace quorvane
