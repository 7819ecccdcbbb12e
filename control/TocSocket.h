// The TCP client the control talks through, reduced to what the control
// needs, so that the protocol core runs without a network.
//
// Notifications arrive one at a time on the owning thread, in the order the
// events happened on the connection, and never from inside a call the control
// made on the socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TocSocketListener {
 public:
  virtual void Sock_Connect() = 0;
  virtual void Sock_DataArrival(std::size_t bytesTotal) = 0;
  // The peer closed the connection.
  virtual void Sock_Close() = 0;
  // A refused or failed connection, or any other socket error.
  virtual void Sock_Error(const std::string& description) = 0;

 protected:
  ~TocSocketListener() = default;
};

enum class SocketState { Closed, Connecting, Connected };

class TocSocket {
 public:
  virtual ~TocSocket() = default;

  virtual void SetListener(TocSocketListener* listener) = 0;
  // Starts connecting and returns at once; the outcome is notified.
  virtual void Connect(const std::string& host, std::int32_t port) = 0;
  // Closes at once; no notification follows, and none still pending is delivered.
  virtual void Close() = 0;
  // Sends the bytes of the string, one byte per char.
  virtual void SendData(const std::string& bytes) = 0;
  // All bytes received and not yet taken.
  virtual std::string GetData() = 0;
  // Bytes handed to SendData that the connection has not taken yet: they
  // grow while the peer does not read.
  [[nodiscard]] virtual std::size_t BytesToWrite() const = 0;
  [[nodiscard]] virtual SocketState State() const = 0;
};
