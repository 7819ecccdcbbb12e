// The control's socket over QTcpSocket, on the thread that creates it.
//
// Every notification is posted to the event loop, in the order things
// happened on the connection, instead of being delivered from inside the
// QTcpSocket signal. So a handler that opens a modal box still sees later
// arrivals (QTcpSocket does not emit readyRead again while a readyRead slot
// is running), and data the server sent before closing is delivered before
// the close.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>

#include "TocSocket.h"

class QtTocSocket : public QObject, public TocSocket {
  Q_OBJECT

 public:
  explicit QtTocSocket(QObject* parent = nullptr);
  ~QtTocSocket() override;

  void SetListener(TocSocketListener* listener) override;
  void Connect(const std::string& host, std::int32_t port) override;
  void Close() override;
  void SendData(const std::string& bytes) override;
  std::string GetData() override;
  [[nodiscard]] std::size_t BytesToWrite() const override;
  [[nodiscard]] SocketState State() const override;

 private:
  void ReadArrivedBytes();
  void PeerClosed();
  void Failed(QAbstractSocket::SocketError error);
  // Posts notify for delivery from the event loop, unless a Close or a new
  // Connect comes first.
  template <typename Notify>
  void Post(Notify notify);

  QTcpSocket socket_;
  TocSocketListener* listener_ = nullptr;
  QByteArray received_;
  SocketState state_ = SocketState::Closed;
  bool arrivalPosted_ = false;
  // Tells notifications of an earlier connection from those of this one.
  quint64 generation_ = 0;
};
