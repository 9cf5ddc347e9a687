#include "surface/ui/commands.h"

#include <QtGlobal>
#include <iterator>

#include "model/controller.h"

namespace quorvane {
namespace {

using enum Command;
using enum ActionKind;

constexpr bool kStartsEnabled = true;

// Every command, in the order of the enumeration.
constexpr CommandLook kCommands[] = {
    {kInitialiseSliders,
     {"InitialiseSliderSettings1", "&Initialize Slider Settings", "Ctrl+N",
      "Initialize Slider Settings"},
     {"btnFileNew", "Initialize Slider Settings"}},
    {kOpenSliderFile,
     {"OpenSliderSettings1", "&Open Slider Settings...", "Ctrl+O", "Open Slider Settings"},
     {"btnFileOpen", "Open Slider Settings"}},
    {kSaveSliderFile,
     {"SaveSliderSettings2", "&Save Slider Settings", "Ctrl+S"},
     {"btnFileSave", "Save Slider Settings"}},
    {kSaveSliderFileAs,
     {"SaveSliderSettings1", "Save Slider Settings &As...", "Ctrl+Shift+S",
      "Save Slider Settings As"}},
    {kFilterUsingDump,
     {"FilterUnusedSlidersUsingNordModularPatchFile1",
      "Filter Unused Sliders Using &Controller Dump...", "Ctrl+F",
      "Filter Unused Sliders Using Controller Dump"}},
    {kFilterUsingPatch,
     {"SortSliders", "Filter Unused Sliders Using Nord Modular &Patch File...", "Ctrl+Shift+F",
      "Filter Unused Sliders Using Nord Modular Patch File..."}},
    {kExit, {"Exit1", "E&xit", "Ctrl+Q"}, {"ToolButton11", "Exit"}, kStartsEnabled},

    {kSendAllControllers,
     {"SendAllControllers1", "Send &All Controllers", "F6"},
     {"btlSendAll", "Send All Controllers"}},
    {kSendCurrentPage,
     {"SendControllersOnCurrentPage1", "Send All Controllers On &Current Page", "F7"}},
    {kSendSelected, {"SendSelectedControllers1", "Send &Selected Controllers", "F8"}},
    {kMidiDevices,
     {"MIDIDevices1", "Setup &MIDI Devices...", "", "Setup MIDI Devices"},
     {"btnMidiSetup", "Setup MIDI Devices"}},
    {kDumpRequest, {}, {"btnDumpRequest", "Dump Request"}},

    {kSelectAll, {"SelectAll2", "Select &All", "Ctrl+A"}},
    {kDeselectAll, {"DeselectAll1", "&Deselect All", "Ctrl+D"}},
    {kSelectAllOnPage, {"SelectAll1", "Select All On &Current Page", "Shift+A"}},
    {kDeselectAllOnPage, {"DeselectAllOnCurrentPage1", "Deselect All On C&urrent Page", "Shift+D"}},
    {kEnableSelected, {"EnableSelectedSliders1", "Enable Selected S&liders", "Ctrl+E"}},
    {kDisableSelected, {"DisableSelectedsliders1", "Disable Selected Sl&iders", "Ctrl+B"}},
    {kClearLabels, {"miClearLabels", "Clear La&bels"}},
    {kSetUpperRange,
     {"SetUpperRangeForSelectedSliders1", "Set &Upper Range For Selected Sliders", "Ctrl+U"}},
    {kSetLowerRange,
     {"SetLowerRangeForSelectedSliders1", "Set L&ower Range For Selected Sliders", "Ctrl+L"}},
    {kClearRange, {"ClearRangeForSelectedSliders1", "Cl&ear Range For Selected Sliders", "Ctrl+C"}},
    {kGroupSelection,
     {"GroupSelection1", "&Group Selection", "Ctrl+G", "", kCheck},
     {"btnGroup", "Group Selection", kCheck}},
    {kRandomize,
     {"RandomizeSelection1", "&Randomize Selection", "F9"},
     {"btnRandomize", "Randomize Selection"}},
    {kSetupRandomizeFactor, {"SetupRamdomizeFactor1", "Setup Randomize &Factor...", "Ctrl+R"}},

    {kLoadPage1,
     {"LoadPage1", "Load Page &1", "F1", "Load Page 1", kRadio},
     {"btnPage1", "Load Page 1", kRadio},
     kStartsEnabled},
    {kLoadPage2,
     {"LoadPage2", "Load Page &2", "F2", "Load Page 2", kRadio},
     {"btnPage2", "Load Page 2", kRadio},
     kStartsEnabled},
    {kLoadPage3,
     {"LoadPage3", "Load Page &3", "F3", "Load Page 3", kRadio},
     {"btnPage3", "Load Page 3", kRadio},
     kStartsEnabled},
    {kLoadPage4,
     {"LoadPage4", "Load Page &4", "F4", "Load Page 4", kRadio},
     {"btnPage4", "Load Page 4", kRadio},
     kStartsEnabled},
    {kLoadPage5,
     {"LoadPage5", "Load Page &5", "F5", "Load Page 5", kRadio},
     {"btnPage5", "Load Page 5", kRadio},
     kStartsEnabled},
    {kUpdateSliderNumbers,
     {"UpdateSliderNumbers1", "&Update Slider Numbers", "", "Update Slider Numbers", kCheck},
     {"btnUpdateSliderNumbers", "Update Slider Numbers", kCheck},
     kStartsEnabled},

    {kNewLibrary, {"NewBank1", "&New Library"}},
    {kLoadLibrary, {"LoadBank1", "&Load Library..."}},
    {kSaveLibrary, {"SaveBank1", "&Save Library"}},
    {kSaveLibraryAs, {"SaveBankAs1", "Save Library &As..."}},
    {kTakeSnapshot,
     {"TakeSnapshot1", "&Take Snapshot", "Ctrl+T", "", kCheck},
     {"btnTakeSnap", "Take Snapshot", kCheck}},
    {kSnapshot0, {"Snapshot0", "Snapshot &0", "Ctrl+0", "", kRadio}, {"btnSnp0", "Snapshot 0"}},
    {kSnapshot1, {"Snapshot1", "Snapshot &1", "Ctrl+1", "", kRadio}, {"btnSnp1", "Snapshot 1"}},
    {kSnapshot2, {"Snapshot2", "Snapshot &2", "Ctrl+2", "", kRadio}, {"btnSnp2", "Snapshot 2"}},
    {kSnapshot3, {"Snapshot3", "Snapshot &3", "Ctrl+3", "", kRadio}, {"btnSnp3", "Snapshot 3"}},
    {kSnapshot4, {"Snapshot4", "Snapshot &4", "Ctrl+4", "", kRadio}, {"btnSnp4", "Snapshot 4"}},
    {kSnapshot5, {"Snapshot5", "Snapshot &5", "Ctrl+5", "", kRadio}, {"btnSnp5", "Snapshot 5"}},
    {kSnapshot6, {"Snapshot6", "Snapshot &6", "Ctrl+6", "", kRadio}, {"btnSnp6", "Snapshot 6"}},
    {kSnapshot7, {"Snapshot7", "Snapshot &7", "Ctrl+7", "", kRadio}, {"btnSnp7", "Snapshot 7"}},
    {kSnapshot8, {"Snapshot8", "Snapshot &8", "Ctrl+8", "", kRadio}, {"btnSnp8", "Snapshot 8"}},
    {kSnapshot9, {"Snapshot9", "Snapshot &9", "Ctrl+9", "", kRadio}, {"btnSnp9", "Snapshot 9"}},
    {kBankA, {}, {"ToolButton8", "Bank A", kRadio}},
    {kBankB, {}, {"ToolButton12", "Bank B", kRadio}},
    {kBankC, {}, {"ToolButton13", "Bank C", kRadio}},
    {kBankD, {}, {"ToolButton14", "Bank D", kRadio}},

    {kFavorite1, {"miFav1", "Load File &1...", "", "Load File 1"}},
    {kFavorite2, {"miFav2", "Load File &2...", "", "Load File 2"}},
    {kFavorite3, {"miFav3", "Load File &3...", "", "Load File 3"}},
    {kFavorite4, {"miFav4", "Load File &4...", "", "Load File 4"}},
    {kFavorite5, {"miFav5", "Load File &5...", "", "Load File 5"}},
    {kFavorite6, {"miFav6", "Load File &6...", "", "Load File 6"}},
    {kFavorite7, {"miFav7", "Load File &7...", "", "Load File 7"}},
    {kFavorite8, {"miFav8", "Load File &8...", "", "Load File 8"}},
    {kFavorite9, {"miFav9", "Load File &9...", "", "Load File 9"}},
    {kFavorite10, {"miFav10", "Load File &10...", "", "Load File 10"}},
    {kClearFavorites, {"ClearFavorites1", "&Clear Favorites Menu...", "", "Clear Favorites"}},

    {kVectorController,
     {"VectorController1", "&Vector Controller...", "Ctrl+V", "", kCheck},
     {"btnShowVector", "Vector Controller", kCheck}},
    {kMorphSlider,
     {"MorphSlider1", "&Morph Slider...", "Ctrl+M", "", kCheck},
     {"btnShowMorph", "Morph Slider", kCheck}},
    {kMidiKeyboard,
     {"MIDIKeyboard1", "MIDI &Keyboard...", "Ctrl+K", "", kCheck},
     {"btnShowMidiKeyboard", "MIDI Keyboard", kCheck}},
    {kSnapshotList,
     {"SnapshotList1", "&Snapshot List...", "Ctrl+I", "", kCheck},
     {"btnShowSnapshotWindow", "Snapshot List", kCheck}},
    {kCompactView, {"CompactView1", "&Compact View", "Ctrl+P"}},
    {kMinimizeToTray,
     {"miToTray", "Minimize To &Taskbar Tray", "", "Minimize To Taskbar Tray", kCheck}},
    {kAlwaysOnTop, {"AlwaysOnTop1", "&Always On Top", "", "", kCheck}},

    {kAbout, {"About1", "&About...", "", "About"}, {"ToolButton10", "About"}},

    {kPlay, {}, {"btnPlay", "Play"}},
    {kStop, {}, {"btnStop", "Stop"}},
    {kRecord, {}, {"btnRecord", "Record"}},
    {kPause, {}, {"btnPause", "Pause"}},
};

constexpr bool InEnumerationOrder() {
  for (int i = 0; i < kCommandCount; ++i) {
    if (static_cast<int>(kCommands[i].command) != i) return false;
  }
  return true;
}
static_assert(std::size(kCommands) == kCommandCount, "one row per command");
static_assert(InEnumerationOrder(), "rows in the order of the enumeration");

Command Offset(Command first, int n) {
  return static_cast<Command>(static_cast<int>(first) + n);
}

}  // namespace

Command PageCommand(int page) {
  Q_ASSERT(page >= 1 && page <= kPageCount);
  return Offset(kLoadPage1, page - 1);
}

Command SnapshotCommand(int snapshot) {
  Q_ASSERT(snapshot >= 0 && snapshot <= 9);
  return Offset(kSnapshot0, snapshot);
}

Command FavoriteCommand(int n) {
  Q_ASSERT(n >= 1 && n <= 10);
  return Offset(kFavorite1, n - 1);
}

QList<Command> AllCommands() {
  QList<Command> all;
  for (int i = 0; i < kCommandCount; ++i) all << static_cast<Command>(i);
  return all;
}

const CommandLook& LookOf(Command command) {
  return kCommands[static_cast<int>(command)];
}

const QList<MenuLayout>& MenuBarLayout() {
  static const QList<MenuLayout> menus = {
      {"File1",
       "&File",
       "",
       {kInitialiseSliders, kOpenSliderFile, kSaveSliderFile, kSaveSliderFileAs, kSeparator,
        kFilterUsingDump, kFilterUsingPatch, kSeparator, kExit}},
      {"MIDI1",
       "&MIDI",
       "",
       {kSendAllControllers, kSendCurrentPage, kSendSelected, kSeparator, kMidiDevices}},
      {"Selection1",
       "&Selection",
       "",
       {kSelectAll, kDeselectAll, kSelectAllOnPage, kDeselectAllOnPage, kSeparator, kEnableSelected,
        kDisableSelected, kClearLabels, kSeparator, kSetUpperRange, kSetLowerRange, kClearRange,
        kSeparator, kGroupSelection, kRandomize, kSetupRandomizeFactor}},
      {"Pages1",
       "&Pages",
       "",
       {kLoadPage1, kLoadPage2, kLoadPage3, kLoadPage4, kLoadPage5, kSeparator,
        kUpdateSliderNumbers}},
      {"Snapshots1",
       "S&napshots",
       "",
       {kNewLibrary, kLoadLibrary, kSaveLibrary, kSaveLibraryAs, kSeparator, kTakeSnapshot,
        kSeparator, kSnapshot0, kSnapshot1, kSnapshot2, kSnapshot3, kSnapshot4, kSnapshot5,
        kSnapshot6, kSnapshot7, kSnapshot8, kSnapshot9}},
      {"Favorites1",
       "&Favorites",
       "Favorites",
       {kFavorite1, kFavorite2, kFavorite3, kFavorite4, kFavorite5, kFavorite6, kFavorite7,
        kFavorite8, kFavorite9, kFavorite10, kSeparator, kClearFavorites}},
      {"View1",
       "&View",
       "",
       {kVectorController, kMorphSlider, kMidiKeyboard, kSnapshotList, kSeparator, kCompactView,
        kMinimizeToTray, kAlwaysOnTop}},
      {"Help1", "&Help", "", {kAbout}},
  };
  return menus;
}

const QList<BandLayout>& ToolBandLayout() {
  static const QList<BandLayout> bands = {
      {"ToolBar1",
       "main",
       false,
       {kInitialiseSliders, kOpenSliderFile, kSaveSliderFile, kSeparator, kMidiDevices,
        kSendAllControllers, kDumpRequest, kSeparator, kRandomize, kGroupSelection, kSeparator,
        kVectorController, kMorphSlider, kMidiKeyboard, kSnapshotList, kSeparator, kAbout, kExit}},
      {"ToolBar2",
       "Pages",
       false,
       {kLoadPage1, kLoadPage2, kLoadPage3, kLoadPage4, kLoadPage5, kUpdateSliderNumbers}},
      // Two rows: main and Pages, then Transport and Snapshots.
      {"ToolBar4", "Transport", true, {kPlay, kStop, kRecord, kPause}},
      {"ToolBar3",
       "Snapshots",
       false,
       {kBankA, kBankB, kBankC, kBankD, kSeparator, kTakeSnapshot, kSnapshot0, kSnapshot1,
        kSnapshot2, kSnapshot3, kSnapshot4, kSnapshot5, kSnapshot6, kSnapshot7, kSnapshot8,
        kSnapshot9}},
  };
  return bands;
}

}  // namespace quorvane
