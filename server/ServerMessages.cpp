#include "ServerMessages.h"

#include "TocErrorCodes.h"

namespace {

std::string Join(std::initializer_list<std::string_view> fields) {
  std::string message;
  for (const std::string_view field : fields) {
    if (!message.empty()) message += ':';
    message += field;
  }
  return message;
}

}  // namespace

namespace to_client {

std::string Error(std::string_view code) { return Join({"ERROR", code}); }

std::string Error(std::string_view code, std::string_view argument) { return Join({"ERROR", code, argument}); }

std::string ChatFull(std::string_view room) {
  return Join({"ERROR", toc_error::kChatJoinFailed, room, toc_error::kChatFull});
}

std::string SignOn() { return "SIGN_ON:TOC2.0"; }

std::string Nick(std::string_view name) { return Join({"NICK", name}); }

std::string Config2(std::string_view lines) { return Join({"CONFIG2", lines}); }

std::string ChatJoin(std::int32_t roomId, std::string_view room) {
  return Join({"CHAT_JOIN", std::to_string(roomId), room});
}

std::string ChatLeft(std::int32_t roomId) { return Join({"CHAT_LEFT", std::to_string(roomId)}); }

std::string ChatIn(std::int32_t roomId, std::string_view sender, std::string_view text, bool whispered) {
  return Join({"CHAT_IN_ENC", std::to_string(roomId), sender, whispered ? "T" : "F", "A:en", text});
}

std::string Arrival(std::int32_t roomId, std::string_view names) {
  return Join({"CHAT_UPDATE_BUDDY", std::to_string(roomId), "T", names});
}

std::string Departure(std::int32_t roomId, std::string_view name) {
  return Join({"CHAT_UPDATE_BUDDY", std::to_string(roomId), "F", name});
}

std::string ChatInvite(std::string_view room, std::int32_t roomId, std::string_view from, std::string_view text) {
  return Join({"CHAT_INVITE", room, std::to_string(roomId), from, text});
}

// Fields: sender, auto-response flag, two flags, user class, three more fields, then the text.
std::string InstantMessage(std::string_view from, bool autoResponse, std::string_view userClass,
                           std::string_view text) {
  return Join({"IM_IN_ENC2", from, autoResponse ? "T" : "F", "F:T", userClass, "F:L:en", text});
}

std::string GotoUrl(std::string_view name, std::string_view url) { return Join({"GOTO_URL", name, url}); }

// Fields: name, online, warning level, sign-on time, idle minutes, user class, and a last empty one.
std::string UpdateBuddy2(std::string_view name, int warningLevel, std::int64_t signOnTime, std::int64_t idleMinutes,
                         std::string_view userClass) {
  return Join({"UPDATE_BUDDY2", name, "T", std::to_string(warningLevel), std::to_string(signOnTime),
               std::to_string(idleMinutes), userClass, ""});
}

std::string BuddyOffline(std::string_view name) { return Join({"UPDATE_BUDDY2", name, "F:0:0:0:   ", ""}); }

std::string BuddyCaps2(std::string_view name, std::string_view capabilities) {
  return Join({"BUDDY_CAPS2", name, capabilities});
}

std::string Eviled(int level, std::string_view from) { return Join({"EVILED", std::to_string(level), from}); }

std::string PasswordChanged() { return "ADMIN_PASSWD_STATUS:0"; }

std::string NicknameFormatted() { return "ADMIN_NICK_STATUS:0"; }

std::string NewBuddyReply(std::string_view name) { return Join({"NEW_BUDDY_REPLY2", name, "added"}); }

std::string ClientEvent(std::string_view from, std::int32_t event) {
  return Join({"CLIENT_EVENT2", from, std::to_string(event)});
}

std::string Inserted(std::string_view kind, std::string_view entry) { return Join({"INSERTED2", kind, entry}); }

std::string Deleted(std::string_view kind, std::string_view entry) { return Join({"DELETED2", kind, entry}); }

}  // namespace to_client
