// Accounts kept across restarts in an SQLite database: each account's
// formatted name, groups of buddies, permit and deny lists and privacy mode,
// never its password. Each save is one transaction written ahead to a log,
// so a crash of the server loses at most the save it interrupts; a power
// failure may lose the last saves, but leaves the database whole. The
// database stays locked for as long as it is open, so that two servers never
// share it.
#pragma once

#include <string>
#include <vector>

#include "Accounts.h"

struct sqlite3;

class SqliteAccounts {
 public:
  SqliteAccounts() = default;
  SqliteAccounts(const SqliteAccounts&) = delete;
  SqliteAccounts& operator=(const SqliteAccounts&) = delete;
  ~SqliteAccounts();

  // Opens the database at path, creating it when missing. False, with error
  // saying why, when it cannot be created, is not such a database, is
  // damaged, or is locked by another process.
  bool Open(const std::string& path, std::string& error);
  // Every account kept.
  bool Load(std::vector<ChangedAccount>& accounts, std::string& error);
  // Replaces what is kept of the account with what it holds now.
  bool Save(const ChangedAccount& changed, std::string& error);

 private:
  bool Execute(const char* sql, std::string& error);
  void Close();

  sqlite3* db_ = nullptr;
};
