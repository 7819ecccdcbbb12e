// The console's index of its people list by normalized screen name.
//
// A room may hold tens of thousands of people, and a hostile server can make
// them leave in bulk. A departure removes that person's first entry, so
// finding it must not walk the list: entries are numbered in list order as
// they are appended, a set ordered by name and number finds a person's first
// entry, and a Fenwick tree over the numbers counts the live entries before
// it, which gives its row. Numbers of removed entries are given back by
// renumbering once they outnumber the live ones, so an arrival or departure
// costs O(log n) amortized and memory follows the room's size.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class PeopleIndex {
 public:
  void Clear();
  // A new last entry.
  void Append(std::string name);
  // Removes the first entry with this name and gives its row; none when no
  // entry has it.
  std::optional<std::size_t> RemoveFirst(const std::string& name);
  [[nodiscard]] std::size_t Size() const { return entries_.size(); }

 private:
  [[nodiscard]] std::size_t LiveBefore(std::size_t number) const;
  void Renumber();

  std::set<std::pair<std::string, std::size_t>> entries_;
  // Fenwick tree over the numbers from 1: 1 for a live entry, 0 for a removed one.
  std::vector<std::size_t> tree_{0};
};
