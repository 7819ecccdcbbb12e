#include "PeopleIndex.h"

#include <bit>

namespace {

std::size_t LowBit(std::size_t i) { return i & (~i + 1); }

// Numbers are reclaimed once the removed ones outnumber the live ones by this.
constexpr std::size_t kSlack = 64;

}  // namespace

void PeopleIndex::Clear() {
  entries_.assign(1, {});
  byKey_.clear();
  tree_.assign(1, 0);
}

void PeopleIndex::Append(std::string key, QString name) {
  const std::size_t number = tree_.size();
  // The new node covers (number - LowBit(number), number]; all but itself are built already.
  tree_.push_back(1 + LiveBefore(number) - LiveBefore(number - LowBit(number) + 1));
  byKey_.emplace(key, number);
  entries_.push_back({std::move(key), std::move(name), true});
}

std::optional<std::size_t> PeopleIndex::FirstRow(const std::string& key) const {
  const auto first = byKey_.lower_bound({key, 0});
  if (first == byKey_.end() || first->first != key) return std::nullopt;
  return LiveBefore(first->second);
}

std::optional<std::size_t> PeopleIndex::RemoveFirst(const std::string& key) {
  const auto first = byKey_.lower_bound({key, 0});
  if (first == byKey_.end() || first->first != key) return std::nullopt;
  const std::size_t number = first->second;
  const std::size_t row = LiveBefore(number);
  byKey_.erase(first);
  entries_[number] = {};
  for (std::size_t i = number; i < tree_.size(); i += LowBit(i)) --tree_[i];
  if (tree_.size() - 1 > 2 * byKey_.size() + kSlack) Renumber();
  return row;
}

const QString& PeopleIndex::At(std::size_t row) const {
  // Descends the tree for the number with row live entries before it.
  std::size_t number = 0;
  std::size_t left = row + 1;
  for (std::size_t step = std::bit_floor(tree_.size() - 1); step > 0; step >>= 1) {
    if (number + step < tree_.size() && tree_[number + step] < left) {
      number += step;
      left -= tree_[number];
    }
  }
  return entries_[number + 1].name;
}

// The live entries numbered below number.
std::size_t PeopleIndex::LiveBefore(std::size_t number) const {
  std::size_t count = 0;
  for (std::size_t i = number - 1; i > 0; i -= LowBit(i)) count += tree_[i];
  return count;
}

void PeopleIndex::Renumber() {
  std::vector<Entry> live;
  live.reserve(byKey_.size());
  for (Entry& entry : entries_) {
    if (entry.live) live.push_back(std::move(entry));
  }
  Clear();
  for (Entry& entry : live) Append(std::move(entry.key), std::move(entry.name));
}
