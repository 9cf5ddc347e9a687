#include "web/browser_tcp_server.h"

#include <algorithm>

namespace quorvane {

BrowserTcpServer::BrowserTcpServer(const BrowserHttpLimits& limits, QObject* parent)
    : QTcpServer(parent), limits_(limits) {}

BrowserTcpServer::~BrowserTcpServer() {
  // The sockets may outlive this object's members by a moment: none may call back into them.
  for (const auto& [key, watch] : watches_)
    if (watch.socket) QObject::disconnect(watch.socket, nullptr, this, nullptr);
}

void BrowserTcpServer::incomingConnection(qintptr handle) {
  auto* socket = new QTcpSocket(this);
  if (!socket->setSocketDescriptor(handle)) {
    delete socket;
    return;
  }
  ForgetGone();
  if (OpenConnections() >= limits_.connections) {
    ++cut_;
    socket->abort();
    socket->deleteLater();
    return;
  }
  auto* idle = new QTimer(socket);
  Watch& watch = watches_.emplace(socket, Watch{socket, BrowserHttpBudget(limits_), idle, false})
                     .first->second;
  watch.idle->setSingleShot(true);
  watch.idle->setTimerType(Qt::PreciseTimer);  // the earlier connection's time is up first
  connect(watch.idle, &QTimer::timeout, this, [this, socket] { CutOff(socket); });
  watch.idle->start(limits_.idle);
  // Made before the HTTP server takes the socket and connects its parser: this slot runs first.
  connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
  connect(socket, &QTcpSocket::disconnected, this, [this, socket] { Forget(socket); });
  connect(socket, &QObject::destroyed, this, [this](QObject* gone) { Forget(gone); });
  addPendingConnection(socket);
}

int BrowserTcpServer::OpenConnections() const {
  return static_cast<int>(std::count_if(watches_.begin(), watches_.end(), [](const auto& entry) {
    const QTcpSocket* socket = entry.second.socket;
    return socket && socket->state() != QAbstractSocket::UnconnectedState;
  }));
}

void BrowserTcpServer::OnReadyRead(QTcpSocket* socket) {
  const auto it = watches_.find(socket);
  if (it == watches_.end() || it->second.released) return;
  // The HTTP server read all there was the last time round: what is there now is new.
  if (!it->second.budget.Take(socket->bytesAvailable(), socket->bytesToWrite())) CutOff(socket);
}

void BrowserTcpServer::RequestDone(QTcpSocket* socket) {
  const auto it = watches_.find(socket);
  if (it == watches_.end() || it->second.released) return;
  it->second.budget.RequestDone();
  if (it->second.idle) it->second.idle->start(limits_.idle);
}

void BrowserTcpServer::Release(QTcpSocket* socket) {
  const auto it = watches_.find(socket);
  if (it == watches_.end()) return;
  it->second.released = true;
  if (it->second.idle) it->second.idle->stop();
  QObject::disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
}

void BrowserTcpServer::CutOff(QTcpSocket* socket) {
  ++cut_;
  // The HTTP server's slot on this very signal is skipped: its parser never sees these bytes.
  QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
  socket->abort();
  socket->deleteLater();
}

void BrowserTcpServer::Forget(const QObject* socket) {
  watches_.erase(socket);
}

void BrowserTcpServer::ForgetGone() {
  std::erase_if(watches_, [](const auto& entry) {
    const QTcpSocket* socket = entry.second.socket;
    return !socket || socket->state() == QAbstractSocket::UnconnectedState;
  });
}

}  // namespace quorvane
