// Plays the demo script on a timer, over and over, in the core's demo room.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstddef>
#include <cstdint>

#include "QtTocServer.h"
#include "ServerCore.h"

class DemoRunner : public QObject {
 public:
  DemoRunner(ServerCore& core, QtTocServer& server, QObject* parent = nullptr);
  // Opens the demo room and starts the script.
  void Start();

 private:
  void PlayNext();

  ServerCore& core_;
  QtTocServer& server_;
  std::int32_t roomId_ = 0;
  std::size_t next_ = 0;
  QTimer timer_;
};
