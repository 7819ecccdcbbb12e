// The output each connection has been given and its socket has not yet
// written, bounded per connection (its send queue) and for the whole server.
//
// A connection whose queue passes its bound, or that writes nothing for
// limits::kStallSeconds while output waits, is to be cut off: no one else
// waits for it. Only when the total is high, as when everyone is behind in a
// burst, are talkers slowed: from above limits::kSlowAbove until it is below
// limits::kResumeBelow. When the total passes limits::kMaxQueuedTotal, or the
// slowing lasts limits::kSlowedSeconds, the largest queues are cut off first.
// A queue over limits::kHoldAbove is crowded: what more is sent to it holds
// its sender. Time comes from the caller, in seconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "ClientSession.h"
#include "ServerLimits.h"

struct FlowBounds {
  std::size_t perConnection = limits::kSendQueueBound;
  std::size_t slowAbove = limits::kSlowAbove;
  std::size_t resumeBelow = limits::kResumeBelow;
  std::size_t total = limits::kMaxQueuedTotal;
  std::int64_t stallSeconds = limits::kStallSeconds;
  std::int64_t slowedSeconds = limits::kSlowedSeconds;
  std::size_t holdAbove = limits::kHoldAbove;
};

class OutputFlow {
 public:
  explicit OutputFlow(FlowBounds bounds = {}) : bounds_(bounds) {}

  // count bytes more for id; false when that takes its queue over its bound.
  bool Queue(ConnectionId id, std::size_t count, std::int64_t now);
  void Written(ConnectionId id, std::size_t count, std::int64_t now);
  void Forget(ConnectionId id);

  // True while talkers are to be slowed.
  [[nodiscard]] bool Slowed() const { return slowed_; }
  // The connections to cut off at now, stalled readers first and then, while
  // the total is over its bound or the slowing has lasted, the largest queues
  // until the total would be back below limits::kResumeBelow.
  [[nodiscard]] std::vector<ConnectionId> ToCutOff(std::int64_t now) const;
  [[nodiscard]] std::size_t Unsent(ConnectionId id) const;
  [[nodiscard]] bool Crowded(ConnectionId id) const { return Unsent(id) > bounds_.holdAbove; }
  [[nodiscard]] bool AnyCrowded() const { return crowded_ > 0; }
  [[nodiscard]] std::size_t Total() const { return total_; }

 private:
  struct Pending {
    std::size_t unsent = 0;
    // When the connection last wrote anything, or its output began to wait.
    std::int64_t lastProgress = 0;
  };

  // Sets a queue's unsent count, keeping the totals.
  void SetUnsent(Pending& queue, std::size_t unsent);

  FlowBounds bounds_;
  std::unordered_map<ConnectionId, Pending> queues_;
  std::size_t total_ = 0;
  // Queues over bounds_.holdAbove.
  std::size_t crowded_ = 0;
  bool slowed_ = false;
  std::int64_t slowedSince_ = 0;
};
