#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "model/controller.h"
#include "model/slot_view.h"
#include "surface/bulk_send_thread.h"

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

// The main window's model: the page set, the window-level state and the operations that
// every part of the program calls. The QMainWindow only renders it.
class SurfaceModel : public QObject {
  Q_OBJECT

 public:
  // Hands one short message (status, data1, data2) to the MIDI output; false when the output
  // refused it (the sender has told the user why).
  using ShortSender = std::function<bool(std::uint8_t, std::uint8_t, std::uint8_t)>;

  static constexpr int kActivityMs = 200;
  // How long "N MIDI messages lost" stays in the status bar after the last loss.
  static constexpr int kLossNoticeMs = 4000;
  static constexpr int kStatusPanels = 7;

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
  int GlobalChannel() const { return settings_.global_channel; }
  int ListenChannel() const { return settings_.listen_channel; }
  int MidiDelay() const { return settings_.midi_delay; }
  int RandomizeFactor() const { return settings_.randomize_factor; }
  bool UpdateSliderNumbers() const { return settings_.update_slider_numbers; }
  bool AlwaysOnTop() const { return settings_.always_on_top; }
  void SetGlobalChannel(int channel) { settings_.global_channel = channel; }
  void SetListenChannel(int channel) { settings_.listen_channel = channel; }
  void SetMidiDelay(int ms) { settings_.midi_delay = ms; }
  void SetRandomizeFactor(int factor) { settings_.randomize_factor = factor; }
  // The window keeps itself above other programs' windows while set.
  void SetAlwaysOnTop(bool on) {
    settings_.always_on_top = on;
    emit stateChanged();
  }
  // Redraws the page with the new numbering.
  void SetUpdateSliderNumbers(bool on);

  // --- output -----------------------------------------------------------------
  // Whether sends leave at all; the MIDI side keeps it in step with the output port.
  bool OutputInUse() const { return output_in_use_; }
  void SetOutputInUse(bool on) { output_in_use_ = on; }
  void SetShortSender(ShortSender sender) { send_short_ = std::move(sender); }
  // An output that places messages on a clock of its own: how far ahead of its due moment a
  // bulk send may hand a message over, and where it says when the next one is due.
  struct SendSchedule {
    std::function<std::chrono::microseconds()> lead;
    std::function<void(std::chrono::steady_clock::time_point)> next_due;
  };
  void SetSendSchedule(SendSchedule schedule) { send_schedule_ = std::move(schedule); }
  const SendSchedule& Schedule() const { return send_schedule_; }

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
  int ActiveSlot() const { return gesture_.active_slot; }
  void SetActiveSlot(int slot) { gesture_.active_slot = slot; }
  // True the first time a selection gesture passes over the slot, false after.
  bool TouchInGesture(int slot);
  bool TouchedInGesture(int slot) const {
    return gesture_.touched.at(static_cast<std::size_t>(slot));
  }
  void EndGesture() { gesture_.touched.fill(false); }
  // A colour picked for slot s's caption; the caption's text colour follows for contrast.
  void SetSlotColor(int slot, std::uint32_t color);

  // --- window behaviour ------------------------------------------------------
  bool CompactView() const { return window_.compact_view; }
  bool Minimized() const { return window_.minimized; }
  // Between the full window and the compact strip of captions; remote control calls it too.
  void ToggleCompactView();
  // The compact strip was closed by its own close button: back to the full view.
  void LeaveCompactView();
  // The window system minimised or restored the application.
  void SetMinimized(bool on) { window_.minimized = on; }
  // Asks the windows to minimise or restore the application (tray icon, remote control).
  void Minimize() { emit minimizeRequested(); }
  void Restore() { emit restoreRequested(); }

  // --- what the window shows ------------------------------------------------
  // Window caption; the file commands set it ("Quorvane - [path]").
  const QString& Title() const { return title_; }
  void SetTitle(const QString& title) {
    title_ = title;
    emit stateChanged();
  }
  const SlotView& View(int slot) const { return views_.at(static_cast<std::size_t>(slot - 1)); }
  const QString& StatusPanel(int panel) const {
    return status_.at(static_cast<std::size_t>(panel));
  }
  bool InActivity() const { return lamps_.in; }
  // A passing notice for the status bar ("N MIDI messages lost"), or empty.
  const QString& Notice() const { return loss_.notice; }
  bool OutActivity() const { return lamps_.out; }

