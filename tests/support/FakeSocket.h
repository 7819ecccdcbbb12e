// A socket for tests: records every byte the control hands it, whatever the
// state, so that tests see what the control sends while not connected; and
// lets the test deliver arrivals in any chunking, a close by the peer and an
// error.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TocSocket.h"

class FakeSocket : public TocSocket {
 public:
  void SetListener(TocSocketListener* listener) override { listener_ = listener; }
  void Connect(const std::string& host, std::int32_t port) override {
    connects.emplace_back(host, port);
    state_ = SocketState::Connecting;
  }
  void Close() override {
    ++closeCount;
    state_ = SocketState::Closed;
    inbox_.clear();
    unsent = 0;
  }
  void SendData(const std::string& bytes) override { sent += bytes; }
  std::string GetData() override { return std::exchange(inbox_, {}); }
  [[nodiscard]] std::size_t BytesToWrite() const override { return unsent; }
  [[nodiscard]] SocketState State() const override { return state_; }

  // The connection opens.
  void Open() {
    state_ = SocketState::Connected;
    listener_->Sock_Connect();
  }
  // Bytes arrive as one arrival.
  void Deliver(std::string_view bytes) {
    inbox_.append(bytes);
    listener_->Sock_DataArrival(inbox_.size());
  }
  // Bytes arrive cut into arrivals of chunk bytes each.
  void DeliverInChunks(std::string_view bytes, std::size_t chunk) {
    for (std::size_t i = 0; i < bytes.size(); i += chunk) Deliver(bytes.substr(i, chunk));
  }
  void PeerClose() {
    state_ = SocketState::Closed;
    listener_->Sock_Close();
  }
  void Fail(const std::string& description) {
    state_ = SocketState::Closed;
    listener_->Sock_Error(description);
  }
  // Everything sent so far, emptied.
  std::string TakeSent() { return std::exchange(sent, {}); }

  std::string sent;
  std::vector<std::pair<std::string, std::int32_t>> connects;
  int closeCount = 0;
  // What BytesToWrite reports: bytes the peer has not read.
  std::size_t unsent = 0;

 private:
  TocSocketListener* listener_ = nullptr;
  SocketState state_ = SocketState::Closed;
  std::string inbox_;
};
