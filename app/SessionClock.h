// The time and the one pending wake-up that keeping a session needs, behind
// an interface so that tests move time by hand instead of waiting.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <functional>

class SessionClock {
 public:
  using Time = std::chrono::milliseconds;

  virtual ~SessionClock() = default;
  // Time on a monotonic clock, from any fixed start.
  [[nodiscard]] virtual Time Now() const = 0;
  // Calls wake once, at when or soon after; replaces any earlier request.
  virtual void WakeAt(Time when, std::function<void()> wake) = 0;
  virtual void CancelWake() = 0;
};

// The real clock, waking through a single-shot QTimer on this thread.
class QtSessionClock : public SessionClock {
 public:
  QtSessionClock();
  [[nodiscard]] Time Now() const override;
  void WakeAt(Time when, std::function<void()> wake) override;
  void CancelWake() override;

 private:
  QElapsedTimer elapsed_;
  QTimer timer_;
  std::function<void()> wake_;
};
