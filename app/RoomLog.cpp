#include "RoomLog.h"

#include <QDir>
#include <QStandardPaths>
#include <utility>

#include "ShownLine.h"

namespace {

// Room names are short on the wire; a longer one is cut to keep the file
// name within every file system's limit.
constexpr qsizetype kMaxStem = 100;

}  // namespace

QString TimestampPrefix(const QTime& time) {
  return u'[' + time.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("] ");
}

namespace {

// Built in one piece: every line of a busy room is logged.
QString LineAfter(const QString& prefix, const QString& sender, const QString& text) {
  QString line;
  line.reserve(prefix.size() + sender.size() + text.size() + 4);
  line += prefix;
  line += u'<';
  line += ShownLine(sender);
  line += QLatin1String("> ");
  line += ShownLine(text);
  line += u'\n';
  return line;
}

}  // namespace

QString LogLine(const QTime& time, const QString& sender, const QString& text) {
  return LineAfter(TimestampPrefix(time), sender, text);
}

QString LogFileName(const QString& room, const QDate& day) {
  QString stem = room.left(kMaxStem);
  for (QChar& c : stem) {
    if (!c.isLetterOrNumber() && c != u'-' && c != u'_') c = u'_';
  }
  if (stem.isEmpty()) stem = QStringLiteral("room");
  return stem + u'-' + day.toString(Qt::ISODate) + QStringLiteral(".log");
}

QString RoomLog::DefaultFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/logs");
}

RoomLog::RoomLog(QString folder) : folder_(std::move(folder)) {
  flush_.setSingleShot(true);
  flush_.setInterval(0);
  QObject::connect(&flush_, &QTimer::timeout, [this] { Flush(); });
}

void RoomLog::Append(const QDateTime& when, const QString& room, const QString& sender, const QString& text) {
  // A busy room says many lines a second: the local time, the file and the
  // prefix are worked out once a second.
  const qint64 second = when.toSecsSinceEpoch();
  if (second != second_ || room != room_ || !file_.isOpen()) {
    const QDateTime local = when.toLocalTime();
    if (!OpenFor(LogFileName(room, local.date()))) return;
    second_ = second;
    room_ = room;
    prefix_ = TimestampPrefix(local.time());
  }
  const QByteArray line = LineAfter(prefix_, sender, text).toUtf8();
  if (file_.write(line) != line.size()) {
    Failed(file_.errorString());
    file_.close();
    return;
  }
  if (!flush_.isActive()) flush_.start();
}

void RoomLog::Flush() {
  flush_.stop();
  if (!file_.isOpen()) return;
  if (!file_.flush()) {
    Failed(file_.errorString());
    file_.close();
    return;
  }
  told_ = false;
}

bool RoomLog::OpenFor(const QString& name) {
  const QString path = folder_ + u'/' + name;
  if (file_.isOpen() && file_.fileName() == path) return true;
  Flush();
  file_.close();
  if (!QDir().mkpath(folder_)) {
    Failed(QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(folder_)));
    return false;
  }
  file_.setFileName(path);
  const bool created = !file_.exists();
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
    Failed(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file_.errorString()));
    return false;
  }
  if (created) file_.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  return true;
}

void RoomLog::Failed(const QString& reason) {
  if (std::exchange(told_, true)) return;
  if (onFailed) onFailed(QStringLiteral("The room log cannot be written: %1").arg(reason));
}
