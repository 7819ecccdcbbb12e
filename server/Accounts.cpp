#include "Accounts.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>

#include "CommandArguments.h"
#include "PasswordHash.h"
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

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
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

ListChange Account::SetPrivacyMode(PrivacyMode mode) {
  if (privacyMode_ == mode) return ListChange::Unchanged;
  privacyMode_ = mode;
  return ListChange::Done;
}

bool Account::AcceptsRoasted(std::string_view roasted) const {
  if (!password_) return true;
  if (!password_->hashed) return RoastPassword(password_->text) == LowerAscii(roasted);
  const auto password = UnroastPassword(roasted);
  return password && MatchesHash(*password, password_->text);
}

ListChange Account::ChangePassword(std::string_view current, std::string_view replacement) {
  if (!password_) return ListChange::Done;
  if (password_->hashed ? !MatchesHash(current, password_->text) : password_->text != current) {
    return ListChange::Unchanged;
  }
  if (!password_->hashed) {
    password_->text = replacement;
    return ListChange::Done;
  }
  auto hash = HashPassword(replacement);
  if (!hash) return ListChange::Unchanged;
  password_->text = std::move(*hash);
  return ListChange::Done;
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
    const std::string name(TrimBlanks(std::string_view(line).substr(0, colon)));
    const std::string key = NormalizeName(name);
    std::string where = "line ";
    where += std::to_string(number) + ": ";
    if (colon == std::string::npos) {
      error = where + "expected \"screen name:password\"";
      return false;
    }
    if (key.empty() || !IsPlainEntry(name, limits::kMaxScreenName)) {
      error = where + "the screen name must have 1 to " + std::to_string(limits::kMaxScreenName) +
              " bytes and no control characters";
      return false;
    }
    Password password{std::string(TrimBlanks(std::string_view(line).substr(colon + 1)))};
    if (password.text.empty()) {
      error = where + "the password is empty";
      return false;
    }
    password.hashed = password.text.starts_with('$');
    if (password.hashed && !IsUsableHash(password.text)) {
      error = where + "the password starts with \"$\" but is not a hash this system can check";
      return false;
    }
    Account account(name, std::move(password));
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

bool AccountStore::LoadFile(const std::string& path, std::string& error, std::vector<std::string>& warnings) {
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
  // As ssh does for its keys: whoever may write the file may make accounts.
  // The root group counts as the owner, which lets a service manager grant
  // a service user reading alone.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = "cannot be examined";
    return false;
  }
  const mode_t others = info.st_gid == 0 ? S_IRWXO : (S_IRWXG | S_IRWXO);
  if ((info.st_mode & others & (S_IWGRP | S_IWOTH)) != 0) {
    error = "others may write it: make it writable by its owner alone (chmod go-w)";
    return false;
  }
  if (!Load(file, error)) return false;
  if ((info.st_mode & others & (S_IRGRP | S_IROTH)) != 0) {
    warnings.emplace_back("others may read it: make it readable by its owner alone (chmod go-rw)");
  }
  const auto plain = std::count_if(accounts_.begin(), accounts_.end(), [](const auto& entry) {
    return entry.second.password_ && !entry.second.password_->hashed;
  });
  if (plain > 0) {
    warnings.push_back(std::to_string(plain) + " of its passwords " + (plain == 1 ? "is" : "are") +
                       " not hashed: replace each with what klaxo-tocd --hash-password prints");
  }
  return true;
}

const Account* AccountStore::Find(const std::string& key) const {
  const auto it = accounts_.find(key);
  return it == accounts_.end() ? nullptr : &it->second;
}

const Account* AccountStore::Open(const std::string& key, const std::string& displayName) {
  if (const Account* existing = Find(key)) return existing;
  if (accounts_.size() >= limits::kMaxStoredAccounts) return nullptr;
  MarkChanged(key);
  return &accounts_.emplace(key, Account(displayName, std::nullopt)).first->second;
}

ListChange AccountStore::Change(const std::string& key, const std::function<ListChange(Account&)>& change) {
  const ListChange result = change(accounts_.at(key));
  if (result == ListChange::Done) MarkChanged(key);
  return result;
}

void AccountStore::MarkChanged(const std::string& key) {
  // Few accounts change between two takes: a scan costs less than a set.
  if (std::find(changed_.begin(), changed_.end(), key) == changed_.end()) changed_.push_back(key);
}

std::vector<ChangedAccount> AccountStore::TakeChanged() {
  std::vector<ChangedAccount> taken;
  for (auto& key : std::exchange(changed_, {})) {
    const Account& account = accounts_.at(key);
    taken.push_back({std::move(key), account});
  }
  return taken;
}

bool AccountStore::Restore(ChangedAccount kept) {
  if (NormalizeName(kept.account.DisplayName()) != kept.key) return false;
  const auto it = accounts_.find(kept.key);
  if (it != accounts_.end()) {
    kept.account.password_ = std::move(it->second.password_);
    it->second = std::move(kept.account);
    return true;
  }
  if (closed_ || accounts_.size() >= limits::kMaxStoredAccounts) return false;
  kept.account.password_.reset();
  accounts_.emplace(std::move(kept.key), std::move(kept.account));
  return true;
}
