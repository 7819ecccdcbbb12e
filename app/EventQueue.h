// Runs the window's handling of the control's events one at a time.
//
// An alert box runs a nested event loop, inside which the connection keeps
// being served and the control keeps raising events. Handling them there
// would open a second box over the first and show later effects before
// earlier ones; instead, work that arrives while other work is running waits
// here and runs, in arrival order, once the running work has returned.
//
// The wait is bounded: a server flooding the room while a box stays open
// must not grow the queue without limit, so work past kMaxWaiting is dropped.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>

class EventQueue {
 public:
  static constexpr std::size_t kMaxWaiting = 10000;

  // Runs work now, or after the work already running and queued.
  void Run(std::function<void()> work);
  // Drops the queued work; used when the program ends.
  void Discard() { pending_.clear(); }
  [[nodiscard]] bool Busy() const { return running_; }

 private:
  std::deque<std::function<void()>> pending_;
  bool running_ = false;
};
