#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "files/app_settings.h"
#include "midi/midi_message.h"
#include "model/controller.h"
#include "surface/surface_commands.h"

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

// The remote-control dispatcher of the second MIDI input: it maps controller numbers to the
// surface commands, which hold every rule shared with the other remote surfaces.
class RemoteDispatcher {
 public:
  // channel answers the remote channel (1..16) when an event arrives.
  RemoteDispatcher(SurfaceCommands& commands, std::function<int()> channel, SurfaceClient client)
      : commands_(commands), channel_(std::move(channel)), client_(client) {}

  const RemoteControllers& Controllers() const { return controllers_; }
  void SetControllers(const RemoteControllers& c) { controllers_ = c; }

  // One short message (status, data1, data2) of the remote input.
  RemoteAction Dispatch(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

 private:
  bool MoveSliders(int data1, int data2);
  bool SetButtons(int data1, int data2);
  RemoteAction Command(int data1);

  SurfaceCommands& commands_;
  std::function<int()> channel_;
  SurfaceClient client_;
  RemoteControllers controllers_ = RemoteControllersOf(AppSettings{});
};

}  // namespace quorvane
