#pragma once

#include "files/app_settings.h"

namespace quorvane {

class Favorites;
class MainWindow;
class SliderFileCommands;
class SnapshotStore;
class SurfaceMidiLink;
class SurfaceModel;
class TMidiKeyboardWindow;
class TMorphSliderWindow;
class TSnapshotWindow;
class TVectorController;

// The parts of a running program whose state the application settings file keeps: the
// surface, the link, the folders of the file commands, the favourites and each window's place.
// A tool window not built yet is nullptr: its place stays as the settings hold it.
struct SettingsTargets {
  MainWindow& window;
  SurfaceModel& model;
  SurfaceMidiLink& link;
  SliderFileCommands& file_commands;
  Favorites& favorites;
  SnapshotStore& snapshots;
  TMidiKeyboardWindow* keyboard;
  TSnapshotWindow* snapshot_list;
  TMorphSliderWindow* morph;
  TVectorController* vector;
};

// Puts the values read into the parts; the definitions are read already.
void ApplySessionSettings(const AppSettings& settings, const SettingsTargets& parts);
// One tool window's place, and whether it shows, as the settings hold them.
void ApplyToolWindowSettings(const AppSettings& settings, TMidiKeyboardWindow& keyboard);
void ApplyToolWindowSettings(const AppSettings& settings, TSnapshotWindow& list);
void ApplyToolWindowSettings(const AppSettings& settings, TMorphSliderWindow& morph);
void ApplyToolWindowSettings(const AppSettings& settings, TVectorController& vector);
// Takes the values back from the parts, to be saved.
void CollectSessionSettings(const SettingsTargets& parts, AppSettings& settings);

}  // namespace quorvane
