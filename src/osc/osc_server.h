#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "files/app_settings.h"
#include "osc/osc_address.h"
#include "surface/redraw_pacer.h"
#include "surface/surface_commands.h"

class QSocketNotifier;

namespace quorvane {

// An IPv4 address and UDP port, both in host byte order.
struct OscEndpoint {
  std::uint32_t ip = 0;
  std::uint16_t port = 0;

  bool operator==(const OscEndpoint&) const = default;
};

// What became of the datagrams read so far.
struct OscCounts {
  int applied = 0;  // taken by the surface (changed something or not)
  int ignored = 0;  // not OSC, unknown address, wrong type, out of range, out of reach
  int dropped = 0;  // a modal dialog was open
  int limited = 0;  // over a client's rate
};

inline constexpr int kDefaultOscPort = 8000;

// The server's settings, as the OSC section of the settings file keeps them.
struct OscConfig {
  bool enabled = false;
  int port = kDefaultOscPort;
  QString feedback_host;  // empty: no fixed feedback target
  int feedback_port = 0;  // 0: none

  bool operator==(const OscConfig&) const = default;
};

OscConfig OscConfigOf(const AppSettings& settings);
void StoreOscConfig(const OscConfig& config, AppSettings& settings);
// Far above what a hand on a controller sends, far below what would swamp the surface.
inline constexpr int kOscMessagesPerSecond = 2000;
inline constexpr int kMaxOscClients = 16;
inline constexpr std::chrono::minutes kOscClientLifetime{5};
// Datagrams longer than any message of the address space are refused unread.
inline constexpr std::size_t kMaxOscDatagram = 512;

// The surface over OSC: a UDP socket on the GUI thread, watched by the event loop, that
// drives the surface through the one way in, and sends every change the observer reports to
// the clients heard from lately and to a fixed feedback target.
class OscServer : public QObject {
  Q_OBJECT

 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // Where feedback goes; by default out of the server's socket.
  using Sender = std::function<void(OscEndpoint to, std::span<const std::uint8_t> datagram)>;

  OscServer(SurfaceCommands& commands, SurfaceObserver& observer, QObject* parent = nullptr);
  ~OscServer() override;
  OscServer(const OscServer&) = delete;
  OscServer& operator=(const OscServer&) = delete;

  // Listens on the UDP port (0: any free one) of 127.0.0.1, or of every interface. Empty when
  // it does, else why not, for the user.
  QString Listen(int port, bool all_interfaces = false);
  void Close();
  bool Listening() const { return fd_ >= 0; }
  int Port() const { return port_; }

  // Listens, or stops, as the config says, keeping the socket when the port stays; sets the
  // feedback target. Empty when all went well, else why not, for the user.
  QString Configure(const OscConfig& config);

  // A fixed target for feedback; an empty host or port 0 is none. Empty when it is set or
  // cleared, else why not (an unknown host).
  QString SetFeedbackTarget(const QString& host, int port);

  // One datagram as it came from a client.
  void HandleDatagram(std::span<const std::uint8_t> datagram, OscEndpoint from);

  const OscCounts& Counts() const { return counts_; }
  void SetClock(Clock clock) { clock_ = std::move(clock); }
  void SetSender(Sender sender) { sender_ = std::move(sender); }
  // Slot feedback is paced as the views are, on frames of its own: the latest value of each slot
  // changed. This sends what waits now.
  void FlushFeedback() { feedback_frames_.Flush(); }

 private:
  struct Client {
    OscEndpoint endpoint;
    SurfaceClient id = kProgramClient;
    bool floats = false;  // answered in the form it last sent
    std::chrono::steady_clock::time_point last_seen;
    ClientRate rate;
  };
  // Where one piece of feedback goes.
  struct Target {
    OscEndpoint endpoint;
    SurfaceClient id;
    bool floats;
  };

  void ReadDatagrams();
  Client* Find(OscEndpoint endpoint);
  Client& Admit(OscEndpoint endpoint);
  CommandOutcome Apply(const OscCommand& command, SurfaceClient from);
  void Count(CommandOutcome outcome);

  std::vector<Target> Targets() const;
  void SendSlot(int slot, const SurfaceState& state, SurfaceClient skip);
  void OnSlotChanged(int slot, int from);
  void SendFrame(const RedrawFrame& frame);
  void OnPageChanged(int page, int from);
  void OnSnapshotsChanged();
  void Send(const Target& to, std::string_view path, int value, int full_scale);
  void SendOut(OscEndpoint to, std::span<const std::uint8_t> datagram);

  SurfaceCommands& commands_;
  SurfaceObserver& observer_;

  // The socket.
  int fd_ = -1;
  int port_ = 0;
  std::unique_ptr<QSocketNotifier> notifier_;

  // The clients and the feedback target.
  std::vector<Client> clients_;
  std::optional<OscEndpoint> feedback_;
  int last_bank_ = 0;
  bool last_take_ = false;
  // The slots changed since the last feedback, each with who changed it last, [slot - 1].
  RedrawPacer feedback_frames_;
  std::array<SurfaceClient, kSlotCount> changed_by_{};

  OscCounts counts_;
  Clock clock_;
  Sender sender_;
};

// The datagram of a message to path with one int, or with one float: value / full_scale.
std::vector<std::uint8_t> OscDatagram(std::string_view path, int value, bool as_float,
                                      int full_scale);

}  // namespace quorvane
