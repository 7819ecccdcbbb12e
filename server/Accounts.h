// Accounts and what the server stores for each: the buddy list by groups,
// the permit and deny lists and the privacy mode. They reach the client at
// sign-on as configuration lines and are kept across sign-ons; what the
// store changes is taken from it to be kept across restarts too.
//
// With an accounts file only its accounts may sign on, each with its
// password. Without one, any name signs on with any password and gets an
// account on its first sign-on; when the store is full, a new name still
// signs on but its lists are not kept, and no stored account is ever
// forgotten to make room.
#pragma once

#include <cstddef>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct Buddy {
  std::string name;
  std::string alias;
  // The name normalized, to find the buddy by.
  std::string key;
};

struct BuddyGroup {
  std::string name;
  std::vector<Buddy> buddies;
};

enum class ListChange { Done, Unchanged, Full };

// Privacy modes, as toc2_set_pdmode numbers them.
enum class PrivacyMode { PermitAll = 1, DenyAll, PermitListed, DenyListed, PermitBuddies };

// A password as the accounts file gives it: the password itself, or a hash
// of it in the form /etc/shadow uses.
struct Password {
  std::string text;
  bool hashed = false;
};

// One account's name, password and lists. Every change goes through these
// methods, so that what the privacy rules read is kept in one place; an
// account in an AccountStore is changed only through AccountStore::Change.
class Account {
 public:
  Account() = default;
  // None: any password is accepted.
  Account(std::string displayName, std::optional<Password> password)
      : displayName_(std::move(displayName)), password_(std::move(password)) {}

  // The screen name as it is shown: capitals and spaces as the user gave them.
  [[nodiscard]] const std::string& DisplayName() const { return displayName_; }
  void SetDisplayName(std::string_view name) { displayName_ = name; }
  // The roasted password the client sent, in either letter case, against the stored one.
  [[nodiscard]] bool AcceptsRoasted(std::string_view roasted) const;
  // Unchanged when the account has a password and it is not current; a
  // hashed password is replaced by a hash.
  ListChange ChangePassword(std::string_view current, std::string_view replacement);

  // Groups are matched by normalized name, buddies within a group too.
  ListChange AddGroup(std::string_view group);
  // On Done, removed holds the group's name as it was stored.
  ListChange RemoveGroup(std::string_view group, std::string& removed);
  // Unchanged when the group is missing.
  ListChange AddBuddy(std::string_view group, std::string_view name, std::string_view alias);
  // On Done, removed holds the buddy's name and group as they were stored.
  ListChange RemoveBuddy(std::string_view group, std::string_view name, Buddy& removed, std::string& fromGroup);
  // The permit list, or the deny list; names are kept normalized.
  ListChange AddToList(bool permit, std::string_view key);
  ListChange RemoveFromList(bool permit, std::string_view key);
  ListChange SetPrivacyMode(PrivacyMode mode);

  // Whether the normalized name is one of the buddies, in any group.
  [[nodiscard]] bool Lists(std::string_view key) const;
  // The normalized names of every buddy, each once.
  [[nodiscard]] std::vector<std::string> BuddyKeys() const;
  // Whether the privacy mode and lists let the person of key see this
  // account's user online and reach it.
  [[nodiscard]] bool Allows(std::string_view key) const;

  // The configuration lines: groups each followed by their buddies, the
  // permit list, the deny list, the mode, and "done:" last; each line ends in
  // a line feed.
  [[nodiscard]] std::string ConfigurationText() const;

  [[nodiscard]] const std::vector<BuddyGroup>& Groups() const { return groups_; }
  [[nodiscard]] const std::vector<std::string>& Permitted() const { return permitted_; }
  [[nodiscard]] const std::vector<std::string>& Denied() const { return denied_; }
  [[nodiscard]] PrivacyMode Mode() const { return privacyMode_; }

 private:
  friend class AccountStore;

  std::string displayName_;
  std::optional<Password> password_;
  std::vector<BuddyGroup> groups_;
  std::vector<std::string> permitted_;
  std::vector<std::string> denied_;
  PrivacyMode privacyMode_ = PrivacyMode::PermitAll;
};

// The configuration cut into the arguments of CONFIG2 messages at line ends,
// each at most chunkSize bytes unless a single line is longer. Only the last
// holds the "done:" line.
std::vector<std::string> SplitConfiguration(const std::string& text, std::size_t chunkSize);

// An account as it is now, by its normalized name.
struct ChangedAccount {
  std::string key;
  Account account;
};

class AccountStore {
 public:
  // Reads "screen name:password" lines. A "#" at the start of a line or
  // after a space or tab starts a comment that runs to the line's end; lines
  // with nothing but spaces, tabs and comments are skipped, and so is a UTF-8
  // byte-order mark at the start. Spaces and tabs around the name and around
  // the password are not part of them. A password that starts with "$" is a
  // hash. On a fault, error names the line and nothing is kept.
  bool Load(std::istream& in, std::string& error);
  // Load from the file at path, which must be a readable regular file that
  // no one but its owner (and the root group) may write. What an operator
  // should mend, but may run with, goes to warnings: a file others may read,
  // and passwords not hashed.
  bool LoadFile(const std::string& path, std::string& error, std::vector<std::string>& warnings);

  // True once an accounts file was loaded: unknown names may not sign on.
  [[nodiscard]] bool Closed() const { return closed_; }
  [[nodiscard]] const Account* Find(const std::string& key) const;
  // The account of key, created with displayName when missing; nothing when
  // it is missing and the store is full.
  const Account* Open(const std::string& key, const std::string& displayName);
  [[nodiscard]] std::size_t Count() const { return accounts_.size(); }

  // The one way to change a stored account: change runs on the account of
  // key, which must exist, and unless it answers Unchanged or Full the
  // account is marked changed.
  ListChange Change(const std::string& key, const std::function<ListChange(Account&)>& change);
  // The accounts changed or created since the last call, each once, in the
  // order they were first changed.
  std::vector<ChangedAccount> TakeChanged();
  // Takes the name and lists of an account kept from an earlier run, but
  // never its password: for an account of the file, or, in an open store,
  // for a new one while there is room. False when it is not taken.
  bool Restore(ChangedAccount kept);

 private:
  void MarkChanged(const std::string& key);

  std::unordered_map<std::string, Account> accounts_;
  bool closed_ = false;
  std::vector<std::string> changed_;
};
