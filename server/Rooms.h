// Chat rooms. A room is found by its exchange and its normalized name and
// is created on the first join with the lowest positive ID no open room
// has, so that IDs stay small and one in use is never handed out again. A
// room goes away when its last occupant leaves, unless the server keeps it
// open (the demo room).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ClientSession.h"

struct RoomMember {
  // The screen name as shown to the others.
  std::string name;
  std::string key;
  // None for the people the server plays itself.
  std::optional<ConnectionId> connection;
};

struct Room {
  std::int32_t id = 0;
  std::int32_t exchange = 0;
  // The name as the first joiner wrote it.
  std::string name;
  bool keptOpen = false;
  // The address of the connection that opened it; empty for a kept room.
  std::string openedFrom;
  // In order of arrival.
  std::vector<RoomMember> members;

  [[nodiscard]] const RoomMember* Find(const std::string& key) const;
  // False when key is not present.
  bool Remove(const std::string& key);
  // The names of everyone present in order, joined by colons into lists of
  // at most maxBytes each (a single longer name stands alone).
  [[nodiscard]] std::vector<std::string> NameLists(std::size_t maxBytes) const;
};

class RoomTable {
 public:
  [[nodiscard]] Room* Find(std::int32_t id);
  [[nodiscard]] Room* Find(std::int32_t exchange, std::string_view name);
  // Nothing when the table is full.
  Room* Create(std::int32_t exchange, std::string_view name, std::string_view openedFrom = {});
  // The open rooms that were opened from address.
  [[nodiscard]] std::size_t CountOpenedFrom(std::string_view address) const;
  // True when the room went away.
  bool RemoveIfEmpty(std::int32_t id);
  [[nodiscard]] std::size_t Count() const { return rooms_.size(); }

 private:
  std::map<std::int32_t, Room> rooms_;
  std::map<std::pair<std::int32_t, std::string>, std::int32_t> byName_;
};
