// Chat rooms: joining, speaking, leaving, invitations, and the people the
// server plays itself.
//
// The joiner gets CHAT_JOIN and then arrival updates that list everyone
// present, the joiner last, in as few as fit the frame bound; the others get
// the joiner's arrival. What is said goes to everyone in the room, the
// speaker included. The leaver gets CHAT_LEFT and the others the departure.
//
// A user may be in limits::kMaxRoomsPerUser rooms, and the rooms opened from
// one address that are still open are limited too, so that no one takes
// every room of the table. Joins and leaves are told to every member, so
// they take a token of the person's room-change limit; over it a join gets
// ERROR:903, while a leave is always carried out.
//
// What one address says in rooms is bounded in bytes as well, across all its
// connections: once its budget is spent, its talkers are held (nothing of
// theirs is read) until the budget has grown again, so that one host cannot
// fill an honest reader's send queue in one instant.
#include <algorithm>
#include <unordered_set>

#include "MessageFields.h"
#include "ServerCore.h"
#include "ServerLimits.h"
#include "ServerMessages.h"
#include "TocErrorCodes.h"
#include "WireText.h"

using to_client::Arrival;
using to_client::Departure;

void ServerCore::Broadcast(const Room& room, std::string_view message) {
  for (const auto& member : room.members) {
    if (member.connection) Send(*member.connection, message);
  }
}

Room* ServerCore::JoinedRoom(ConnectionId id, ClientSession& session, std::string_view idText) {
  const auto roomId = ParseNumber<std::int32_t>(idText);
  Room* room = nullptr;
  if (roomId && std::find(session.rooms.begin(), session.rooms.end(), *roomId) != session.rooms.end()) {
    room = rooms_.Find(*roomId);
  }
  if (room == nullptr) Send(id, session, to_client::Error(toc_error::kBadInput));
  return room;
}

void ServerCore::CloseRoomIfEmpty(std::int32_t roomId) {
  if (!rooms_.RemoveIfEmpty(roomId)) return;
  for (auto& [id, session] : sessions_) std::erase(session.invitations, roomId);
}

// toc_chat_join "exchange" "room"
void ServerCore::ChatJoin(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const auto exchange = ParseNumber<std::int32_t>(command.args[0]);
  const std::string& name = command.args[1];
  if (!exchange || !IsPlainEntry(name, limits::kMaxEntry) || NormalizeName(name).empty()) {
    Send(id, session, to_client::Error(toc_error::kBadInput));
    return;
  }
  if (!RatesOf(session).roomChanges.Take(Now())) {
    Send(id, session, to_client::Error(toc_error::kTooFast));
    return;
  }
  Room* room = rooms_.Find(*exchange, name);
  if (room == nullptr && session.rooms.size() < limits::kMaxRoomsPerUser &&
      rooms_.CountOpenedFrom(session.address) < limits::kMaxRoomsPerAddress) {
    room = rooms_.Create(*exchange, name, session.address);
  }
  if (room == nullptr) {
    Send(id, session, to_client::ChatFull(name));
    return;
  }
  EnterRoom(id, session, *room);
}

