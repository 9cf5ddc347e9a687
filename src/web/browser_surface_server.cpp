#include "web/browser_surface_server.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkRequest>
#include <QTcpServer>
#include <QUrlQuery>
#include <QWebSocket>
#include <algorithm>
#include <array>

#include "web/browser_protocol.h"

// The page's resources sit in this static library: registered by hand, since no code refers
// to their object file.
static void InitPageResources() {
  Q_INIT_RESOURCE(page);
}

namespace quorvane {
namespace {

using Status = QHttpServerResponder::StatusCode;

// Every answer's own headers: nothing cached, nothing told to other sites, nothing guessed,
// and the page may use only its own script, style and socket.
constexpr std::array<std::pair<const char*, const char*>, 3> kCommonHeaders{{
    {"Cache-Control", "no-store"},
    {"Referrer-Policy", "no-referrer"},
    {"X-Content-Type-Options", "nosniff"},
}};

struct Route {
  const char* path;
  const char* resource;  // fixed: nothing from a request names a file
  const char* type;
};
constexpr std::array<Route, 3> kRoutes{{
    {"/", ":/web/page/index.html", "text/html; charset=utf-8"},
    {"/surface.css", ":/web/page/surface.css", "text/css; charset=utf-8"},
    {"/surface.js", ":/web/page/surface.js", "text/javascript; charset=utf-8"},
}};

constexpr auto kSocketPath = QLatin1StringView("/ws");
// Far above a page's message, far below a burden; Qt closes a socket that sends more at once.
constexpr qint64 kMaxIncomingBytes = qint64{16} * 1024;
// How long a refused socket may take to answer the close before it is cut.
constexpr std::chrono::seconds kRefusedGrace{2};
// RFC 6455 leaves 4000..4999 to applications; 1013 ("try again later") is not one Qt sends.
constexpr int kTryAgainLater = 4013;

// Compares without leaving the position of the first difference in the time taken.
bool SameToken(const QString& given, const QString& token) {
  if (given.size() != token.size() || token.isEmpty()) return false;
  char16_t diff = 0;
  for (qsizetype i = 0; i < token.size(); ++i) diff |= given[i].unicode() ^ token[i].unicode();
  return diff == 0;
}

// A Host header fit to be repeated in an answer: a name or address and a port, nothing else.
bool PlainHost(QByteArrayView host) {
  if (host.isEmpty() || host.size() > 255) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == ':' || c == '[' || c == ']';
  });
}

QByteArray SecurityPolicy(QByteArrayView host) {
  QByteArray policy =
      "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
      "base-uri 'none'; form-action 'none'; frame-ancestors 'none'; connect-src 'self'";
  // 'self' covers the socket in current browsers; older ones need it said.
  if (PlainHost(host)) policy += " ws://" + host.toByteArray();
  return policy;
}

