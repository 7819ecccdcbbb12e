#include "Session.h"

#include <algorithm>
#include <utility>

#include "Functions.h"
#include "TocErrorCodes.h"

namespace {

bool RefusesSignOn(const std::string& code) {
  return code == toc_error::kBadAccount || code == toc_error::kSignOnTooSoon || code == toc_error::kSignOnFailed;
}

// A wrong account or password, or a blocked name, stays so however often
// Klaxo tries. "Too soon" and the other 989 sub-codes may pass later.
bool NoRetryPasses(const Session::Refused& refusal) {
  const std::string code = std::to_string(refusal.code);
  const std::string subCode = std::to_string(refusal.subCode);
  return code == toc_error::kBadAccount ||
         (code == toc_error::kSignOnFailed &&
          (subCode == toc_error::kBadScreenNameOrPassword || subCode == toc_error::kSignOnBlocked));
}

std::string Seconds(Session::Time time) {
  return std::to_string(std::chrono::ceil<std::chrono::seconds>(time).count()) + " s";
}

}  // namespace

Session::Session(Options options, Random random)
    : options_(options), random_(std::move(random)), rememberPassword_(options.rememberPassword) {}

Session::Actions Session::Handle(const Event& event, Time now) {
  return std::visit([&](const auto& e) { return On(e, now); }, event);
}

std::optional<Session::Time> Session::NextWake() const {
  if (const auto* signingOn = std::get_if<SigningOn>(&state_)) return signingOn->deadline;
  if (const auto* waiting = std::get_if<WaitingToRetry>(&state_)) return waiting->until;
  if (Connected()) return heard_.asked ? *heard_.asked + kAnswerLimit : heard_.checked + kSilenceCheck;
  return std::nullopt;
}

bool Session::Connected() const {
  return std::holds_alternative<SignedOn>(state_) || std::holds_alternative<Rejoining>(state_);
}

void Session::Forget() {
  credentials_.reset();
  requested_.clear();
  room_.reset();
}

Session::Actions Session::SignOn(Credentials credentials, Time now) {
  Forget();
  credentials_ = std::move(credentials);
  nextDelay_ = kFirstDelay;
  state_ = SigningOn{now + kSignOnLimit, startRoom_};
  return {Login{credentials_->name, credentials_->password}};
}

Session::Actions Session::On(const SignOnPressed& event, Time now) { return SignOn({event.name, event.password}, now); }

Session::Actions Session::On(const Started& event, Time) {
  startRoom_ = event.join;
  if (event.name.empty()) return {};
  state_ = AwaitingPassword{event.name};
  return {Show{Show::AskingKeyring, event.name}, ReadPassword{event.name}};
}

Session::Actions Session::On(const PasswordFound& event, Time now) {
  // A Sign On or Sign Off pressed while the keyring was asked stands.
  const auto* awaiting = std::get_if<AwaitingPassword>(&state_);
  if (awaiting == nullptr) return {};
  const std::string name = awaiting->name;
  Actions actions = SignOn({name, event.password, true}, now);
  actions.insert(actions.begin(), Show{Show::SigningOn, name});
  return actions;
}

Session::Actions Session::On(const NoPassword& event, Time) {
  const auto* awaiting = std::get_if<AwaitingPassword>(&state_);
  if (awaiting == nullptr) return {};
  const std::string name = awaiting->name;
  state_ = Idle{};
  return {Show{Show::NoPassword, name, event.why}};
}

Session::Actions Session::On(const SignOffPressed&, Time) {
  const bool open = Connected() || std::holds_alternative<SigningOn>(state_);
  Forget();
  state_ = Idle{};
  if (!open) return {LogOff{}};
  return {LogOff{}, Report{"Signed off"}};
}

Session::Actions Session::On(const ExitPressed&, Time) {
  // The program ends with its connection, without signing off.
  const bool open = Connected() || std::holds_alternative<SigningOn>(state_);
  Forget();
  state_ = Idle{};
  if (!open) return {};
  return {Report{"Signed off: Klaxo exits"}};
}

Session::Actions Session::On(const JoinPressed& event, Time) {
  requested_[Normalize(event.room.name)] = event.room;
  // The user's own join ends a rejoin the server never confirmed.
  if (const auto* rejoining = std::get_if<Rejoining>(&state_)) state_ = SignedOn{rejoining->since};
  return {Join{event.room}};
}

Session::Actions Session::On(const LoggedIn& event, Time now) {
  Actions actions;
  if (const auto* signingOn = std::get_if<SigningOn>(&state_)) {
    // Also on a retry: the first try of the password typed may have been lost.
    if (rememberPassword_ && credentials_ && !credentials_->fromKeyring) {
      rememberPassword_ = false;
      actions.emplace_back(StorePassword{credentials_->name, credentials_->password});
    }
    startRoom_.reset();
    heard_.at = heard_.checked = now;
    heard_.asked.reset();
    if (signingOn->join) {
      state_ = Rejoining{*signingOn->join, now};
      actions.emplace_back(Defer{});
    } else {
      state_ = SignedOn{now};
    }
  }
  // Anywhere else this is a configuration the server sent again: it changes
  // the status line and nothing else.
  actions.emplace_back(Show{Show::SignedOn, event.name});
  return actions;
}

Session::Actions Session::On(const SignOnStepsDone&, Time) {
  auto* rejoining = std::get_if<Rejoining>(&state_);
  if (rejoining == nullptr || rejoining->asked) return {};
  rejoining->asked = true;
  return {Join{rejoining->room}};
}

Session::Actions Session::On(const LoggedOut&, Time) { return {Show{Show::LoggedOff}}; }

