// The word list: how the entry box adds words, and which words a message holds.
#pragma once

#include <QString>
#include <QStringList>

// What a character-producing key press in the word box does. The box's text
// before the key is compared with every entry: when it equals one the box is
// emptied and the key then acts on the empty box, so a listed word is never
// added twice as typed. Otherwise Enter adds the text as a Word and empties
// the box; any other key acts as usual.
struct WordBoxStep {
  enum Kind { KeyAsUsual, EmptyThenKey, AddWord };
  Kind kind = KeyAsUsual;
  QString word;  // the entry to add, for AddWord
};
WordBoxStep WordBoxKey(const QStringList& entries, const QString& boxText, bool isEnter);

// Text as a listed word: without spaces, and without line breaks (LF, CR,
// U+2028, U+2029), which would split it in two where the list is kept one
// word per line.
QString Word(QString text);

// The entries, in list order, that occur in the cleaned text: a case-sensitive
// substring search; an empty entry occurs in every non-empty text, and nothing
// occurs in an empty one. Each matching entry raises one alert.
QStringList MatchingWords(const QStringList& entries, const QString& cleaned);

// The alert's text: the sender, ": " and the cleaned text, each kept to one
// line of its own (ShownLine).
QString AlertText(const QString& sender, const QString& cleaned);
