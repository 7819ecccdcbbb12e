#include "LoadedSocket.h"

#include <QDir>
#include <utility>

const char* const LoadedSocket::kModule = "klaxo-network.so";

LoadedSocket::LoadedSocket(QStringList folders) : folders_(std::move(folders)) {
  failure_.setSingleShot(true);
  QObject::connect(&failure_, &QTimer::timeout, [this] {
    if (listener_ != nullptr) listener_->Sock_Error(loadError_.toStdString());
  });
}

void LoadedSocket::SetListener(TocSocketListener* listener) {
  listener_ = listener;
  if (socket_) socket_->SetListener(listener);
}

void LoadedSocket::Connect(const std::string& host, std::int32_t port) {
  if (socket_ || Load()) {
    socket_->Connect(host, port);
  } else {
    failure_.start(0);
  }
}

bool LoadedSocket::Load() {
  QStringList tried;
  for (const QString& folder : folders_) {
    library_.setFileName(QDir(folder).filePath(QString::fromLatin1(kModule)));
    using Make = TocSocket* (*)();
    if (const auto make = reinterpret_cast<Make>(library_.resolve("KlaxoNewSocket"))) {
      socket_.reset(make());
      socket_->SetListener(listener_);
      return true;
    }
    tried << library_.errorString();
  }
  loadError_ = QStringLiteral("cannot load the network module: %1").arg(tried.join(QStringLiteral("; ")));
  return false;
}

void LoadedSocket::Close() {
  failure_.stop();
  if (socket_) socket_->Close();
}

void LoadedSocket::SendData(const std::string& bytes) {
  if (socket_) socket_->SendData(bytes);
}

std::string LoadedSocket::GetData() { return socket_ ? socket_->GetData() : std::string(); }

std::size_t LoadedSocket::BytesToWrite() const { return socket_ ? socket_->BytesToWrite() : 0; }

SocketState LoadedSocket::State() const { return socket_ ? socket_->State() : SocketState::Closed; }
