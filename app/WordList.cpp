#include "WordList.h"

#include "ShownLine.h"

WordBoxStep WordBoxKey(const QStringList& entries, const QString& boxText, bool isEnter) {
  if (boxText.isEmpty()) return {};
  if (entries.contains(boxText, Qt::CaseSensitive)) return {WordBoxStep::EmptyThenKey, {}};
  if (isEnter) return {WordBoxStep::AddWord, Word(boxText)};
  return {};
}

QString Word(QString text) {
  text.removeIf(
      [](QChar c) { return c == u' ' || c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029); });
  return text;
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
