// A window's list of the people in a room, as SetUsers fills it.
#pragma once

#include <string>

class PeopleList {
 public:
  virtual void ClearPeople() = 0;
  virtual void AddPerson(const std::string& name) = 0;

 protected:
  ~PeopleList() = default;
};
