// Every alert kept for the user to read back, across restarts: an SQLite
// database (by default history.sqlite in Klaxo's folder under
// ~/.local/share). Each alert is written in a transaction of its own, in
// write-ahead-log mode, so that a crash of the program loses at most the
// alert being written; only the newest maxAlerts are kept.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

struct StoredAlert {
  qint64 id = 0;
  QDateTime time;
  QString room;
  QString sender;
  QString word;
  QString text;
  bool seen = false;
};

class AlertHistory {
 public:
  static constexpr qint64 kMaxAlerts = 100000;

  // The database at path, created with its folders when missing. Without a
  // value, error says why it cannot be used.
  static std::unique_ptr<AlertHistory> Open(const QString& path, QString& error, qint64 maxAlerts = kMaxAlerts);
  static QString DefaultPath();

  ~AlertHistory();
  AlertHistory(const AlertHistory&) = delete;
  AlertHistory& operator=(const AlertHistory&) = delete;

  // Stores the alert and gives it its id; the oldest beyond the bound go.
  // Without success the reason.
  std::optional<QString> Add(StoredAlert& alert);
  // At most limit alerts, newest first; with a search text only those whose
  // room, sender, word or text holds it (ASCII letters in either case).
  [[nodiscard]] QList<StoredAlert> Newest(int limit, const QString& search = {}) const;
  void MarkAllSeen();
  [[nodiscard]] qint64 CountUnseen() const;

 private:
  AlertHistory(sqlite3* db, qint64 maxAlerts) : db_(db), maxAlerts_(maxAlerts) {}
  [[nodiscard]] QString Error() const;

  sqlite3* db_;
  qint64 maxAlerts_;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* trim_ = nullptr;
};
