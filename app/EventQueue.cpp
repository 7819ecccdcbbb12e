#include "EventQueue.h"

#include <algorithm>
#include <utility>

EventQueue::EventQueue(Presenter presenter, std::size_t maxWaitingBytes)
    : presenter_(std::move(presenter)), maxBytes_(maxWaitingBytes) {}

void EventQueue::Run(std::function<void()> work, std::size_t bytes) {
  if (stopped_) return;
  Entry entry;
  entry.work = std::move(work);
  entry.workBytes = bytes;
  Wait(std::move(entry));
}

void EventQueue::Run(Message message) {
  if (stopped_ || (message.alerts == 0 && !message.line)) return;
  Entry entry;
  entry.kind = Entry::Message;
  entry.work = std::move(message.line);
  entry.workBytes = entry.work ? message.lineBytes : 0;
  entry.alert = std::move(message.alert);
  entry.alerts = message.alerts;
  Wait(std::move(entry));
}

void EventQueue::Discard() {
  stopped_ = true;
  plainLines_.clear();
  alertLines_.clear();
  alerting_.clear();
  notice_.reset();
  pending_.clear();
  alertsDropped_ = 0;
  bytes_ = 0;
}

std::size_t EventQueue::Cost(const Entry& entry) {
  return kEntryBytes + entry.workBytes + static_cast<std::size_t>(entry.alert.size()) * sizeof(QChar);
}

void EventQueue::Wait(Entry entry) {
  if (!running_) {
    running_ = true;
    Execute(entry);
    Drain();
    return;
  }
  const bool keep = entry.kind == Entry::Work;
  if (MakeRoom(Cost(entry), keep) || keep) {
    Append(std::move(entry));
    return;
  }
  if (entry.work) {
    entry.work = nullptr;
    entry.workBytes = 0;
    NoteNotShown(pending_.end());
  }
  if (entry.alerts > 0 && bytes_ + Cost(entry) <= maxBytes_) {
    Append(std::move(entry));
  } else {
    alertsDropped_ += entry.alerts;
  }
}

void EventQueue::Append(Entry entry) {
  bytes_ += Cost(entry);
  peak_ = std::max(peak_, bytes_);
  const bool line = entry.kind == Entry::Message && entry.work;
  const bool alerts = entry.alerts > 0;
  pending_.push_back(std::move(entry));
  const Position at = std::prev(pending_.end());
  if (line) (alerts ? alertLines_ : plainLines_).push_back(at);
  if (alerts) alerting_.push_back(at);
}

bool EventQueue::MakeRoom(std::size_t need, bool alerts) {
  while (bytes_ + need > maxBytes_) {
    std::deque<Position>& lines = plainLines_.empty() ? alertLines_ : plainLines_;
    if (lines.empty()) {
      // Every line has gone, so what is left of an alerting message is its alerts.
      if (!alerts || alerting_.empty()) return false;
      const Position newest = alerting_.back();
      alerting_.pop_back();
      alertsDropped_ += newest->alerts;
      bytes_ -= Cost(*newest);
      pending_.erase(newest);
      continue;
    }
    const Position at = lines.front();
    lines.pop_front();
    bytes_ -= at->workBytes;
    at->work = nullptr;
    at->workBytes = 0;
    if (at->alerts > 0) {
      NoteNotShown(std::next(at));
    } else if (notice_) {
      ++(*notice_)->notShown;
      bytes_ -= Cost(*at);
      pending_.erase(at);
    } else {
      // Nothing is left of the message but its place: the notice takes it.
      at->kind = Entry::Notice;
      at->notShown = 1;
      notice_ = at;
    }
  }
  return true;
}

void EventQueue::NoteNotShown(Position at) {
  if (notice_) {
    ++(*notice_)->notShown;
    return;
  }
  Entry notice;
  notice.kind = Entry::Notice;
  notice.notShown = 1;
  bytes_ += Cost(notice);
  peak_ = std::max(peak_, bytes_);
  notice_ = pending_.insert(at, std::move(notice));
}

void EventQueue::Drain() {
  while (!stopped_) {
    if (!pending_.empty()) {
      const Position front = pending_.begin();
      if (!plainLines_.empty() && plainLines_.front() == front) plainLines_.pop_front();
      if (!alertLines_.empty() && alertLines_.front() == front) alertLines_.pop_front();
      if (!alerting_.empty() && alerting_.front() == front) alerting_.pop_front();
      if (notice_ == front) notice_.reset();
      bytes_ -= Cost(*front);
      Entry entry = std::move(*front);
      pending_.pop_front();
      Execute(entry);
    } else if (alertsDropped_ > 0) {
      presenter_.alertsDropped(std::exchange(alertsDropped_, 0));
    } else {
      break;
    }
  }
  running_ = false;
}

void EventQueue::Execute(Entry& entry) {
  switch (entry.kind) {
    case Entry::Work:
      entry.work();
      break;
    case Entry::Message:
      for (std::size_t i = 0; i < entry.alerts && !stopped_; ++i) presenter_.showAlert(entry.alert);
      if (entry.work && !stopped_) entry.work();
      break;
    case Entry::Notice:
      presenter_.linesNotShown(entry.notShown);
      break;
  }
}
