#include "Accounts.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>

#include "CommandArguments.h"
#include "ServerLimits.h"
#include "WireText.h"

namespace {

constexpr std::string_view kByteOrderMark{"\xEF\xBB\xBF"};

bool SameName(std::string_view a, std::string_view b) { return NormalizeName(a) == NormalizeName(b); }

std::string LowerAscii(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lowered;
}

std::size_t BuddyCount(const std::vector<BuddyGroup>& groups) {
  std::size_t count = 0;
  for (const auto& group : groups) count += group.buddies.size();
  return count;
}

// Where a comment starts: a "#" at the line's start or after a space or tab; the end when there is none.
std::size_t CommentStart(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return i;
  }
  return line.size();
}

}  // namespace

ListChange Account::AddGroup(std::string_view group) {
  for (const auto& existing : groups_) {
    if (SameName(existing.name, group)) return ListChange::Unchanged;
  }
  if (groups_.size() >= limits::kMaxGroups) return ListChange::Full;
  groups_.push_back(BuddyGroup{std::string(group), {}});
  return ListChange::Done;
}

ListChange Account::RemoveGroup(std::string_view group, std::string& removed) {
  const auto it = std::find_if(groups_.begin(), groups_.end(),
                               [&](const BuddyGroup& existing) { return SameName(existing.name, group); });
  if (it == groups_.end()) return ListChange::Unchanged;
  removed = it->name;
  groups_.erase(it);
  return ListChange::Done;
}

ListChange Account::AddBuddy(std::string_view group, std::string_view name, std::string_view alias) {
  const auto it = std::find_if(groups_.begin(), groups_.end(),
                               [&](const BuddyGroup& existing) { return SameName(existing.name, group); });
  if (it == groups_.end()) return ListChange::Unchanged;
  std::string key = NormalizeName(name);
  for (const auto& buddy : it->buddies) {
    if (buddy.key == key) return ListChange::Unchanged;
  }
  if (BuddyCount(groups_) >= limits::kMaxBuddies) return ListChange::Full;
  it->buddies.push_back(Buddy{std::string(name), std::string(alias), std::move(key)});
  return ListChange::Done;
}

ListChange Account::RemoveBuddy(std::string_view group, std::string_view name, Buddy& removed, std::string& fromGroup) {
  const std::string key = NormalizeName(name);
  for (auto& existing : groups_) {
    if (!SameName(existing.name, group)) continue;
    const auto it = std::find_if(existing.buddies.begin(), existing.buddies.end(),
                                 [&](const Buddy& buddy) { return buddy.key == key; });
    if (it == existing.buddies.end()) return ListChange::Unchanged;
    removed = *it;
    fromGroup = existing.name;
    existing.buddies.erase(it);
    return ListChange::Done;
  }
  return ListChange::Unchanged;
}

ListChange Account::AddToList(bool permit, std::string_view key) {
  auto& list = permit ? permitted_ : denied_;
  if (std::find(list.begin(), list.end(), key) != list.end()) return ListChange::Unchanged;
  if (list.size() >= limits::kMaxListNames) return ListChange::Full;
  list.emplace_back(key);
  return ListChange::Done;
}

ListChange Account::RemoveFromList(bool permit, std::string_view key) {
  auto& list = permit ? permitted_ : denied_;
  const auto it = std::find(list.begin(), list.end(), key);
  if (it == list.end()) return ListChange::Unchanged;
  list.erase(it);
  return ListChange::Done;
}

bool Account::Lists(std::string_view key) const {
  return std::any_of(groups_.begin(), groups_.end(), [&](const BuddyGroup& group) {
    return std::any_of(group.buddies.begin(), group.buddies.end(),
                       [&](const Buddy& buddy) { return buddy.key == key; });
  });
}

std::vector<std::string> Account::BuddyKeys() const {
  std::vector<std::string> keys;
  for (const auto& group : groups_) {
    for (const auto& buddy : group.buddies) {
      if (std::find(keys.begin(), keys.end(), buddy.key) == keys.end()) keys.push_back(buddy.key);
    }
  }
  return keys;
}

