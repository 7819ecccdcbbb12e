#include "SessionClock.h"

#include <algorithm>
#include <utility>

QtSessionClock::QtSessionClock() {
  elapsed_.start();
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::CoarseTimer);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
    // The wake may ask for the next one, which replaces wake_.
    auto wake = std::exchange(wake_, {});
    if (wake) wake();
  });
}

SessionClock::Time QtSessionClock::Now() const { return Time(elapsed_.elapsed()); }

void QtSessionClock::WakeAt(Time when, std::function<void()> wake) {
  wake_ = std::move(wake);
  timer_.start(std::max(when - Now(), Time(0)));
}

void QtSessionClock::CancelWake() {
  timer_.stop();
  wake_ = {};
}
