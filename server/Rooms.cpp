#include "Rooms.h"

#include <algorithm>

#include "ServerLimits.h"
#include "WireText.h"

const RoomMember* Room::Find(const std::string& key) const {
  const auto it = std::find_if(members.begin(), members.end(), [&](const RoomMember& m) { return m.key == key; });
  return it == members.end() ? nullptr : &*it;
}

bool Room::Remove(const std::string& key) {
  const auto it = std::find_if(members.begin(), members.end(), [&](const RoomMember& m) { return m.key == key; });
  if (it == members.end()) return false;
  members.erase(it);
  return true;
}

std::vector<std::string> Room::NameLists(std::size_t maxBytes) const {
  std::vector<std::string> lists(1);
  for (const auto& member : members) {
    if (!lists.back().empty() && lists.back().size() + 1 + member.name.size() > maxBytes) lists.emplace_back();
    if (!lists.back().empty()) lists.back() += ':';
    lists.back() += member.name;
  }
  return lists;
}

Room* RoomTable::Find(std::int32_t id) {
  const auto it = rooms_.find(id);
  return it == rooms_.end() ? nullptr : &it->second;
}

Room* RoomTable::Find(std::int32_t exchange, std::string_view name) {
  const auto it = byName_.find({exchange, NormalizeName(name)});
  return it == byName_.end() ? nullptr : Find(it->second);
}

Room* RoomTable::Create(std::int32_t exchange, std::string_view name, std::string_view openedFrom) {
  if (rooms_.size() >= limits::kMaxRooms) return nullptr;
  // The IDs in use are ordered: the first gap, or the one past the last, is free.
  std::int32_t id = 1;
  for (auto it = rooms_.begin(); it != rooms_.end() && it->first == id; ++it) ++id;
  byName_.emplace(std::make_pair(exchange, NormalizeName(name)), id);
  Room& room = rooms_[id];
  room.id = id;
  room.exchange = exchange;
  room.name = std::string(name);
  room.openedFrom = std::string(openedFrom);
  return &room;
}

std::size_t RoomTable::CountOpenedFrom(std::string_view address) const {
  return static_cast<std::size_t>(std::count_if(rooms_.begin(), rooms_.end(),
                                                [&](const auto& entry) { return entry.second.openedFrom == address; }));
}

bool RoomTable::RemoveIfEmpty(std::int32_t id) {
  const auto it = rooms_.find(id);
  if (it == rooms_.end() || it->second.keptOpen || !it->second.members.empty()) return false;
  byName_.erase({it->second.exchange, NormalizeName(it->second.name)});
  rooms_.erase(it);
  return true;
}
