#include "web/browser_surface_server.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QWebSocket>
#include <memory>
#include <string>
#include <vector>

#include "support/pump.h"
#include "web/browser_protocol.h"

namespace quorvane {
namespace {

using testing::Pump;
using Outcome = CommandOutcome;

// Records the commands; a move changes its slot and says so, as the real surface does.
class FakeSurface : public SurfaceObserver, public SurfaceCommands {
 public:
  SurfaceState State() const override { return state; }
  Outcome MoveSlot(int slot, int value, SurfaceClient from) override {
    calls.push_back("move " + std::to_string(slot) + " " + std::to_string(value) + " by " +
                    std::to_string(from));
    state.page_slots.at(static_cast<std::size_t>(slot - 1)).value = value;
    emit slotChanged(slot, from);
    return Outcome::kApplied;
  }
  Outcome SetButton(int, int, SurfaceClient) override { return Outcome::kApplied; }
  Outcome SetDefinition(int, int, SurfaceClient) override { return Outcome::kApplied; }
  Outcome ShowPage(int, SurfaceClient) override { return Outcome::kUnchanged; }
  Outcome ToggleCompactView(SurfaceClient) override { return Outcome::kApplied; }
  Outcome MinimizeOrRestore(SurfaceClient) override { return Outcome::kApplied; }
  Outcome SnapshotSlotAction(int, SurfaceClient) override { return Outcome::kApplied; }
  Outcome SetTakeMode(bool, SurfaceClient) override { return Outcome::kApplied; }
  Outcome ToggleTakeMode(SurfaceClient) override { return Outcome::kApplied; }
  Outcome ShowBank(int, SurfaceClient) override { return Outcome::kApplied; }
  Outcome Recall(int, int, SurfaceClient) override { return Outcome::kApplied; }
  Outcome Morph(int, SurfaceClient) override { return Outcome::kApplied; }

  // A change of the program's own.
  void ProgramMoves(int slot, int value) {
    state.page_slots.at(static_cast<std::size_t>(slot - 1)).value = value;
    emit slotChanged(slot, kProgramClient);
  }

  SurfaceState state;
  std::vector<std::string> calls;
};

// A browser's page: its socket and what it was sent, one JSON object a message.
struct Page {
  explicit Page(const QString& origin) : socket(origin) {
    QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& m) {
      got.push_back(QJsonDocument::fromJson(m.toUtf8()).object());
    });
    QObject::connect(&socket, &QWebSocket::disconnected, [this] { closed = true; });
  }
  QWebSocket socket;
  std::vector<QJsonObject> got;
  bool closed = false;
};

class BrowserSurfaceServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.SetClock([this] { return now; });
    ASSERT_EQ(server.Listen(0, false, token), QString());
  }

  QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(server.Port()); }

  // A page that opened path with the token given, from an origin (default: the server's own).
  std::unique_ptr<Page> Open(const QString& path_and_query, QString origin = {}) {
    if (origin.isNull()) origin = "http://" + Host();
    auto page = std::make_unique<Page>(origin);
    page->socket.open(QUrl("ws://" + Host() + path_and_query));
    return page;
  }
  std::unique_ptr<Page> Connect() {
    auto page = Open("/ws?token=" + token);
    EXPECT_TRUE(Pump([&] { return !page->got.empty() || page->closed; }));
    return page;
  }

  // The answer's status; its body and security policy into the pointers given.
  int Get(const QString& path_and_query, QByteArray* body = nullptr, QByteArray* policy = nullptr) {
    const std::unique_ptr<QNetworkReply> reply(
        http.get(QNetworkRequest(QUrl("http://" + Host() + path_and_query))));
    EXPECT_TRUE(Pump([&] { return reply->isFinished(); }));
    if (body) *body = reply->readAll();
    if (policy) *policy = reply->rawHeader("Content-Security-Policy");
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  }

  // A bare connection to the server, connected.
  std::unique_ptr<QTcpSocket> Dial() {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(server.Port()));
    EXPECT_TRUE(Pump([&] { return socket->state() == QAbstractSocket::ConnectedState; }));
    return socket;
  }
  QByteArray PageRequest(int padding = 0) const {
    return "GET /?token=" + token.toLatin1() + " HTTP/1.1\r\nHost: " + Host().toLatin1() +
           "\r\nX-Pad: " + QByteArray(padding, 'p') + "\r\n\r\n";
  }

  QString token = NewBrowserToken();
  FakeSurface surface;
  BrowserSurfaceServer server{surface, surface};
  std::chrono::steady_clock::time_point now{};
  QNetworkAccessManager http;
};

