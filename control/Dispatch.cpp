// Incoming frames: every whole frame is reported, then handled by its type;
// data frames go to the handler of their message name.
#include <unordered_map>

#include "QuovTOCSock.h"

void QuovTOCSock::HandlePacket(const std::string& F) {
  events_->IncomingPacket(F);
  const char type = F.size() > 1 ? F[1] : '\0';
  switch (type) {
    case flap::kSignOn:
      if (Advance(Step::SignOnFrame)) SendClientSignOn();
      return;
    case flap::kData:
      DispatchMessage(flap::Payload(F));
      return;
    case flap::kError:
    case flap::kSignOff:
      return;
    case flap::kKeepAlive:
      AnswerKeepAlive();
      return;
    default:
      RaiseError(0, std::string("Unknown Channel Detected: ") + type);
      return;
  }
}

// Message names are compared exactly and case-sensitively. A name listed
// with no handler is recognised and has no effect; any other is ignored.
QuovTOCSock::MessageHandler QuovTOCSock::FindHandler(std::string_view name) {
  static const std::unordered_map<std::string_view, MessageHandler> handlers{
      {"SIGN_ON", nullptr},
      {"NICK", &QuovTOCSock::HandleNick},
      {"CONFIG2", &QuovTOCSock::HandleConfig2},
      {"CHAT_JOIN", &QuovTOCSock::HandleChatJoin},
      {"CHAT_UPDATE_BUDDY", &QuovTOCSock::HandleChatUpdateBuddy},
      {"CHAT_IN_ENC", &QuovTOCSock::HandleChatInEnc},
      {"CHAT_LEFT", &QuovTOCSock::HandleChatLeft},
      {"CHAT_INVITE", &QuovTOCSock::HandleChatInvite},
      {"ERROR", &QuovTOCSock::HandleError},
      {"UPDATE_BUDDY2", &QuovTOCSock::HandleUpdateBuddy2},
      {"BUDDY_CAPS2", &QuovTOCSock::HandleBuddyCaps2},
      {"BART2", &QuovTOCSock::HandleBart2},
      {"IM_IN_ENC2", &QuovTOCSock::HandleImInEnc2},
      {"INSERTED2", &QuovTOCSock::HandleInserted2},
      {"UPDATED2", nullptr},
      {"DELETED2", &QuovTOCSock::HandleDeleted2},
      {"GOTO_URL", &QuovTOCSock::HandleGotoUrl},
      {"EVILED", &QuovTOCSock::HandleEviled},
      {"ADMIN_NICK_STATUS", &QuovTOCSock::HandleAdminNickStatus},
      {"ADMIN_PASSWD_STATUS", &QuovTOCSock::HandleAdminPasswdStatus},
      {"RVOUS_PROPOSE", &QuovTOCSock::HandleRvousPropose},
      {"CLIENT_EVENT2", &QuovTOCSock::HandleClientEvent2},
  };
  const auto it = handlers.find(name);
  return it == handlers.end() ? nullptr : it->second;
}

void QuovTOCSock::DispatchMessage(std::string_view message) {
  const MessageHandler handler = FindHandler(message.substr(0, message.find(':')));
  if (handler != nullptr) (this->*handler)(message);
}
