// Chat-room messages from the server, and the control's records of the
// rooms joined (ChatRooms, LastChatID) and of the people in each (UsersHere).
//
// Events are raised before the records change, so a handler sees the room
// as it was. A handler may call back into the control and change UsersHere,
// so a room's occupant collection is looked up again after every event.
#include "Functions.h"
#include "MessageFields.h"
#include "QuovTOCSock.h"

void QuovTOCSock::HandleChatJoin(std::string_view message) {
  const MessageFields fields(message, 3);
  const auto idText = fields.Text(1);
  const auto id = fields.Int32(1);
  auto name = fields.Text(2);
  if (idText && !UsersHere.Contains(*idText)) {
    if (UsersHere.Count() >= kMaxRooms) UsersHere.Remove(std::size_t{1});
    UsersHere.Add(Collection<std::string>{}, *idText);
  }
  // A slot whose ID cannot be read keeps ID 0 and so stays free.
  for (ChatRoom& slot : ChatRooms) {
    if (slot.ChatID != 0) continue;
    if (id) slot.ChatID = *id;
    if (name) slot.ChatName = *name;
    break;
  }
  if (id) LastChatID = *id;
  if (name) events_->JoinedChat(*name, LastChatID);
}

void QuovTOCSock::HandleChatUpdateBuddy(std::string_view message) {
  const MessageFields fields(message, MessageFields::kAll);
  const auto idText = fields.Text(1);
  const auto id = fields.Int32(1);
  const auto occupants = [&]() -> Collection<std::string>* { return idText ? UsersHere.Item(*idText) : nullptr; };

  // The first update after a join lists everyone present; so does one that
  // finds the room empty or unknown.
  if (const auto* room = occupants(); room == nullptr || room->Count() == 0) {
    const auto names = MessageFields(message, 4).Text(3);
    if (names && id) events_->InitialJoin(*names, *id);
  }

  // Every name of the update is reported and recorded, in order: the service
  // joins the people who leave at once into one departure as it does arrivals.
  const bool inside = fields.View(2) == "T";
  for (std::size_t i = 3; i < fields.Count(); ++i) {
    const std::string name(*fields.View(i));
    if (id) events_->ChatUserUpdate(name, inside, *id);
    auto* room = occupants();
    if (room == nullptr) continue;
    if (!inside) {
      room->Remove(Normalize(name));
    } else if (room->Count() < kMaxRoomSize && PeopleHere() < kMaxPeopleHere) {
      room->Add(name, Normalize(name));
    }
  }
}

void QuovTOCSock::HandleChatInEnc(std::string_view message) {
  const MessageFields fields(message, 7);
  auto id = fields.Int32(1);
  auto sender = fields.Text(2);
  auto text = fields.Text(6);
  if (id && sender && text) events_->ChatMessage(*id, *sender, *text);
}

void QuovTOCSock::HandleChatLeft(std::string_view message) {
  const auto idText = MessageFields(message, 2).Text(1);
  if (!idText) return;
  UsersHere.Remove(*idText);
  if (auto id = ParseNumber<std::int32_t>(*idText)) events_->LeftChat(*id);
}

void QuovTOCSock::HandleChatInvite(std::string_view message) {
  const MessageFields fields(message, 5);
  auto name = fields.Text(1);
  auto id = fields.Int32(2);
  auto from = fields.Text(3);
  auto invitation = fields.Text(4);
  if (name && id && from && invitation) events_->ChatInvite(*name, *id, *from, *invitation);
}

std::size_t QuovTOCSock::PeopleHere() const {
  std::size_t people = 0;
  for (const auto& room : UsersHere) people += room.value.Count();
  return people;
}

std::string QuovTOCSock::GetChatName(std::int32_t lngChatID) const {
  for (const ChatRoom& slot : ChatRooms) {
    if (slot.ChatID == lngChatID) return slot.ChatName;
  }
  return "[No Chat Name Found for ID]";
}
