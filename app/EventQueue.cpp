#include "EventQueue.h"

#include <algorithm>
#include <utility>

EventQueue::EventQueue(Presenter presenter, std::size_t maxWaitingBytes, std::size_t maxWaitingLines)
    : presenter_(std::move(presenter)), maxBytes_(maxWaitingBytes), maxLines_(maxWaitingLines) {}

void EventQueue::Run(std::function<void()> work, std::size_t bytes) {
  if (stopped_) return;
  Entry entry;
  entry.work = std::move(work);
  entry.workBytes = bytes;
  RunOrWait(std::move(entry));
}

void EventQueue::Run(Message message) {
  if (stopped_ || (message.alerts == 0 && !message.line)) return;
  Entry entry;
  entry.kind = Entry::Kind::Message;
  entry.work = std::move(message.line);
  entry.workBytes = entry.work ? message.lineBytes : 0;
  entry.alert = std::move(message.alert);
  entry.alerts = message.alerts;
  RunOrWait(std::move(entry));
}

void EventQueue::Discard() {
  stopped_ = true;
  pending_.Clear();
  linesNotShown_ = 0;
  alertsDropped_ = 0;
}

void EventQueue::RunOrWait(Entry entry) {
  if (running_) {
    Wait(std::move(entry));
    return;
  }
  running_ = true;
  Execute(entry);
  Drain();
}

void EventQueue::Wait(Entry entry) {
  const bool line = entry.kind == Entry::Kind::Message && entry.work;
  if (MakeRoom(Pending::Cost(entry), line ? 1 : 0) || entry.kind == Entry::Kind::Session) {
    pending_.PushBack(std::move(entry));
    return;
  }
  if (entry.work) {
    entry.work = nullptr;
    entry.workBytes = 0;
    ++linesNotShown_;
  }
  if (entry.alerts > 0 && pending_.AlertBytes() + Pending::AlertCost(entry) <= maxBytes_) {
    pending_.PushBack(std::move(entry));
  } else {
    alertsDropped_ += entry.alerts;
  }
}

bool EventQueue::MakeRoom(std::size_t need, std::size_t lines) {
  while (pending_.Bytes() + need > maxBytes_ || pending_.Lines() + lines > maxLines_) {
    if (!pending_.DropOldestLine()) return false;
    ++linesNotShown_;
  }
  return true;
}

void EventQueue::Drain() {
  while (!stopped_) {
    if (!pending_.Empty()) {
      Entry entry = pending_.PopFront();
      Execute(entry);
      continue;
    }
    presenter_.drained();
    // The notices come last, so that what they report is the newest thing shown.
    if (!pending_.Empty()) continue;
    if (linesNotShown_ > 0) {
      presenter_.linesNotShown(std::exchange(linesNotShown_, 0));
    } else if (alertsDropped_ > 0) {
      presenter_.alertsDropped(std::exchange(alertsDropped_, 0));
    } else {
      break;
    }
  }
  running_ = false;
}

void EventQueue::Execute(Entry& entry) {
  if (entry.kind == Entry::Kind::Message) {
    for (std::size_t i = 0; i < entry.alerts && !stopped_; ++i) presenter_.showAlert(entry.alert);
    if (entry.work && !stopped_) entry.work();
  } else {
    entry.work();
  }
}

std::size_t EventQueue::Pending::Cost(const Entry& entry) {
  return kEntryBytes + entry.workBytes + static_cast<std::size_t>(entry.alert.size()) * sizeof(QChar);
}

std::size_t EventQueue::Pending::AlertCost(const Entry& entry) {
  return entry.alerts > 0 ? kEntryBytes + static_cast<std::size_t>(entry.alert.size()) * sizeof(QChar) : 0;
}

void EventQueue::Pending::PushBack(Entry entry) {
  bytes_ += Cost(entry);
  alertBytes_ += AlertCost(entry);
  peak_ = std::max(peak_, bytes_);
  const bool line = entry.kind == Entry::Kind::Message && entry.work;
  const bool alerts = entry.alerts > 0;
  entries_.push_back(std::move(entry));
  if (line) (alerts ? alertLines_ : plainLines_).push_back(std::prev(entries_.end()));
}

EventQueue::Entry EventQueue::Pending::PopFront() {
  const Position front = entries_.begin();
  if (!plainLines_.empty() && plainLines_.front() == front) plainLines_.pop_front();
  if (!alertLines_.empty() && alertLines_.front() == front) alertLines_.pop_front();
  bytes_ -= Cost(*front);
  alertBytes_ -= AlertCost(*front);
  Entry entry = std::move(*front);
  entries_.pop_front();
  return entry;
}

bool EventQueue::Pending::DropOldestLine() {
  std::deque<Position>& lines = plainLines_.empty() ? alertLines_ : plainLines_;
  if (lines.empty()) return false;
  const Position at = lines.front();
  lines.pop_front();
  bytes_ -= at->workBytes;
  at->work = nullptr;
  at->workBytes = 0;
  // Nothing is left of a message without alerts once its line has gone.
  if (at->alerts == 0) {
    bytes_ -= Cost(*at);
    entries_.erase(at);
  }
  return true;
}

void EventQueue::Pending::Clear() {
  plainLines_.clear();
  alertLines_.clear();
  entries_.clear();
  bytes_ = 0;
  alertBytes_ = 0;
}
