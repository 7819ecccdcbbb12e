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

}  // namespace

ListChange Account::AddGroup(std::string_view group) {
  for (const auto& existing : groups) {
    if (SameName(existing.name, group)) return ListChange::Unchanged;
  }
  if (groups.size() >= limits::kMaxGroups) return ListChange::Full;
  groups.push_back(BuddyGroup{std::string(group), {}});
  return ListChange::Done;
}

ListChange Account::RemoveGroup(std::string_view group, std::string& removed) {
  const auto it = std::find_if(groups.begin(), groups.end(),
                               [&](const BuddyGroup& existing) { return SameName(existing.name, group); });
  if (it == groups.end()) return ListChange::Unchanged;
  removed = it->name;
  groups.erase(it);
  return ListChange::Done;
}

ListChange Account::AddBuddy(std::string_view group, std::string_view name, std::string_view alias) {
  const auto it = std::find_if(groups.begin(), groups.end(),
                               [&](const BuddyGroup& existing) { return SameName(existing.name, group); });
  if (it == groups.end()) return ListChange::Unchanged;
  for (const auto& buddy : it->buddies) {
    if (SameName(buddy.name, name)) return ListChange::Unchanged;
  }
  if (BuddyCount(groups) >= limits::kMaxBuddies) return ListChange::Full;
  it->buddies.push_back(Buddy{std::string(name), std::string(alias)});
  return ListChange::Done;
}

ListChange Account::RemoveBuddy(std::string_view group, std::string_view name, Buddy& removed, std::string& fromGroup) {
  for (auto& existing : groups) {
    if (!SameName(existing.name, group)) continue;
    const auto it = std::find_if(existing.buddies.begin(), existing.buddies.end(),
                                 [&](const Buddy& buddy) { return SameName(buddy.name, name); });
    if (it == existing.buddies.end()) return ListChange::Unchanged;
    removed = *it;
    fromGroup = existing.name;
    existing.buddies.erase(it);
    return ListChange::Done;
  }
  return ListChange::Unchanged;
}

ListChange Account::AddName(std::vector<std::string>& list, std::string_view name) {
  if (std::find(list.begin(), list.end(), name) != list.end()) return ListChange::Unchanged;
  if (list.size() >= limits::kMaxListNames) return ListChange::Full;
  list.emplace_back(name);
  return ListChange::Done;
}

ListChange Account::RemoveName(std::vector<std::string>& list, std::string_view name) {
  const auto it = std::find(list.begin(), list.end(), name);
  if (it == list.end()) return ListChange::Unchanged;
  list.erase(it);
  return ListChange::Done;
}

bool Account::AcceptsRoasted(std::string_view roasted) const {
  return !password || RoastPassword(*password) == LowerAscii(roasted);
}

std::string Account::ConfigurationText() const {
  std::string text;
  for (const auto& group : groups) {
    text += "g:" + group.name + "\n";
    for (const auto& buddy : group.buddies) {
      text += "b:" + buddy.name + (buddy.alias.empty() ? "" : ":" + buddy.alias) + "\n";
    }
  }
  for (const auto& name : permitted) text += "p:" + name + "\n";
  for (const auto& name : denied) text += "d:" + name + "\n";
  text += "m:" + std::to_string(privacyMode) + "\n";
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
    if (line.empty() || line.front() == '#') continue;
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
    Account account;
    account.displayName = name;
    account.password = std::string(TrimSpaces(std::string_view(line).substr(colon + 1)));
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
  Account account;
  account.displayName = displayName;
  return &accounts_.emplace(key, std::move(account)).first->second;
}
