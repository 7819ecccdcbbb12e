// An ordered container whose entries may carry a unique text key.
//
// Entries are reached by position (counted from 1) or by key, appended at the
// end, and removed by position or by key. Inserting a key that is already
// present, or reading or removing a position or key that is not there, fails:
// the call reports false or nullptr and the collection is left unchanged. The
// control's room and occupant records and the lists of the sign-on
// configuration are held in it.
#pragma once

#include <cstddef>
#include <iterator>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

template <typename T>
class Collection {
 public:
  struct Entry {
    std::optional<std::string> key;
    T value;
  };
  using const_iterator = typename std::list<Entry>::const_iterator;

  Collection() = default;
  // The key index points into the entry list, so a copy rebuilds it.
  Collection(const Collection& other) : entries_(other.entries_) { Reindex(); }
  Collection& operator=(const Collection& other) {
    if (this != &other) {
      entries_ = other.entries_;
      Reindex();
    }
    return *this;
  }
  Collection(Collection&&) noexcept = default;
  Collection& operator=(Collection&&) noexcept = default;
  ~Collection() = default;

  // Appends value at the end; false (and nothing changed) when key is taken.
  bool Add(T value, std::optional<std::string> key = std::nullopt) {
    if (key && byKey_.contains(*key)) return false;
    entries_.push_back(Entry{key, std::move(value)});
    if (key) byKey_.emplace(*key, std::prev(entries_.end()));
    return true;
  }

  [[nodiscard]] std::size_t Count() const { return entries_.size(); }
  [[nodiscard]] bool Contains(const std::string& key) const { return byKey_.contains(key); }

  [[nodiscard]] T* Item(const std::string& key) {
    auto it = byKey_.find(key);
    return it == byKey_.end() ? nullptr : &it->second->value;
  }
  [[nodiscard]] const T* Item(const std::string& key) const {
    auto it = byKey_.find(key);
    return it == byKey_.end() ? nullptr : &it->second->value;
  }
  [[nodiscard]] T* Item(std::size_t position) {
    auto it = At(position);
    return it == entries_.end() ? nullptr : &it->value;
  }
  [[nodiscard]] const T* Item(std::size_t position) const {
    auto it = const_cast<Collection*>(this)->At(position);
    return it == entries_.end() ? nullptr : &it->value;
  }

  bool Remove(const std::string& key) {
    auto it = byKey_.find(key);
    if (it == byKey_.end()) return false;
    entries_.erase(it->second);
    byKey_.erase(it);
    return true;
  }
  bool Remove(std::size_t position) {
    auto it = At(position);
    if (it == entries_.end()) return false;
    if (it->key) byKey_.erase(*it->key);
    entries_.erase(it);
    return true;
  }

  // Removes the first entry as many times as there were entries.
  void Clear() {
    entries_.clear();
    byKey_.clear();
  }

  [[nodiscard]] const_iterator begin() const { return entries_.begin(); }
  [[nodiscard]] const_iterator end() const { return entries_.end(); }

 private:
  void Reindex() {
    byKey_.clear();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->key) byKey_.emplace(*it->key, it);
    }
  }

  typename std::list<Entry>::iterator At(std::size_t position) {
    if (position < 1 || position > entries_.size()) return entries_.end();
    return std::next(entries_.begin(), static_cast<std::ptrdiff_t>(position - 1));
  }

  std::list<Entry> entries_;
  std::unordered_map<std::string, typename std::list<Entry>::iterator> byKey_;
};