bool Account::Allows(std::string_view key) const {
  const auto listed = [&](const std::vector<std::string>& list) {
    return std::find(list.begin(), list.end(), key) != list.end();
  };
  switch (privacyMode_) {
    case PrivacyMode::PermitAll:
      return true;
    case PrivacyMode::DenyAll:
      return false;
    case PrivacyMode::PermitListed:
      return listed(permitted_);
    case PrivacyMode::DenyListed:
      return !listed(denied_);
    case PrivacyMode::PermitBuddies:
      return Lists(key);
  }
  return true;
}

bool Account::AcceptsRoasted(std::string_view roasted) const {
  return !password_ || RoastPassword(*password_) == LowerAscii(roasted);
}

bool Account::ChangePassword(std::string_view current, std::string_view replacement) {
  if (!password_) return true;
  if (*password_ != current) return false;
  password_ = std::string(replacement);
  return true;
}

std::string Account::ConfigurationText() const {
  std::string text;
  for (const auto& group : groups_) {
    text += "g:" + group.name + "\n";
    for (const auto& buddy : group.buddies) {
      text += "b:" + buddy.name + (buddy.alias.empty() ? "" : ":" + buddy.alias) + "\n";
    }
  }
  for (const auto& name : permitted_) text += "p:" + name + "\n";
  for (const auto& name : denied_) text += "d:" + name + "\n";
  text += "m:" + std::to_string(static_cast<int>(privacyMode_)) + "\n";
  text += "done:\n";
  return text;
}

std::vector<std::string> SplitConfiguration(const std::string& text, std::size_t chunkSize) {
  std::vector<std::string> chunks;
  std::string chunk;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
    if (!chunk.empty() && chunk.size() + (end - start) > chunkSize) chunks.push_back(std::exchange(chunk, {}));
    chunk.append(text, start, end - start);
    start = end;
  }
  if (!chunk.empty()) chunks.push_back(std::move(chunk));
  return chunks;
}

bool AccountStore::Load(std::istream& in, std::string& error) {
  std::unordered_map<std::string, Account> loaded;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (number == 1 && line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A comment goes with the spaces and tabs before it.
    if (const std::size_t comment = CommentStart(line); comment < line.size()) {
      line.erase(comment == 0 ? 0 : line.find_last_not_of(" \t", comment - 1) + 1);
    }
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const std::size_t colon = line.find(':');
    const std::string name(TrimSpaces(std::string_view(line).substr(0, colon)));
    const std::string key = NormalizeName(name);
    std::string where = "line ";
    where += std::to_string(number) + ": ";
    if (colon == std::string::npos) {
      error = where + "expected \"screen name:password\"";
      return false;
    }
    if (key.empty() || !IsPlainEntry(name, limits::kMaxScreenName)) {
      error = where + "the screen name must have 1 to " + std::to_string(limits::kMaxScreenName) +
              " characters and no control characters";
      return false;
    }
    Account account(name, std::string(TrimSpaces(std::string_view(line).substr(colon + 1))));
    if (!loaded.emplace(key, std::move(account)).second) {
      error = where;
      error += "the screen name " + name + " is listed twice";
      return false;
    }
  }
  if (in.bad()) {
    error = "cannot be read";
    return false;
  }
  accounts_ = std::move(loaded);
  closed_ = true;
  return true;
}

bool AccountStore::LoadFile(const std::string& path, std::string& error) {
  std::error_code status;
  if (!std::filesystem::is_regular_file(path, status)) {
    error = std::filesystem::exists(path, status) ? "not a regular file" : "no such file";
    return false;
  }
  std::ifstream file(path);
  if (!file) {
    error = "cannot be opened for reading";
    return false;
  }
  return Load(file, error);
}

Account* AccountStore::Find(const std::string& key) {
  const auto it = accounts_.find(key);
  return it == accounts_.end() ? nullptr : &it->second;
}

Account* AccountStore::Open(const std::string& key, const std::string& displayName) {
  if (Account* existing = Find(key)) return existing;
  if (accounts_.size() >= limits::kMaxStoredAccounts) return nullptr;
  return &accounts_.emplace(key, Account(displayName, std::nullopt)).first->second;
}
