// A window's list of the people in a room, as SetUsers fills it.
#pragma once

#include <cstddef>
#include <string>

// The most people a room's occupant collection, and a window's list of them,
// holds. Real rooms hold dozens; without a bound a server could name people
// without end and grow both with them. Later arrivals are not kept.
inline constexpr std::size_t kMaxRoomSize = 100000;

class PeopleList {
 public:
  virtual void ClearPeople() = 0;
  virtual void AddPerson(const std::string& name) = 0;

 protected:
  ~PeopleList() = default;
};
