// The program's socket, its network library loaded at the first connection.
//
// The socket over Qt's network library lives in a module of its own: that
// library and what it pulls in (Kerberos, the proxy resolver) cost a window
// that has not signed on yet some 1.6 MB. The module is looked for in the
// given folders, in order; when none holds it, the connection fails with the
// reason, as a refused one would, from the event loop.
#pragma once

#include <QLibrary>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "TocSocket.h"

class LoadedSocket : public TocSocket {
 public:
  explicit LoadedSocket(QStringList folders);

  void SetListener(TocSocketListener* listener) override;
  void Connect(const std::string& host, std::int32_t port) override;
  void Close() override;
  void SendData(const std::string& bytes) override;
  std::string GetData() override;
  [[nodiscard]] std::size_t BytesToWrite() const override;
  [[nodiscard]] SocketState State() const override;

  // The module's file name, without a folder.
  static const char* const kModule;

 private:
  // The real socket; false, with loadError_ set, when no folder holds a module that gives one.
  bool Load();

  QStringList folders_;
  TocSocketListener* listener_ = nullptr;
  QLibrary library_;
  std::unique_ptr<TocSocket> socket_;
  QString loadError_;
  QTimer failure_;
};
