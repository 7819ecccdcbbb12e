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
  // True when the bucket would be full again at now: it remembers nothing.
  [[nodiscard]] bool Full(std::int64_t now) const;

 private:
  std::int64_t burst_;
  std::int64_t perSecond_;
  std::int64_t tokens_;
  std::optional<std::int64_t> last_;
};
