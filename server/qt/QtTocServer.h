// The bundled server's network layer over Qt Network, on the thread that
// creates it. It accepts connections, hands what arrives to the protocol
// core, and carries out what the core asks for: bytes to write, connections
// to close or cut off, log lines, and which connections to stop and resume
// reading. It tells the core what each socket has written and gives it its
// tick every second; what to do about a slow reader is the core's decision.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "ServerCore.h"

class QTcpSocket;

class QtTocServer : public QObject {
 public:
  // How often the core's deadlines are looked at.
  static constexpr int kTickMs = 1000;

  using LogSink = std::function<void(const std::string&)>;

  // log receives each line of the core's log, after the connection's number; may be empty.
  explicit QtTocServer(ServerCore& core, LogSink log = {}, QObject* parent = nullptr);

  bool Listen(const QHostAddress& address, quint16 port);
  [[nodiscard]] QString ErrorString() const { return server_.errorString(); }
  [[nodiscard]] quint16 Port() const { return server_.serverPort(); }
  // Keep-alive frames to every client each interval; 0 sends none.
  void SetKeepAliveInterval(int seconds);

  // Carries out everything the core has asked for; call after driving the core directly.
  void Flush();

  // Receives each account the core changed, before the frames that confirm the change are written.
  using AccountKeeper = std::function<void(const ChangedAccount&)>;
  void SetAccountKeeper(AccountKeeper keeper) { keeper_ = std::move(keeper); }

 private:
  void Accept();
  void Read(ConnectionId id);
  void StopReading(ConnectionId id);
  void ResumeReading(ConnectionId id);
  void Lost(ConnectionId id);
  // Forgets the socket and lets it finish writing before it closes, or, cut off, closes it at once.
  void CloseSocket(ConnectionId id, bool cutOff);
  void Write(ConnectionId id, const std::string& bytes);
  void LogLine(ConnectionId id, const std::string& line);

  ServerCore& core_;
  LogSink log_;
  AccountKeeper keeper_;
  QTcpServer server_;
  std::unordered_map<ConnectionId, QTcpSocket*> sockets_;
  // Connections whose sockets are not read until the core resumes them.
  std::unordered_set<ConnectionId> held_;
  ConnectionId nextId_ = 1;
  QTimer keepAlive_;
  QTimer tick_;
};
