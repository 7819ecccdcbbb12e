#include "SqliteAccounts.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

namespace {

// The layout this code writes; a database of a later one is left alone.
constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS accounts(
  key TEXT PRIMARY KEY, display_name TEXT NOT NULL, privacy_mode INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS groups(
  account TEXT NOT NULL, position INTEGER NOT NULL, name TEXT NOT NULL,
  PRIMARY KEY(account, position));
CREATE TABLE IF NOT EXISTS buddies(
  account TEXT NOT NULL, group_position INTEGER NOT NULL, position INTEGER NOT NULL,
  name TEXT NOT NULL, alias TEXT NOT NULL,
  PRIMARY KEY(account, group_position, position));
CREATE TABLE IF NOT EXISTS names(
  account TEXT NOT NULL, permit INTEGER NOT NULL, position INTEGER NOT NULL, name TEXT NOT NULL,
  PRIMARY KEY(account, permit, position));
)";

struct Finalize {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

std::string Message(sqlite3* db) {
  switch (sqlite3_errcode(db)) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "locked: another process is using it";
    case SQLITE_NOTADB:
      return "not a database";
    case SQLITE_CORRUPT:
      return "damaged";
    default:
      return sqlite3_errmsg(db);
  }
}

Statement Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
  return Statement(statement);
}

// Names are wire bytes, kept as they came whatever their encoding.
void Bind(sqlite3_stmt* statement, int index, std::string_view text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string Column(sqlite3_stmt* statement, int index) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
  const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, index));
  return text == nullptr ? std::string() : std::string(text, size);
}

// The first column of the first row; nothing on an error.
std::optional<std::string> QueryText(sqlite3* db, const char* sql) {
  const Statement statement = Prepare(db, sql);
  if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) return std::nullopt;
  return Column(statement.get(), 0);
}

// Runs a prepared insert with its bindings, and readies it for the next.
bool Run(sqlite3_stmt* statement) {
  const bool done = sqlite3_step(statement) == SQLITE_DONE;
  sqlite3_reset(statement);
  return done;
}

}  // namespace

SqliteAccounts::~SqliteAccounts() { Close(); }

void SqliteAccounts::Close() {
  sqlite3_close(db_);
  db_ = nullptr;
}

bool SqliteAccounts::Execute(const char* sql, std::string& error) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  error = Message(db_);
  return false;
}

bool SqliteAccounts::Open(const std::string& path, std::string& error) {
  Close();
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    error = db_ == nullptr ? "out of memory" : Message(db_);
    Close();
    return false;
  }
  // The exclusive lock is taken at once and held until the database is closed.
  bool ok = Execute(
      "PRAGMA locking_mode=EXCLUSIVE; PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; BEGIN EXCLUSIVE;", error);
  if (ok) {
    const auto check = QueryText(db_, "PRAGMA quick_check;");
    ok = check == "ok";
    if (!ok) error = check ? "damaged: " + *check : Message(db_);
  }
  if (ok) {
    const auto version = QueryText(db_, "PRAGMA user_version;");
    ok = version && std::stoi(*version) <= kSchemaVersion;
    if (!ok) error = version ? "made by a later version of klaxo-tocd" : Message(db_);
  }
  const std::string setVersion = "PRAGMA user_version=" + std::to_string(kSchemaVersion) + "; COMMIT;";
  if (ok && Execute(kSchema, error) && Execute(setVersion.c_str(), error)) return true;
  Close();
  return false;
}

