#include "QtTocServer.h"

#include <QTcpSocket>

#include "ServerLimits.h"

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
  connect(&tick_, &QTimer::timeout, this, [this] {
    core_.Tick();
    Flush();
  });
  tick_.start(kTickMs);
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
    // Unread bytes stay in the kernel, where TCP slows the sender, rather than here.
    socket->setReadBufferSize(static_cast<qint64>(limits::kSocketReadBuffer));
    connect(socket, &QTcpSocket::readyRead, this, [this, id] { Read(id); });
    connect(socket, &QTcpSocket::disconnected, this, [this, id] { Lost(id); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, id](qint64 count) {
      core_.Written(id, static_cast<std::size_t>(count));
      Flush();
    });
    core_.Open(id, socket->peerAddress().toString().toStdString());
    Flush();
    if (sockets_.contains(id) && socket->bytesAvailable() > 0) Read(id);
  }
}

void QtTocServer::Read(ConnectionId id) {
  const auto it = sockets_.find(id);
  if (it == sockets_.end() || held_.contains(id)) return;
  const QByteArray bytes = it->second->readAll();
  core_.Receive(id, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  Flush();
}

void QtTocServer::StopReading(ConnectionId id) {
  if (sockets_.contains(id)) held_.insert(id);
}

void QtTocServer::ResumeReading(ConnectionId id) {
  if (held_.erase(id) == 0) return;
  // What arrived meanwhile is read once the output being carried out is all written, so that it stays in order.
  QMetaObject::invokeMethod(
      this, [this, id] { Read(id); }, Qt::QueuedConnection);
}

void QtTocServer::Lost(ConnectionId id) {
  const auto it = sockets_.find(id);
  if (it == sockets_.end()) return;
  it->second->deleteLater();
  sockets_.erase(it);
  held_.erase(id);
  core_.Gone(id);
  Flush();
}

void QtTocServer::Flush() {
  for (const auto& changed : core_.TakeAccountChanges()) {
    if (keeper_) keeper_(changed);
  }
  for (auto output = core_.TakeOutput(); !output.empty(); output = core_.TakeOutput()) {
    for (const auto& item : output) {
      switch (item.kind) {
        case ServerOutput::Kind::Send:
          Write(item.connection, item.bytes);
          break;
        case ServerOutput::Kind::Close:
        case ServerOutput::Kind::CutOff:
          CloseSocket(item.connection, item.kind == ServerOutput::Kind::CutOff);
          break;
        case ServerOutput::Kind::Log:
          LogLine(item.connection, item.bytes);
          break;
        case ServerOutput::Kind::StopReading:
          StopReading(item.connection);
          break;
        case ServerOutput::Kind::ResumeReading:
          ResumeReading(item.connection);
          break;
      }
    }
  }
}

void QtTocServer::Write(ConnectionId id, const std::string& bytes) {
  const auto it = sockets_.find(id);
  if (it == sockets_.end()) return;
  it->second->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void QtTocServer::CloseSocket(ConnectionId id, bool cutOff) {
  const auto it = sockets_.find(id);
  if (it == sockets_.end()) return;
  QTcpSocket* socket = it->second;
  sockets_.erase(it);
  held_.erase(id);
  socket->disconnect(this);
  if (cutOff) socket->abort();
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
  if (!log_) return;
  // Appended piece by piece: "#" + std::string trips a false -Wrestrict of g++ 12 in optimized builds.
  std::string text = "#";
  text += std::to_string(id);
  text += ' ';
  text += line;
  log_(text);
}