QByteArray ReadResource(const char* name) {
  QFile file(QString::fromLatin1(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

}  // namespace

// The listening socket and the HTTP side: the three files of the page, and 403 for the rest.
// WebSocket upgrades pass by it to the server's newWebSocketConnection.
class BrowserHttpFront : public QAbstractHttpServer {
 public:
  explicit BrowserHttpFront(const QString& token) : token_(token) {
    InitPageResources();
    for (std::size_t i = 0; i < kRoutes.size(); ++i)
      files_.at(i) = ReadResource(kRoutes.at(i).resource);
    files_.at(0).replace("{{token}}", token.toLatin1());
  }

  // Where the connections come in; it bounds each until it becomes a WebSocket.
  void Watch(BrowserTcpServer* tcp) {
    tcp_ = tcp;
    bind(tcp);
  }

 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
    // Qt 6.4 shows the upgrade here as well before it hands the socket on: an answer now
    // would reach the browser ahead of the handshake. The socket's own checks judge it, and
    // its own bounds hold from now on.
    if (request.value(QByteArrayLiteral("upgrade")).compare("websocket", Qt::CaseInsensitive) ==
            0 &&
        request.value(QByteArrayLiteral("connection")).toLower().contains("upgrade")) {
      if (tcp_) tcp_->Release(socket);
      return true;
    }
    if (tcp_) tcp_->RequestDone(socket);
    QHttpServerResponder responder = makeResponder(request, socket);
    const QByteArray host = request.value(QByteArrayLiteral("host"));
    const QString path = request.url().path();
    const auto route = std::find_if(kRoutes.begin(), kRoutes.end(), [&path](const Route& r) {
      return path == QLatin1StringView(r.path);
    });
    if (request.method() != QHttpServerRequest::Method::Get || route == kRoutes.end() ||
        !SameToken(request.query().queryItemValue(QStringLiteral("token")), token_)) {
      Answer(responder, Status::Forbidden, "text/plain; charset=utf-8", "Forbidden\n", host);
      return true;
    }
    const auto at = static_cast<std::size_t>(route - kRoutes.begin());
    Answer(responder, Status::Ok, route->type, files_.at(at), host);
    return true;
  }
  void missingHandler(const QHttpServerRequest&, QTcpSocket*) override {}

 private:
  static void Answer(QHttpServerResponder& responder, Status status, const char* type,
                     const QByteArray& body, QByteArrayView host) {
    responder.writeStatusLine(status);
    for (const auto& [key, value] : kCommonHeaders) responder.writeHeader(key, value);
    responder.writeHeader("Content-Security-Policy", SecurityPolicy(host));
    responder.writeHeader("Content-Type", type);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeBody(body);
  }

  BrowserTcpServer* tcp_ = nullptr;
  QString token_;
  std::array<QByteArray, kRoutes.size()> files_;
};

struct BrowserSurfaceServer::Client {
  std::unique_ptr<QWebSocket> socket;
  SurfaceClient id = kProgramClient;
  BrowserOutbox outbox;
  bool closing = false;
  ClientRate rate;
  int bad = 0;
};

BrowserSurfaceServer::BrowserSurfaceServer(SurfaceCommands& commands, SurfaceObserver& observer,
                                           QObject* parent)
    : QObject(parent), commands_(commands), observer_(observer) {
  clock_ = [] { return std::chrono::steady_clock::now(); };
  flush_timer_.setSingleShot(true);
  connect(&flush_timer_, &QTimer::timeout, this, &BrowserSurfaceServer::Flush);
  connect(&observer_, &SurfaceObserver::slotChanged, this, &BrowserSurfaceServer::OnSlotChanged);
  connect(&observer_, &SurfaceObserver::pageChanged, this, &BrowserSurfaceServer::MarkStateDue);
  connect(&observer_, &SurfaceObserver::snapshotsChanged, this,
          &BrowserSurfaceServer::MarkStateDue);
  connect(&observer_, &SurfaceObserver::outputChanged, this, &BrowserSurfaceServer::MarkStateDue);
}

BrowserSurfaceServer::~BrowserSurfaceServer() {
  Close();
}

QString BrowserSurfaceServer::Listen(int port, bool network, const QString& token) {
  Close();
  port_in_use_ = false;
  if (port < 0 || port > 65535) return QStringLiteral("%1 is not a TCP port.").arg(port);
  if (!IsBrowserToken(token)) return QStringLiteral("The access token is not 32 hex digits.");
  auto tcp = std::make_unique<BrowserTcpServer>(http_limits_);
  if (!tcp->listen(
          network ? QHostAddress(QHostAddress::Any) : QHostAddress(QHostAddress::LocalHost),
          static_cast<quint16>(port))) {
    if (tcp->serverError() == QAbstractSocket::AddressInUseError) {
      port_in_use_ = true;
      return QStringLiteral("TCP port %1 is in use by another program. Choose another port.")
          .arg(port);
    }
    return QStringLiteral("Cannot listen on TCP port %1: %2").arg(port).arg(tcp->errorString());
  }
  front_ = std::make_unique<BrowserHttpFront>(token);
  port_ = tcp->serverPort();
  network_ = network;
  token_ = token;
  tcp_ = tcp.release();
  tcp_->setParent(front_.get());
  front_->Watch(tcp_);
  connect(front_.get(), &QAbstractHttpServer::newWebSocketConnection, this,
          &BrowserSurfaceServer::AcceptSockets);
  return {};
}

void BrowserSurfaceServer::Close() {
  flush_timer_.stop();
  for (const auto& c : clients_) {
    c->socket->disconnect(this);
    c->socket->close(QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("server stopped"));
  }
  clients_.clear();
  tcp_ = nullptr;
  front_.reset();
  port_ = 0;
}

QString BrowserSurfaceServer::Configure(const BrowserSurfaceConfig& config) {
  if (!config.enabled) {
    Close();
    return {};
  }
  if (Listening() && config.port == port_ && config.network == network_ && config.token == token_)
    return {};
  return Listen(config.port, config.network, config.token);
}

void BrowserSurfaceServer::AcceptSockets() {
  while (front_ && front_->hasPendingWebSocketConnections()) {
    std::unique_ptr<QWebSocket> socket = front_->nextPendingWebSocketConnection();
    if (!socket) continue;
    if (!MayConnect(*socket)) {
      Refuse(std::move(socket), QWebSocketProtocol::CloseCodePolicyViolated,
             QStringLiteral("forbidden"));
    } else if (ClientCount() >= kMaxBrowserClients) {
      Refuse(std::move(socket), kTryAgainLater, QStringLiteral("try again later"));
    } else {
      Admit(std::move(socket));
    }
  }
}

bool BrowserSurfaceServer::MayConnect(const QWebSocket& socket) const {
  const QUrl url = socket.requestUrl();
  if (url.path() != kSocketPath ||
      !SameToken(QUrlQuery(url).queryItemValue(QStringLiteral("token")), token_))
    return false;
  QByteArray host = socket.request().rawHeader("Host");
  if (host.isEmpty()) host = url.authority().toLatin1();
  return !host.isEmpty() &&
         socket.origin() == QStringLiteral("http://") + QString::fromLatin1(host);
}

void BrowserSurfaceServer::Refuse(std::unique_ptr<QWebSocket> socket, int code,
                                  const QString& reason) {
  ++counts_.refused;
  QWebSocket* s = socket.release();
  // Goes with the listening server at the latest.
  s->setParent(front_.get());
  connect(s, &QWebSocket::disconnected, s, &QObject::deleteLater);
  s->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
  QTimer::singleShot(kRefusedGrace, s, [s] { s->abort(); });
}

void BrowserSurfaceServer::Admit(std::unique_ptr<QWebSocket> socket) {
  auto client = std::make_unique<Client>();
  client->socket = std::move(socket);
  client->id = observer_.NewClient();
  client->rate = ClientRate(clock_());
  QWebSocket* s = client->socket.get();
  s->setMaxAllowedIncomingMessageSize(kMaxIncomingBytes);
  s->setMaxAllowedIncomingFrameSize(kMaxIncomingBytes);
  connect(s, &QWebSocket::textMessageReceived, this, [this, s](const QString& message) {
    if (Client* c = Find(s)) OnText(*c, message);
  });
  connect(s, &QWebSocket::binaryMessageReceived, this, [this, s] {
    if (Client* c = Find(s)) OnBad(*c);
  });
  connect(s, &QWebSocket::bytesWritten, this, [this, s](qint64 bytes) {
    Client* c = Find(s);
    if (c && c->outbox.Written(bytes)) ScheduleFlush();
  });
  connect(s, &QWebSocket::disconnected, this, [this, s] { Remove(s); });
  clients_.push_back(std::move(client));
  Send(*clients_.back(), BrowserStateMessage(observer_.State()));
}

int BrowserSurfaceServer::HttpConnectionCount() const {
  return tcp_ ? tcp_->OpenConnections() : 0;
}

int BrowserSurfaceServer::HttpCutCount() const {
  return tcp_ ? tcp_->Cut() : 0;
}

BrowserSurfaceServer::Client* BrowserSurfaceServer::Find(const QWebSocket* socket) {
  for (const auto& c : clients_)
    if (c->socket.get() == socket) return c.get();
  return nullptr;
}

void BrowserSurfaceServer::Remove(const QWebSocket* socket) {
  const auto it = std::find_if(clients_.begin(), clients_.end(),
                               [socket](const auto& c) { return c->socket.get() == socket; });
  if (it == clients_.end()) return;
  // Called from the socket's own signal: it goes once that returns.
  QWebSocket* s = (*it)->socket.release();
  s->disconnect(this);
  s->deleteLater();
  clients_.erase(it);
}

void BrowserSurfaceServer::OnText(Client& client, const QString& message) {
  if (client.closing) return;
  if (client.rate.Over(clock_(), kBrowserMessagesPerSecond)) {
    ++counts_.limited;
    return;
  }
  // A cheap bound before the conversion: UTF-8 takes at least a byte per UTF-16 unit.
  if (message.size() > kMaxBrowserMessage) {
    OnBad(client);
    return;
  }
  const std::optional<BrowserCommand> command = ParseBrowserMessage(message.toUtf8());
  if (!command) {
    OnBad(client);
    return;
  }
  Count(ApplyBrowserCommand(*command, commands_, client.id));
}

void BrowserSurfaceServer::OnBad(Client& client) {
  if (client.closing) return;
  ++counts_.rejected;
  if (++client.bad < kMaxBadBrowserMessages) return;
  client.closing = true;
  client.socket->close(QWebSocketProtocol::CloseCodePolicyViolated,
                       QStringLiteral("too many bad messages"));
}

void BrowserSurfaceServer::Count(CommandOutcome outcome) {
  CountOutcome(outcome, counts_.applied, counts_.not_taken, counts_.dropped);
}

void BrowserSurfaceServer::OnSlotChanged(int slot, int from) {
  if (slot < 1 || slot > kSlotCount) return;
  bool marked = false;
  for (const auto& c : clients_) {
    if (c->id == from) continue;  // its own move: it shows it already
    c->outbox.MarkSlot(slot);
    marked = true;
  }
  if (marked) ScheduleFlush();
}

void BrowserSurfaceServer::MarkStateDue() {
  for (const auto& c : clients_) c->outbox.MarkState();
  if (!clients_.empty()) ScheduleFlush();
}

void BrowserSurfaceServer::ScheduleFlush() {
  if (flush_timer_.isActive()) return;
  // A change after a quiet spell goes out with this turn of the event loop; one soon after a
  // flush waits for the rest of the refresh.
  const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(clock_() - last_flush_);
  flush_timer_.start(std::clamp(kBrowserFlushInterval - since, std::chrono::milliseconds{0},
                                kBrowserFlushInterval));
}

void BrowserSurfaceServer::Flush() {
  last_flush_ = clock_();
  std::optional<SurfaceState> state;
  std::optional<QByteArray> whole;
  std::vector<int> slot_list;
  for (const auto& c : clients_) {
    // A held-back client keeps its marks; its socket's draining brings it back here.
    if (c->closing) continue;
    const BrowserOutbox::Due due = c->outbox.Take(slot_list);
    if (due == BrowserOutbox::Due::kNothing) continue;
    if (!state) state = observer_.State();
    if (due == BrowserOutbox::Due::kState) {
      if (!whole) whole = BrowserStateMessage(*state);
      Send(*c, *whole);
    } else {
      Send(*c, BrowserSlotsMessage(*state, slot_list));
    }
  }
}

void BrowserSurfaceServer::Send(Client& client, const QByteArray& message) {
  client.outbox.Queued(client.socket->sendTextMessage(QString::fromUtf8(message)));
}

int NextFreeBrowserPort(int from, bool network) {
  constexpr int kTries = 100;
  const QHostAddress address =
      network ? QHostAddress(QHostAddress::Any) : QHostAddress(QHostAddress::LocalHost);
  for (int port = std::max(from, 1); port < from + kTries && port <= 65535; ++port) {
    QTcpServer probe;
    if (probe.listen(address, static_cast<quint16>(port))) return port;
  }
  return 0;
}

}  // namespace quorvane
