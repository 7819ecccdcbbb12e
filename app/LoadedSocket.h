// The program's socket, its network library loaded at the first connection.
//
// The socket over Qt's network library lives in a module of its own: that
// library and what it pulls in (Kerberos, the proxy resolver) cost a window
// that has not signed on yet some 1.6 MB. The module is looked for in the
// given folders, in order, and used only when it was built with this
// program's version and socket interface: a module of another build would be
// called through the wrong functions. When no folder holds one to use, the
// installation is at fault: the connection fails with the reason, from the
// event loop as a refused one would, the reason goes to standard error too,
// and Unusable() says so until a later connection finds a module.
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

  // The last connection failed for want of a module to use: trying again
  // fails the same way until the installation is mended.
  [[nodiscard]] bool Unusable() const { return !socket_ && !loadError_.isEmpty(); }

  // The module's file name, without a folder.
  static const char* const kModule;
  // The version and socket interface this program wants of its module.
  static const char* const kInterface;

 private:
  // The real socket; false, with loadError_ set, when no folder holds a module that gives one.
  bool Load();
  // Why the module at path cannot be used; empty when socket_ now holds its socket.
  QString LoadFrom(const QString& path);

  QStringList folders_;
  TocSocketListener* listener_ = nullptr;
  QLibrary library_;
  std::unique_ptr<TocSocket> socket_;
  QString loadError_;
  QTimer failure_;
};
