// Chat rooms: joining, speaking, leaving, invitations, and the people the
// server plays itself.
//
// The joiner gets CHAT_JOIN and then one arrival update that lists everyone
// present, the joiner last; the others get the joiner's arrival. What is
// said goes to everyone in the room, the speaker included. The leaver gets
// CHAT_LEFT and the others the departure.
//
// A user may be in limits::kMaxRoomsPerUser rooms, and the rooms opened from
// one address that are still open are limited too, so that no one takes
// every room of the table.
#include <algorithm>
#include <unordered_set>

#include "MessageFields.h"
#include "ServerCore.h"
#include "ServerLimits.h"
#include "WireText.h"

namespace {

std::string ChatMessage(std::int32_t roomId, std::string_view sender, std::string_view text) {
  return "CHAT_IN_ENC:" + std::to_string(roomId) + ":" + std::string(sender) + ":F:A:en:" + std::string(text);
}

std::string Arrival(std::int32_t roomId, std::string_view names) {
  return "CHAT_UPDATE_BUDDY:" + std::to_string(roomId) + ":T:" + std::string(names);
}

std::string Departure(std::int32_t roomId, std::string_view name) {
  return "CHAT_UPDATE_BUDDY:" + std::to_string(roomId) + ":F:" + std::string(name);
}

}  // namespace

void ServerCore::Broadcast(const Room& room, std::string_view message) {
  for (const auto& member : room.members) {
    if (member.connection) Send(*member.connection, message);
  }
}

Room* ServerCore::JoinedRoom(ClientSession& session, std::string_view idText) {
  const auto id = ParseNumber<std::int32_t>(idText);
  if (!id || std::find(session.rooms.begin(), session.rooms.end(), *id) == session.rooms.end()) return nullptr;
  return rooms_.Find(*id);
}

// toc_chat_join "exchange" "room"
void ServerCore::ChatJoin(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const auto exchange = ParseNumber<std::int32_t>(command.args[0]);
  const std::string& name = command.args[1];
  if (!exchange || !IsPlainEntry(name, limits::kMaxEntry) || NormalizeName(name).empty()) {
    SendError(id, session, "911");
    return;
  }
  Room* room = rooms_.Find(*exchange, name);
  if (room == nullptr && session.rooms.size() < limits::kMaxRoomsPerUser &&
      rooms_.CountOpenedFrom(session.address) < limits::kMaxRoomsPerAddress) {
    room = rooms_.Create(*exchange, name, session.address);
  }
  if (room == nullptr) {
    SendError(id, session, "951:" + name + ":24");
    return;
  }
  EnterRoom(id, session, *room);
}

void ServerCore::EnterRoom(ConnectionId id, ClientSession& session, Room& room) {
  const RoomMember* same = room.Find(session.key);
  // A person the server plays gives way to a user of the same name.
  if (same != nullptr && !same->connection) ScriptedDeparture(room.id, same->name);
  const bool present = room.Find(session.key) != nullptr;
  if (!present &&
      (room.members.size() >= limits::kMaxRoomOccupants || session.rooms.size() >= limits::kMaxRoomsPerUser)) {
    SendError(id, session, "951:" + room.name + ":24");
    rooms_.RemoveIfEmpty(room.id);
    return;
  }
  if (!present) {
    room.members.push_back(RoomMember{session.displayName, session.key, id});
    session.rooms.push_back(room.id);
    for (const auto& member : room.members) {
      if (member.connection && *member.connection != id)
        Send(*member.connection, Arrival(room.id, session.displayName));
    }
  }
  // A second join of the same room shows the joiner the room again and tells the others nothing.
  Send(id, session, "CHAT_JOIN:" + std::to_string(room.id) + ":" + room.name);
  Send(id, session, Arrival(room.id, room.NameList()));
}

void ServerCore::LeaveRoom(ConnectionId id, ClientSession& session, std::int32_t roomId) {
  session.rooms.erase(std::remove(session.rooms.begin(), session.rooms.end(), roomId), session.rooms.end());
  Room* room = rooms_.Find(roomId);
  if (room == nullptr) return;
  const auto* member = room->Find(session.key);
  if (member == nullptr || member->connection != id) return;
  const std::string name = member->name;
  room->Remove(session.key);
  Broadcast(*room, Departure(roomId, name));
  rooms_.RemoveIfEmpty(roomId);
}

