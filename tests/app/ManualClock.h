// A session clock for tests: time moves only when the test says so.
#pragma once

#include <functional>
#include <optional>
#include <utility>

#include "SessionClock.h"

class ManualClock : public SessionClock {
 public:
  [[nodiscard]] Time Now() const override { return now; }
  void WakeAt(Time when, std::function<void()> wake) override {
    wakeAt = when;
    wake_ = std::move(wake);
  }
  void CancelWake() override {
    wakeAt.reset();
    wake_ = {};
  }
  // Moves time on, waking at each time asked for on the way.
  void Advance(Time step) {
    const Time until = now + step;
    while (wakeAt && *wakeAt <= until) {
      now = *std::exchange(wakeAt, std::nullopt);
      std::exchange(wake_, {})();
    }
    now = until;
  }

  Time now{0};
  std::optional<Time> wakeAt;

 private:
  std::function<void()> wake_;
};
