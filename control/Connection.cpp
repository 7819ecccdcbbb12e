// The connection layer: outgoing frames, the greeting, the cutting of the
// incoming stream into whole frames, and the socket's notifications.
//
// Incoming frames are cut from PendingData one at a time and each is handed
// over before the next is cut. An event handler may run a nested event loop
// in which the socket delivers more bytes and Sock_DataArrival is entered
// again; the nested call appends to the same buffer and goes on cutting from
// where the outer call stopped, so every frame is handled once, whole and in
// arrival order, and keep-alives are answered while the outer handler waits.
#include <utility>

#include "QuovTOCSock.h"

void QuovTOCSock::SendPacket(std::int16_t intChannel, std::string strData) {
  if (Sock->State() != SocketState::Connected) return;
  if (intChannel == flap::kData) strData += '\0';
  if (strData.size() > flap::kMaxPayload) {
    RaiseError(0, "Frame not sent: its payload of " + std::to_string(strData.size()) +
                      " bytes is longer than the 65535 a frame can carry");
    return;
  }
  if (FlapSequence > 65535) FlapSequence = 0;
  const auto sequence = static_cast<std::uint16_t>(FlapSequence);
  ++FlapSequence;
  Sock->SendData(flap::BuildFrame(static_cast<char>(intChannel), sequence, strData));
}

void QuovTOCSock::Sock_Connect() {
  // Bytes or configuration left from an earlier connection would corrupt this one.
  PendingData.Clear();
  ConfigText.clear();
  Sock->SendData(std::string(flap::kGreeting));
}

void QuovTOCSock::Sock_DataArrival(std::size_t /*bytesTotal*/) {
  if (Sock->State() != SocketState::Connected) return;
  PendingData.Append(Sock->GetData());
  std::string frame;
  // A handler may close the connection (LogOff, a new Login): what is left
  // then belongs to a connection that is gone.
  while (Sock->State() == SocketState::Connected) {
    switch (PendingData.Next(frame)) {
      case flap::Reader::Result::Frame:
        HandlePacket(frame);
        break;
      case flap::Reader::Result::NeedMore:
        return;
      case flap::Reader::Result::BadMarker:
        DropCorruptStream();
        return;
    }
  }
}

void QuovTOCSock::DropCorruptStream() {
  PendingData.Clear();
  UsersHere.Clear();
  Sock->Close();
  RaiseWinsockError("The server sent data that is not a FLAP frame; connection closed");
}

void QuovTOCSock::Sock_Close() {
  if (!LoginOpen) return;
  UsersHere.Clear();
  // Without a report the holder would go on showing a session that is gone.
  RaiseWinsockError("Connection closed by the server");
}

void QuovTOCSock::Sock_Error(const std::string& description) {
  UsersHere.Clear();
  // Closed before the event, so that a handler may start a new Login.
  Sock->Close();
  RaiseWinsockError(description);
}
