// Keeps the session the user asked for: the time limit on a sign-on and,
// when retrying is on, the next sign-on after a lost connection.
//
// A sign-on that has not reached LoggedIn within kSignOnLimit is given up.
// A session is wanted from Sign On until Sign Off (or until the server
// refuses the sign-on); while it is wanted and retrying is on, every lost
// connection or failed try schedules the next sign-on: the first after
// kFirstDelay, each later one after twice the delay before, up to
// kLongestDelay. Each delay is shortened by a random part of up to a fifth,
// so that clients dropped together do not all return at the same moment, and
// no delay ever exceeds its nominal value. A session that lasted
// kSteadySession starts the delays again from the first.
//
// No clock or timer here: the caller passes the time, asks NextWake when to
// call Wake, and supplies the randomness, so tests drive it exactly.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

class SessionKeeper {
 public:
  // Time on one monotonic clock, from any fixed start.
  using Time = std::chrono::milliseconds;
  // A number from 0 (inclusive) to 1 (exclusive).
  using Random = std::function<double()>;

  static constexpr Time kSignOnLimit = std::chrono::seconds(60);
  static constexpr Time kFirstDelay = std::chrono::seconds(2);
  static constexpr Time kLongestDelay = std::chrono::minutes(5);
  static constexpr Time kSteadySession = std::chrono::minutes(5);

  SessionKeeper(bool retry, Random random);

  // The user pressed Sign On: a session is wanted, a pending try is dropped,
  // and the delays start again from the first.
  void SignOnPressed(Time now);
  // Sign Off or Exit: no session is wanted and nothing is pending.
  void SignOffPressed();
  void LoggedIn(Time now);
  // The connection failed or was lost, or a sign-on ran out of time. Returns
  // the delay until the next try when one is scheduled.
  std::optional<Time> Dropped(Time now);
  // The server refused the sign-on: trying again would not help.
  void Refused();

  // When Wake is due, if anything is pending.
  [[nodiscard]] std::optional<Time> NextWake() const;

  enum class Due { Nothing, SignOnTimedOut, SignOnAgain };
  // What is due at now. After SignOnAgain the caller signs on and the time
  // limit runs for that try; after SignOnTimedOut the caller closes the
  // connection and reports it through Dropped.
  Due Wake(Time now);

  [[nodiscard]] bool Wanted() const { return wanted_; }

 private:
  bool retry_;
  Random random_;
  bool wanted_ = false;
  Time nextDelay_ = kFirstDelay;
  std::optional<Time> deadline_;
  std::optional<Time> retryAt_;
  std::optional<Time> sessionStart_;
};
