// The room kept in text files, one a day, when the user asks for it:
// ROOM-YYYY-MM-DD.log in Klaxo's logs folder under ~/.local/share, each line
// "[HH:MM:SS] <sender> text" in UTF-8 and local time. Lines are written out
// at the end of the event loop's turn that brought them, before anything
// else runs, so that a crash loses at most the lines of that turn while a
// busy room costs one write per turn rather than per line. The console's
// timestamps use the same form.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QTime>
#include <QTimer>
#include <functional>

// "[HH:MM:SS] ", the prefix of a console line and of a log line.
QString TimestampPrefix(const QTime& time);
// One log line, its line feed included; network text kept to one line.
QString LogLine(const QTime& time, const QString& sender, const QString& text);
// The day's file name for the room: characters that are not letters,
// digits, '-' or '_' become '_', so no room name can leave the folder.
QString LogFileName(const QString& room, const QDate& day);

class RoomLog {
 public:
  static QString DefaultFolder();

  explicit RoomLog(QString folder);

  void Append(const QDateTime& when, const QString& room, const QString& sender, const QString& text);
  // Writes out what the turn has appended so far.
  void Flush();

  // A line that cannot be written is reported once, and again only after a
  // line was written in between; it is never fatal.
  std::function<void(const QString& reason)> onFailed;

 private:
  bool OpenFor(const QString& name);
  void Failed(const QString& reason);

  QString folder_;
  QFile file_;
  QTimer flush_;
  bool told_ = false;
  // The second, room and prefix of the line written last.
  qint64 second_ = -1;
  QString room_;
  QString prefix_;
};
