// A rate limit as a token bucket: up to burst actions at once, then
// perSecond actions a second. Time comes from the caller, in seconds.
#pragma once

#include <cstdint>
#include <optional>

class TokenBucket {
 public:
  TokenBucket(std::int64_t burst, std::int64_t perSecond) : burst_(burst), perSecond_(perSecond), tokens_(burst) {}

  // Takes one token at time now; false, taking nothing, when none is left.
  bool Take(std::int64_t now);
  // Takes count tokens at time now, going below none if it must: what is
  // spent past the bucket is owed, and nothing is left until it is repaid.
  // At most this one spending is owed, so that a bucket passed over while
  // something else allowed the spending is soon available again.
  void Spend(std::int64_t now, std::int64_t count);
  // True when a token is left at now.
  [[nodiscard]] bool Available(std::int64_t now) const;
  // True when the bucket would be full again at now: it remembers nothing.
  [[nodiscard]] bool Full(std::int64_t now) const;

 private:
  std::int64_t burst_;
  std::int64_t perSecond_;
  std::int64_t tokens_;
  std::optional<std::int64_t> last_;

  // The tokens at now: a clock set back refills nothing, a long pause no more than the burst.
  [[nodiscard]] std::int64_t TokensAt(std::int64_t now) const;
  void Refill(std::int64_t now);
};