bool SqliteAccounts::Load(std::vector<ChangedAccount>& accounts, std::string& error) {
  // Ordered by key, so that what is restored does not depend on how rows happen to lie.
  std::map<std::string, Account> loaded;
  const Statement rows = Prepare(db_, "SELECT key, display_name, privacy_mode FROM accounts ORDER BY key;");
  const Statement groups = Prepare(db_, "SELECT account, position, name FROM groups ORDER BY account, position;");
  const Statement buddies = Prepare(
      db_, "SELECT account, group_position, name, alias FROM buddies ORDER BY account, group_position, position;");
  const Statement names = Prepare(db_, "SELECT account, permit, name FROM names ORDER BY account, permit, position;");
  if (!rows || !groups || !buddies || !names) {
    error = Message(db_);
    return false;
  }
  while (sqlite3_step(rows.get()) == SQLITE_ROW) {
    Account& account = loaded.try_emplace(Column(rows.get(), 0), Column(rows.get(), 1), std::nullopt).first->second;
    const int mode = sqlite3_column_int(rows.get(), 2);
    if (mode >= 1 && mode <= 5) account.SetPrivacyMode(static_cast<PrivacyMode>(mode));
  }
  // The lists go through the account's own checks and limits, as they did when they were made.
  std::map<std::pair<std::string, int>, std::string> groupNames;
  while (sqlite3_step(groups.get()) == SQLITE_ROW) {
    const auto it = loaded.find(Column(groups.get(), 0));
    if (it == loaded.end()) continue;
    std::string name = Column(groups.get(), 2);
    it->second.AddGroup(name);
    groupNames[{it->first, sqlite3_column_int(groups.get(), 1)}] = std::move(name);
  }
  while (sqlite3_step(buddies.get()) == SQLITE_ROW) {
    const std::string key = Column(buddies.get(), 0);
    const auto group = groupNames.find({key, sqlite3_column_int(buddies.get(), 1)});
    if (group == groupNames.end()) continue;
    loaded.at(key).AddBuddy(group->second, Column(buddies.get(), 2), Column(buddies.get(), 3));
  }
  while (sqlite3_step(names.get()) == SQLITE_ROW) {
    const auto it = loaded.find(Column(names.get(), 0));
    if (it != loaded.end()) it->second.AddToList(sqlite3_column_int(names.get(), 1) != 0, Column(names.get(), 2));
  }
  if (sqlite3_errcode(db_) != SQLITE_OK && sqlite3_errcode(db_) != SQLITE_DONE && sqlite3_errcode(db_) != SQLITE_ROW) {
    error = Message(db_);
    return false;
  }
  for (auto& [key, account] : loaded) accounts.push_back({key, std::move(account)});
  return true;
}

bool SqliteAccounts::Save(const ChangedAccount& changed, std::string& error) {
  if (!Execute("BEGIN IMMEDIATE;", error)) return false;
  std::vector<Statement> statements;
  for (const char* sql :
       {"DELETE FROM groups WHERE account = ?1;", "DELETE FROM buddies WHERE account = ?1;",
        "DELETE FROM names WHERE account = ?1;", "INSERT OR REPLACE INTO accounts VALUES (?1, ?2, ?3);",
        "INSERT INTO groups VALUES (?1, ?2, ?3);", "INSERT INTO buddies VALUES (?1, ?2, ?3, ?4, ?5);",
        "INSERT INTO names VALUES (?1, ?2, ?3, ?4);"}) {
    statements.push_back(Prepare(db_, sql));
    if (statements.back()) Bind(statements.back().get(), 1, changed.key);
  }
  const Account& account = changed.account;
  bool ok = std::all_of(statements.begin(), statements.end(), [](const Statement& s) { return s != nullptr; });
  ok = ok && Run(statements[0].get()) && Run(statements[1].get()) && Run(statements[2].get());
  sqlite3_stmt* const row = statements[3].get();
  sqlite3_stmt* const group = statements[4].get();
  sqlite3_stmt* const buddy = statements[5].get();
  sqlite3_stmt* const name = statements[6].get();
  if (ok) {
    Bind(row, 2, account.DisplayName());
    sqlite3_bind_int(row, 3, static_cast<int>(account.Mode()));
    ok = Run(row);
  }
  for (std::size_t g = 0; ok && g < account.Groups().size(); ++g) {
    const BuddyGroup& entry = account.Groups()[g];
    sqlite3_bind_int64(group, 2, static_cast<sqlite3_int64>(g));
    Bind(group, 3, entry.name);
    ok = Run(group);
    for (std::size_t b = 0; ok && b < entry.buddies.size(); ++b) {
      sqlite3_bind_int64(buddy, 2, static_cast<sqlite3_int64>(g));
      sqlite3_bind_int64(buddy, 3, static_cast<sqlite3_int64>(b));
      Bind(buddy, 4, entry.buddies[b].name);
      Bind(buddy, 5, entry.buddies[b].alias);
      ok = Run(buddy);
    }
  }
  for (const bool permit : {true, false}) {
    const auto& list = permit ? account.Permitted() : account.Denied();
    for (std::size_t n = 0; ok && n < list.size(); ++n) {
      sqlite3_bind_int(name, 2, permit ? 1 : 0);
      sqlite3_bind_int64(name, 3, static_cast<sqlite3_int64>(n));
      Bind(name, 4, list[n]);
      ok = Run(name);
    }
  }
  if (ok && Execute("COMMIT;", error)) return true;
  if (!ok) error = Message(db_);
  std::string ignored;
  Execute("ROLLBACK;", ignored);
  return false;
}
