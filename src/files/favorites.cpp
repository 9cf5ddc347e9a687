#include "files/favorites.h"

#include <QFileInfo>

namespace quorvane {

Favorites::Favorites(SliderFileCommands& commands, FileInteraction& ui, QObject* parent)
    : QObject(parent), commands_(commands), ui_(ui) {
  for (int n = 1; n <= kFavoriteCount; ++n) captions_[n - 1] = FormCaption(n);
}

QString Favorites::FormCaption(int n) {
  return QStringLiteral("Load File &%1...").arg(n);
}
QString Favorites::Hint(int n) {
  return QStringLiteral("Load File %1").arg(n);
}

QString Favorites::FilledCaption(int n, const QString& path) {
  const QString name = path.isEmpty() ? QString() : QFileInfo(path).fileName();
  return QStringLiteral("&%1 %2").arg(n).arg(name);
}

void Favorites::SetCaption(int n, const QString& caption) {
  captions_[n - 1] = caption;
  emit captionChanged(n, caption);
}

void Favorites::SetFiles(const std::array<QString, kFavoriteCount>& files) {
  files_ = files;
  for (int n = 1; n <= kFavoriteCount; ++n)
    SetCaption(n, files_[n - 1].isEmpty() ? FormCaption(n) : FilledCaption(n, files_[n - 1]));
}

void Favorites::LoadFavorite(int n) {
  if (n < 1 || n > kFavoriteCount) return;
  QString& slot = files_[n - 1];
  if (slot.isEmpty()) {
    if (!commands_.OpenSliderFile()) return;
    // A refused file leaves the previous current file, and that is what the slot receives.
    slot = commands_.current_file_name();
    SetCaption(n, FilledCaption(n, slot));
    return;
  }
  if (!commands_.ConfirmSaveCurrent()) return;
  // Set before the read: a later Save writes to the slot's file even if the read fails.
  commands_.SetCurrentFileName(slot, false);
  commands_.SetOpenDialogName(slot);
  if (commands_.ReadFile(slot)) commands_.SetCurrentFileName(slot, true);
}

void Favorites::Clear() {
  if (ui_.Ask(FileInteraction::Kind::kWarning,
              QStringLiteral("Are you sure you want to clear the favorites menu?"),
              FileInteraction::Buttons::kYesNo) != FileInteraction::Answer::kYes)
    return;
  for (int n = 1; n <= kFavoriteCount; ++n) {
    files_[n - 1].clear();
    SetCaption(n, QStringLiteral("Load File &%1").arg(n));
  }
}

}  // namespace quorvane
