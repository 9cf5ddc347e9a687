#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "model/controller.h"
#include "model/slot_view.h"
#include "surface/bulk_sends.h"
#include "surface/gesture_tracker.h"
#include "surface/redraw_pacer.h"
#include "surface/status_board.h"
#include "surface/window_mode.h"

namespace quorvane {

// What the settings file and the MIDI settings set on the surface.
struct SurfaceSettings {
  int global_channel = 1;
  int listen_channel = 1;  // 0 = every channel
  int midi_delay = 5;      // ms paused after each message of a bulk send
  int randomize_factor = 50;
  bool update_slider_numbers = false;
  bool always_on_top = false;
};

// The main window's model: owns the page set and is where a slot's value changes and is sent.
// The parts beside it (bulk sends, status board, window mode, gestures) are reachable from
// here. The QMainWindow only renders it.
class SurfaceModel : public QObject {
  Q_OBJECT

 public:
  // Hands one short message (status, data1, data2) to the MIDI output; false when the output
  // refused it (the sender has told the user why).
  using ShortSender = std::function<bool(std::uint8_t, std::uint8_t, std::uint8_t)>;

  explicit SurfaceModel(QObject* parent = nullptr);
  ~SurfaceModel() override;  // stops running bulk sends first

  // --- definitions ------------------------------------------------------------
  const TPageSet& Pages() const { return pages_; }
  // For the commands that edit definitions; they redraw what they change.
  TPageSet& MutablePages() { return pages_; }
  Tcontroller& Definition(int page, int slot) { return pages_.at(page, slot); }
  Tcontroller& SlotDefinition(int slot) { return pages_.at(current_page_, slot); }
  const Tcontroller& SlotDefinition(int slot) const { return pages_.at(current_page_, slot); }
  int CurrentPage() const { return current_page_; }

  // --- settings ---------------------------------------------------------------
  const SurfaceSettings& Settings() const { return settings_; }
  // A change of the numbering redraws the page; check marks and the window flags follow.
  void SetSettings(const SurfaceSettings& settings);

  // --- output -----------------------------------------------------------------
  // Whether sends leave at all; the MIDI side keeps it in step with the output port.
  bool OutputInUse() const { return output_in_use_; }
  void SetOutputInUse(bool on) { output_in_use_ = on; }
  void SetShortSender(ShortSender sender) { send_short_ = std::move(sender); }

  // --- group ------------------------------------------------------------------
  bool GroupMode() const { return group_.mode; }
  void SetGroupMode(bool on);
  bool GroupFollow() const { return group_.follow; }
  // Off while a command moves many selected sliders, so that none drags the group along.
  void SetGroupFollow(bool on) { group_.follow = on; }
  // The group's proportions, indexed by N.
  const std::array<std::uint8_t, kDefinitionCount + 1>& GroupReference() const {
    return group_.reference;
  }
  void CaptureGroupReference();

  // --- gestures ---------------------------------------------------------------
  GestureTracker& Gestures() { return gestures_; }
  const GestureTracker& Gestures() const { return gestures_; }
  // A colour picked for slot s's caption; the caption's text colour follows for contrast.
  void SetSlotColor(int slot, std::uint32_t color);

  // --- what the window shows ------------------------------------------------
  // Window caption; the file commands set it ("Quorvane - [path]").
  const QString& Title() const { return title_; }
  void SetTitle(const QString& title) {
    title_ = title;
    emit stateChanged();
  }
  const SlotView& View(int slot) const { return views_.at(static_cast<std::size_t>(slot - 1)); }

  // --- the parts beside the page set ---------------------------------------
  WindowMode& Window() { return window_; }
  const WindowMode& Window() const { return window_; }
  StatusBoard& Status() { return status_; }
  const StatusBoard& Status() const { return status_; }
  BulkSends& Sends() { return sends_; }
  // What the views draw at their next frame: every slot, panel and lamp change is marked there.
  RedrawPacer& Redraws() { return redraws_; }

  // The compact strip shows the value a remote surface set on slot s in place of its caption,
  // until a slot is next drawn or the output lamp goes dark.
  void ShowStripValue(int slot, int value);

  // --- operations -----------------------------------------------------------
  void ShowPage(int p);
  // Shows slot s at its definition's value; sends nothing and changes no value (the group
  // follows only a user's move, through SliderChanged).
  void RefreshSlot(int s);
  void RefreshAllSlots();
  // False when the output refused the message.
  bool SendControlChange(int controller, int channel, int value);
  // Any short message, as is, when the output is in use; lights the output lamp. False when
  // the output refused it.
  bool SendShortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  // One message from the first MIDI input: a control change on the listened channel sets
  // every definition with that controller, on every page, without echo.
  void FollowMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  // Redraws everything ShowPage draws for one slot of the page shown, without sending.
  void RedrawSlot(int slot);
  // The track bar of slot s was moved to position by the user.
  void TrackBarMoved(int slot, int position);
  // The user's move of slot s's track bar: sends it, and in group mode the active selected
  // slider drags the rest of the group along.
  void SliderChanged(int slot);
  void ButtonPressed(int slot, bool down);

  // The slider message (second = false) or the button message of a definition; false when
  // the output refused it.
  bool SendDefinition(int page, int slot, bool second);
  // While a batch is open, slotChanged is held back and given once per changed slot when
  // the outermost batch ends, so a burst of input redraws each slot once.
  void BeginSlotBatch();
  void EndSlotBatch();

 signals:
  void slotChanged(int slot);  // one slot's view changed
  void pageShown(int page);    // all 24 slots redrawn for a page
  void stateChanged();         // check marks, radio items, flags

 private:
  // Whether the rest of a group move goes out as messages: not once one was refused.
  enum class Echo : std::uint8_t { kSend, kSilent };

  struct GroupState {
    bool mode = false;
    bool follow = true;
    std::array<std::uint8_t, kDefinitionCount + 1> reference{};  // indexed by N
  };

  SlotView& MutableView(int slot) { return views_.at(static_cast<std::size_t>(slot - 1)); }
  void DrawSlot(int slot);  // everything ShowPage draws for one slot
  // Returns kSilent once a message was refused, so that the rest of the move stays quiet.
  Echo GroupMove(int slot, int v, Echo echo);
  void NotifySlot(int slot);  // slotChanged now, or at the end of the batch
  void ClearStripValues();

  TPageSet pages_;
  int current_page_ = 1;
  SurfaceSettings settings_;
  bool output_in_use_ = false;
  ShortSender send_short_;
  GroupState group_;
  GestureTracker gestures_;
  WindowMode window_;
  StatusBoard status_;
  RedrawPacer redraws_;

  std::array<SlotView, kSlotCount> views_{};
  int slot_batch_depth_ = 0;
  std::array<bool, kSlotCount + 1> dirty_slots_{};  // indexed by slot
  QString title_ = QStringLiteral("Quorvane");
  // Last, so that it goes first: running sends still read the pages and send through here.
  BulkSends sends_;
};

}  // namespace quorvane
