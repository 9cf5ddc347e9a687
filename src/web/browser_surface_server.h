#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "model/controller.h"
#include "surface/surface_commands.h"
#include "web/browser_outbox.h"
#include "web/browser_surface_config.h"
#include "web/browser_tcp_server.h"

class QWebSocket;

namespace quorvane {

class BrowserHttpFront;

// What became of the clients' messages and connections so far.
struct BrowserCounts {
  int applied = 0;    // taken by the surface (changed something or not)
  int rejected = 0;   // binary, too long, not JSON, unknown type, a field missing or out of range
  int not_taken = 0;  // well formed but out of reach (a disabled slot)
  int dropped = 0;    // a modal dialog was open
  int limited = 0;    // over a client's rate
  int refused = 0;    // sockets closed at once: wrong token, path or origin, or too many clients
};

// Far above what a hand sends, far below what would swamp the surface.
inline constexpr int kBrowserMessagesPerSecond = 1000;
inline constexpr int kMaxBrowserClients = 16;
inline constexpr int kMaxBadBrowserMessages = 20;
// About one screen refresh: slot changes reach the pages at most this often.
inline constexpr std::chrono::milliseconds kBrowserFlushInterval{16};

// The surface in a web browser: an HTTP server on the GUI thread that serves the page from
// the program's resources and talks to each open page over a WebSocket, driving the surface
// through the one way in and sending what the observer reports, coalesced per client.
class BrowserSurfaceServer : public QObject {
  Q_OBJECT

 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  BrowserSurfaceServer(SurfaceCommands& commands, SurfaceObserver& observer,
                       QObject* parent = nullptr);
  ~BrowserSurfaceServer() override;
  BrowserSurfaceServer(const BrowserSurfaceServer&) = delete;
  BrowserSurfaceServer& operator=(const BrowserSurfaceServer&) = delete;

  // Listens on the TCP port (0: any free one) of 127.0.0.1, or of every interface, for
  // requests carrying token. Empty when it does, else why not, for the user.
  QString Listen(int port, bool network, const QString& token);
  // Stops listening and closes every client.
  void Close();
  bool Listening() const { return front_ != nullptr; }
  int Port() const { return port_; }
  bool Network() const { return network_; }
  const QString& Token() const { return token_; }
  // The last Listen failed because another program holds the port.
  bool PortInUse() const { return port_in_use_; }

  // Listens, or stops, as the config says; keeps the clients when nothing changes. Empty when
  // all went well, else why not, for the user.
  QString Configure(const BrowserSurfaceConfig& config);

  int ClientCount() const { return static_cast<int>(clients_.size()); }
  const BrowserCounts& Counts() const { return counts_; }
  void SetClock(Clock clock) { clock_ = std::move(clock); }
  // The HTTP side's bounds, from the next Listen on.
  void SetHttpLimits(const BrowserHttpLimits& limits) { http_limits_ = limits; }
  // Open TCP connections, WebSockets included, and those closed by a bound since Listen.
  int HttpConnectionCount() const;
  int HttpCutCount() const;

 private:
  friend class BrowserHttpFront;
  struct Client;

  void AcceptSockets();
  void Admit(std::unique_ptr<QWebSocket> socket);
  void Refuse(std::unique_ptr<QWebSocket> socket, int code, const QString& reason);
  bool MayConnect(const QWebSocket& socket) const;
  Client* Find(const QWebSocket* socket);
  void Remove(const QWebSocket* socket);

  void OnText(Client& client, const QString& message);
  void OnBad(Client& client);
  void Count(CommandOutcome outcome);

  void OnSlotChanged(int slot, int from);
  void MarkStateDue();
  void ScheduleFlush();
  void Flush();
  void Send(Client& client, const QByteArray& message);

  SurfaceCommands& commands_;
  SurfaceObserver& observer_;

  // The listening server, its page and the clients.
  std::unique_ptr<BrowserHttpFront> front_;
  BrowserTcpServer* tcp_ = nullptr;  // the front's child
  BrowserHttpLimits http_limits_;
  int port_ = 0;
  bool network_ = false;
  bool port_in_use_ = false;
  QString token_;
  std::vector<std::unique_ptr<Client>> clients_;

  // Changes wait for this: one shot, at once after a quiet spell, else at the refresh's end.
  QTimer flush_timer_;
  std::chrono::steady_clock::time_point last_flush_;

  BrowserCounts counts_;
  Clock clock_;
};

// The first port from `from` on (up to a hundred tried) that a server could listen on, or 0.
int NextFreeBrowserPort(int from, bool network);

}  // namespace quorvane
