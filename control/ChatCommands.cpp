// Chat commands. Rooms are named to the server by ID: a non-zero ID given by
// the caller wins; otherwise the first ChatRooms slot whose name equals the
// given name exactly (never-filled slots included) supplies it, and with no
// such slot nothing is sent.
#include "MessageFields.h"
#include "QuovTOCSock.h"
#include "WireText.h"

void QuovTOCSock::SendCommand(const CommandLine& line) { SendPacket(flap::kData, line.Line()); }

std::optional<std::int32_t> QuovTOCSock::ResolveRoom(const std::string& strChatName, std::int32_t lngChatID) const {
  if (lngChatID != 0) return lngChatID;
  for (const ChatRoom& slot : ChatRooms) {
    if (slot.ChatName == strChatName) return slot.ChatID;
  }
  return std::nullopt;
}

void QuovTOCSock::JoinChat(const std::string& strRoomName, std::int16_t intExchange) {
  SendCommand(CommandLine("toc_chat_join").Number(intExchange).Raw(TrimSpaces(strRoomName)));
}

void QuovTOCSock::LeaveChat(const std::string& strChatName, std::int32_t lngChatID) {
  if (const auto id = ResolveRoom(strChatName, lngChatID)) SendCommand(CommandLine("toc_chat_leave").Number(*id));
}

namespace {
CommandLine ChatSendLine(std::int32_t id, const std::string& strMessage) {
  return CommandLine("toc_chat_send").Number(id).Text(strMessage);
}
}  // namespace

void QuovTOCSock::SendChat(const std::string& strChatName, const std::string& strMessage, std::int32_t lngChatID) {
  if (const auto id = ResolveRoom(strChatName, lngChatID)) SendCommand(ChatSendLine(*id, strMessage));
}

std::size_t QuovTOCSock::ChatSendExcess(const std::string& strChatName, const std::string& strMessage,
                                        std::int32_t lngChatID) const {
  const auto id = ResolveRoom(strChatName, lngChatID);
  return id ? ChatSendLine(*id, strMessage).Excess() : 0;
}

void QuovTOCSock::InviteUsers(const std::string& strChatName, const std::string& strInviteMessage,
                              const std::string& strUsers, std::int32_t lngChatID) {
  if (const auto id = ResolveRoom(strChatName, lngChatID)) {
    SendCommand(CommandLine("toc_chat_invite").Number(*id).Text(strInviteMessage).User(strUsers));
  }
}

void QuovTOCSock::AcceptChatInvite(std::int32_t lngChatID) {
  SendCommand(CommandLine("toc_chat_accept").Number(lngChatID));
}

void QuovTOCSock::SetUsers(PeopleList& Console, const std::string& lngChatID) const {
  Console.ClearPeople();
  const auto id = ParseNumber<std::int32_t>(lngChatID);
  const auto* room = id ? UsersHere.Item(std::to_string(*id)) : nullptr;
  if (room == nullptr) return;
  for (const auto& occupant : *room) Console.AddPerson(occupant.value);
}
