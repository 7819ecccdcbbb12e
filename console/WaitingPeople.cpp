#include "WaitingPeople.h"

#include <iterator>

#include "Functions.h"
#include "PeopleList.h"
#include "TextEdge.h"

std::string PersonKey(const QString& name) { return Normalize(ToWire(name)); }

WaitingPeople::WaitingPeople(const QStringList& names) {
  for (const QString& name : names) Arrive(name);
  starting_ = next_;
}

void WaitingPeople::Arrive(const QString& name) {
  if (inOrder_.size() >= kMaxRoomSize) return;
  const std::size_t number = next_++;
  inOrder_.emplace(number, name);
  byKey_.emplace(PersonKey(name), number);
  bytes_ += EntryBytes(name);
}

void WaitingPeople::Depart(const QString& name) {
  const std::string key = PersonKey(name);
  const auto first = byKey_.lower_bound({key, 0});
  if (first == byKey_.end() || first->first != key) return;
  const auto entry = inOrder_.find(first->second);
  bytes_ -= EntryBytes(entry->second);
  inOrder_.erase(entry);
  byKey_.erase(first);
}

QStringList WaitingPeople::Names() const {
  QStringList names;
  names.reserve(static_cast<qsizetype>(inOrder_.size()));
  for (const auto& [number, name] : inOrder_) names.append(name);
  return names;
}

std::optional<std::size_t> WaitingPeople::RowOf(std::size_t startingRow) const {
  const auto entry = inOrder_.find(startingRow);
  if (startingRow >= starting_ || entry == inOrder_.end()) return std::nullopt;
  return static_cast<std::size_t>(std::distance(inOrder_.begin(), entry));
}

std::size_t WaitingPeople::EntryBytes(const QString& name) {
  // Two tree nodes, the key and the name.
  constexpr std::size_t kNodes = std::size_t{2} * 64 + sizeof(std::string) + sizeof(QString);
  return kNodes + static_cast<std::size_t>(name.size()) * (sizeof(QChar) + 1);
}