TEST_F(BrowserSurfaceServerTest, MovesGoInAndChangesComeOutCoalescedButNotEchoed) {
  surface.state.page = 2;
  auto a = Connect();
  auto b = Connect();
  ASSERT_EQ(b->got.size(), 1u);
  EXPECT_EQ(b->got[0]["type"], "state");
  EXPECT_EQ(b->got[0]["page"], 2);

  a->socket.sendTextMessage(R"({"type":"move","slot":3,"value":64})");
  ASSERT_TRUE(Pump([&] { return b->got.size() == 2; }));
  EXPECT_EQ(surface.calls, std::vector<std::string>{"move 3 64 by 1"});
  EXPECT_EQ(b->got[1]["type"], "slots");
  EXPECT_EQ(b->got[1]["slots"].toArray()[0].toObject()["value"], 64);

  // Three changes before a refresh: one message each page, with the latest value.
  surface.ProgramMoves(7, 1);
  surface.ProgramMoves(7, 2);
  surface.ProgramMoves(7, 3);
  ASSERT_TRUE(Pump([&] { return a->got.size() == 2 && b->got.size() == 3; }));
  // The mover saw only the program's change, not its own move.
  const QJsonArray slot_list = a->got[1]["slots"].toArray();
  ASSERT_EQ(slot_list.size(), 1);
  EXPECT_EQ(slot_list[0].toObject()["slot"], 7);
  EXPECT_EQ(slot_list[0].toObject()["value"], 3);
  EXPECT_EQ(b->got[2]["slots"].toArray(), slot_list);

  // A page switch sends the whole state again.
  emit surface.pageChanged(4, 1);
  ASSERT_TRUE(Pump([&] { return a->got.size() == 3 && b->got.size() == 4; }));
  EXPECT_EQ(a->got[2]["type"], "state");
}

TEST_F(BrowserSurfaceServerTest, OnlyThePageWithTheTokenIsServed) {
  QByteArray body;
  QByteArray policy;
  EXPECT_EQ(Get("/?token=" + token, &body, &policy), 200);
  EXPECT_TRUE(body.contains(token.toLatin1()));
  EXPECT_TRUE(policy.contains("ws://" + Host().toLatin1())) << policy.toStdString();
  EXPECT_FALSE(body.contains("{{token}}"));
  EXPECT_EQ(Get("/surface.js?token=" + token), 200);
  for (const QString& refused :
       {QString("/"), "/?token=" + NewBrowserToken(), "/surface.css?token=" + token.left(31),
        "/../CMakeLists.txt?token=" + token, "/page/index.html?token=" + token,
        "/ws?token=" + token}) {
    EXPECT_EQ(Get(refused, &body), 403) << refused.toStdString();
    EXPECT_EQ(body, "Forbidden\n");
  }
}

TEST_F(BrowserSurfaceServerTest, SocketsWithoutTokenOrFromAnotherOriginAreClosed) {
  std::vector<std::unique_ptr<Page>> pages;
  pages.push_back(Open("/ws?token=" + NewBrowserToken()));
  pages.push_back(Open("/ws"));
  pages.push_back(Open("/other?token=" + token));
  pages.push_back(Open("/ws?token=" + token, "http://evil.example"));
  pages.push_back(Open("/ws?token=" + token, "http://localhost:" + QString::number(server.Port())));
  for (const auto& p : pages) {
    ASSERT_TRUE(Pump([&] { return p->closed; }));
    EXPECT_TRUE(p->got.empty());
  }
  EXPECT_EQ(server.Counts().refused, 5);
  EXPECT_EQ(server.ClientCount(), 0);
}

TEST_F(BrowserSurfaceServerTest, BadMessagesAreCountedAndTwentyEndTheConnection) {
  auto page = Connect();
  page->socket.sendBinaryMessage("{}");
  page->socket.sendTextMessage(QString(kMaxBrowserMessage + 1, ' '));
  for (int i = 0; i < 17; ++i) page->socket.sendTextMessage(R"({"type":"move","slot":99})");
  page->socket.sendTextMessage(R"({"type":"move","slot":2,"value":9})");
  ASSERT_TRUE(Pump([&] { return server.Counts().applied == 1; }));
  EXPECT_EQ(server.Counts().rejected, 19);
  EXPECT_FALSE(page->closed);
  page->socket.sendTextMessage("not json");
  ASSERT_TRUE(Pump([&] { return page->closed; }));
  EXPECT_EQ(server.Counts().rejected, 20);
  EXPECT_EQ(server.ClientCount(), 0);
}

TEST_F(BrowserSurfaceServerTest, MessagesOverTheRateAreDropped) {
  auto page = Connect();
  const QString message = R"({"type":"page","page":1})";
  for (int i = 0; i < kBrowserMessagesPerSecond + 5; ++i) page->socket.sendTextMessage(message);
  ASSERT_TRUE(Pump([&] { return server.Counts().applied + server.Counts().limited == 1005; }));
  EXPECT_EQ(server.Counts().limited, 5);
  now += std::chrono::seconds(1);
  page->socket.sendTextMessage(message);
  ASSERT_TRUE(Pump([&] { return server.Counts().applied == kBrowserMessagesPerSecond + 1; }));
  EXPECT_EQ(server.Counts().rejected, 0);
}

