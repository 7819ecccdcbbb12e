// A control on a fake socket with a recording holder, for the control's tests.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "FakeSocket.h"
#include "Frames.h"
#include "QuovTOCSock.h"
#include "RecordingEvents.h"

// The bytes given as numbers, one char each.
inline std::string Bytes(std::initializer_list<int> codes) {
  std::string bytes;
  for (int code : codes) bytes += static_cast<char>(code);
  return bytes;
}

class ControlTest : public ::testing::Test {
 protected:
  ControlTest() {
    auto socket = std::make_unique<FakeSocket>();
    sock = socket.get();
    toc = std::make_unique<QuovTOCSock>(std::move(socket), &events);
  }

  // Logs in and opens the connection; the greeting is taken from sent.
  void Connect(const std::string& name = "abc") {
    toc->Login(name, "secret", "toc.example", 5190);
    sock->Open();
    sock->TakeSent();
  }

  // Connects and answers the server's sign-on frame: the configuration is due.
  void AwaitConfiguration(const std::string& name = "abc") {
    Connect(name);
    sock->Deliver(SignOnFrame());
    sock->TakeSent();
  }

  // A whole sign-on: afterwards nothing sent or raised is kept.
  void SignOn(const std::string& name = "abc") {
    Connect(name);
    sock->Deliver(SignOnFrame() + ServerMessage("SIGN_ON:TOC2.0") + ServerMessage("CONFIG2:done:\n"));
    sock->TakeSent();
    events.lines.clear();
  }

  RecordingEvents events;
  FakeSocket* sock = nullptr;
  std::unique_ptr<QuovTOCSock> toc;
};
