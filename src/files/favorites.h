#pragma once

#include <QObject>
#include <QString>
#include <array>

#include "files/app_settings.h"
#include "files/file_interaction.h"
#include "files/slider_file_commands.h"

namespace quorvane {

// The ten slots of the "&Favorites" menu. A free slot is filled by the ordinary Open command;
// a filled slot loads its file without a dialog; Clear empties them all.
class Favorites : public QObject {
  Q_OBJECT

 public:
  Favorites(SliderFileCommands& commands, FileInteraction& ui, QObject* parent = nullptr);

  // Slots are numbered 1..10.
  const QString& file(int n) const { return files_.at(static_cast<std::size_t>(n - 1)); }
  const std::array<QString, kFavoriteCount>& files() const { return files_; }
  QString caption(int n) const { return captions_.at(static_cast<std::size_t>(n - 1)); }
  static QString FormCaption(int n);  // "Load File &n..."
  static QString Hint(int n);         // "Load File n"

  // Start-up: filled slots get "&n name"; free slots keep their form captions.
  void SetFiles(const std::array<QString, kFavoriteCount>& files);

  void LoadFavorite(int n);  // miFav1Click .. miFav10Click
  void Clear();              // ClearFavorites1Click

 signals:
  void captionChanged(int n, const QString& caption);

 private:
  void SetCaption(int n, const QString& caption);
  static QString FilledCaption(int n, const QString& path);

  SliderFileCommands& commands_;
  FileInteraction& ui_;
  std::array<QString, kFavoriteCount> files_;
  std::array<QString, kFavoriteCount> captions_;
};

}  // namespace quorvane
