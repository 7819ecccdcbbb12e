// The connection layer: outgoing frames, the greeting, the cutting of the
// incoming stream into whole frames, and the socket's notifications.
//
// Incoming frames are cut from PendingData one at a time and each is handed
// over before the next is cut. An event handler may run a nested event loop
// in which the socket delivers more bytes and Sock_DataArrival is entered
// again; the nested call appends to the same buffer and goes on cutting from
// where the outer call stopped, so every frame is handled once, whole and in
// arrival order, and keep-alives are answered while the outer handler waits.
#include <algorithm>
#include <utility>

#include "QuovTOCSock.h"

void QuovTOCSock::SendPacket(std::int16_t intChannel, std::string strData) {
  if (Sock->State() != SocketState::Connected) return;
  if (intChannel == flap::kData && RefuseOverLimit(strData)) return;
  if (intChannel == flap::kData) strData += '\0';
  if (strData.size() > flap::kMaxPayload) {
    RaiseError(0, "Frame not sent: its payload of " + std::to_string(strData.size()) +
                      " bytes is longer than the 65535 a frame can carry");
    return;
  }
  // What a server that does not read leaves unsent would otherwise grow without end.
  if (Sock->BytesToWrite() + flap::kHeaderSize + strData.size() > kMaxUnsentBytes) {
    DropConnection("The server stopped reading: over 1 MiB waited unsent; connection closed");
    return;
  }
  if (FlapSequence > 65535) FlapSequence = 0;
  const auto sequence = static_cast<std::uint16_t>(FlapSequence);
  ++FlapSequence;
  bytesSent_ += flap::kHeaderSize + strData.size();
  Sock->SendData(flap::BuildFrame(static_cast<char>(intChannel), sequence, strData));
}

bool QuovTOCSock::RefuseOverLimit(std::string_view command) {
  const std::size_t excess = CommandExcess(command);
  if (excess == 0) return false;
  constexpr std::size_t kLongestName = 32;
  const std::string name(command.substr(0, std::min(command.find(' '), kLongestName)));
  RaiseError(0, name + " not sent: it is " + std::to_string(excess) + " bytes too long");
  return true;
}

// An answer that has not left yet serves for later keep-alives too: a
// server that does not read must not grow the output by one per keep-alive.
void QuovTOCSock::AnswerKeepAlive() {
  if (bytesSent_ < keepAliveAnswered_ + Sock->BytesToWrite()) return;
  SendPacket(flap::kKeepAlive, "");
  keepAliveAnswered_ = bytesSent_;
}

void QuovTOCSock::Sock_Connect() {
  // Bytes or configuration left from an earlier connection would corrupt this one.
  PendingData.Clear();
  ConfigText.clear();
  Advance(Step::Connected);
  bytesSent_ = flap::kGreeting.size();
  keepAliveAnswered_ = 0;
  Sock->SendData(std::string(flap::kGreeting));
}

void QuovTOCSock::Sock_DataArrival(std::size_t /*bytesTotal*/) {
  if (Sock->State() != SocketState::Connected) return;
  std::string arrived = Sock->GetData();
  bytesReceived_ += arrived.size();
  PendingData.Append(std::move(arrived));
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
        DropConnection("The server sent data that is not a FLAP frame; connection closed");
        return;
    }
  }
}

void QuovTOCSock::DropConnection(const std::string& why) {
  PendingData.Clear();
  UsersHere.Clear();
  Sock->Close();
  Advance(Step::Closed);
  RaiseWinsockError(why);
}

void QuovTOCSock::Sock_Close() {
  Advance(Step::Closed);
  if (!LoginOpen) return;
  UsersHere.Clear();
  // Without a report the holder would go on showing a session that is gone.
  RaiseWinsockError("Connection closed by the server");
}

void QuovTOCSock::Sock_Error(const std::string& description) {
  UsersHere.Clear();
  // Closed before the event, so that a handler may start a new Login.
  Sock->Close();
  Advance(Step::Closed);
  RaiseWinsockError(description);
}
