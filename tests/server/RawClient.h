// A bare TOC2 client over QTcpSocket for testing the server: it writes the
// bytes a test gives it and cuts what arrives into frames, keeping data
// payloads as they are and other frames as "<type N>".
#pragma once

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "Flap.h"
#include "Frames.h"
#include "WireText.h"

class RawClient {
 public:
  static constexpr int kWaitMs = 5000;

  // From a loopback address of its own, when from is given, to stand for another host.
  explicit RawClient(quint16 port, const QHostAddress& from = {}) {
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { ReadArrived(); });
    if (!from.isNull()) socket_.bind(from);
    socket_.connectToHost(QHostAddress::LocalHost, port);
  }
  [[nodiscard]] bool Connected() const { return socket_.state() == QAbstractSocket::ConnectedState; }

  void Write(const std::string& bytes) { socket_.write(bytes.data(), static_cast<qint64>(bytes.size())); }
  void Command(const std::string& line) { Write(ClientCommand(line, sequence_++)); }

  // Greeting, sign-on frame and toc2_login, without waiting for any answer.
  void StartSignOn(const std::string& name, const std::string& password = "pw",
                   const std::string& greeting = "FLAPON\n\n") {
    Write(greeting + SignOnFrameFor(NormalizeName(name)));
    sequence_ = 1;
    Command(LoginLine(name, password));
  }
  // StartSignOn, then the server's sign-on frame as received.
  std::optional<std::string> SignOn(const std::string& name, const std::string& password = "pw",
                                    const std::string& greeting = "FLAPON\n\n") {
    StartSignOn(name, password, greeting);
    return Next();
  }

  // The next frame, waiting for it when needed.
  std::optional<std::string> Next(int ms = kWaitMs) {
    if (!QTest::qWaitFor([&] { return !frames_.empty(); }, ms)) return std::nullopt;
    std::string frame = std::move(frames_.front());
    frames_.pop_front();
    return frame;
  }

  // The next data payload that starts with prefix; other frames before it are passed over.
  std::optional<std::string> NextStartingWith(const std::string& prefix) {
    while (auto frame = Next()) {
      if (frame->starts_with(prefix)) return frame;
    }
    return std::nullopt;
  }

  // Reads nothing more, as a stalled peer would.
  void StopReading() {
    QObject::disconnect(&socket_, &QTcpSocket::readyRead, nullptr, nullptr);
    socket_.setReadBufferSize(1024);
  }
  void ResumeReading() {
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { ReadArrived(); });
    socket_.setReadBufferSize(0);
    ReadArrived();
  }

  bool WaitClosed(int ms = kWaitMs) {
    return QTest::qWaitFor([&] { return socket_.state() == QAbstractSocket::UnconnectedState; }, ms);
  }

  // Instead of being kept, each frame goes here as it arrives.
  std::function<void(const std::string&)> onFrame;
  // Every byte received while no onFrame is set, for checks of the frames' form.
  std::string rawBytes;

 private:
  void ReadArrived() {
    const QByteArray bytes = socket_.readAll();
    const std::string data(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (!onFrame) rawBytes += data;
    reader_.Append(data);
    std::string frame;
    while (reader_.Next(frame) == flap::Reader::Result::Frame) {
      std::string item =
          frame[1] == flap::kData ? std::string(flap::Payload(frame)) : "<type " + std::to_string(frame[1]) + ">";
      if (onFrame) {
        onFrame(item);
      } else {
        frames_.push_back(std::move(item));
      }
    }
  }

  QTcpSocket socket_;
  flap::Reader reader_;
  std::deque<std::string> frames_;
  std::uint16_t sequence_ = 0;
};
