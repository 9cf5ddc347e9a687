#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>

#include "model/controller.h"

namespace quorvane {

// Who gave a command. Every surface other than the main window takes an id of its own, so
// that it can leave out the changes it made itself; 0 is the program (main window, MIDI
// input follow, morph, recalls, file loads).
using SurfaceClient = int;
inline constexpr SurfaceClient kProgramClient = 0;

inline constexpr int kSurfaceSnapshotSlots = 10;
inline const QString kCommandIgnoredNotice =
    QStringLiteral("Remote command ignored while a dialog is open");

// What a command did.
enum class CommandOutcome : std::uint8_t {
  kApplied,    // it took effect
  kUnchanged,  // taken, but nothing changed, so nothing was sent or redrawn
  kNotTaken,   // out of reach: disabled slot, slider-only button, value out of range
  kDropped,    // a modal dialog is open; dropped for good, not kept for later
};

// Adds one outcome to a surface's counts: taken (changed something or not), out of reach, or
// dropped while a dialog was open.
inline void CountOutcome(CommandOutcome outcome, int& applied, int& not_taken, int& dropped) {
  switch (outcome) {
    case CommandOutcome::kApplied:
    case CommandOutcome::kUnchanged:
      ++applied;
      break;
    case CommandOutcome::kNotTaken:
      ++not_taken;
      break;
    case CommandOutcome::kDropped:
      ++dropped;
      break;
  }
}

// The one way in for every surface that is not the main window (remote input, browser, OSC).
// The rules that concern all of them live behind it: a move that changes nothing sends
// nothing again; while a modal dialog is open only slot moves and buttons apply; messages go
// out only while an output is in use.
class SurfaceCommands {
 public:
  virtual ~SurfaceCommands() = default;
  // Slot 1..24 of the page shown to value 0..127: sends the slot's controller.
  virtual CommandOutcome MoveSlot(int slot, int value, SurfaceClient from) = 0;
  // A slot's toggle button: below 64 up, else down; sends the value as given.
  virtual CommandOutcome SetButton(int slot, int value, SurfaceClient from) = 0;
  // Definition 1..120 on any page to value 0..127, sent as a slot move is.
  virtual CommandOutcome SetDefinition(int number, int value, SurfaceClient from) = 0;
  // Page 1..5; the page shown already is kUnchanged.
  virtual CommandOutcome ShowPage(int page, SurfaceClient from) = 0;
  // Does nothing (kUnchanged) while the program is minimised.
  virtual CommandOutcome ToggleCompactView(SurfaceClient from) = 0;
  // Restores when minimised; minimises when active or always on top; else to the front.
  virtual CommandOutcome MinimizeOrRestore(SurfaceClient from) = 0;
  // Exactly what snapshot button 0..9 of the current bank does.
  virtual CommandOutcome SnapshotSlotAction(int slot, SurfaceClient from) = 0;
  virtual CommandOutcome SetTakeMode(bool on, SurfaceClient from) = 0;
  virtual CommandOutcome ToggleTakeMode(SurfaceClient from) = 0;
  // Bank 1..4 becomes the one the snapshot buttons show.
  virtual CommandOutcome ShowBank(int bank, SurfaceClient from) = 0;
  // Bank 1..4, slot 0..9, whatever bank is shown.
  virtual CommandOutcome Recall(int bank, int slot, SurfaceClient from) = 0;
  // The morph slider's position 0..127: every ranged definition between its two bounds.
  virtual CommandOutcome Morph(int position, SurfaceClient from) = 0;
};

// How many messages one client of a remote surface has sent in the current second: over the
// surface's limit, the rest of that second is dropped, so a flood cannot starve the program.
class ClientRate {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  explicit ClientRate(TimePoint now = {}) : window_start_(now) {}
  // Counts one message at `now`; true when it is over `per_second`.
  bool Over(TimePoint now, int per_second) {
    if (now - window_start_ >= std::chrono::seconds(1)) {
      window_start_ = now;
      in_window_ = 0;
    }
    return ++in_window_ > per_second;
  }

 private:
  TimePoint window_start_;
  int in_window_ = 0;
};

// One slot of the page shown, as a surface draws it.
struct SurfaceSlotState {
  QString caption;
  std::uint32_t color = kDefaultColor;  // 0x00BBGGRR
  int value = 0;
  bool enabled = false;
  bool has_button = false;  // the toggle button is reachable (not under the slider)
  bool button_down = false;
  int lower_range = 0;
  int upper_range = 0;

  bool operator==(const SurfaceSlotState&) const = default;
};

// Everything a surface shows, for a client that has just connected.
struct SurfaceState {
  int page = 1;
  std::array<SurfaceSlotState, kSlotCount> page_slots{};  // [slot - 1]
  int bank = 1;
  std::array<QString, kSurfaceSnapshotSlots> snapshot_names{};
  std::array<bool, kSurfaceSnapshotSlots> snapshot_enabled{};
  bool take_mode = false;
  bool compact_view = false;
  bool output_in_use = false;

  bool operator==(const SurfaceState&) const = default;
};

// What surfaces show: the whole state on demand, and a signal for each change after. A change
// carries the client that caused it.
class SurfaceObserver : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;
  virtual SurfaceState State() const = 0;
  // A new id for a surface's commands.
  SurfaceClient NewClient() { return ++last_client_; }

 signals:
  void slotChanged(int slot, int from);  // from: SurfaceClient
  void pageChanged(int page, int from);  // every slot changed with it
  void snapshotsChanged();               // names, bank, enabled slots or take mode
  void viewChanged();                    // compact view
  void outputChanged();                  // an output came into use or went

 private:
  SurfaceClient last_client_ = kProgramClient;
};

}  // namespace quorvane
