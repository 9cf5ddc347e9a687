#pragma once

#include <array>
#include <cstdint>

#include "files/app_settings.h"
#include "midi/midi_message.h"
#include "model/controller.h"
#include "surface/surface_model.h"

namespace quorvane {

inline constexpr int kRemoteSnapshotCount = 10;

// Which controller numbers of the remote channel drive what; numbers may repeat, the order of
// the dispatch then decides.
struct RemoteControllers {
  std::array<std::uint8_t, kSlotCount> slider{};  // [n - 1] for slot n
  std::array<std::uint8_t, kSlotCount> button{};
  std::array<std::uint8_t, kPageCount> page{};  // [p - 1] for page p
  std::uint8_t compact_view = 46;
  std::uint8_t minimize = 47;
  std::uint8_t take_snapshot = 48;
  std::array<std::uint8_t, kRemoteSnapshotCount> snapshot{};  // [s] for snapshot slot s

  bool operator==(const RemoteControllers&) const = default;
};

RemoteControllers RemoteControllersOf(const AppSettings& settings);

// What the dispatcher needs from outside the surface: the snapshot store, the application and
// its dialogs. The wiring supplies it; tests a fake.
class RemoteHost {
 public:
  virtual ~RemoteHost() = default;
  virtual int RemoteChannel() const = 0;  // 1..16
  // While a modal dialog is open, only slider and button moves apply.
  virtual bool ModalDialogOpen() const = 0;
  virtual bool ApplicationActive() const = 0;
  virtual void BringToFront() = 0;
  virtual void SnapshotSlotAction(int slot) = 0;
  virtual bool TakeMode() const = 0;
  virtual void SetTakeMode(bool on) = 0;
  // In compact view the strip's label of the slot shows the value just received.
  virtual void ShowCompactValue(int slot, int value) = 0;
};

// What one remote event did; the first step that took it, or kIgnored.
enum class RemoteAction : std::uint8_t {
  kIgnored,
  kSlider,
  kButton,
  kPage,
  kCompactView,
  kMinimize,
  kSnapshot,
  kTakeMode,
};

// The remote-control dispatcher of the second MIDI input. Every effect goes through the
// model's operations and the host, so the menus, bands and windows follow on their own.
class RemoteDispatcher {
 public:
  RemoteDispatcher(SurfaceModel& model, RemoteHost& host) : model_(model), host_(host) {}

  const RemoteControllers& Controllers() const { return controllers_; }
  void SetControllers(const RemoteControllers& c) { controllers_ = c; }

  // One event read from the remote input: dispatched, then the input lamp lit, ignored or not.
  RemoteAction HandleEvent(const TMyMidiEvent& event);
  // The dispatch alone, for a short message (status, data1, data2).
  RemoteAction Dispatch(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

 private:
  bool MoveSliders(int data1, int data2);
  bool SetButtons(int data1, int data2);
  RemoteAction Command(int data1);

  SurfaceModel& model_;
  RemoteHost& host_;
  RemoteControllers controllers_ = RemoteControllersOf(AppSettings{});
};

}  // namespace quorvane
