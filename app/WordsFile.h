// The word list kept in a file between runs (klaxo --words FILE).
//
// The file is UTF-8 text, one word per line, in list order, each line ended
// by a line feed. Read leniently, as a person may have edited it: a leading
// byte-order mark is skipped, a carriage return before a line feed is
// dropped, a line that is not valid UTF-8 is read as Latin-1, and every line
// is made a Word as the word box makes one (spaces and line breaks removed),
// so a line left empty (a blank line) holds no word. A listed word never
// contains a space, which leaves room for the one entry a blank line cannot
// hold: the empty word (typed as only spaces) is the line kEmptyWordLine. A
// first word that starts with a byte-order mark is written after one, so
// that reading skips that one and keeps the word's.
//
// A word with options is the line RuleLine writes (WordMatcher.h): a file
// of plain words reads as it always has. A line that cannot be a word (an
// unknown option, a regular expression that does not compile) is skipped
// and reported with its line number.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <utility>

#include "WordMatcher.h"

inline constexpr const char* kEmptyWordLine = "(empty word)";

QStringList ParseWords(const QByteArray& file);
QByteArray SerializeWords(const QStringList& words);

struct WordsFileProblem {
  int line = 0;  // from 1
  QString reason;
  bool operator==(const WordsFileProblem&) const = default;
};
QList<WordRule> ParseWordRules(const QByteArray& file, QList<WordsFileProblem>& problems);
QByteArray SerializeWordRules(const QList<WordRule>& rules);

// Reads and writes the word list at one path. Writing goes through a new
// file that is renamed over the old one, so the file holds either the old
// list or the new one, never a mix.
class WordsFile {
 public:
  // A file this large is not a word list; it is refused rather than loaded.
  static constexpr std::int64_t kMaxBytes = std::int64_t{1} << 20;

  explicit WordsFile(QString path) : path_(std::move(path)) {}
  [[nodiscard]] const QString& Path() const { return path_; }

  // The list in the file; empty when the file does not exist. Without a
  // value, error says why the file could not be read.
  std::optional<QStringList> Load(QString& error) const;
  // Creates the file's missing folders first. False with error set when the
  // list could not be written.
  bool Save(const QStringList& words, QString& error) const;

  // The same with the words' options; problems lists the lines skipped.
  std::optional<QList<WordRule>> LoadRules(QList<WordsFileProblem>& problems, QString& error) const;
  bool SaveRules(const QList<WordRule>& rules, QString& error) const;

 private:
  std::optional<QByteArray> Read(QString& error) const;
  bool Write(const QByteArray& bytes, QString& error) const;

  QString path_;
};
