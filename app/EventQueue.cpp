#include "EventQueue.h"

#include <utility>

void EventQueue::Run(std::function<void()> work) {
  if (pending_.size() >= kMaxWaiting) return;
  pending_.push_back(std::move(work));
  if (running_) return;
  running_ = true;
  while (!pending_.empty()) {
    auto next = std::move(pending_.front());
    pending_.pop_front();
    next();
  }
  running_ = false;
}
