#include "QtTocSocket.h"

#include <QMetaObject>
#include <QSignalBlocker>

QtTocSocket::QtTocSocket(QObject* parent) : QObject(parent) {
  // Unbounded, Qt takes in all the system holds at every notification, and a
  // flood from the server waits in memory instead of in the connection.
  socket_.setReadBufferSize(qint64{1024} * 1024);
  connect(&socket_, &QTcpSocket::connected, this, [this] {
    Post([this] {
      state_ = SocketState::Connected;
      if (listener_ != nullptr) listener_->Sock_Connect();
    });
  });
  connect(&socket_, &QTcpSocket::readyRead, this, &QtTocSocket::ReadArrivedBytes);
  connect(&socket_, &QTcpSocket::disconnected, this, &QtTocSocket::PeerClosed);
  connect(&socket_, &QTcpSocket::errorOccurred, this, &QtTocSocket::Failed);
}

QtTocSocket::~QtTocSocket() {
  const QSignalBlocker blocker(socket_);
  socket_.abort();
}

void QtTocSocket::SetListener(TocSocketListener* listener) { listener_ = listener; }

void QtTocSocket::Connect(const std::string& host, std::int32_t port) {
  Close();
  state_ = SocketState::Connecting;
  if (port < 0 || port > 65535) {
    Post([this, port] {
      state_ = SocketState::Closed;
      if (listener_ != nullptr) listener_->Sock_Error("Invalid port number " + std::to_string(port));
    });
    return;
  }
  socket_.connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
}

void QtTocSocket::Close() {
  ++generation_;
  arrivalPosted_ = false;
  received_.clear();
  state_ = SocketState::Closed;
  const QSignalBlocker blocker(socket_);
  socket_.abort();
}

void QtTocSocket::SendData(const std::string& bytes) {
  if (socket_.state() != QAbstractSocket::ConnectedState) return;
  socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string QtTocSocket::GetData() {
  std::string bytes(received_.constData(), static_cast<std::size_t>(received_.size()));
  received_.clear();
  return bytes;
}

std::size_t QtTocSocket::BytesToWrite() const { return static_cast<std::size_t>(socket_.bytesToWrite()); }

SocketState QtTocSocket::State() const { return state_; }

void QtTocSocket::ReadArrivedBytes() {
  received_.append(socket_.readAll());
  if (arrivalPosted_) return;
  arrivalPosted_ = true;
  Post([this] {
    arrivalPosted_ = false;
    if (listener_ != nullptr) listener_->Sock_DataArrival(static_cast<std::size_t>(received_.size()));
  });
}

void QtTocSocket::PeerClosed() {
  Post([this] {
    state_ = SocketState::Closed;
    if (listener_ != nullptr) listener_->Sock_Close();
  });
}

void QtTocSocket::Failed(QAbstractSocket::SocketError error) {
  // The peer closing is reported by disconnected() as a close, not an error.
  if (error == QAbstractSocket::RemoteHostClosedError) return;
  const std::string description = socket_.errorString().toStdString();
  Post([this, description] {
    state_ = SocketState::Closed;
    if (listener_ != nullptr) listener_->Sock_Error(description);
  });
}

template <typename Notify>
void QtTocSocket::Post(Notify notify) {
  QMetaObject::invokeMethod(
      this,
      [this, generation = generation_, notify = std::move(notify)] {
        if (generation == generation_) notify();
      },
      Qt::QueuedConnection);
}
