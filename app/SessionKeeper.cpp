#include "SessionKeeper.h"

#include <algorithm>
#include <utility>

SessionKeeper::SessionKeeper(bool retry, Random random) : retry_(retry), random_(std::move(random)) {}

void SessionKeeper::SignOnPressed(Time now) {
  wanted_ = true;
  nextDelay_ = kFirstDelay;
  retryAt_.reset();
  sessionStart_.reset();
  deadline_ = now + kSignOnLimit;
}

void SessionKeeper::SignOffPressed() {
  wanted_ = false;
  retryAt_.reset();
  deadline_.reset();
  sessionStart_.reset();
}

void SessionKeeper::LoggedIn(Time now) {
  deadline_.reset();
  sessionStart_ = now;
}

std::optional<SessionKeeper::Time> SessionKeeper::Dropped(Time now) {
  deadline_.reset();
  if (sessionStart_ && now - *sessionStart_ >= kSteadySession) nextDelay_ = kFirstDelay;
  sessionStart_.reset();
  if (!retry_ || !wanted_) return std::nullopt;
  const double shortening = std::clamp(random_(), 0.0, 1.0) / 5;
  const Time delay = nextDelay_ - std::chrono::duration_cast<Time>(nextDelay_ * shortening);
  nextDelay_ = std::min(nextDelay_ * 2, kLongestDelay);
  retryAt_ = now + delay;
  return delay;
}

void SessionKeeper::Refused() {
  wanted_ = false;
  retryAt_.reset();
  deadline_.reset();
}

std::optional<SessionKeeper::Time> SessionKeeper::NextWake() const {
  if (deadline_ && retryAt_) return std::min(*deadline_, *retryAt_);
  return deadline_ ? deadline_ : retryAt_;
}

SessionKeeper::Due SessionKeeper::Wake(Time now) {
  if (deadline_ && now >= *deadline_) {
    deadline_.reset();
    return Due::SignOnTimedOut;
  }
  if (retryAt_ && now >= *retryAt_) {
    retryAt_.reset();
    deadline_ = now + kSignOnLimit;
    return Due::SignOnAgain;
  }
  return Due::Nothing;
}
