#pragma once

#include <QList>
#include <optional>

namespace quorvane {

// What the user can ask of the main window. One command may show as a menu item, a tool
// button, or both; MainWindow hands out its actions by command.
enum class Command {
  // File
  kInitialiseSliders,
  kOpenSliderFile,
  kSaveSliderFile,
  kSaveSliderFileAs,
  kFilterUsingDump,
  kFilterUsingPatch,
  kExit,
  // MIDI
  kSendAllControllers,
  kSendCurrentPage,
  kSendSelected,
  kMidiDevices,
  kDumpRequest,
  // Selection
  kSelectAll,
  kDeselectAll,
  kSelectAllOnPage,
  kDeselectAllOnPage,
  kEnableSelected,
  kDisableSelected,
  kClearLabels,
  kSetUpperRange,
  kSetLowerRange,
  kClearRange,
  kGroupSelection,
  kRandomize,
  kSetupRandomizeFactor,
  // Pages; PageCommand relies on these being contiguous.
  kLoadPage1,
  kLoadPage2,
  kLoadPage3,
  kLoadPage4,
  kLoadPage5,
  kUpdateSliderNumbers,
  // Snapshots; SnapshotCommand relies on kSnapshot0..9 being contiguous.
  kNewLibrary,
  kLoadLibrary,
  kSaveLibrary,
  kSaveLibraryAs,
  kTakeSnapshot,
  kSnapshot0,
  kSnapshot1,
  kSnapshot2,
  kSnapshot3,
  kSnapshot4,
  kSnapshot5,
  kSnapshot6,
  kSnapshot7,
  kSnapshot8,
  kSnapshot9,
  kBankA,
  kBankB,
  kBankC,
  kBankD,
  // Favorites; FavoriteCommand relies on these being contiguous.
  kFavorite1,
  kFavorite2,
  kFavorite3,
  kFavorite4,
  kFavorite5,
  kFavorite6,
  kFavorite7,
  kFavorite8,
  kFavorite9,
  kFavorite10,
  kClearFavorites,
  // View
  kVectorController,
  kMorphSlider,
  kMidiKeyboard,
  kSnapshotList,
  kCompactView,
  kMinimizeToTray,
  kAlwaysOnTop,
  // Help
  kAbout,
  // Transport; kPause stays last, kCommandCount counts on it.
  kPlay,
  kStop,
  kRecord,
  kPause,
};

inline constexpr int kCommandCount = static_cast<int>(Command::kPause) + 1;

Command PageCommand(int page);          // 1..kPageCount
Command SnapshotCommand(int snapshot);  // 0..9
Command FavoriteCommand(int n);         // 1..10
QList<Command> AllCommands();

enum class ActionKind { kPlain, kCheck, kRadio };

// How a command shows. A null name means the command has no item of that sort; consecutive
// radio items of one menu or band form an exclusive group.
struct MenuItemLook {
  const char* name = nullptr;  // object name
  const char* caption = "";    // with its & accelerator
  const char* shortcut = "";
  const char* hint = "";  // status tip
  ActionKind kind = ActionKind::kPlain;
};
struct ButtonLook {
  const char* name = nullptr;  // object name; also picks the icon
  const char* hint = "";       // text, tool tip and status tip
  ActionKind kind = ActionKind::kPlain;
};
struct CommandLook {
  Command command;
  MenuItemLook item = {};
  ButtonLook button = {};
  bool enabled = false;  // at start; commands whose feature is bound later start disabled
};
const CommandLook& LookOf(Command command);

// A menu or band lists its commands in order; an empty entry is a separator.
using LayoutEntry = std::optional<Command>;
inline constexpr std::nullopt_t kSeparator = std::nullopt;

struct MenuLayout {
  const char* name;
  const char* caption;
  const char* hint;
  QList<LayoutEntry> entries;
};
struct BandLayout {
  const char* name;
  const char* title;
  bool starts_row;  // a tool bar break comes before it
  QList<LayoutEntry> entries;
};
const QList<MenuLayout>& MenuBarLayout();
const QList<BandLayout>& ToolBandLayout();

}  // namespace quorvane
