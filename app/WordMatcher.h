// Which listed words a chat message raises alerts for, when a word carries
// options: ignoring case, matching only a whole word, a regular expression,
// and matching the sender's name instead of (or as well as) the text. A word
// without options matches as the plain list always has (WordList.h), and
// some senders can be kept from raising alerts at all.
//
// A word is written on one line as its options in parentheses, a space and
// the word, for example "(nocase whole) cat" or "(regex sender) ^bot\d+$".
// A plain word is written as itself; as a plain word never holds a space,
// the two forms cannot be confused.
#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QStringMatcher>
#include <optional>

struct WordRule {
  enum class Target { Text, Sender, Both };
  // The text to find, or the pattern of a regular expression.
  QString word;
  bool ignoreCase = false;
  // Only where the match is not part of a longer word (letters, digits, _).
  bool wholeWord = false;
  bool regex = false;
  Target target = Target::Text;

  bool operator==(const WordRule&) const = default;
  [[nodiscard]] bool Plain() const { return *this == WordRule{word}; }
};

// Why the rule can never match (a regular expression that does not compile,
// with the place of the fault), or nothing when it is sound.
std::optional<QString> RuleError(const WordRule& rule);

// The rule as one line of text, and back. Reading takes what the word box
// takes: a plain word loses its spaces; a pattern keeps them. Without a
// value, error says what is wrong with the line.
QString RuleLine(const WordRule& rule);
std::optional<WordRule> ParseRuleLine(const QString& line, QString& error);

// Who never raises an alert; their lines still reach the console.
struct SenderFilter {
  QStringList neverAlert;
  bool ignoreOwnLines = false;

  bool operator==(const SenderFilter&) const = default;
  // Names compare as the server compares them (case and spaces ignored).
  [[nodiscard]] bool Silences(const QString& sender, const QString& ownName) const;
};

// The rules compiled once, then matched against every message.
class WordMatcher {
 public:
  // Rules that do not compile never match (RuleError refuses them earlier).
  explicit WordMatcher(const QList<WordRule>& rules = {}, SenderFilter filter = {});

  // The rules, in list order, that the message raises an alert for: each at
  // most once. An empty word matches every non-empty text (or name).
  [[nodiscard]] QList<WordRule> Matches(const QString& sender, const QString& cleaned, const QString& ownName) const;

 private:
  struct Compiled {
    WordRule rule;
    QRegularExpression expression;  // unset for a word found as a substring
    // A substring's search, prepared once: it skips ahead by the word's
    // length where a plain search looks at every character.
    QStringMatcher finder;
  };
  [[nodiscard]] static bool Found(const Compiled& compiled, const QString& subject);

  QList<Compiled> rules_;
  SenderFilter filter_;
};
