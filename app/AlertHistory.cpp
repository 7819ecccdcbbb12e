#include "AlertHistory.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

constexpr const char* kSchema =
    "PRAGMA journal_mode=WAL;"
    // In write-ahead-log mode NORMAL loses nothing committed when the
    // program crashes, and spares a disk flush per alert.
    "PRAGMA synchronous=NORMAL;"
    "CREATE TABLE IF NOT EXISTS alerts(id INTEGER PRIMARY KEY, time INTEGER NOT NULL, room TEXT NOT NULL,"
    " sender TEXT NOT NULL, word TEXT NOT NULL, text TEXT NOT NULL, seen INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX IF NOT EXISTS alerts_unseen ON alerts(seen) WHERE seen = 0;";

// Another Klaxo writing the same history waits this long at most.
constexpr int kBusyMilliseconds = 200;

// A statement prepared for one query, finalized when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return statement_; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

void BindText(sqlite3_stmt* statement, int index, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

QString ColumnText(sqlite3_stmt* statement, int column) {
  return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                           sqlite3_column_bytes(statement, column));
}

// The search text as a LIKE pattern that finds it anywhere, its own % and _
// taken literally.
QString LikePattern(QString search) {
  search.replace(u'\\', QStringLiteral("\\\\"))
      .replace(u'%', QStringLiteral("\\%"))
      .replace(u'_', QStringLiteral("\\_"));
  return u'%' + search + u'%';
}

}  // namespace

QString AlertHistory::DefaultPath() {
  return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/history.sqlite");
}

std::unique_ptr<AlertHistory> AlertHistory::Open(const QString& path, QString& error, qint64 maxAlerts) {
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) {
    error = QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(folder));
    return nullptr;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
    sqlite3_close(db);
    return nullptr;
  }
  // What was said to the user is theirs alone to read back.
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  std::unique_ptr<AlertHistory> history(new AlertHistory(db, maxAlerts));
  sqlite3_busy_timeout(db, kBusyMilliseconds);
  if (sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v3(db, "INSERT INTO alerts(time, room, sender, word, text, seen) VALUES(?, ?, ?, ?, ?, ?)", -1,
                         SQLITE_PREPARE_PERSISTENT, &history->insert_, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v3(db, "DELETE FROM alerts WHERE id <= ?", -1, SQLITE_PREPARE_PERSISTENT, &history->trim_,
                         nullptr) != SQLITE_OK) {
    error = history->Error();
    return nullptr;
  }
  return history;
}

AlertHistory::~AlertHistory() {
  sqlite3_finalize(insert_);
  sqlite3_finalize(trim_);
  sqlite3_close(db_);
}

QString AlertHistory::Error() const { return QString::fromUtf8(sqlite3_errmsg(db_)); }

std::optional<QString> AlertHistory::Add(StoredAlert& alert) {
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return Error();
  sqlite3_bind_int64(insert_, 1, alert.time.toMSecsSinceEpoch());
  BindText(insert_, 2, alert.room);
  BindText(insert_, 3, alert.sender);
  BindText(insert_, 4, alert.word);
  BindText(insert_, 5, alert.text);
  sqlite3_bind_int(insert_, 6, alert.seen ? 1 : 0);
  bool stored = sqlite3_step(insert_) == SQLITE_DONE;
  sqlite3_reset(insert_);
  if (stored) {
    // Ids only grow, so the newest maxAlerts_ are those above this one.
    alert.id = sqlite3_last_insert_rowid(db_);
    sqlite3_bind_int64(trim_, 1, alert.id - maxAlerts_);
    stored = sqlite3_step(trim_) == SQLITE_DONE;
    sqlite3_reset(trim_);
  }
  if (stored && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return std::nullopt;
  const QString reason = Error();
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return reason;
}

QList<StoredAlert> AlertHistory::Newest(int limit, const QString& search) const {
  const Statement query(
      db_, search.isEmpty() ? "SELECT id, time, room, sender, word, text, seen FROM alerts ORDER BY id DESC LIMIT ?"
                            : "SELECT id, time, room, sender, word, text, seen FROM alerts WHERE room LIKE ?2 "
                              "ESCAPE '\\' OR sender LIKE ?2 ESCAPE '\\' OR word LIKE ?2 ESCAPE '\\' OR text "
                              "LIKE ?2 ESCAPE '\\' ORDER BY id DESC LIMIT ?1");
  sqlite3_bind_int(query.get(), 1, limit);
  if (!search.isEmpty()) BindText(query.get(), 2, LikePattern(search));
  QList<StoredAlert> alerts;
  while (sqlite3_step(query.get()) == SQLITE_ROW) {
    sqlite3_stmt* row = query.get();
    alerts.append({sqlite3_column_int64(row, 0), QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(row, 1)),
                   ColumnText(row, 2), ColumnText(row, 3), ColumnText(row, 4), ColumnText(row, 5),
                   sqlite3_column_int(row, 6) != 0});
  }
  return alerts;
}

void AlertHistory::MarkAllSeen() {
  sqlite3_exec(db_, "UPDATE alerts SET seen = 1 WHERE seen = 0", nullptr, nullptr, nullptr);
}

qint64 AlertHistory::CountUnseen() const {
  const Statement query(db_, "SELECT count(*) FROM alerts WHERE seen = 0");
  return sqlite3_step(query.get()) == SQLITE_ROW ? sqlite3_column_int64(query.get(), 0) : 0;
}
