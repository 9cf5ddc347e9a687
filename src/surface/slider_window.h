#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "midi/midi_send_thread.h"
#include "surface/controller.h"
#include "surface/slot_view.h"

namespace quorvane {

// The main window's model: the page set, the window-level state and the operations that
// every part of the program calls. The QMainWindow only renders it.
class TSliderWindow : public QObject {
  Q_OBJECT

 public:
  // Hands one short message (status, data1, data2) to the MIDI output port.
  using ShortSender = std::function<void(std::uint8_t, std::uint8_t, std::uint8_t)>;

  static constexpr int kActivityMs = 200;
  static constexpr int kStatusPanels = 7;

  explicit TSliderWindow(QObject* parent = nullptr);
  ~TSliderWindow() override;  // stops running bulk sends first

  // --- model --------------------------------------------------------------
  TPageSet pages;
  Tcontroller& Definition(int page, int slot) { return pages.at(page, slot); }
  Tcontroller& SlotDefinition(int slot) { return pages.at(current_page, slot); }

  int current_page = 1;
  int active_slot = 1;
  bool group_mode = false;
  bool group_follow = true;
  std::array<std::uint8_t, kDefinitionCount + 1> group_reference{};  // indexed by N
  int randomize_factor = 50;
  bool output_in_use = false;
  int global_channel = 1;
  int listen_channel = 1;
  int midi_delay = 5;  // ms paused after each message of a bulk send
  bool update_slider_numbers = false;
  std::array<bool, kSlotCount + 1> gesture_touched{};  // indexed by slot
  int drag_source_slot = 0;
  int drag_source_page = 0;
  QPoint drag_start;
  bool in_activity = false;
  bool out_activity = false;
  bool minimized = false;
  bool compact_view = false;
  bool always_on_top = false;

  // Controller-dump capture: while active, followed control changes are recorded.
  bool dump_capture_active = false;
  std::array<bool, 128> used_controllers{};
  std::array<std::uint8_t, kDefinitionCount + 1> captured_values{};  // indexed by controller

  // Shared by every running bulk send; set by Stop, tested by the send threads.
  std::atomic<bool> stop_request{false};

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

  // --- operations -----------------------------------------------------------
  void ShowPage(int p);
  void RefreshSlot(int s);
  void RefreshAllSlots();
  void NoteMidiIn();
  void NoteMidiOut();
  void MidiInTimerTimer();
  void MidiOutTimerTimer();

  void SendControlChange(int controller, int channel, int value);
  // One message from the first MIDI input: a control change on the listened channel sets
  // every definition with that controller, on every page, without echo.
  void FollowMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  // Redraws everything ShowPage draws for one slot of the page shown, without sending.
  void RedrawSlot(int slot);
  // The track bar of slot s was moved to position (by the user or by RefreshSlot).
  void TrackBarMoved(int slot, int position);
  void SliderChanged(int slot);
  void ButtonPressed(int slot, bool down);
  void SetActiveSlot(int slot) { active_slot = slot; }
  void CaptureGroupReference();

  void SetUpdateSliderNumbers(bool on);

  // --- bulk sends ------------------------------------------------------------
  // Starts a paced background send: mode 0 all pages, 1 the current page, 2 the selected
  // definitions. The thread frees itself when it ends; the last one started stays reachable.
  TMIDISendThread* StartSend(int send_mode);
  TMIDISendThread* LastSendThread() const { return last_send_thread_; }
  int RunningSends() const { return running_sends_; }
  // Whether a send of the mode takes definition (page, slot).
  bool SendQualifies(int page, int slot, int send_mode) const;
  // The slider message (second = false) or the button message of a definition.
  void SendDefinition(int page, int slot, bool second);
  // Sets the stop request and returns once every running send has ended, serving their steps.
  void StopSends();

  // While a batch is open, slotChanged is held back and given once per changed slot when
  // the outermost batch ends, so a burst of input redraws each slot once.
  void BeginSlotBatch();
  void EndSlotBatch();

  void SetShortSender(ShortSender sender) { send_short_ = std::move(sender); }

  QTimer& MidiInTimer() { return midi_in_timer_; }
  QTimer& MidiOutTimer() { return midi_out_timer_; }

 signals:
  void slotChanged(int slot);          // one slot's view changed
  void pageShown(int page);            // all 24 slots redrawn for a page
  void statusPanelChanged(int panel);  // a status panel's text changed
  void activityChanged();              // an activity indicator changed
  void stateChanged();                 // check marks, radio items, flags
  void sendBegun();                    // a bulk send starts: busy look, other windows disabled
  void sendEnded();                    // ... and ends

 private:
  SlotView& MutableView(int slot) { return views_.at(static_cast<std::size_t>(slot - 1)); }
  void SetStatus(int panel, const QString& text);
  void DrawSlot(int slot);  // everything ShowPage draws for one slot
  void GroupMove(int slot, int v);
  void NotifySlot(int slot);  // slotChanged now, or at the end of the batch

  std::array<SlotView, kSlotCount> views_{};
  std::array<QString, kStatusPanels> status_{};
  QTimer midi_in_timer_;
  QTimer midi_out_timer_;
  ShortSender send_short_;
  int slot_batch_depth_ = 0;
  std::array<bool, kSlotCount + 1> dirty_slots_{};  // indexed by slot
  QString title_ = QStringLiteral("Quorvane");
  std::unique_ptr<SendHost> send_host_;
  QPointer<TMIDISendThread> last_send_thread_;
  int running_sends_ = 0;
};

}  // namespace quorvane
