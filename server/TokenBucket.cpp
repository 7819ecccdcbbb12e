#include "TokenBucket.h"

#include <algorithm>

bool TokenBucket::Take(std::int64_t now) {
  // A clock set back refills nothing; a long pause refills no more than the burst.
  if (last_ && now > *last_) {
    const std::int64_t elapsed = std::min(now - *last_, burst_);
    tokens_ = std::min(burst_, tokens_ + elapsed * perSecond_);
  }
  if (!last_ || now > *last_) last_ = now;
  if (tokens_ == 0) return false;
  --tokens_;
  return true;
}

bool TokenBucket::Full(std::int64_t now) const {
  return !last_ || tokens_ + std::max<std::int64_t>(now - *last_, 0) * perSecond_ >= burst_;
}
