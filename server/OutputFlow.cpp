#include "OutputFlow.h"

#include <algorithm>

void OutputFlow::SetUnsent(Pending& queue, std::size_t unsent) {
  const bool wasCrowded = queue.unsent > bounds_.holdAbove;
  const bool crowded = unsent > bounds_.holdAbove;
  if (crowded && !wasCrowded) ++crowded_;
  if (wasCrowded && !crowded) --crowded_;
  total_ = total_ - queue.unsent + unsent;
  queue.unsent = unsent;
}

bool OutputFlow::Queue(ConnectionId id, std::size_t count, std::int64_t now) {
  auto& queue = queues_[id];
  if (queue.unsent == 0) queue.lastProgress = now;
  SetUnsent(queue, queue.unsent + count);
  if (!slowed_ && total_ > bounds_.slowAbove) {
    slowed_ = true;
    slowedSince_ = now;
  }
  return queue.unsent <= bounds_.perConnection;
}

void OutputFlow::Written(ConnectionId id, std::size_t count, std::int64_t now) {
  const auto it = queues_.find(id);
  if (it == queues_.end()) return;
  SetUnsent(it->second, it->second.unsent - std::min(count, it->second.unsent));
  it->second.lastProgress = now;
  if (slowed_ && total_ < bounds_.resumeBelow) slowed_ = false;
}

void OutputFlow::Forget(ConnectionId id) {
  const auto it = queues_.find(id);
  if (it == queues_.end()) return;
  SetUnsent(it->second, 0);
  queues_.erase(it);
  if (slowed_ && total_ < bounds_.resumeBelow) slowed_ = false;
}

std::vector<ConnectionId> OutputFlow::ToCutOff(std::int64_t now) const {
  std::vector<ConnectionId> cut;
  std::vector<std::pair<std::size_t, ConnectionId>> others;
  std::size_t left = total_;
  for (const auto& [id, queue] : queues_) {
    if (queue.unsent > 0 && now - queue.lastProgress >= bounds_.stallSeconds) {
      cut.push_back(id);
      left -= queue.unsent;
    } else if (queue.unsent > 0) {
      others.emplace_back(queue.unsent, id);
    }
  }
  const bool lasting = slowed_ && now - slowedSince_ >= bounds_.slowedSeconds;
  if (left <= bounds_.total && !lasting) return cut;
  std::sort(others.begin(), others.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [unsent, id] : others) {
    if (left < bounds_.resumeBelow) break;
    cut.push_back(id);
    left -= unsent;
  }
  return cut;
}

std::size_t OutputFlow::Unsent(ConnectionId id) const {
  const auto it = queues_.find(id);
  return it == queues_.end() ? 0 : it->second.unsent;
}
