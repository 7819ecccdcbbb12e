// The chat console's people list as rows, with its one rule for arriving and
// leaving: an arrival is appended, whether or not that person is listed
// already; a departure removes the first entry of that person.
//
// A room may hold tens of thousands of people, and a hostile server can make
// them come and go in bulk, so neither a change nor reading a row walks the
// list. Entries are numbered in list order as they are appended; a set
// ordered by key and number finds a person's first entry, and a Fenwick tree
// over the numbers counts the live entries before it, which gives its row,
// and finds the entry at a row. Numbers of removed entries are given back by
// renumbering once they outnumber the live ones, so a change costs O(log n)
// amortized and memory follows the room's size.
#pragma once

#include <QString>
#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class PeopleIndex {
 public:
  void Clear();
  // A new last entry: the name as delivered, known by key.
  void Append(std::string key, QString name);
  // The row of the first entry with this key; none when no entry has it.
  [[nodiscard]] std::optional<std::size_t> FirstRow(const std::string& key) const;
  // Removes the first entry with this key and gives its row, as FirstRow.
  std::optional<std::size_t> RemoveFirst(const std::string& key);
  // The name at row, which must be below Size().
  [[nodiscard]] const QString& At(std::size_t row) const;
  [[nodiscard]] std::size_t Size() const { return byKey_.size(); }

 private:
  [[nodiscard]] std::size_t LiveBefore(std::size_t number) const;
  void Renumber();

  struct Entry {
    std::string key;
    QString name;
    bool live = false;
  };
  // By number from 1.
  std::vector<Entry> entries_{1};
  std::set<std::pair<std::string, std::size_t>> byKey_;
  // Fenwick tree over the numbers: 1 for a live entry, 0 for a removed one.
  std::vector<std::size_t> tree_{0};
};
