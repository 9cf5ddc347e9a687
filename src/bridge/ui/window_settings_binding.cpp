#include "bridge/ui/window_settings_binding.h"

#include <QAction>

#include "bridge/settings_binding.h"
#include "files/favorites.h"
#include "files/slider_file_commands.h"
#include "keyboard/ui/midi_keyboard_window.h"
#include "morph/ui/morph_slider_window.h"
#include "morph/ui/vector_controller_window.h"
#include "snapshots/snapshot_store.h"
#include "snapshots/ui/snapshot_window.h"
#include "surface/ui/main_window.h"

namespace quorvane {

void ApplySessionSettings(const AppSettings& a, const SettingsTargets& p) {
  MainWindow& w = p.window;
  w.move(a.x, a.y);
  w.resize(a.w, a.h);
  ApplyAppSettings(a, p.model, p.link);
  p.file_commands.SetSliderSettingsDir(a.slider_settings_dir);
  p.file_commands.SetPatchDir(a.patch_dir);
  p.favorites.SetFiles(a.favorite_files);
  p.snapshots.SetSnapshotDir(a.snapshot_dir);
  if (p.keyboard) ApplyToolWindowSettings(a, *p.keyboard);
  if (p.snapshot_list) ApplyToolWindowSettings(a, *p.snapshot_list);
  if (p.morph) ApplyToolWindowSettings(a, *p.morph);
  if (p.vector) ApplyToolWindowSettings(a, *p.vector);
  w.SetChecked(Command::kMidiKeyboard, a.show_midi_keyboard);
  w.SetChecked(Command::kSnapshotList, a.show_snapshot_window);
  w.SetChecked(Command::kMorphSlider, a.show_morph_slider);
  w.SetChecked(Command::kVectorController, a.show_vector_controller);
}

void ApplyToolWindowSettings(const AppSettings& a, TMidiKeyboardWindow& keyboard) {
  keyboard.move(a.midi_keyboard_x, a.midi_keyboard_y);
  keyboard.setVisible(a.show_midi_keyboard);
}

void ApplyToolWindowSettings(const AppSettings& a, TSnapshotWindow& list) {
  list.move(a.snapshot_window_x, a.snapshot_window_y);
  list.resize(a.snapshot_window_w, a.snapshot_window_h);
  list.setVisible(a.show_snapshot_window);
}

void ApplyToolWindowSettings(const AppSettings& a, TMorphSliderWindow& morph) {
  morph.move(a.morph_slider_x, a.morph_slider_y);
  morph.setVisible(a.show_morph_slider);
}

void ApplyToolWindowSettings(const AppSettings& a, TVectorController& vector) {
  vector.move(a.vector_controller_x, a.vector_controller_y);
  vector.SetAssignments(a.vector_x, a.vector_y);
  vector.FillVectorLists();  // the definitions were read with the settings
  vector.setVisible(a.show_vector_controller);
}

void CollectSessionSettings(const SettingsTargets& p, AppSettings& a) {
  const MainWindow& w = p.window;
  auto checked = [&w](Command command) { return w.MenuAction(command)->isChecked(); };
  const QRect frame = w.geometry();
  a.x = w.x();
  a.y = w.y();
  a.w = frame.width();
  a.h = frame.height();
  CollectAppSettings(p.model, p.link, a);
  a.slider_settings_dir = p.file_commands.SliderSettingsDir();
  a.patch_dir = p.file_commands.PatchDir();
  a.favorite_files = p.favorites.files();
  a.snapshot_dir = p.snapshots.SnapshotDir();
  a.show_midi_keyboard = checked(Command::kMidiKeyboard);
  a.show_snapshot_window = checked(Command::kSnapshotList);
  a.show_morph_slider = checked(Command::kMorphSlider);
  a.show_vector_controller = checked(Command::kVectorController);
  if (p.keyboard) {
    a.midi_keyboard_x = p.keyboard->x();
    a.midi_keyboard_y = p.keyboard->y();
  }
  if (p.snapshot_list) {
    a.snapshot_window_x = p.snapshot_list->x();
    a.snapshot_window_y = p.snapshot_list->y();
    a.snapshot_window_w = p.snapshot_list->width();
    a.snapshot_window_h = p.snapshot_list->height();
  }
  if (p.morph) {
    a.morph_slider_x = p.morph->x();
    a.morph_slider_y = p.morph->y();
  }
  if (p.vector) {
    a.vector_controller_x = p.vector->x();
    a.vector_controller_y = p.vector->y();
    a.vector_x = p.vector->XAssignments();
    a.vector_y = p.vector->YAssignments();
  }
  a.minimize_to_tray = checked(Command::kMinimizeToTray);
}

}  // namespace quorvane