void ServerCore::EnterRoom(ConnectionId id, ClientSession& session, Room& room) {
  const RoomMember* same = room.Find(session.key);
  // A person the server plays gives way to a user of the same name.
  if (same != nullptr && !same->connection) DepartScripted(room.id, same->name);
  const bool present = room.Find(session.key) != nullptr;
  if (!present &&
      (room.members.size() >= limits::kMaxRoomOccupants || session.rooms.size() >= limits::kMaxRoomsPerUser)) {
    Send(id, session, to_client::ChatFull(room.name));
    CloseRoomIfEmpty(room.id);
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
  Send(id, session, to_client::ChatJoin(room.id, room.name));
  // A full room's names fill more than one frame.
  const std::size_t listBytes = limits::kMaxServerPayload - Arrival(room.id, "").size();
  for (const auto& names : room.NameLists(listBytes)) Send(id, session, Arrival(room.id, names));
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
  CloseRoomIfEmpty(roomId);
}

// toc_chat_send "id" "message"
void ServerCore::ChatSend(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const Room* room = JoinedRoom(id, session, command.args[0]);
  if (room == nullptr) return;
  if (!RatesOf(session).chatLines.Take(Now())) {
    Send(id, session, to_client::Error(toc_error::kTooFast));
    return;
  }
  const std::string line = to_client::ChatIn(room->id, room->Find(session.key)->name, command.args[1]);
  ChargeRoomBytes(session, line.size() + flap::kHeaderSize);
  Broadcast(*room, line);
}

// toc_chat_whisper "id" "user" "message": said to one member of the room.
void ServerCore::ChatWhisper(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const Room* room = JoinedRoom(id, session, command.args[0]);
  if (room == nullptr) return;
  const RoomMember* member = room->Find(NormalizeName(command.args[1]));
  ClientSession* target = Reachable(session, command.args[1]);
  if (member == nullptr || !member->connection || target == nullptr) {
    Send(id, session, to_client::Error(toc_error::kUserNotAvailable, command.args[1]));
    return;
  }
  if (!RatesOf(session).chatLines.Take(Now())) {
    Send(id, session, to_client::Error(toc_error::kTooFast));
    return;
  }
  Send(*member->connection, *target, to_client::ChatIn(room->id, room->Find(session.key)->name, command.args[2], true));
}

bool ServerCore::RoomBudgetLeft(const ClientSession& session) {
  const auto it = roomBytes_.find(session.address);
  return it == roomBytes_.end() || it->second.Available(Now());
}

void ServerCore::ChargeRoomBytes(const ClientSession& session, std::size_t bytes) {
  // A host trusted with more connections (--max-per-address) gets as many budgets of 16.
  const auto shares = static_cast<std::int64_t>(
      (settings_.connectionsPerAddress + limits::kMaxConnectionsPerAddress - 1) / limits::kMaxConnectionsPerAddress);
  const std::int64_t budget = limits::kRoomBytesPerAddress * std::max<std::int64_t>(shares, 1);
  roomBytes_.try_emplace(session.address, budget, budget).first->second.Spend(Now(), static_cast<std::int64_t>(bytes));
}

// toc_chat_leave "id"
void ServerCore::ChatLeave(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const Room* room = JoinedRoom(id, session, command.args[0]);
  if (room == nullptr) return;
  RatesOf(session).roomChanges.Take(Now());
  const std::int32_t roomId = room->id;
  Send(id, session, to_client::ChatLeft(roomId));
  LeaveRoom(id, session, roomId);
}

// toc_chat_invite "id" "message" "user" ...: each named user who is on, and
// whose privacy rules let the inviter reach it, gets
// the invitation once, however often named, and may then accept it. Each
// invitation sent takes a token of the sender's invitation limit.
void ServerCore::ChatInvite(ConnectionId id, ClientSession& session, const ClientCommand& command) {
  const Room* room = JoinedRoom(id, session, command.args[0]);
  if (room == nullptr) return;
  const std::string invitation = to_client::ChatInvite(room->name, room->id, session.displayName, command.args[1]);
  std::unordered_set<std::string> named;
  for (std::size_t i = 2; i < command.args.size(); ++i) {
    std::string key = NormalizeName(command.args[i]);
    const auto found = online_.find(key);
    if (found == online_.end() || Reachable(session, key) == nullptr || !named.insert(std::move(key)).second) continue;
    if (!RatesOf(session).invitations.Take(Now())) {
      Send(id, session, to_client::Error(toc_error::kTooFast));
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
    Send(id, session, to_client::Error(toc_error::kBadInput));
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
  Settle();
}

void ServerCore::ScriptedMessage(std::int32_t roomId, std::string_view name, std::string_view text) {
  const Room* room = rooms_.Find(roomId);
  if (room == nullptr) return;
  const RoomMember* member = room->Find(NormalizeName(name));
  if (member == nullptr || member->connection) return;
  Broadcast(*room, to_client::ChatIn(roomId, name, text));
  Settle();
}

void ServerCore::ScriptedDeparture(std::int32_t roomId, std::string_view name) {
  DepartScripted(roomId, name);
  Settle();
}

void ServerCore::DepartScripted(std::int32_t roomId, std::string_view name) {
  Room* room = rooms_.Find(roomId);
  const std::string key = NormalizeName(name);
  if (room == nullptr) return;
  const RoomMember* member = room->Find(key);
  if (member == nullptr || member->connection) return;
  room->Remove(key);
  Broadcast(*room, Departure(roomId, name));
}
