#include "EventQueue.h"

#include <algorithm>
#include <utility>

EventQueue::EventQueue(Presenter presenter, std::size_t maxWaitingBytes, std::size_t maxWaitingLines,
                       std::size_t maxWaitingAlerts)
    : presenter_(std::move(presenter)),
      maxBytes_(maxWaitingBytes),
      maxLines_(maxWaitingLines),
      maxAlerts_(maxWaitingAlerts) {}

void EventQueue::Run(Work work) {
  if (stopped_) return;
  Entry entry;
  if (auto* alert = std::get_if<Alert>(&work)) {
    if (alert->times == 0 && !alert->line) return;
    entry.policy = Entry::Policy::Alert;
    entry.alert = std::move(alert->value);
    entry.words = std::move(alert->words);
    entry.alerts = alert->times;
    entry.work = std::move(alert->line);
    entry.workBytes = entry.work ? alert->lineBytes : 0;
  } else if (auto* line = std::get_if<Line>(&work)) {
    entry.work = std::move(line->write);
    entry.workBytes = line->bytes;
  } else {
    auto& state = std::get<State>(work);
    entry.policy = Entry::Policy::State;
    entry.shown = state.what;
    entry.work = std::move(state.show);
    entry.workBytes = state.bytes;
  }
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
  // A state replaces the one before; there is one of each thing shown.
  if (entry.policy == Entry::Policy::State) {
    pending_.PushBack(std::move(entry));
    return;
  }
  if (entry.alerts > 0) {
    const std::size_t room = maxAlerts_ - std::min(maxAlerts_, pending_.Alerts());
    if (entry.alerts > room) {
      alertsDropped_ += entry.alerts - room;
      entry.alerts = room;
    }
    if (entry.alerts == 0) {
      entry.alert = {};
      entry.words.clear();
    }
  }
  if (entry.alerts == 0 && !entry.work) return;
  if (MakeRoom(Pending::Cost(entry), entry.work ? 1 : 0)) {
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
    // The notices come last, so that what they report is the newest thing shown.
    if (linesNotShown_ > 0) {
      presenter_.linesNotShown(std::exchange(linesNotShown_, 0));
    } else if (alertsDropped_ > 0) {
      if (presenter_.alertsDropped(std::exchange(alertsDropped_, 0))) DismissWaitingAlerts();
    } else {
      break;
    }
  }
  running_ = false;
}

void EventQueue::Execute(Entry& entry) {
  for (std::size_t i = 0; i < entry.alerts && !stopped_; ++i) {
    if (i < static_cast<std::size_t>(entry.words.size())) entry.alert.word = entry.words[static_cast<qsizetype>(i)];
    if (!presenter_.showAlert(entry.alert)) continue;
    DismissWaitingAlerts();
    break;
  }
  if (entry.work && !stopped_) entry.work();
}

void EventQueue::DismissWaitingAlerts() {
  pending_.DropAlerts();
  alertsDropped_ = 0;
}

namespace {

std::size_t ValueBytes(const AlertValue& alert, const QStringList& words) {
  qsizetype chars =
      alert.sender.size() + alert.text.size() + alert.word.size() + alert.room.size() + alert.notice.size();
  for (const QString& word : words) chars += word.size();
  return static_cast<std::size_t>(chars) * sizeof(QChar);
}

}  // namespace

std::size_t EventQueue::Pending::Cost(const Entry& entry) {
  return kEntryBytes + entry.workBytes + ValueBytes(entry.alert, entry.words);
}

std::size_t EventQueue::Pending::AlertCost(const Entry& entry) {
  return entry.alerts > 0 ? kEntryBytes + ValueBytes(entry.alert, entry.words) : 0;
}

void EventQueue::Pending::PushBack(Entry entry) {
  const Entry::Policy policy = entry.policy;
  const auto shown = static_cast<std::size_t>(entry.shown);
  if (policy == Entry::Policy::State && states_[shown]) Erase(*states_[shown]);
  bytes_ += Cost(entry);
  alertBytes_ += AlertCost(entry);
  alerts_ += entry.alerts;
  peak_ = std::max(peak_, bytes_);
  const bool line = policy != Entry::Policy::State && entry.work;
  const bool alerts = entry.alerts > 0;
  entries_.push_back(std::move(entry));
  const Position at = std::prev(entries_.end());
  if (policy == Entry::Policy::State) states_[shown] = at;
  if (line) (alerts ? alertLines_ : plainLines_).push_back(at);
}

EventQueue::Entry EventQueue::Pending::PopFront() {
  const Position front = entries_.begin();
  if (!plainLines_.empty() && plainLines_.front() == front) plainLines_.pop_front();
  if (!alertLines_.empty() && alertLines_.front() == front) alertLines_.pop_front();
  Entry entry = std::move(*front);
  if (entry.policy == Entry::Policy::State) states_[static_cast<std::size_t>(entry.shown)].reset();
  bytes_ -= Cost(entry);
  alertBytes_ -= AlertCost(entry);
  alerts_ -= entry.alerts;
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
  if (at->alerts == 0) Erase(at);
  return true;
}

void EventQueue::Pending::DropAlerts() {
  for (auto at = entries_.begin(); at != entries_.end();) {
    const Position entry = at++;
    if (entry->alerts == 0) continue;
    const std::size_t before = Cost(*entry);
    alertBytes_ -= AlertCost(*entry);
    alerts_ -= entry->alerts;
    entry->alerts = 0;
    entry->alert = {};
    entry->words.clear();
    if (entry->work) {
      bytes_ -= before - Cost(*entry);
    } else {
      bytes_ -= before;
      entries_.erase(entry);
    }
  }
  // What is left are plain lines and states, the lines in their age.
  alertLines_.clear();
  plainLines_.clear();
  for (auto at = entries_.begin(); at != entries_.end(); ++at) {
    if (at->policy != Entry::Policy::State && at->work) plainLines_.push_back(at);
  }
}

void EventQueue::Pending::Erase(Position at) {
  bytes_ -= Cost(*at);
  alertBytes_ -= AlertCost(*at);
  alerts_ -= at->alerts;
  entries_.erase(at);
}

void EventQueue::Pending::Clear() {
  plainLines_.clear();
  alertLines_.clear();
  states_ = {};
  entries_.clear();
  bytes_ = 0;
  alertBytes_ = 0;
  alerts_ = 0;
}
