#include "WordList.h"

#include "ShownLine.h"

WordBoxStep WordBoxKey(const QStringList& entries, const QString& boxText, bool isEnter) {
  if (boxText.isEmpty()) return {};
  if (entries.contains(boxText, Qt::CaseSensitive)) return {WordBoxStep::EmptyThenKey, {}};
  if (isEnter) return {WordBoxStep::AddWord, QString(boxText).remove(QLatin1Char(' '))};
  return {};
}

QStringList MatchingWords(const QStringList& entries, const QString& cleaned) {
  QStringList found;
  if (cleaned.isEmpty()) return found;
  for (const QString& entry : entries) {
    if (cleaned.contains(entry, Qt::CaseSensitive)) found.append(entry);
  }
  return found;
}

QString AlertText(const QString& sender, const QString& cleaned) {
  return ShownLine(sender) + QStringLiteral(": ") + ShownLine(cleaned);
}
