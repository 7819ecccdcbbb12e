#include "DemoRunner.h"

#include "DemoScript.h"

DemoRunner::DemoRunner(ServerCore& core, QtTocServer& server, QObject* parent)
    : QObject(parent), core_(core), server_(server) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &DemoRunner::PlayNext);
}

void DemoRunner::Start() {
  roomId_ = core_.OpenKeptRoom(kDemoExchange, kDemoRoom);
  next_ = 0;
  timer_.start(DemoScript()[0].delayMs);
}

void DemoRunner::PlayNext() {
  const auto script = DemoScript();
  PlayDemoStep(core_, roomId_, script[next_]);
  server_.Flush();
  next_ = (next_ + 1) % script.size();
  timer_.start(script[next_].delayMs);
}
