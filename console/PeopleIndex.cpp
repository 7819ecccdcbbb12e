#include "PeopleIndex.h"

#include <algorithm>

namespace {

std::size_t LowBit(std::size_t i) { return i & (~i + 1); }

// Numbers are reclaimed once the removed ones outnumber the live ones by this.
constexpr std::size_t kSlack = 64;

}  // namespace

void PeopleIndex::Clear() {
  entries_.clear();
  tree_.assign(1, 0);
}

void PeopleIndex::Append(std::string name) {
  const std::size_t number = tree_.size();
  // The new node covers (number - LowBit(number), number]; all but itself are built already.
  tree_.push_back(1 + LiveBefore(number) - LiveBefore(number - LowBit(number) + 1));
  entries_.emplace(std::move(name), number);
}

std::optional<std::size_t> PeopleIndex::RemoveFirst(const std::string& name) {
  const auto first = entries_.lower_bound({name, 0});
  if (first == entries_.end() || first->first != name) return std::nullopt;
  const std::size_t number = first->second;
  const std::size_t row = LiveBefore(number);
  entries_.erase(first);
  for (std::size_t i = number; i < tree_.size(); i += LowBit(i)) --tree_[i];
  if (tree_.size() - 1 > 2 * entries_.size() + kSlack) Renumber();
  return row;
}

// The live entries numbered below number.
std::size_t PeopleIndex::LiveBefore(std::size_t number) const {
  std::size_t count = 0;
  for (std::size_t i = number - 1; i > 0; i -= LowBit(i)) count += tree_[i];
  return count;
}

void PeopleIndex::Renumber() {
  std::vector<std::pair<std::size_t, std::string>> inOrder;
  inOrder.reserve(entries_.size());
  while (!entries_.empty()) {
    auto node = entries_.extract(entries_.begin());
    inOrder.emplace_back(node.value().second, std::move(node.value().first));
  }
  std::sort(inOrder.begin(), inOrder.end());
  Clear();
  for (auto& [number, name] : inOrder) Append(std::move(name));
}
