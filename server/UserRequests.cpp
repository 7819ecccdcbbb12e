// Instant messages, profiles, status, warnings and account changes. An
// instant message or a warning takes a token of the sender's message limit.
// A user whose privacy rules hide it from the sender is answered as offline.
// Away users answer instant messages themselves: TOC clients send their own
// automatic reply, so the server sends none.
#include <algorithm>
#include <limits>

#include "MessageFields.h"
#include "ServerCore.h"
#include "ServerLimits.h"
#include "ServerMessages.h"
#include "TocErrorCodes.h"
#include "WireText.h"

using to_client::InstantMessage;

namespace {

// The profile as a data URL, so that it needs no web server to be read.
std::string ProfileUrl(std::string_view profile) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "data:text/html;charset=utf-8,";
  for (char c : profile) {
    const auto code = static_cast<unsigned char>(c);
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                            c == '.' || c == '_' || c == '~';
    if (unreserved) {
      url += c;
    } else {
      url += '%';
      url += kHex[code >> 4];
      url += kHex[code & 0x0F];
    }
  }
  return url;
}

}  // namespace

std::string_view ServerCore::UserClass(const ClientSession& session) const {
  return session.awayMessage.empty() ? to_client::kPresentClass : to_client::kAwayClass;
}

ClientSession* ServerCore::MessageRecipient(ConnectionId id, ClientSession& session, std::string_view name,
                                            std::string_view unavailable) {
  ClientSession* recipient = Reachable(session, name);
  if (recipient == nullptr) {
    Send(id, session, to_client::Error(unavailable, name));
  } else if (!RatesOf(session).messages.Take(Now())) {
    Send(id, session, to_client::Error(toc_error::kTooFast));
    recipient = nullptr;
  }
  return recipient;
}

// toc_send_im "user" "message" [auto], toc2_send_im likewise, and
// toc2_send_im_enc "user" "flag" "encoding" "language" "message" [auto].
void ServerCore::SendIm(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const std::size_t textAt = command.name == "toc2_send_im_enc" ? 4 : 1;
  const bool autoResponse = command.args.size() > textAt + 1 && command.args[textAt + 1] == "auto";
  ClientSession* recipient = MessageRecipient(id, session, command.args[0], toc_error::kUserNotAvailable);
  if (recipient == nullptr) return;
  Send(online_.at(recipient->key), *recipient,
       InstantMessage(session.displayName, autoResponse, UserClass(session), command.args[textAt]));
}

// toc2_client_event "user" N: typing notices, rate-limited as instant messages are.
void ServerCore::ClientEvent(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const auto event = ParseNumber<std::int32_t>(command.args[1]);
  if (!event || *event < 0 || *event > 2) {
    Send(id, session, to_client::Error(toc_error::kBadInput));
    return;
  }
  ClientSession* recipient = MessageRecipient(id, session, command.args[0], toc_error::kUserNotAvailable);
  if (recipient == nullptr) return;
  Send(online_.at(recipient->key), *recipient, to_client::ClientEvent(session.displayName, *event));
}

// toc_get_info "user"
void ServerCore::GetInfo(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const ClientSession* user = Reachable(session, command.args[0]);
  if (user == nullptr) {
    Send(id, session, to_client::Error(toc_error::kUserNotAvailable, command.args[0]));
    return;
  }
  Send(id, session, to_client::GotoUrl(user->displayName, ProfileUrl(user->profile)));
}

// toc_set_info "profile"
void ServerCore::SetInfo(ConnectionId, ClientSession& session, const ClientCommand& command) {
  session.profile = command.args[0];
}

// toc_set_away ["message"]: without a message, or with an empty one, the user is back.
void ServerCore::SetAway(ConnectionId, ClientSession& session, const ClientCommand& command) {
  session.awayMessage = command.args.empty() ? std::string() : command.args[0];
  TellPresence(session, true);
}

// toc_get_status "user": name, online, warning level, sign-on time, idle minutes, user class.
void ServerCore::GetStatus(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const ClientSession* user = Reachable(session, command.args[0]);
  if (user == nullptr) {
    Send(id, session, to_client::Error(toc_error::kUserNotAvailable, command.args[0]));
    return;
  }
  std::int64_t idleMinutes = 0;
  if (user->idleSeconds > 0) idleMinutes = (user->idleSeconds + (Now() - user->idleSince)) / 60;
  idleMinutes = std::min<std::int64_t>(idleMinutes, std::numeric_limits<std::int32_t>::max());
  Send(id, session,
       to_client::UpdateBuddy2(user->displayName, user->warningLevel, user->signOnTime, idleMinutes, UserClass(*user)));
  if (!user->capabilities.empty()) Send(id, session, to_client::BuddyCaps2(user->displayName, user->capabilities));
}

// toc_set_idle "seconds": 0 means not idle.
void ServerCore::SetIdle(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const auto seconds = ParseNumber<std::int32_t>(command.args[0]);
  if (!seconds || *seconds < 0) {
    Send(id, session, to_client::Error(toc_error::kBadInput));
    return;
  }
  session.idleSeconds = *seconds;
  session.idleSince = Now();
  TellPresence(session, true);
}

// toc_set_caps "capability" ...
void ServerCore::SetCaps(ConnectionId, ClientSession& session, const ClientCommand& command) {
  session.capabilities.clear();
  for (const auto& capability : command.args) {
    if (!session.capabilities.empty()) session.capabilities += ',';
    session.capabilities += capability;
  }
  TellPresence(session, true);
}

// toc_evil "user" "norm"|"anon": an anonymous warning weighs less and does not name the warner.
void ServerCore::Evil(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const std::string& mode = command.args[1];
  if (mode != "norm" && mode != "anon") {
    Send(id, session, to_client::Error(toc_error::kBadInput));
    return;
  }
  ClientSession* warned = MessageRecipient(id, session, command.args[0], toc_error::kWarningNotAvailable);
  if (warned == nullptr) return;
  const bool anonymous = mode == "anon";
  warned->warningLevel = std::min(warned->warningLevel + (anonymous ? 3 : 10), limits::kMaxWarningLevel);
  Send(online_.at(warned->key), *warned, to_client::Eviled(warned->warningLevel, anonymous ? "" : session.displayName));
  TellPresence(*warned, true);
}

// toc_change_passwd "old" "new". Accounts without a password accept any, so
// only an account from the accounts file has one to change.
void ServerCore::ChangePassword(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const std::string& newPassword = command.args[1];
  const auto change = [&](Account& account) { return account.ChangePassword(command.args[0], newPassword); };
  if (newPassword.empty() || ChangeAccount(session, change) != ListChange::Done) {
    Send(id, session, to_client::Error(toc_error::kBadInput));
    return;
  }
  Send(id, session, to_client::PasswordChanged());
}

// toc_format_nickname "name": the same name in other capitals and spacing,
// confirmed and then told as the new NICK.
void ServerCore::FormatNickname(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const std::string& formatted = command.args[0];
  if (NormalizeName(formatted) != session.key || !IsPlainEntry(formatted, limits::kMaxScreenName)) {
    Send(id, session, to_client::Error(toc_error::kBadInput));
    return;
  }
  ChangeAccount(session, [&](Account& account) {
    account.SetDisplayName(formatted);
    return ListChange::Done;
  });
  session.displayName = formatted;
  Send(id, session, to_client::NicknameFormatted());
  Send(id, session, to_client::Nick(formatted));
}
