#pragma once

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtGlobal>
#include <chrono>
#include <unordered_map>

namespace quorvane {

// What one HTTP connection may cost before Qt's parser, which keeps a request's body in memory
// without bound, ever sees its bytes.
struct BrowserHttpLimits {
  // Open at once, WebSockets included; more are closed at once.
  int connections = 64;
  // Since the last complete request: far above the page's GETs, which carry no body.
  qint64 request_bytes = qint64{16} * 1024;
  // Answers queued for a client that reads none of them.
  qint64 unread_answer_bytes = qint64{1024} * 1024;
  // From connecting, or from the last request, to the next complete one.
  std::chrono::milliseconds idle{10'000};
};

// A connection's budget between two complete requests; the rule alone, apart from any socket.
class BrowserHttpBudget {
 public:
  explicit BrowserHttpBudget(const BrowserHttpLimits& limits) : limits_(limits) {}
  // Adds what arrived; false once the request, or the answers the client leaves unread, are
  // over their bound.
  bool Take(qint64 received, qint64 unread_answers) {
    received_ += received;
    return received_ <= limits_.request_bytes && unread_answers <= limits_.unread_answer_bytes;
  }
  void RequestDone() { received_ = 0; }

 private:
  BrowserHttpLimits limits_;
  qint64 received_ = 0;
};

// The listening socket of the browser surface: it counts the open connections and watches each
// one's bytes and time until the connection becomes a WebSocket, which bounds itself.
class BrowserTcpServer : public QTcpServer {
  Q_OBJECT

 public:
  explicit BrowserTcpServer(const BrowserHttpLimits& limits, QObject* parent = nullptr);
  ~BrowserTcpServer() override;
  BrowserTcpServer(const BrowserTcpServer&) = delete;
  BrowserTcpServer& operator=(const BrowserTcpServer&) = delete;

  // The socket's request was whole and answered: its count and its time start again.
  void RequestDone(QTcpSocket* socket);
  // The socket now carries a WebSocket: no bound of ours applies to it any more.
  void Release(QTcpSocket* socket);

  int OpenConnections() const;
  // Connections closed by a bound so far: too many, too long a request or too slow.
  int Cut() const { return cut_; }

 protected:
  void incomingConnection(qintptr handle) override;

 private:
  // A WebSocket's upgrade may drop every connection to its socket, ours included: the
  // pointers tell when it is gone.
  struct Watch {
    QPointer<QTcpSocket> socket;
    BrowserHttpBudget budget;
    QPointer<QTimer> idle;  // the socket's child
    bool released = false;
  };

  void OnReadyRead(QTcpSocket* socket);
  void CutOff(QTcpSocket* socket);
  void Forget(const QObject* socket);
  void ForgetGone();

  BrowserHttpLimits limits_;
  std::unordered_map<const QObject*, Watch> watches_;
  int cut_ = 0;
};

}  // namespace quorvane