Session::Actions Session::On(const JoinedChat& event, Time) {
  const std::string name = Normalize(event.name);
  if (const auto* rejoining = std::get_if<Rejoining>(&state_);
      rejoining != nullptr && rejoining->asked && Normalize(rejoining->room.name) == name) {
    room_ = rejoining->room;
    roomId_ = event.id;
    state_ = SignedOn{rejoining->since};
    // The room box may read something else by now: name the room rejoined.
    return {Show{Show::Rejoined, room_->name}};
  }
  if (const auto request = requested_.find(name); request != requested_.end()) {
    room_ = request->second;
    roomId_ = event.id;
  }
  return {Show{Show::Joined}};
}

Session::Actions Session::On(const LeftChat& event, Time) {
  if (room_ && event.id == roomId_) room_.reset();
  return {Show{Show::Left}};
}

Session::Actions Session::On(const Lost& event, Time now) {
  if (!event.lasting) return Dropped(event.reason, now);
  Forget();
  state_ = Idle{};
  return {Show{Show::Disconnected, event.reason}};
}

Session::Actions Session::On(const ServerError& event, Time) {
  const std::string code = std::to_string(event.code);
  // The control reports a refusal once more, as Refused, with its sub-code.
  if (RefusesSignOn(code)) return {};
  // The server cannot reach the name Klaxo asked about: an answer all the same.
  if (code == toc_error::kUserNotAvailable && heard_.asked) {
    heard_.asked.reset();
    return {};
  }
  return {Show{code == toc_error::kTooFast ? Show::LineRefused : Show::Error, event.text}};
}

Session::Actions Session::On(const Refused& event, Time now) {
  const std::string code = std::to_string(event.code);
  // The connection is closed here, so that the server's closing does not
  // hide its reason.
  if (options_.reconnect && !NoRetryPasses(event)) {
    // The server asks for a wait: a try before its delay runs out would be
    // refused again, and would lengthen the delay of a name after wrong passwords.
    if (code == toc_error::kSignOnTooSoon) nextDelay_ = kLongestDelay;
    return GiveUp(event.text, now);
  }
  std::string kept;
  if (credentials_ && credentials_->fromKeyring) {
    kept = "the password stored in the keyring for '" + credentials_->name + "'; it stays stored";
  } else if (rememberPassword_) {
    kept = "the password was not stored";
  }
  Forget();
  state_ = Idle{};
  return {LogOff{}, Show{Show::Refused, event.text, kept},
          Report{"Sign-on refused: " + event.text + (kept.empty() ? "" : " (" + kept + ")")}};
}

Session::Actions Session::On(const TimerFired& event, Time now) {
  if (const auto* signingOn = std::get_if<SigningOn>(&state_); signingOn != nullptr && now >= signingOn->deadline) {
    const auto limit = std::chrono::duration_cast<std::chrono::seconds>(kSignOnLimit).count();
    return GiveUp("The server did not complete the sign-on within " + std::to_string(limit) + " seconds", now);
  }
  if (const auto* waiting = std::get_if<WaitingToRetry>(&state_);
      waiting != nullptr && now >= waiting->until && credentials_) {
    state_ = SigningOn{now + kSignOnLimit, room_ ? room_ : startRoom_};
    return {Show{Show::SigningOnAgain, credentials_->name}, Login{credentials_->name, credentials_->password}};
  }
  if (!Connected() || now < *NextWake()) return {};
  heard_.checked = now;
  if (event.received != heard_.bytes) {
    heard_.bytes = event.received;
    heard_.at = now;
    heard_.asked.reset();
    return {};
  }
  if (heard_.asked) {
    return GiveUp("No answer from the server within " + Seconds(kAnswerLimit) + " of asking, after " +
                      Seconds(kQuietLimit) + " without a byte",
                  now);
  }
  if (now - heard_.at < kQuietLimit) return {};
  heard_.asked = now;
  return {Probe{}};
}

Session::Actions Session::On(const TooLong& event, Time) {
  if (event.signOn) {
    // It would be refused the same way at every try.
    Forget();
    state_ = Idle{};
    return {Show{Show::SignOnTooLong}};
  }
  if (const auto* rejoining = std::get_if<Rejoining>(&state_)) state_ = SignedOn{rejoining->since};
  return {Show{Show::JoinTooLong}};
}

Session::Actions Session::GiveUp(const std::string& reason, Time now) {
  Actions actions{LogOff{}};
  for (Action& action : Dropped(reason, now)) actions.push_back(std::move(action));
  return actions;
}

Session::Actions Session::Dropped(const std::string& reason, Time now) {
  std::optional<Time> since;
  if (const auto* signedOn = std::get_if<SignedOn>(&state_)) since = signedOn->since;
  if (const auto* rejoining = std::get_if<Rejoining>(&state_)) since = rejoining->since;
  if (since && now - *since >= kSteadySession) nextDelay_ = kFirstDelay;
  const bool wanted = !std::holds_alternative<Idle>(state_) && credentials_;
  if (!options_.reconnect || !wanted) {
    Forget();
    state_ = Idle{};
    return {Show{Show::Disconnected, reason}, Report{"Disconnected: " + reason}};
  }
  const double shortening = std::clamp(random_(), 0.0, 1.0) / 5;
  const Time delay = nextDelay_ - std::chrono::duration_cast<Time>(nextDelay_ * shortening);
  nextDelay_ = std::min(nextDelay_ * 2, kLongestDelay);
  state_ = WaitingToRetry{now + delay};
  return {Show{Show::Disconnected, reason, {}, delay},
          Report{"Disconnected: " + reason + "; signing on again in " + Seconds(delay)}};
}
