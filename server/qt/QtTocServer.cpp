#include "QtTocServer.h"

#include <QTcpSocket>

namespace {

// How long a closed connection may take to hand over what is still unsent.
constexpr int kCloseGraceMs = 5000;

}  // namespace

QtTocServer::QtTocServer(ServerCore& core, LogSink log, QObject* parent)
    : QObject(parent), core_(core), log_(std::move(log)) {
  connect(&server_, &QTcpServer::newConnection, this, &QtTocServer::Accept);
  connect(&keepAlive_, &QTimer::timeout, this, [this] {
    core_.SendKeepAlives();
    Flush();
  });
  connect(&signOnCheck_, &QTimer::timeout, this, [this] {
    core_.DropStalledSignOns();
    Flush();
  });
  signOnCheck_.start(kSignOnCheckMs);
}

bool QtTocServer::Listen(const QHostAddress& address, quint16 port) { return server_.listen(address, port); }

void QtTocServer::SetKeepAliveInterval(int seconds) {
  if (seconds > 0) {
    keepAlive_.start(seconds * 1000);
  } else {
    keepAlive_.stop();
  }
}

void QtTocServer::Accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    const ConnectionId id = nextId_++;
    sockets_.emplace(id, socket);
    connect(socket, &QTcpSocket::readyRead, this, [this, id] { Read(id); });
    connect(socket, &QTcpSocket::disconnected, this, [this, id] { Lost(id); });
    LogLine(id, "connected from " + socket->peerAddress().toString().toStdString() + ":" +
                    std::to_string(socket->peerPort()));
    core_.Open(id);
    Flush();
    if (sockets_.contains(id) && socket->bytesAvailable() > 0) Read(id);
  }
}

void QtTocServer::Read(ConnectionId id) {
  const auto it = sockets_.find(id);
  if (it == sockets_.end()) return;
  const QByteArray bytes = it->second->readAll();
  core_.Receive(id, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  Flush();
}

void QtTocServer::Lost(ConnectionId id) {
  const auto it = sockets_.find(id);
  if (it == sockets_.end()) return;
  it->second->deleteLater();
  sockets_.erase(it);
  core_.Gone(id);
  Flush();
}

void QtTocServer::Flush() {
  for (auto output = core_.TakeOutput(); !output.empty(); output = core_.TakeOutput()) {
    for (const auto& item : output) {
      switch (item.kind) {
        case ServerOutput::Kind::Send:
          Write(item.connection, item.bytes);
          break;
        case ServerOutput::Kind::Close:
          CloseSocket(item.connection);
          break;
        case ServerOutput::Kind::Log:
          LogLine(item.connection, item.bytes);
          break;
      }
    }
  }
}

void QtTocServer::Write(ConnectionId id, const std::string& bytes) {
  const auto it = sockets_.find(id);
  if (it == sockets_.end()) return;
  QTcpSocket* socket = it->second;
  socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (static_cast<std::size_t>(socket->bytesToWrite()) <= kMaxUnsentBytes) return;
  LogLine(id, "cut off: not reading what the server sends");
  sockets_.erase(it);
  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
  core_.Gone(id);
}

void QtTocServer::CloseSocket(ConnectionId id) {
  const auto it = sockets_.find(id);
  if (it == sockets_.end()) return;
  QTcpSocket* socket = it->second;
  sockets_.erase(it);
  socket->disconnect(this);
  if (socket->state() == QAbstractSocket::UnconnectedState) {
    socket->deleteLater();
    return;
  }
  connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  QTimer::singleShot(kCloseGraceMs, socket, [socket] {
    socket->abort();
    socket->deleteLater();
  });
  socket->disconnectFromHost();
}

void QtTocServer::LogLine(ConnectionId id, const std::string& line) {
  if (log_) log_("#" + std::to_string(id) + " " + line);
}