  // --- operations -----------------------------------------------------------
  void ShowPage(int p);
  // Shows slot s at its definition's value; sends nothing and changes no value (the group
  // follows only a user's move, through SliderChanged).
  void RefreshSlot(int s);
  void RefreshAllSlots();
  void NoteMidiIn();
  void NoteMidiOut();
  void MidiInTimerTimer();
  void MidiOutTimerTimer();
  // Input turned away by a full receive ring: counted and told for a few seconds.
  void NoteMessagesLost(int count);
  // A passing notice of its own, told for as long as a loss is.
  void ShowNotice(const QString& text);

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

  // --- bulk sends ------------------------------------------------------------
  // Starts a paced background send: mode 0 all pages, 1 the current page, 2 the selected
  // definitions. The thread frees itself when it ends; the last one started stays reachable.
  BulkSendThread* StartSend(int send_mode);
  BulkSendThread* LastSendThread() const { return bulk_.last_thread; }
  int RunningSends() const { return bulk_.running; }
  // Shared by every running bulk send; requested by Stop, which also ends a pause at once.
  StopSignal& StopRequest() { return bulk_.stop_request; }
  // Whether a send of the mode takes definition (page, slot).
  bool SendQualifies(int page, int slot, int send_mode) const;
  // The slider message (second = false) or the button message of a definition; false when
  // the output refused it.
  bool SendDefinition(int page, int slot, bool second);
  // Sets the stop request and returns once every running send has ended, serving their steps.
  void StopSends();

  // While a batch is open, slotChanged is held back and given once per changed slot when
  // the outermost batch ends, so a burst of input redraws each slot once.
  void BeginSlotBatch();
  void EndSlotBatch();

  QTimer& MidiInTimer() { return midi_in_timer_; }
  QTimer& MidiOutTimer() { return midi_out_timer_; }

 signals:
  void slotChanged(int slot);          // one slot's view changed
  void pageShown(int page);            // all 24 slots redrawn for a page
  void statusPanelChanged(int panel);  // a status panel's text changed
  void activityChanged();              // an activity indicator changed
  void noticeChanged();                // the passing notice appeared, changed or went
  void stateChanged();                 // check marks, radio items, flags
  void sendBegun();                    // a bulk send starts: busy look, other windows disabled
  void sendEnded();                    // ... and ends
  void compactViewChanged(bool on);
  void minimizeRequested();
  void restoreRequested();

 private:
  // Whether the rest of a group move goes out as messages: not once one was refused.
  enum class Echo : std::uint8_t { kSend, kSilent };

  struct GroupState {
    bool mode = false;
    bool follow = true;
    std::array<std::uint8_t, kDefinitionCount + 1> reference{};  // indexed by N
  };
  struct GestureState {
    int active_slot = 1;
    std::array<bool, kSlotCount + 1> touched{};  // indexed by slot
  };
  struct WindowMode {
    bool compact_view = false;
    bool minimized = false;
  };
  struct ActivityLamps {
    bool in = false;
    bool out = false;
  };
  struct LossNotice {
    int count = 0;
    bool update_posted = false;  // a burst of losses redraws the notice once
    QString notice;
    QTimer clear_timer;
  };
  struct BulkSendControl {
    StopSignal stop_request;
    QPointer<BulkSendThread> last_thread;
    int running = 0;
  };

  SlotView& MutableView(int slot) { return views_.at(static_cast<std::size_t>(slot - 1)); }
  void SetStatus(int panel, const QString& text);
  void DrawSlot(int slot);  // everything ShowPage draws for one slot
  // Returns kSilent once a message was refused, so that the rest of the move stays quiet.
  Echo GroupMove(int slot, int v, Echo echo);
  void NotifySlot(int slot);  // slotChanged now, or at the end of the batch

  TPageSet pages_;
  int current_page_ = 1;
  SurfaceSettings settings_;
  bool output_in_use_ = false;
  ShortSender send_short_;
  SendSchedule send_schedule_;
  GroupState group_;
  GestureState gesture_;
  WindowMode window_;
  ActivityLamps lamps_;
  LossNotice loss_;
  BulkSendControl bulk_;
  std::unique_ptr<BulkSendHost> send_host_;

  std::array<SlotView, kSlotCount> views_{};
  std::array<QString, kStatusPanels> status_{};
  QTimer midi_in_timer_;
  QTimer midi_out_timer_;
  int slot_batch_depth_ = 0;
  std::array<bool, kSlotCount + 1> dirty_slots_{};  // indexed by slot
  QString title_ = QStringLiteral("Quorvane");
};

}  // namespace quorvane