TEST_F(BrowserSurfaceServerTest, TheSeventeenthClientIsToldToTryAgainLater) {
  std::vector<std::unique_ptr<Page>> pages;
  for (int i = 0; i < kMaxBrowserClients; ++i) pages.push_back(Connect());
  EXPECT_EQ(server.ClientCount(), kMaxBrowserClients);
  auto late = Open("/ws?token=" + token);
  ASSERT_TRUE(Pump([&] { return late->closed; }));
  EXPECT_EQ(late->socket.closeReason(), "try again later");
  EXPECT_EQ(static_cast<int>(late->socket.closeCode()), 4013);
  EXPECT_TRUE(late->got.empty());
  server.Close();
  for (const auto& p : pages) ASSERT_TRUE(Pump([&] { return p->closed; }));
}

TEST_F(BrowserSurfaceServerTest, HttpConnectionsOverABoundAreCutBeforeTheParser) {
  using std::chrono::milliseconds;
  const QByteArray post = "POST /?token=" + token.toLatin1() +
                          " HTTP/1.1\r\nHost: h\r\nContent-Length: 104857600\r\n\r\n";
  const struct {
    const char* name;
    milliseconds idle;
    QByteArray sent;
  } cases[] = {
      {"a body far over the bound", milliseconds(60'000), post + QByteArray(1 << 20, 'x')},
      {"a header over the bound", milliseconds(60'000), PageRequest(20 * 1024)},
      {"a request never finished", milliseconds(20), "GET /?token="},
      {"nothing sent", milliseconds(20), {}},
  };
  for (const auto& c : cases) {
    BrowserHttpLimits limits;
    limits.idle = c.idle;
    server.SetHttpLimits(limits);
    ASSERT_EQ(server.Listen(0, false, token), QString());
    auto socket = Dial();
    socket->write(c.sent);
    EXPECT_TRUE(Pump([&] { return socket->state() == QAbstractSocket::UnconnectedState; }))
        << c.name;
    EXPECT_EQ(server.HttpCutCount(), 1) << c.name;
    EXPECT_TRUE(Pump([&] { return server.HttpConnectionCount() == 0; })) << c.name;
  }
}

TEST_F(BrowserSurfaceServerTest, WholeRequestsAndWebSocketsPassTheByteBound) {
  auto socket = Dial();
  for (int i = 0; i < 20; ++i) {  // 20 KiB in all on one connection
    socket->write(PageRequest(1000));
    QByteArray answer;
    ASSERT_TRUE(Pump([&] {
      answer += socket->readAll();
      return answer.contains("</html>");
    })) << i;
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200")) << i;
  }
  auto page = Connect();
  for (int i = 0; i < 500; ++i)  // 18 KiB of messages
    page->socket.sendTextMessage(R"({"type":"move","slot":1,"value":5})");
  ASSERT_TRUE(Pump([&] { return server.Counts().applied == 500; }));
  EXPECT_FALSE(page->closed);
  EXPECT_EQ(server.HttpCutCount(), 0);
  EXPECT_EQ(server.HttpConnectionCount(), 2);
}

TEST_F(BrowserSurfaceServerTest, AWebSocketIsFreeOfTheIdleBound) {
  BrowserHttpLimits limits;
  limits.idle = std::chrono::milliseconds(500);
  server.SetHttpLimits(limits);
  ASSERT_EQ(server.Listen(0, false, token), QString());
  auto page = Connect();
  auto idle = Dial();  // its time is up after the page's would be
  ASSERT_TRUE(Pump([&] { return idle->state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(server.HttpCutCount(), 1);
  EXPECT_EQ(server.ClientCount(), 1);
}

TEST_F(BrowserSurfaceServerTest, ConnectionsOverTheLimitAreClosedAtOnce) {
  std::vector<std::unique_ptr<QTcpSocket>> open;
  for (int i = 0; i < BrowserHttpLimits{}.connections; ++i) open.push_back(Dial());
  ASSERT_TRUE(Pump([&] { return server.HttpConnectionCount() == 64; }));
  auto late = Dial();
  EXPECT_TRUE(Pump([&] { return late->state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(server.HttpCutCount(), 1);
  open.pop_back();
  ASSERT_TRUE(Pump([&] { return server.HttpConnectionCount() == 63; }));
  EXPECT_EQ(Get("/?token=" + token), 200);
}

TEST_F(BrowserSurfaceServerTest, APortInUseIsToldAndTheNextFreeOneOffered) {
  BrowserSurfaceServer second{surface, surface};
  const QString error = second.Listen(server.Port(), false, token);
  EXPECT_TRUE(error.contains("in use")) << error.toStdString();
  EXPECT_TRUE(second.PortInUse());
  const int free = NextFreeBrowserPort(server.Port(), false);
  EXPECT_GT(free, server.Port());
  EXPECT_EQ(second.Listen(free, false, token), QString());
}

}  // namespace
}  // namespace quorvane
