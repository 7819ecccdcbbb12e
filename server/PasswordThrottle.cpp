#include "PasswordThrottle.h"

#include "ServerLimits.h"

void PasswordThrottle::Failed(std::int64_t now) {
  while (!failures_.empty() && now - failures_.front() >= limits::kWrongPasswordWindowSeconds) failures_.pop_front();
  failures_.push_back(now);
  if (failures_.size() < static_cast<std::size_t>(limits::kMaxWrongPasswords)) return;
  failures_.clear();
  blockedUntil_ = now + limits::kSignOnBlockSeconds;
}

bool PasswordThrottle::Forgotten(std::int64_t now) const {
  return !Blocked(now) && (failures_.empty() || now - failures_.back() >= limits::kWrongPasswordWindowSeconds);
}
