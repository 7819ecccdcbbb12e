#include "LoadedSocket.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <utility>

const char* const LoadedSocket::kModule = "klaxo-network.so";
const char* const LoadedSocket::kInterface = KLAXO_MODULE_INTERFACE;

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
    std::fprintf(stderr, "klaxo: %s\n", qPrintable(loadError_));
    failure_.start(0);
  }
}

bool LoadedSocket::Load() {
  QStringList refused;
  QStringList looked;
  for (const QString& folder : folders_) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(kModule));
    looked << QDir::cleanPath(folder);
    if (!QFileInfo::exists(path)) continue;
    const QString why = LoadFrom(path);
    if (why.isEmpty()) {
      loadError_.clear();
      return true;
    }
    refused << why;
  }
  if (refused.isEmpty()) {
    refused << QStringLiteral("its network module %1 is in none of %2")
                   .arg(QString::fromLatin1(kModule), looked.join(QStringLiteral(", ")));
  }
  loadError_ = QStringLiteral("Klaxo is not installed correctly: %1").arg(refused.join(QStringLiteral("; ")));
  return false;
}

QString LoadedSocket::LoadFrom(const QString& path) {
  library_.setFileName(path);
  if (!library_.load()) return QStringLiteral("cannot load %1: %2").arg(path, library_.errorString());
  using Interface = const char* (*)();
  using Make = TocSocket* (*)();
  const auto interface = reinterpret_cast<Interface>(library_.resolve("KlaxoNetworkInterface"));
  const char* theirs = interface != nullptr ? interface() : nullptr;
  const auto make = reinterpret_cast<Make>(library_.resolve("KlaxoNewSocket"));
  if (theirs == nullptr || std::strcmp(theirs, kInterface) != 0 || make == nullptr) {
    library_.unload();
    return QStringLiteral("the network module %1 is from another build of Klaxo (%2, not %3)")
        .arg(path, theirs != nullptr ? QString::fromLatin1(theirs) : QStringLiteral("no version"),
             QString::fromLatin1(kInterface));
  }
  socket_.reset(make());
  socket_->SetListener(listener_);
  return {};
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
