// Wrong passwords for one screen name: after limits::kMaxWrongPasswords
// within limits::kWrongPasswordWindowSeconds, every try is refused for
// limits::kSignOnBlockSeconds, whether its password is right or not, so
// that a refusal tells a guesser nothing. Time comes from the caller.
#pragma once

#include <cstdint>
#include <deque>

class PasswordThrottle {
 public:
  [[nodiscard]] bool Blocked(std::int64_t now) const { return now < blockedUntil_; }
  void Failed(std::int64_t now);
  // True when nothing is remembered any more, so the record may go.
  [[nodiscard]] bool Forgotten(std::int64_t now) const;

 private:
  // Times of the recent wrong passwords, oldest first.
  std::deque<std::int64_t> failures_;
  std::int64_t blockedUntil_ = 0;
};
