#include "TokenBucket.h"

#include <algorithm>

std::int64_t TokenBucket::TokensAt(std::int64_t now) const {
  if (!last_ || now <= *last_) return tokens_;
  const std::int64_t elapsed = std::min(now - *last_, burst_);
  return std::min(burst_, tokens_ + elapsed * perSecond_);
}

void TokenBucket::Refill(std::int64_t now) {
  tokens_ = TokensAt(now);
  if (!last_ || now > *last_) last_ = now;
}

bool TokenBucket::Take(std::int64_t now) {
  Refill(now);
  if (tokens_ <= 0) return false;
  --tokens_;
  return true;
}

void TokenBucket::Spend(std::int64_t now, std::int64_t count) {
  Refill(now);
  tokens_ = std::max(tokens_ - count, -count);
}

bool TokenBucket::Available(std::int64_t now) const { return TokensAt(now) > 0; }

bool TokenBucket::Full(std::int64_t now) const {
  return !last_ || tokens_ + std::max<std::int64_t>(now - *last_, 0) * perSecond_ >= burst_;
}