// toc_chat_send "id" "message"
void ServerCore::ChatSend(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const Room* room = JoinedRoom(session, command.args[0]);
  if (room == nullptr) {
    SendError(id, session, "911");
    return;
  }
  if (!session.chatLines.Take(Now())) {
    SendError(id, session, "903");
    return;
  }
  Broadcast(*room, ChatMessage(room->id, room->Find(session.key)->name, command.args[1]));
}

// toc_chat_leave "id"
void ServerCore::ChatLeave(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const Room* room = JoinedRoom(session, command.args[0]);
  if (room == nullptr) {
    SendError(id, session, "911");
    return;
  }
  const std::int32_t roomId = room->id;
  Send(id, session, "CHAT_LEFT:" + std::to_string(roomId));
  LeaveRoom(id, session, roomId);
}

// toc_chat_invite "id" "message" "user" ...: each named user who is on gets
// the invitation once, however often named, and may then accept it. Each
// invitation sent takes a token of the sender's invitation limit.
void ServerCore::ChatInvite(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const Room* room = JoinedRoom(session, command.args[0]);
  if (room == nullptr) {
    SendError(id, session, "911");
    return;
  }
  const std::string invitation =
      "CHAT_INVITE:" + room->name + ":" + std::to_string(room->id) + ":" + session.displayName + ":" + command.args[1];
  std::unordered_set<std::string> named;
  for (std::size_t i = 2; i < command.args.size(); ++i) {
    std::string key = NormalizeName(command.args[i]);
    const auto found = online_.find(key);
    if (found == online_.end() || !named.insert(std::move(key)).second) continue;
    if (!session.invitationsSent.Take(Now())) {
      SendError(id, session, "903");
      return;
    }
    ClientSession& invitee = sessions_.at(found->second);
    auto& invitations = invitee.invitations;
    if (std::find(invitations.begin(), invitations.end(), room->id) == invitations.end()) {
      if (invitations.size() >= limits::kMaxInvitations) invitations.pop_front();
      invitations.push_back(room->id);
    }
    Send(found->second, invitee, invitation);
  }
}

// toc_chat_accept "id": enters a room the user was invited to.
void ServerCore::ChatAccept(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const auto roomId = ParseNumber<std::int32_t>(command.args[0]);
  auto& invitations = session.invitations;
  const auto invitation = roomId ? std::find(invitations.begin(), invitations.end(), *roomId) : invitations.end();
  Room* room = roomId ? rooms_.Find(*roomId) : nullptr;
  if (invitation == invitations.end() || room == nullptr) {
    SendError(id, session, "911");
    return;
  }
  invitations.erase(invitation);
  EnterRoom(id, session, *room);
}

std::int32_t ServerCore::OpenKeptRoom(std::int32_t exchange, std::string_view name) {
  Room* room = rooms_.Find(exchange, name);
  if (room == nullptr) room = rooms_.Create(exchange, name);
  if (room == nullptr) return 0;
  room->keptOpen = true;
  return room->id;
}

void ServerCore::ScriptedArrival(std::int32_t roomId, std::string_view name) {
  Room* room = rooms_.Find(roomId);
  const std::string key = NormalizeName(name);
  if (room == nullptr || room->Find(key) != nullptr || room->members.size() >= limits::kMaxRoomOccupants) return;
  room->members.push_back(RoomMember{std::string(name), key, std::nullopt});
  Broadcast(*room, Arrival(roomId, name));
}

void ServerCore::ScriptedMessage(std::int32_t roomId, std::string_view name, std::string_view text) {
  const Room* room = rooms_.Find(roomId);
  if (room == nullptr) return;
  const RoomMember* member = room->Find(NormalizeName(name));
  if (member == nullptr || member->connection) return;
  Broadcast(*room, ChatMessage(roomId, name, text));
}

void ServerCore::ScriptedDeparture(std::int32_t roomId, std::string_view name) {
  Room* room = rooms_.Find(roomId);
  const std::string key = NormalizeName(name);
  if (room == nullptr) return;
  const RoomMember* member = room->Find(key);
  if (member == nullptr || member->connection) return;
  room->Remove(key);
  Broadcast(*room, Departure(roomId, name));
}
