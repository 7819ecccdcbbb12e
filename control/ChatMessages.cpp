// Chat-room messages from the server, and the control's records of the
// rooms joined (ChatRooms, LastChatID) and of the people in each (UsersHere).
// A message whose room ID is not a 32-bit decimal number is ignored: every
// event names its room by number, and UsersHere keys each room by its
// number's decimal text, so "042" and "42" are one room.
//
// Events are raised before the records change, so a handler sees the room
// as it was. A handler may call back into the control and change UsersHere,
// so a room's occupant collection is looked up again after every event.
#include "Functions.h"
#include "MessageFields.h"
#include "QuovTOCSock.h"

void QuovTOCSock::HandleChatJoin(std::string_view message) {
  const MessageFields fields(message, 3);
  const auto id = fields.Int32(1);
  auto name = fields.Text(2);
  if (!id) return;
  if (const std::string key = std::to_string(*id); !UsersHere.Contains(key)) {
    if (UsersHere.Count() >= kMaxRooms) EvictRoom();
    UsersHere.Add(Collection<std::string>{}, key);
  }
  for (ChatRoom& slot : ChatRooms) {
    if (slot.ChatID != 0) continue;
    slot.ChatID = *id;
    if (name) slot.ChatName = *name;
    break;
  }
  LastChatID = *id;
  if (name) events_->JoinedChat(*name, LastChatID);
}

void QuovTOCSock::EvictRoom() {
  const std::string watched = std::to_string(LastChatID);
  std::size_t earliest = 1;
  for (const auto& room : UsersHere) {
    if (room.key != watched) break;
    ++earliest;
  }
  UsersHere.Remove(earliest);
}

void QuovTOCSock::HandleChatUpdateBuddy(std::string_view message) {
  const MessageFields fields(message, MessageFields::kAll);
  const auto id = fields.Int32(1);
  if (!id) return;
  const std::string key = std::to_string(*id);
  const auto occupants = [&] { return UsersHere.Item(key); };

  // The first update after a join lists everyone present; so does one that
  // finds the room empty or unknown.
  if (const auto* room = occupants(); room == nullptr || room->Count() == 0) {
    if (const auto names = MessageFields(message, 4).Text(3)) events_->InitialJoin(*names, *id);
  }

  // Every name of the update is reported and recorded, in order: the service
  // joins the people who leave at once into one departure as it does arrivals.
  const bool inside = fields.View(2) == "T";
  for (std::size_t i = 3; i < fields.Count(); ++i) {
    const std::string name(*fields.View(i));
    events_->ChatUserUpdate(name, inside, *id);
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
  auto id = MessageFields(message, 2).Int32(1);
  if (!id) return;
  UsersHere.Remove(std::to_string(*id));
  events_->LeftChat(*id);
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
